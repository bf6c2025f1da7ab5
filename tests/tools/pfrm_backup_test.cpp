// The backup window of the program's end and MOX.INI: the reading rules,
// an interrupted write, the folder choice, the copy, and the compaction
// window that follows however the window closes.

#include "tools/pfrm_backup.h"

#include "platform/atomic_file.h"
#include "tests/support/damaged_db.h"
#include "tests/tools/tools_test_support.h"
#include "tools/backup_path.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QFileInfo>
#include <QLabel>
#include <csignal>
#include <thread>

namespace mox::test {
namespace {

class BackupWindowTest : public ::testing::Test, public ToolsEnvironment {
protected:
    void Open() {
        form = std::make_unique<PFrmBackup>([this] {
            // The backup window has left the screen before the compaction starts.
            if (form && form->isVisible()) ADD_FAILURE() << "the backup window is still shown";
            ++compactions;
        });
        form->Form_Load();
    }
    QString Ini() const { return box.File(QStringLiteral("MOX.INI")); }

    std::unique_ptr<PFrmBackup> form;
    int compactions = 0;
};

TEST(BackUpPathFile, ReadingRules) {
    Sandbox box;
    const QString ini = box.File(QStringLiteral("MOX.INI"));
    const std::vector<std::pair<QByteArray, std::optional<QString>>> cases = {
        {"  BackUpPath=/media/usb/控え  \r\n", QStringLiteral("/media/usb/控え")},
        {"backuppath=/a\r\nBackUpPath =/b\r\n", std::nullopt},
        {"BackUpPath=/srv/A=B\r\n", QStringLiteral("/srv/A=B")},
        {"BackUpPath=/first\r\n' a comment\r\nBackUpPath=/second\r\n", QStringLiteral("/second")},
        {"' BackUpPath=/commented\r\n\r\n", std::nullopt},
        {"no equals sign here\r\nBackUpPath=/after\r\n", QStringLiteral("/after")},
        {"BackUpPath=/lf\nBackUpPath=/cr\r", QStringLiteral("/cr")},
        {"BackUpPath=\r\n", QString()},
    };
    for (const auto& [text, folder] : cases) {
        SCOPED_TRACE(text.toStdString());
        box.WriteText(QStringLiteral("MOX.INI"), text);
        EXPECT_EQ(ReadBackUpPath(ini), folder);
    }
    QFile::remove(ini);
    EXPECT_EQ(ReadBackUpPath(ini), std::nullopt);
}

TEST(BackUpPathFile, InterruptedWriteLeavesTheEarlierSetting) {
    Sandbox box;
    const QString ini = box.File(QStringLiteral("MOX.INI"));
    const QByteArray earlier("' 前の設定\r\nBackUpPath=/media/old\r\n");
    box.WriteText(QStringLiteral("MOX.INI"), earlier);
    for (int k = 1; k <= 4; ++k) {  // create, write, sync, rename
        SCOPED_TRACE(k);
        platform::FileStepFault fault(k, ENOSPC);
        EXPECT_EQ(WriteBackUpPath(ini, QStringLiteral("/media/new")).code, ENOSPC);
        EXPECT_EQ(Bytes(ini), earlier);
    }
    EXPECT_EQ(WriteBackUpPath(ini, QStringLiteral("/media/new")).code, 0);
    EXPECT_EQ(Bytes(ini), QByteArray("BackUpPath=/media/new\r\n"));
}

TEST_F(BackupWindowTest, FirstLoadMakesMoxIniWithTheProgramFolder) {
    Open();
    EXPECT_EQ(Bytes(Ini()), ("BackUpPath=" + box.Path() + "\r\n").toUtf8());
    EXPECT_EQ(form->LblPathBackUp->text(), box.Path());
    EXPECT_EQ(form->LblSrcBackUp->text(), QStringLiteral("バックアップ元：") + mainDb);
    EXPECT_EQ(form->LblDesBackUp->text(),
              QStringLiteral("バックアップ先：") + box.Path() + QStringLiteral("/VXMOX2_20261208_1405.MDB"));
    EXPECT_EQ(form->windowTitle(), QStringLiteral("MOX-Chart"));
}

// A pipe named MOX.INI would hold the window until something wrote to it. It
// counts as no settings file and gives way to a plain one. The writer here
// answers a reader that opens the pipe, so that a window that read it shows
// the pipe's folder instead of hanging; the writer is let go by a reader of
// its own at the end.
TEST_F(BackupWindowTest, PipeNamedMoxIniIsNeverReadAndGivesWayToAFile) {
    const QByteArray pipe = QFile::encodeName(Ini());
    const QByteArray sameInode = QFile::encodeName(box.File(QStringLiteral("pipe")));
    ASSERT_EQ(::mkfifo(pipe.constData(), 0600), 0);
    ASSERT_EQ(::link(pipe.constData(), sameInode.constData()), 0);
    std::thread writer([&sameInode] {
        sigset_t broken;
        sigemptyset(&broken);
        sigaddset(&broken, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &broken, nullptr);
        const int fd = ::open(sameInode.constData(), O_WRONLY | O_CLOEXEC);
        if (fd < 0) return;
        const QByteArray line("BackUpPath=/from/the/pipe\r\n");
        [[maybe_unused]] const ssize_t written = ::write(fd, line.constData(), line.size());
        ::close(fd);
    });
    Open();
    const int release = ::open(sameInode.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    writer.join();
    ::close(release);

    ASSERT_EQ(form->LblPathBackUp->text(), box.Path());
    EXPECT_TRUE(QFileInfo(Ini()).isFile());
    EXPECT_EQ(Bytes(Ini()), ("BackUpPath=" + box.Path() + "\r\n").toUtf8());
    EXPECT_EQ(ReadBackUpPath(box.File(QStringLiteral("pipe"))), std::nullopt);
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(BackupWindowTest, WithoutAFolderTheCopyAsksForOneAndAChoiceRewritesMoxIni) {
    box.WriteText(QStringLiteral("MOX.INI"), "' only a comment\r\n");
    Open();
    EXPECT_EQ(form->LblPathBackUp->text(), QString());

    dialogAnswers.push_back(std::nullopt);  // the user cancels the chooser
    Click(form->ButtonWindow(QStringLiteral("CmdBackUp")));
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].caption, QStringLiteral("フォルダ指定"));
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].kind, platform::FileDialogRequest::Kind::Folder);
    EXPECT_EQ(Bytes(Ini()), QByteArray("' only a comment\r\n"));
    EXPECT_EQ(compactions, 0);

    const QString usb = Folder(QStringLiteral("usb stick/控え"));
    dialogAnswers.push_back(usb + QLatin1Char('/'));
    Click(form->ButtonWindow(QStringLiteral("CmdPathBackUp")));
    EXPECT_EQ(form->LblPathBackUp->text(), usb);
    EXPECT_EQ(form->LblDesBackUp->text(),
              QStringLiteral("バックアップ先：") + usb + QStringLiteral("/VXMOX2_20261208_1405.MDB"));
    EXPECT_EQ(Bytes(Ini()), ("BackUpPath=" + usb + "\r\n").toUtf8());

    // A label of blanks is saved as the program folder.
    form->LblPathBackUp->setText(QStringLiteral("   "));
    form->SaveBackUpPath();
    EXPECT_EQ(form->BackUpFolder, box.Path());
    EXPECT_EQ(Bytes(Ini()), ("BackUpPath=" + box.Path() + "\r\n").toUtf8());
}

TEST_F(BackupWindowTest, CopyClosesTheWindowAndEveryWayOutShowsTheCompactionOnce) {
    const QString usb = Folder(QStringLiteral("usb"));
    box.WriteText(QStringLiteral("MOX.INI"), ("BackUpPath=" + box.File("gone") + "\r\n").toUtf8());
    Open();
    // The folder is gone: the copy fails, is reported, and the window stays.
    Click(form->ButtonWindow(QStringLiteral("CmdBackUp")));
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(compactions, 0);
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].caption, QStringLiteral("バックアップエラー"));

    dialogAnswers.push_back(usb);
    Click(form->ButtonWindow(QStringLiteral("CmdPathBackUp")));
    Click(form->ButtonWindow(QStringLiteral("CmdBackUp")));
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(WaitFor([&] { return compactions == 1; }, 2000));
    EXPECT_EQ(Bytes(usb + QStringLiteral("/VXMOX2_20261208_1405.MDB")), Bytes(mainDb));

    Open();
    Click(form->ButtonWindow(QStringLiteral("CmdEnd")));
    EXPECT_TRUE(WaitFor([&] { return compactions == 2; }, 2000));
    Open();
    form->close();
    EXPECT_TRUE(WaitFor([&] { return compactions == 3; }, 2000));
    form.reset();
    EXPECT_EQ(compactions, 3);
}

// The window has no file name to change: a damaged database that would
// replace a backup of the same minute is refused with advice to choose
// another folder, which the window can then do.
TEST_F(BackupWindowTest, DamagedDatabaseOverAnExistingBackupIsRefusedWithAdviceTheWindowCanFollow) {
    AddExaminations(mainDb);
    ASSERT_TRUE(MakeDamaged(mainDb, Damage::ExamLeafZeroed));
    const QString usb = Folder(QStringLiteral("usb"));
    box.WriteText(QStringLiteral("usb/VXMOX2_20261208_1405.MDB"), "a sound backup of this minute");
    box.WriteText(QStringLiteral("MOX.INI"), ("BackUpPath=" + usb + "\r\n").toUtf8());
    Open();
    boxes.Answer(platform::kYes);  // to replace the file of that name
    Click(form->ButtonWindow(QStringLiteral("CmdBackUp")));
    ASSERT_EQ(boxes.Shown().size(), 2u) << Boxes().join(u'\n').toStdString();
    EXPECT_EQ(boxes.Shown()[1].caption, QStringLiteral("バックアップエラー"));
    EXPECT_TRUE(boxes.Shown()[1].prompt.endsWith(
        QStringLiteral("別のフォルダを指定すると、破損したままのデータベースをバックアップできます。")))
        << boxes.Shown()[1].prompt.toStdString();
    EXPECT_FALSE(boxes.Shown()[1].prompt.contains(QStringLiteral("ファイル名")));
    EXPECT_EQ(Bytes(usb + QStringLiteral("/VXMOX2_20261208_1405.MDB")), QByteArray("a sound backup of this minute"));
    EXPECT_TRUE(form->isVisible());

    const QString other = Folder(QStringLiteral("other"));
    dialogAnswers.push_back(other);
    Click(form->ButtonWindow(QStringLiteral("CmdPathBackUp")));
    Click(form->ButtonWindow(QStringLiteral("CmdBackUp")));
    EXPECT_EQ(Bytes(other + QStringLiteral("/VXMOX2_20261208_1405.MDB")), Bytes(mainDb));
    EXPECT_EQ(boxes.Shown().back().caption, QStringLiteral("バックアップ結果"));
    EXPECT_TRUE(WaitFor([&] { return compactions == 1; }, 2000));
}

TEST_F(BackupWindowTest, CopyOntoTheMainFileItselfIsRefused) {
    // The backup's name in the backup folder names the main file.
    ASSERT_TRUE(QFile::link(mainDb, box.File(QStringLiteral("VXMOX2_20261208_1405.MDB"))));
    Open();
    Click(form->ButtonWindow(QStringLiteral("CmdBackUp")));
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].caption, QStringLiteral("指定エラー"));
    EXPECT_EQ(boxes.Shown()[0].prompt, QStringLiteral("コピー元とコピー先が同じです。処理を中止します。"));
    EXPECT_TRUE(form->isVisible());
}

}  // namespace
}  // namespace mox::test
