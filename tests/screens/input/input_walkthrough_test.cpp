// A user's walk through the input screen on the real window: patient 1, a
// date, the first-visit stage, a whole pocket-depth route by keyboard with
// bleeding and suppuration marks, the mobility row, save; then the window
// made again shows every value that was entered. With MOX_SCREENSHOT_DIR
// set, each step is grabbed there as a PNG.

#include "screens/input/pfrm_calendar.h"
#include "screens/input/pfrm_msg_box_bui.h"
#include "tests/screens/input/input_window.h"

#include <QAction>
#include <QApplication>
#include <QCalendarWidget>
#include <QMenu>
#include <QPushButton>

namespace mox::test {
namespace {

struct Entered {
    int button;
    int site;
    int value;
    int bleeding;
    int suppuration;
};

TEST(InputWalkThrough, EnterSaveAndSeeItAllAgain) {
    InputWindow w;
    PFrmInput& f = *w.form;
    w.Grab(QStringLiteral("01_loaded"));

    w.ChoosePatient(1);
    w.Grab(QStringLiteral("02_patient_1"));
    f.TxtY->setFocus();
    QTest::keyClicks(f.TxtY, QStringLiteral("2024"));
    QTest::keyClicks(f.TxtM, QStringLiteral("05"));
    QTest::keyClicks(f.TxtD, QStringLiteral("20"));
    w.ChooseStage(1);
    EXPECT_EQ(f.CmbStage->currentText(), QStringLiteral("初診時"));
    w.Grab(QStringLiteral("03_date_and_stage"));

    // The whole pocket-depth route, one value per site; every fifth site
    // bleeds and every seventh suppurates.
    std::vector<Entered> entered;
    std::vector<QString> clips;
    auto hear = [&] {
        for (const QString& c : w.PlayedClips()) clips.push_back(c);
    };
    QWidget* grid = f.Grid().ThWindow(f.Entry().CurrentButton());
    grid->setFocus();
    const CToothPosition& cursor = *Globals().ToothPositions[0];
    for (int i = 0; i < 192; ++i) {
        const int value = i % 12 + 1;
        const QString keys = value >= 10 ? QStringLiteral("/%1").arg(value - 10) : QString::number(value);
        for (QChar c : keys) QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
        Entered e{cursor.nTooth, cursor.nPocket, value, 0, 0};
        if (i % 5 == 0) {
            QTest::keyClick(QApplication::focusWidget(), '+');
            e.bleeding = 1;
        }
        if (i % 7 == 0) {
            QTest::keyClick(QApplication::focusWidget(), '*');
            QTest::keyClick(QApplication::focusWidget(), '+');
            e.suppuration = 1;
        }
        entered.push_back(e);
        hear();
        if (i == 40) w.Grab(QStringLiteral("04_pocket_depths_under_way"));
    }
    EXPECT_EQ(f.Entry().CurRow, 0);
    w.Grab(QStringLiteral("05_pocket_depths"));

    // Mobility: a click on the row's first tooth, then a value per tooth.
    QWidget* th32 = f.Grid().ThWindow(32);
    QTest::mouseClick(th32, Qt::LeftButton, Qt::NoModifier, th32->rect().center());
    ASSERT_EQ(f.Entry().CurRow, 1);
    th32->setFocus();
    const CToothPosition& mobility = *Globals().ToothPositions[1];
    for (int i = 0; i < 32; ++i) {
        QTest::keyClick(QApplication::focusWidget(), char('0' + i % 4));
        entered.push_back({32 + mobility.nTooth, 0, i % 4, -1, -1});
        hear();
    }
    w.Grab(QStringLiteral("06_mobility"));
    EXPECT_EQ(clips.size(), 192u + 32u) << "one voice clip per value, none for the marks";
    EXPECT_EQ(clips.front(), QStringLiteral("1.wav"));

    w.boxes.Clear();
    w.ClickButton(QStringLiteral("CmdSave"));
    EXPECT_EQ(w.Captions(), (std::vector<QString>{"チェック", "正常終了"}));
    w.Grab(QStringLiteral("07_saved"));
    EXPECT_EQ(w.Count(QStringLiteral("SELECT COUNT(*) FROM TExamData WHERE PatientID=1 AND ExamDate=? AND "
                                     "CommentID=1"),
                      {QStringLiteral("2024-05-20 00:00:00")}),
              6);
    EXPECT_EQ(f.CmbEntry->currentText(), QStringLiteral("2024/05/20  初診時"));
    EXPECT_FALSE(f.Entry().DataChanged);

    // The window made again, as after the tools window, shows it all.
    w.Make();
    PFrmInput& again = *w.form;
    ASSERT_EQ(again.CmbOutNo->currentText(), QStringLiteral("1"));
    ASSERT_EQ(again.CmbEntry->currentText(), QStringLiteral("2024/05/20  初診時"));
    EXPECT_EQ(again.TxtY->text() + again.TxtM->text() + again.TxtD->text(), QStringLiteral("20240520"));
    EXPECT_EQ(again.CmbStage->currentText(), QStringLiteral("初診時"));
    for (const Entered& e : entered) {
        ASSERT_EQ(again.Grid().Data(e.button, 0, e.site), e.value) << "button " << e.button << " site " << e.site;
        if (e.bleeding < 0) continue;
        ASSERT_EQ(again.Grid().Data(e.button, 1, e.site) == 1, e.bleeding == 1) << "bleeding " << e.button;
        ASSERT_EQ(again.Grid().Data(e.button, 2, e.site) == 1, e.suppuration == 1) << "suppuration " << e.button;
    }
    w.Grab(QStringLiteral("08_loaded_again"));
}

// Saves the grab of a small window beside the window's when
// MOX_SCREENSHOT_DIR names a folder.
void GrabWindow(QWidget& window, const QString& name) {
    const QString dir = qEnvironmentVariable("MOX_SCREENSHOT_DIR");
    if (!dir.isEmpty()) window.grab().save(dir + u'/' + name + QStringLiteral(".png"));
}

TEST(InputWalkThrough, StatesMarksPlaqueDeletionAndAnotherFile) {
    InputWindow w;
    PFrmInput& f = *w.form;
    w.ChoosePatient(2);

    // The date from the picker, the first-visit stage.
    w.modalRunner = [](QDialog& window) {
        auto& picker = dynamic_cast<PFrmCalendar&>(window);
        picker.MonthView->setSelectedDate(QDate(2024, 6, 3));
        GrabWindow(picker, QStringLiteral("11_date_picker"));
        QTest::mouseClick(picker.BtnOK, Qt::LeftButton);
    };
    w.ClickButton(QStringLiteral("CmdDate"));
    ASSERT_EQ(f.TxtY->text() + f.TxtM->text() + f.TxtD->text(), QStringLiteral("20240603"));
    w.ChooseStage(1);
    w.Keys(QStringLiteral("323434545"));

    // Tooth 14 (index 4) missing, tooth 23 (index 10) an implant.
    f.Th_ClickData(4, 0);
    w.boxes.Answer(platform::kYes);
    w.ClickButton(QStringLiteral("CmdMT"));
    f.Th_ClickData(10, 0);
    w.boxes.Answer(platform::kYes);
    w.ClickButton(QStringLiteral("CmdImplant"));
    EXPECT_EQ(w.Captions(), (std::vector<QString>{"確認", "確認"}));
    EXPECT_EQ(f.Grid().LblTh(4)->palette().color(QPalette::Window), QColor(128, 128, 255));
    EXPECT_EQ(f.Grid().LblTh(10 + 64)->palette().color(QPalette::Window), QColor(255, 255, 128));
    w.Grab(QStringLiteral("12_missing_and_implant"));

    // Bleeding marks in the batch mode: a label marks a whole tooth.
    w.ClickButton(QStringLiteral("CmdBloodMode"));
    EXPECT_EQ(f.Button(QStringLiteral("CmdBloodMode"))->Get(prismet::kDispCaption).toString(),
              QStringLiteral(" 一括 選択中"));
    for (int t : {0, 1}) QTest::mouseClick(f.Grid().LblTh(t), Qt::LeftButton);
    for (int s : {0, 1, 2}) EXPECT_EQ(f.Grid().Data(0, 1, s), 1) << "site " << s;
    w.Grab(QStringLiteral("13_batch_bleeding"));
    w.ClickButton(QStringLiteral("CmdBloodMode"));

    // The whole plaque row, all sites.
    f.Th_ClickData(96, 0);
    w.modalRunner = [](QDialog& window) {
        auto& box = dynamic_cast<PFrmMsgBoxBui&>(window);
        GrabWindow(box, QStringLiteral("14_site_question"));
        QWidget* all = box.Buttons().Window(QStringLiteral("CmdAllExam"));
        QTest::mouseClick(all, Qt::LeftButton, Qt::NoModifier, all->rect().center());
    };
    w.ClickButton(QStringLiteral("CmdPL"), 2);
    EXPECT_EQ(f.Grid().PlaqueData(96), 15);
    EXPECT_EQ(f.Grid().PlaqueData(96 + 4), -1) << "the missing tooth has none";
    EXPECT_EQ(f.Grid().PlaqueData(96 + 10), -1) << "nor the implant";
    w.Grab(QStringLiteral("15_plaque_row"));

    w.boxes.Clear();
    w.ClickButton(QStringLiteral("CmdSave"));
    EXPECT_EQ(w.Captions().back(), QStringLiteral("正常終了"));
    auto stored = w.Db()->OpenRecordset(
        QStringLiteral("SELECT * FROM TExamData WHERE PatientID=2 AND Row=0 AND ExamDate LIKE '2024-06-03%'"));
    ASSERT_FALSE(stored->IsEOF());
    CExamData row;
    row.RecSetGet(*stored);
    EXPECT_EQ(static_cast<uint16_t>(row.nBui(4)), kToothMissing);
    EXPECT_EQ(static_cast<uint16_t>(row.nBui(10)), kToothImplant);
    stored->Close();
    w.Grab(QStringLiteral("16_saved"));

    // A second examination, then the first one deleted.
    w.ClickButton(QStringLiteral("CmdAdd"));
    w.TypeDate("2024", "12", "03");
    w.ChooseStage(2);
    w.Keys(QStringLiteral("2"));
    w.ClickButton(QStringLiteral("CmdSave"));
    ASSERT_EQ(f.CmbEntry->count(), 2);
    EXPECT_EQ(static_cast<uint16_t>(f.Entry().ToothStatus[4]), kToothMissing) << "states carry over";
    w.ChooseEntry(0);
    w.boxes.Clear();
    w.boxes.Answer(platform::kYes);
    w.ClickButton(QStringLiteral("CmdDelExamData"));
    ASSERT_EQ(f.CmbEntry->count(), 1);
    EXPECT_EQ(f.CmbEntry->currentText(), QStringLiteral("2024/12/03  基本治療終了時"));
    w.Grab(QStringLiteral("17_after_deletion"));

    // Another database for a while, and back.
    const QString other = w.box.File(QStringLiteral("other"));
    QDir().mkpath(other);
    QFile::copy(w.dbPath, other + QStringLiteral("/branch.mdb"));
    w.fileAnswers.push_back(other + QStringLiteral("/branch.mdb"));
    w.ClickButton(QStringLiteral("CmdFile"));
    f.mnuOpen->trigger();
    f.mnuFile->hide();
    EXPECT_EQ(G().AppPath(), other);
    EXPECT_EQ(f.CmbOutNo->currentText(), QStringLiteral("1"));
    w.Grab(QStringLiteral("18_other_file"));
    w.fileAnswers.push_back(w.dbPath);
    f.mnuOpen->trigger();
    EXPECT_EQ(G().AppPath(), w.box.Path());
    EXPECT_EQ(f.LblPath->font().pointSize(), 9);
    w.ChoosePatient(2);
    EXPECT_EQ(f.CmbEntry->count(), 1);
    w.Grab(QStringLiteral("19_back_on_the_program_folders_file"));
}

}  // namespace
}  // namespace mox::test
