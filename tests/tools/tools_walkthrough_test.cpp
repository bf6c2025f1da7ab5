// A user's walk through the backup window and the tools window on the real
// windows: the end of a run with Yes to the backup question and a backup
// into a chosen folder; then, in the tools window, a backup from tab 0, its
// restore from tab 1, and the contact data of tab 4 with a new version-up
// program waiting. With MOX_SCREENSHOT_DIR set, each step is grabbed there.

#include "shell/startup.h"
#include "tests/tools/tools_test_support.h"
#include "tools/contact_info.h"
#include "tools/pfrm_backup.h"
#include "tools/pfrm_import.h"

#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>

namespace mox::test {
namespace {

template <typename Window>
Window* Shown() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* window = qobject_cast<Window*>(w); window && window->isVisible()) return window;
    return nullptr;
}

class ToolsWalkThrough : public ::testing::Test, public ToolsEnvironment {};

TEST_F(ToolsWalkThrough, BackUpAtTheEndThenBackUpRestoreAndContactDataInTheToolsWindow) {
    // 1. The end of a run: Yes to the backup question, a folder, the copy.
    int compactions = 0;
    Hooks().showBackupWindow = [&compactions] { ShowBackupWindow([&compactions] { ++compactions; }); };
    boxes.Answer(platform::kYes);
    RunEndSequence();
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].caption, QStringLiteral("バックアップ確認"));
    EXPECT_EQ(boxes.Shown()[0].style, 52);  // Yes, No and the exclamation icon
    PFrmBackup* backup = Shown<PFrmBackup>();
    ASSERT_NE(backup, nullptr);
    Grab(backup, QStringLiteral("01_backup_window"));
    const QString usb = Folder(QStringLiteral("USBメモリ"));
    dialogAnswers.push_back(usb);
    Click(backup->ButtonWindow(QStringLiteral("CmdPathBackUp")));
    Grab(backup, QStringLiteral("02_backup_window_folder_chosen"));
    Click(backup->ButtonWindow(QStringLiteral("CmdBackUp")));
    EXPECT_TRUE(WaitFor([&] { return compactions == 1; }, 2000));
    const QString endBackup = usb + QStringLiteral("/VXMOX2_20261208_1405.MDB");
    EXPECT_EQ(Bytes(endBackup), Bytes(mainDb));
    Hooks().showBackupWindow = nullptr;
    QApplication::processEvents();

    // 2. The next run: the tools window, a backup, and its restore.
    clock.Advance(24 * 3600 * 1000);
    OpenDb(mainDb)->Execute(QStringLiteral("INSERT INTO TPatient (ID, Name) VALUES (3, '鈴木 一郎')"));
    int inputScreens = 0;
    ShowToolsWindow([&inputScreens] { ++inputScreens; });
    PFrmImport* tools = Shown<PFrmImport>();
    ASSERT_NE(tools, nullptr);
    EXPECT_EQ(tools->LblPathBackUp->text(), usb);  // remembered in MOX.INI
    EXPECT_EQ(tools->TxtFile->text(), QStringLiteral("VXMOX2_20261209_1405.MDB"));
    Click(tools->ButtonWindow(QStringLiteral("CmdBackUp")));
    Grab(tools, QStringLiteral("03_tools_backup_done"));
    const QString toolsBackup = usb + QStringLiteral("/VXMOX2_20261209_1405.MDB");
    EXPECT_EQ(Bytes(toolsBackup), Bytes(mainDb));

    OpenDb(mainDb)->Execute(QStringLiteral("DELETE FROM TPatient WHERE ID=3"));  // a mistake to undo
    tools->SSTabTool->setCurrentIndex(PFrmImport::kTabRestore);
    dialogAnswers.push_back(toolsBackup);
    Click(tools->ButtonWindow(QStringLiteral("CmdPathRestore")));
    boxes.Answer(platform::kYes);
    Click(tools->ButtonWindow(QStringLiteral("CmdRestore")));
    Grab(tools, QStringLiteral("04_tools_restore_done"));
    EXPECT_EQ(tools->LblResultRestore->text(), QStringLiteral("復元結果"));
    EXPECT_EQ(OpenDb(mainDb)->Scalar(QStringLiteral("SELECT Name FROM TPatient WHERE ID=3")).ToText(),
              QStringLiteral("鈴木 一郎"));

    // 3. Contact data, with a new version-up program waiting.
    box.WriteText(QStringLiteral("VXMOXVerUp"), "#!/bin/sh\nexit 0\n");
    QFile::setPermissions(box.File(QStringLiteral("VXMOXVerUp")),
                          QFile::permissions(box.File("VXMOXVerUp")) | QFileDevice::ExeOwner);
    box.WriteText(QStringLiteral("VXMOXVerUp.new"), "#!/bin/sh\nexit 0\n# new\n");
    tools->SSTabTool->setCurrentIndex(PFrmImport::kTabVersionUp);
    EXPECT_FALSE(QFileInfo::exists(box.File(QStringLiteral("VXMOXVerUp.new"))));
    EXPECT_TRUE(QFileInfo(box.File(QStringLiteral("VXMOXVerUp"))).isExecutable());
    tools->TxtClinic->setText(QStringLiteral("さくら歯科クリニック"));
    tools->TxtTanto->setText(QStringLiteral("山田 太郎"));
    tools->TxtMail->setFocus();
    QTest::keyClicks(tools->TxtMail, QStringLiteral("yamada@example.jp"));
    Grab(tools, QStringLiteral("05_tools_contact_data"));
    int ended = 0;
    SetVersionUpEnd([&ended] { ++ended; });
    Click(tools->ButtonWindow(QStringLiteral("CmdVersionUp")));
    SetVersionUpEnd({});
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(ReadContactInfo(), (ContactInfo{QStringLiteral("さくら歯科クリニック"), QStringLiteral("山田 太郎"),
                                              QStringLiteral("yamada@example.jp")}));
    EXPECT_EQ(boxes.Shown().size(), 2u);  // the backup and the restore question
    tools->close();                       // the program is ending: no input screen comes back
    EXPECT_EQ(inputScreens, 0);
}

}  // namespace
}  // namespace mox::test
