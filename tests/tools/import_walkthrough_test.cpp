// A user's walk through the import on the real windows: the registry
// stand-in names a sibling installation whose db/vx2.MDB is the fixture;
// the tools window's import tab finds the patient as the chart number is
// typed, two dates and a case are chosen and imported; then the input
// screen, made afresh as the tools window closes, shows the case with the
// imported examination. The input-tab checks and refusals come first. With
// MOX_SCREENSHOT_DIR set, each step is grabbed there.

#include "core/program_paths.h"
#include "platform/registry.h"
#include "tests/screens/input/input_window.h"
#include "tools/pfrm_import.h"

#include <QApplication>
#include <QListWidget>
#include <set>

namespace mox::test {
namespace {

void Shot(QWidget* window, const QString& name) {
    const QString dir = qEnvironmentVariable("MOX_SCREENSHOT_DIR");
    if (dir.isEmpty()) return;
    QDir().mkpath(dir);
    window->grab().save(dir + u'/' + name + QStringLiteral(".png"));
}

void Click(QWidget* button) {
    ASSERT_NE(button, nullptr);
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, button->rect().center());
}

PFrmImport* ShownTools() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* tools = qobject_cast<PFrmImport*>(w); tools && tools->isVisible()) return tools;
    return nullptr;
}

class ImportWalkThrough : public ::testing::Test, public InputWindow {
protected:
    ImportWalkThrough() {
        QDir(box.Path()).mkpath(QStringLiteral("Vexaline/db"));
        QFile::copy(QStringLiteral(MOX_SIBLING_FIXTURE_DIR "/vx2.MDB"),
                    box.File(QStringLiteral("Vexaline/db/vx2.MDB")));
        const QString key = QStringLiteral("HKEY_LOCAL_MACHINE/Software/QD NORVALE/QD Vexaline 2/");
        platform::RegistryWrite(key + QStringLiteral("System"), QStringLiteral("Path"), box.File("Vexaline"));
        platform::RegistryWrite(key + QStringLiteral("Install"), QStringLiteral("DbType"), QStringLiteral("Access"));
        SetupDatabasePaths(box.Path(), QStringLiteral("VXMOX"));
        G().ShowPathInfo = 0;
    }
    ~ImportWalkThrough() override { G().SharedDbKind = 0; }
};

TEST_F(ImportWalkThrough, TypeChooseImportAndSeeTheCaseOnTheInputScreen) {
    ASSERT_EQ(G().SharedDbKind, 1);
    // The input screen's tools button: the input screen unloads, the tools
    // window takes its place.
    form.reset();
    bool inputBack = false;
    ShowToolsWindow([&inputBack] { inputBack = true; });
    PFrmImport* tools = ShownTools();
    ASSERT_NE(tools, nullptr);
    tools->SSTabTool->setCurrentIndex(PFrmImport::kTabImport);
    Shot(tools, QStringLiteral("01_import_tab"));

    // The refusals before anything is chosen.
    Click(tools->ButtonWindow(QStringLiteral("CmdImport")));
    EXPECT_EQ(Captions(), std::vector<QString>{QStringLiteral("入力エラー")});

    // Typing "1001": "1" finds nobody, "10" nobody, "1001" 山田 太郎.
    tools->TxtInNo->setFocus();
    QTest::keyClicks(tools->TxtInNo, QStringLiteral("100"));
    EXPECT_EQ(tools->SourcePatientID, -1);
    EXPECT_EQ(tools->LstVX3->count(), 0);
    QTest::keyClicks(tools->TxtInNo, QStringLiteral("1"));
    EXPECT_EQ(tools->SourcePatientID, 1);
    EXPECT_EQ(tools->LblName[0]->text(), QStringLiteral("山田 太郎"));
    EXPECT_EQ(tools->LblSex[0]->text(), QStringLiteral("男"));
    EXPECT_TRUE(tools->LblBirth[0]->text().startsWith(QStringLiteral("昭和25年03月04日  ")));
    ASSERT_EQ(tools->LstVX3->count(), 4);
    EXPECT_EQ(tools->LstVX3->item(0)->text(), QStringLiteral("2010/04/01  初診時"));
    Shot(tools, QStringLiteral("02_patient_found"));

    Click(tools->ButtonWindow(QStringLiteral("CmdImport")));
    EXPECT_EQ(Captions(), std::vector<QString>{QStringLiteral("入力エラー")});  // no case yet
    tools->CmbOutNo->setFocus();
    tools->CmbOutNo->setCurrentIndex(tools->CmbOutNo->findData(5));
    emit tools->CmbOutNo->activated(tools->CmbOutNo->currentIndex());
    EXPECT_EQ(tools->LblSex[1]->text(), QStringLiteral("未設定"));
    EXPECT_EQ(tools->LstPRL->count(), 0);
    Click(tools->ButtonWindow(QStringLiteral("CmdImport")));
    EXPECT_EQ(Captions(), std::vector<QString>{QStringLiteral("入力エラー")});  // no date yet

    tools->LstVX3->item(0)->setSelected(true);
    tools->LstVX3->item(2)->setSelected(true);
    Shot(tools, QStringLiteral("03_before_import"));
    boxes.Answer(platform::kNo);
    Click(tools->ButtonWindow(QStringLiteral("CmdImport")));
    EXPECT_EQ(Captions(), std::vector<QString>{QStringLiteral("確認")});
    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM TExamData WHERE PatientID=5")), 0);

    boxes.Answer(platform::kYes);
    Click(tools->ButtonWindow(QStringLiteral("CmdImport")));
    EXPECT_EQ(Captions(), (std::vector<QString>{QStringLiteral("確認"), QStringLiteral("完了")}));
    ASSERT_EQ(tools->LstPRL->count(), 2);
    EXPECT_EQ(tools->LstPRL->item(0)->text(), QStringLiteral("2010/04/01  初診時"));
    EXPECT_EQ(tools->LstPRL->item(1)->text(), QStringLiteral("2011/02/01  ＳＰＴ移行時"));
    EXPECT_EQ(tools->LblSex[1]->text(), QStringLiteral("男"));
    EXPECT_EQ(tools->TxtInNo->text(), QStringLiteral("1001"));  // the page stays as it was
    EXPECT_EQ(tools->LstVX3->selectedItems().size(), 2);
    Shot(tools, QStringLiteral("04_after_import"));

    Click(tools->ButtonWindow(QStringLiteral("CmdEnd")));
    EXPECT_TRUE(inputBack);
    QApplication::processEvents();

    // The input screen loads afresh and shows the imported examination.
    Make();
    ChoosePatient(5);
    ASSERT_GE(form->CmbEntry->count(), 2);
    EXPECT_EQ(form->CmbEntry->itemText(0), QStringLiteral("2010/04/01  初診時"));
    ChooseEntry(0);
    // The fixture's pocket depths of tooth 1 (6, 1, 4, 7, 2, 5 in stored
    // order); the screen shows the sites in its own order.
    std::multiset<int> tooth1;
    for (int site = 0; site < 6; ++site) tooth1.insert(Value(0, 1, site));
    EXPECT_EQ(tooth1, (std::multiset<int>{1, 2, 4, 5, 6, 7}));
    EXPECT_EQ(Value(0, 0, 0), -1);  // a tooth without values
    Shot(form.get(), QStringLiteral("05_input_screen_case_5"));
}

}  // namespace
}  // namespace mox::test
