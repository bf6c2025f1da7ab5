// The tools window: its tabs and the input screen that comes back after it,
// the backup and restore tabs, the FAQ page and the manual, and the
// version-up tab with the contact data, the self-update and the start that
// ends the program without the end of a run.

#include "tools/pfrm_import.h"

#include "tests/tools/tools_test_support.h"
#include "tools/contact_info.h"
#include "tools/image_record.h"

#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTimer>
#include <QUrl>
#include <cstdio>

namespace mox::test {

// Takes the URLs the window hands to the desktop's opener.
class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void Open(const QUrl& url) { opened << url; }
};

namespace {

class ToolsWindowTest : public ::testing::Test, public ToolsEnvironment {
protected:
    ToolsWindowTest() {
        SetVersionUpEnd([this] { ++endedForVersionUp; });
    }
    ~ToolsWindowTest() override { SetVersionUpEnd({}); }
    void Open() {
        form = std::make_unique<PFrmImport>([this] { ++inputScreens; });
        form->Form_Load();
    }
    QWidget* Button(const char* name) const { return form->ButtonWindow(QString::fromLatin1(name)); }
    void WriteStub(const QString& marker) {
        box.WriteText(QStringLiteral("VXMOXVerUp"), QStringLiteral("#!/bin/sh\ntouch '%1'\n").arg(marker).toUtf8());
        QFile::setPermissions(box.File(QStringLiteral("VXMOXVerUp")),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    void FillContact(const QString& clinic, const QString& tanto, const QString& mail) {
        form->TxtClinic->setText(clinic);
        form->TxtTanto->setText(tanto);
        form->TxtMail->setText(mail);
    }

    std::unique_ptr<PFrmImport> form;
    int inputScreens = 0;
    int endedForVersionUp = 0;
};

TEST_F(ToolsWindowTest, FiveTabsTheImportOnlyWithASiblingAndTheInputScreenAfterwards) {
    Open();
    ASSERT_EQ(form->SSTabTool->count(), 5);
    EXPECT_EQ(form->SSTabTool->tabText(2), QStringLiteral("　Vexaline からのインポート　"));
    EXPECT_EQ(form->SSTabTool->currentIndex(), 0);
    EXPECT_FALSE(form->SSTabTool->isTabEnabled(PFrmImport::kTabImport));
    EXPECT_EQ(form->CmbOutNo->count(), 0);
    EXPECT_TRUE(form->TxtFile->text() == QStringLiteral("VXMOX2_20261208_1405.MDB"));
    Click(Button("CmdEnd"));
    EXPECT_EQ(inputScreens, 1);

    G().SharedDbKind = 1;
    Open();
    EXPECT_TRUE(form->SSTabTool->isTabEnabled(PFrmImport::kTabImport));
    ASSERT_EQ(form->CmbOutNo->count(), 32);
    EXPECT_EQ(form->CmbOutNo->itemText(29), QStringLiteral("30"));
    EXPECT_EQ(form->CmbOutNo->itemData(31).toInt(), 99);
    EXPECT_EQ(form->CmbOutNo->currentIndex(), -1);
    EXPECT_EQ(form->LblArrow->text(), QStringLiteral("→"));
    form->close();  // the close box
    EXPECT_EQ(inputScreens, 2);
    form.reset();
    EXPECT_EQ(inputScreens, 2);
}

TEST_F(ToolsWindowTest, BackupTabAsksForAFolderRefusesBadNamesAndShowsTheResult) {
    box.WriteText(QStringLiteral("MOX.INI"), "' no folder yet\r\n");
    Open();
    Click(Button("CmdBackUp"));
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].caption, QStringLiteral("フォルダ指定"));
    ASSERT_EQ(requests.size(), 1u);  // the chooser opened, and was cancelled

    const QString usb = Folder(QStringLiteral("usb"));
    dialogAnswers.push_back(usb);
    Click(Button("CmdPathBackUp"));
    EXPECT_EQ(form->LblPathBackUp->text(), usb);
    for (const QString& bad : {QString(), QStringLiteral(".."), QStringLiteral("../VXMOX2.MDB"),
                               QStringLiteral("a/b.MDB"), QStringLiteral("x\x01.MDB")}) {
        boxes.Clear();
        form->TxtFile->setText(bad);
        Click(Button("CmdBackUp"));
        ASSERT_EQ(boxes.Shown().size(), 1u) << bad.toStdString();
        EXPECT_EQ(boxes.Shown()[0].caption, QStringLiteral("指定エラー"));
    }
    EXPECT_TRUE(QDir(usb).entryList(QDir::Files | QDir::Hidden).isEmpty());
    EXPECT_TRUE(QDir(box.Path()).entryList({QStringLiteral("*.MDB")}, QDir::Files) == QStringList{"VXMOX2.MDB"});

    // The main file under another spelling of its folder.
    boxes.Clear();
    form->LblPathBackUp->setText(box.Path() + QStringLiteral("/usb/.."));
    form->TxtFile->setText(QStringLiteral("VXMOX2.MDB"));
    Click(Button("CmdBackUp"));
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].prompt, QStringLiteral("コピー元とコピー先が同じです。処理を中止します。"));
    EXPECT_TRUE(form->LblResultBackUp->text().isEmpty());

    boxes.Clear();
    form->LblPathBackUp->setText(usb);
    form->TxtFile->setText(QStringLiteral("月曜日.MDB"));
    Click(Button("CmdBackUp"));
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_EQ(Bytes(usb + QStringLiteral("/月曜日.MDB")), Bytes(mainDb));
    EXPECT_EQ(form->LblResultBackUp->text(), QStringLiteral("バックアップ結果"));
    EXPECT_EQ(form->LblSrcBackUp->text(), QStringLiteral("コピー元：") + mainDb);
    EXPECT_EQ(form->LblDesBackUp->text(), QStringLiteral("コピー先：") + usb + QStringLiteral("/月曜日.MDB"));

    // The same name again replaces the file only after Yes.
    boxes.Answer(platform::kNo);
    Click(Button("CmdBackUp"));
    EXPECT_EQ(boxes.Shown().size(), 1u);
    EXPECT_TRUE(form->LblResultBackUp->text().isEmpty());
}

TEST_F(ToolsWindowTest, RestoreTabAsksFirstAndShowsTheSafetyCopy) {
    const QString usb = Folder(QStringLiteral("usb"));
    const QString backup = usb + QStringLiteral("/VXMOX2_20261201_0900.MDB");
    QFile::copy(mainDb, backup);
    OpenDb(backup)->Execute(QStringLiteral("INSERT INTO TPatient (ID, Name) VALUES (5, '復元')"));
    const QByteArray before = Bytes(mainDb);
    box.WriteText(QStringLiteral("MOX.INI"), ("BackUpPath=" + usb + "\r\n").toUtf8());
    Open();

    dialogAnswers.push_back(backup);
    Click(Button("CmdPathRestore"));
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].kind, platform::FileDialogRequest::Kind::Open);
    EXPECT_EQ(requests[0].folder, usb);  // where the backups are
    EXPECT_TRUE(requests[0].filter.contains(QStringLiteral("*.mdb")));
    EXPECT_EQ(requests[0].typicalName, QStringLiteral("VXMOX2_20261208_1405.MDB"));  // its names show whole
    EXPECT_EQ(form->LblPathRestore->text(), backup);

    boxes.Answer(platform::kNo);
    Click(Button("CmdRestore"));
    EXPECT_EQ(Bytes(mainDb), before);
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].caption, QStringLiteral("復元確認"));

    boxes.Answer(platform::kYes);
    Click(Button("CmdRestore"));
    EXPECT_EQ(OpenDb(mainDb)->Scalar(QStringLiteral("SELECT Name FROM TPatient WHERE ID=5")).ToText(),
              QStringLiteral("復元"));
    EXPECT_EQ(form->LblResultRestore->text(), QStringLiteral("復元結果"));
    EXPECT_EQ(form->LblSrcRestore->text(), QStringLiteral("復元元：") + backup);
    EXPECT_EQ(form->LblDesRestore->text(), QStringLiteral("復元先：") + mainDb);
    const QString safety = box.File(QStringLiteral("VXMOX2_20261208_1405.MDB"));
    EXPECT_EQ(form->LblDesRestoreBackup->text(), QStringLiteral("復元先バックアップ：") + safety);
    EXPECT_EQ(Bytes(safety), before);

    // A source that has gone since it was chosen: nothing but the message.
    QFile::remove(backup);
    boxes.Clear();
    boxes.Answer(platform::kYes);
    Click(Button("CmdRestore"));
    EXPECT_EQ(boxes.Shown().size(), 2u);
    EXPECT_TRUE(form->LblResultRestore->text().isEmpty());
    EXPECT_TRUE(form->LblDesRestoreBackup->text().isEmpty());

    // With the backup folder gone, the chooser starts in the program folder.
    ASSERT_TRUE(QDir(usb).removeRecursively());
    Click(Button("CmdPathRestore"));
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].folder, box.Path());
}

TEST_F(ToolsWindowTest, FaqPageAndManualGoToTheDesktopsOpener) {
    UrlRecorder recorder;
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &recorder, "Open");
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &recorder, "Open");
    Open();
    form->SSTabTool->setCurrentIndex(PFrmImport::kTabManual);
    Click(Button("CmdFAQ"));
    Click(Button("CmdManual"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    ASSERT_EQ(recorder.opened.size(), 2);
    EXPECT_EQ(recorder.opened[0].path(), QStringLiteral("/MOX/FAQ.html"));
    EXPECT_EQ(recorder.opened[1].toLocalFile(),
              box.File(QStringLiteral("ミラド協会認定検査データ作成ソフト MOX-Chart Ver4 操作マニュアル.pdf")));
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(ToolsWindowTest, VersionUpTabMakesTheTableShowsTheDataAndPutsTheNewProgramInPlace) {
    box.WriteText(QStringLiteral("VXMOXVerUp"), "old");
    box.WriteText(QStringLiteral("VXMOXVerUp.new"), "new");
    Open();
    form->SSTabTool->setCurrentIndex(PFrmImport::kTabVersionUp);
    EXPECT_EQ(CImage().GetStatusTable(), 0);
    EXPECT_TRUE(form->TxtClinic->text().isEmpty());
    EXPECT_EQ(Bytes(box.File(QStringLiteral("VXMOXVerUp"))), QByteArray("new"));
    EXPECT_FALSE(QFileInfo::exists(box.File(QStringLiteral("VXMOXVerUp.new"))));

    // Leaving the tab does not save; the return button on it does, blanks
    // and all, without asking for the missing ones.
    FillContact(QStringLiteral("さくら歯科"), QStringLiteral("  "), QString());
    form->SSTabTool->setCurrentIndex(PFrmImport::kTabBackUp);
    EXPECT_EQ(ReadContactInfo(), ContactInfo{});
    form->SSTabTool->setCurrentIndex(PFrmImport::kTabVersionUp);
    FillContact(QStringLiteral("さくら歯科"), QStringLiteral("  "), QString());
    Click(Button("CmdEnd"));
    EXPECT_EQ(inputScreens, 1);
    EXPECT_EQ(ReadContactInfo(), (ContactInfo{QStringLiteral("さくら歯科"), QStringLiteral("  "), QString()}));
    EXPECT_TRUE(QFileInfo::exists(box.File(QStringLiteral("Info.txt"))));
    EXPECT_TRUE(boxes.Shown().empty());

    Open();
    form->SSTabTool->setCurrentIndex(PFrmImport::kTabVersionUp);
    EXPECT_EQ(form->TxtClinic->text(), QStringLiteral("さくら歯科"));
    EXPECT_EQ(form->TxtClinic->maxLength(), 200);
    // A value the report cannot carry keeps the window open.
    form->TxtTanto->setText(QStringLiteral("𠮷田"));
    Click(Button("CmdEnd"));
    EXPECT_EQ(inputScreens, 1);
    EXPECT_EQ(boxes.Shown().size(), 1u);
}

TEST_F(ToolsWindowTest, VersionUpStartsOnlyWithEveryFieldAndAFailedStartKeepsTheProgram) {
    Open();
    form->SSTabTool->setCurrentIndex(PFrmImport::kTabVersionUp);
    FillContact(QStringLiteral("さくら歯科"), QStringLiteral(" "), QStringLiteral("a@example.jp"));
    Click(Button("CmdVersionUp"));
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].caption, QStringLiteral("未入力"));
    EXPECT_EQ(ReadContactInfo().tanto, QStringLiteral(" "));  // saved all the same

    boxes.Clear();
    FillContact(QStringLiteral("さくら歯科"), QStringLiteral("山田"), QStringLiteral("a@example.jp"));
    Click(Button("CmdVersionUp"));  // no VXMOXVerUp in the folder
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].caption, QStringLiteral("起動エラー"));
    EXPECT_EQ(endedForVersionUp, 0);
    EXPECT_TRUE(form->isVisible());

    const QString marker = box.File(QStringLiteral("started"));
    WriteStub(marker);
    boxes.Clear();
    Click(Button("CmdVersionUp"));
    EXPECT_EQ(endedForVersionUp, 1);
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_TRUE(WaitFor([&] { return QFileInfo::exists(marker); }));
    form.reset();
    EXPECT_EQ(inputScreens, 0);  // the program ends: no input screen
}

// The real end: the event loop returns 0 at once, and nothing of the end of a
// run happens (no input screen, so no backup question; no box at all).
TEST_F(ToolsWindowTest, VersionUpStartEndsTheProcessAtOnce) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // The child runs this test again in a folder of its own; the stub marks
    // a file of the parent's folder.
    if (!qEnvironmentVariableIsSet("MOX_TOOLS_TEST_MARKER"))
        qputenv("MOX_TOOLS_TEST_MARKER", QFile::encodeName(box.File(QStringLiteral("started"))));
    const QString marker = QFile::decodeName(qgetenv("MOX_TOOLS_TEST_MARKER"));
    WriteStub(marker);
    EXPECT_EXIT(
        {
            SetVersionUpEnd({});
            Open();
            form->SSTabTool->setCurrentIndex(PFrmImport::kTabVersionUp);
            FillContact(QStringLiteral("さくら歯科"), QStringLiteral("山田"), QStringLiteral("a@example.jp"));
            QTimer::singleShot(0, [this] { Click(Button("CmdVersionUp")); });
            QTimer::singleShot(10000, [] { QCoreApplication::exit(3); });  // the program ran on
            const int code = QApplication::exec();
            std::fprintf(stderr, "boxes=%d inputScreens=%d\n", int(boxes.Shown().size()), inputScreens);
            std::_Exit(code);
        },
        ::testing::ExitedWithCode(0), "boxes=0 inputScreens=0");
    qunsetenv("MOX_TOOLS_TEST_MARKER");
    EXPECT_TRUE(WaitFor([&] { return QFileInfo::exists(marker); }));
}

}  // namespace
}  // namespace mox::test

#include "pfrm_import_test.moc"
