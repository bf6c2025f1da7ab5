// A user's walk through the input screen on the real window: patient 1, a
// date, the first-visit stage, a whole pocket-depth route by keyboard with
// bleeding and suppuration marks, the mobility row, save; then the window
// made again shows every value that was entered. With MOX_SCREENSHOT_DIR
// set, each step is grabbed there as a PNG.

#include "tests/screens/input/input_window.h"

#include <QApplication>

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

}  // namespace
}  // namespace mox::test
