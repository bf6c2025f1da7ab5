// The version-up window as a user meets it: the start check shown, the
// update run by its button, the end button starting the main program, the
// log buttons, and a second start. Set MOX_WALKTHROUGH_DIR to keep the
// window's pictures.

#include "core/settings.h"
#include "maintenance/version_up/pfrm_version_up.h"
#include "maintenance/version_up/verup_common.h"
#include "platform/gui/japanese_ui.h"
#include "platform/instance_lock.h"
#include "platform/message_box.h"
#include "platform/registry.h"
#include "tests/maintenance/maintenance_test_support.h"

#include <gtest/gtest.h>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QUrl>

namespace {

using namespace mox;
using mox::test::ReadFile;
using mox::test::WriteFile;

class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void Open(const QUrl& url) { opened << url; }
};

void Keep(QWidget* window, const char* name) {
    const QString dir = qEnvironmentVariable("MOX_WALKTHROUGH_DIR");
    if (!dir.isEmpty()) window->grab().save(dir + QLatin1Char('/') + QString::fromUtf8(name));
}

bool AppearsSoon(const QString& path) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 10000) {
        if (QFileInfo::exists(path)) return true;
        QThread::msleep(10);
    }
    return false;
}

class VersionUpWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        MOX_REQUIRE_FTP_AND_7ZA();
        platform::RegisterFontSubstitutes();
        server_ = std::make_unique<test::FtpServer>(tree_.Root());
        ASSERT_TRUE(server_->Running());
        site_ = std::make_unique<test::UpdateSite>(server_->Host());
        WriteFile(site_->Program("VersionMOX.txt"), "Version=4.0.6\r\n");
        WriteFile(site_->Program("VXMOX"), "#!/bin/sh\ntouch \"$(dirname \"$0\")/vxmox-started\"\n", 0755);
        WriteFile(site_->Program("VXMOXVerUp"),
                  "\x7f"
                  "ELF old",
                  0755);
        tree_.SetRemoteVersion("Version=4.1.0\r\n");
        ASSERT_TRUE(tree_.AddArchive("mox410.zip", {{"VXMOXVerUp",
                                                     "\x7f"
                                                     "ELF new",
                                                     0755},
                                                    {"libPrismet.so",
                                                     "\x7f"
                                                     "ELF new module",
                                                     0755}}));
    }
    std::unique_ptr<verup::PFrmVersionUp> Open() {
        auto window = std::make_unique<verup::PFrmVersionUp>(site_->Setup());
        EXPECT_EQ(window->Form_Load(), 0);
        window->show();
        return window;
    }
    QStringList Lines(const verup::PFrmVersionUp& window) const {
        QStringList lines;
        for (int i = 0; i < window.lstL->count(); ++i) lines << window.lstL->item(i)->text();
        return lines;
    }

    test::ServerTree tree_;
    std::unique_ptr<test::FtpServer> server_;
    std::unique_ptr<test::UpdateSite> site_;
    platform::ScriptedMsgBoxes boxes_;
};

TEST_F(VersionUpWindowTest, WalkThroughOfferRunAndEndStartingTheMainProgram) {
    auto window = Open();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("MOX-Chart バージョンアップ"));
    EXPECT_EQ(window->lblLVer->text(), QStringLiteral("4.0.6"));
    EXPECT_EQ(window->lblRSVer->text(), QStringLiteral("4.1.0"));
    EXPECT_TRUE(window->LblTest->isVisible());
    EXPECT_TRUE(window->CmdDown->isEnabled());
    EXPECT_TRUE(window->CmdDown->styleSheet().contains(QStringLiteral("rgb(255, 0, 0)")));
    EXPECT_EQ(window->lstL->currentItem()->text(), QStringLiteral("バージョンアップボタンをクリックしてください。"));
    Keep(window.get(), "verup-1-offered.png");

    QTest::mouseClick(window->CmdDown, Qt::LeftButton);
    const QStringList lines = Lines(*window);
    EXPECT_TRUE(lines.contains(QStringLiteral("MOX-Chart は、バージョンアップされました。")))
        << lines.join('\n').toStdString();
    EXPECT_EQ(lines.back(), QStringLiteral("【終了】ボタンをクリックしてください。"));
    EXPECT_FALSE(window->CmdDown->styleSheet().contains(QStringLiteral("rgb(255, 0, 0)")));
    for (QPushButton* button : {window->CmdDown, window->CmdEnd, window->CmdShowLog, window->CmdDeleteLog})
        EXPECT_TRUE(button->isEnabled());
    EXPECT_EQ(ReadFile(site_->Program("VXMOXVerUp.new")), QByteArray("\x7f"
                                                                     "ELF new"));
    EXPECT_EQ(ReadFile(site_->Program("libPrismet.so")), QByteArray("\x7f"
                                                                    "ELF new module"));
    Keep(window.get(), "verup-2-after-run.png");

    QTest::mouseClick(window->CmdEnd, Qt::LeftButton);
    EXPECT_TRUE(AppearsSoon(site_->Program("vxmox-started")));
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(boxes_.Shown().empty());
}

TEST_F(VersionUpWindowTest, ClosingTheWindowDuringATransferEndsTheRunAndThenTheWindow) {
    // A server that sends the archive two bytes a second.
    server_ =
        std::make_unique<test::FtpServer>(tree_.Root(), false, QStringList{}, QStringList{"--trickle", "mox410.zip"});
    ASSERT_TRUE(server_->Running());
    for (const char* value : {"HostName", "HostAlias"})
        platform::RegistryWrite(QString::fromUtf8(verup::kTestServerKey), QString::fromUtf8(value), server_->Host());
    auto window = Open();
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (Lines(*window).join('\n').contains(QStringLiteral("mox410.zip ダウンロード中"))) window->close();
    });
    closer.start(20);
    QTest::mouseClick(window->CmdDown, Qt::LeftButton);
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(site_->Log().contains(QStringLiteral("mox410.zip ダウンロードを中止しました。")))
        << site_->Log().toStdString();
    EXPECT_TRUE(site_->Log().contains(QStringLiteral("バージョンアップを中止しました。")));
    EXPECT_FALSE(QFileInfo::exists(site_->Program("libPrismet.so")));
    platform::InstanceLock mainProgram(site_->Program(), QStringLiteral("VXMOX"));
    EXPECT_TRUE(mainProgram.TryAcquire());
    EXPECT_TRUE(QDir(site_->Temp()).isEmpty());
}

TEST_F(VersionUpWindowTest, AMainProgramThatCannotStartIsReportedAndTheWindowStays) {
    QFile::remove(site_->Program("VXMOX"));
    auto window = Open();
    QTest::mouseClick(window->CmdEnd, Qt::LeftButton);
    ASSERT_EQ(boxes_.Shown().size(), 1u);
    EXPECT_EQ(boxes_.Shown()[0].caption, QStringLiteral("エラー"));
    EXPECT_TRUE(boxes_.Shown()[0].prompt.startsWith(QStringLiteral("ＭＯＸチャートを起動できませんでした。")));
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(site_->Log().contains(QStringLiteral("ＭＯＸチャートを起動できませんでした。")));
}

TEST_F(VersionUpWindowTest, LogButtonsOpenTheLogWithTheDesktopAndClearItOnlyOnOk) {
    auto window = Open();
    UrlRecorder recorder;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &recorder, "Open");
    QTest::mouseClick(window->CmdShowLog, Qt::LeftButton);
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    ASSERT_EQ(recorder.opened.size(), 1);
    EXPECT_EQ(recorder.opened[0].toLocalFile(), site_->Program("Log_MOX.txt"));

    const QByteArray log = ReadFile(site_->Program("Log_MOX.txt"));
    ASSERT_FALSE(log.isEmpty());
    boxes_.Answer(platform::kCancel);
    QTest::mouseClick(window->CmdDeleteLog, Qt::LeftButton);
    EXPECT_EQ(ReadFile(site_->Program("Log_MOX.txt")), log);
    EXPECT_GT(window->lstL->count(), 0);
    boxes_.Answer(platform::kOk);
    QTest::mouseClick(window->CmdDeleteLog, Qt::LeftButton);
    EXPECT_EQ(boxes_.Shown().back().prompt, QStringLiteral("ログファイルをクリアします。よろしいですか？"));
    EXPECT_EQ(boxes_.Shown().back().style, 49);
    EXPECT_TRUE(QFileInfo::exists(site_->Program("Log_MOX.txt")));
    EXPECT_TRUE(ReadFile(site_->Program("Log_MOX.txt")).isEmpty());
    EXPECT_EQ(window->lstL->count(), 0);

    QFile::remove(site_->Program("Log_MOX.txt"));
    QTest::mouseClick(window->CmdShowLog, Qt::LeftButton);
    EXPECT_EQ(boxes_.Shown().back().caption, QStringLiteral("ファイルなし"));
    EXPECT_EQ(boxes_.Shown().back().style, 48);
    EXPECT_EQ(boxes_.Shown().back().prompt,
              QStringLiteral("ログファイルが見つかりません。\r\n\r\n") + site_->Program("Log_MOX.txt"));
}

TEST_F(VersionUpWindowTest, ASecondStartEndsSilentlyAndACurrentInstallationDisablesTheButton) {
    tree_.SetRemoteVersion("Version=4.0.6\r\n");
    auto first = Open();
    EXPECT_FALSE(first->CmdDown->isEnabled());
    EXPECT_TRUE(first->CmdEnd->isEnabled());
    EXPECT_EQ(first->lstL->currentItem()->text(),
              QStringLiteral("最新バージョンです。バージョンアップは必要ありません。"));

    verup::PFrmVersionUp second(site_->Setup());
    EXPECT_EQ(second.Form_Load(), 3);
    EXPECT_EQ(second.lstL->count(), 0);
    EXPECT_TRUE(boxes_.Shown().empty());
}

}  // namespace

#include "version_up_window_test.moc"
