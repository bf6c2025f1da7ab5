// The input screen's entry boxes on its window: what entering the grid and
// the boxes checks, how the date boxes hand the focus on, and which edits
// count as unsaved changes.

#include "platform/gui/message_boxes.h"
#include "tests/screens/input/input_window.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTimer>

namespace mox::test {
namespace {

TEST(EntryBoxes, EnteringTheGridOrABoxChecksWhatItNeeds) {
    InputWindow w;
    PFrmInput& f = *w.form;

    // A date box without a patient sends the user to the patient list.
    f.TxtM->setFocus();
    EXPECT_EQ(w.Captions(), std::vector<QString>{"患者番号指定"});
    EXPECT_EQ(QApplication::focusWidget(), f.CmbOutNo);
    EXPECT_FALSE(f.Entry().DataChanged) << "leaving the box unchanged is no change";

    // The grid and the number boxes run the whole entry check.
    w.ChoosePatient(4);
    w.Captions();
    f.Grid().ThWindow(40)->setFocus();
    EXPECT_EQ(w.Captions(), std::vector<QString>{"検査日エラー"});
    EXPECT_EQ(QApplication::focusWidget(), f.TxtY);
    f.TxtApplyNo->setFocus();
    EXPECT_EQ(w.Captions(), std::vector<QString>{"検査日エラー"});
    EXPECT_EQ(QApplication::focusWidget(), f.TxtY);
    EXPECT_FALSE(f.Entry().DataChanged);

    // With everything given, entering asks nothing and selects the text.
    w.TypeDate("2024", "07", "08");
    f.TxtInNo->setText(QStringLiteral("A-12"));
    f.TxtInNo->setFocus();
    f.Grid().ThWindow(40)->setFocus();
    EXPECT_TRUE(w.Captions().empty());
    f.TxtInNo->setFocus();
    EXPECT_EQ(f.TxtInNo->selectedText(), QStringLiteral("A-12"));
}

TEST(EntryBoxes, FullDateBoxesMoveTheFocusOnAndEditsAreChanges) {
    InputWindow w;
    PFrmInput& f = *w.form;
    w.ChoosePatient(4);
    ASSERT_EQ(QApplication::focusWidget(), f.TxtY);
    for (char c : {'2', '0', '2'}) QTest::keyClick(f.TxtY, c);
    EXPECT_EQ(QApplication::focusWidget(), f.TxtY) << "three digits are no year yet";
    QTest::keyClick(f.TxtY, '4');
    EXPECT_EQ(QApplication::focusWidget(), f.TxtM);
    EXPECT_TRUE(f.Entry().DataChanged) << "a typed date is a change";
    f.Entry().DataChanged = false;
    QTest::keyClick(f.TxtM, '0');
    QTest::keyClick(f.TxtM, '9');
    EXPECT_EQ(QApplication::focusWidget(), f.TxtD);
    QTest::keyClick(f.TxtD, '3');
    QTest::keyClick(f.TxtD, '0');
    EXPECT_EQ(QApplication::focusWidget(), f.TxtInNo);
    EXPECT_EQ(f.TxtY->text() + f.TxtM->text() + f.TxtD->text(), QStringLiteral("20240930"));

    // A number box: the same text again is no change, another one is.
    f.Entry().DataChanged = false;
    f.TxtApplyNo->setFocus();
    f.TxtInNo->setFocus();
    EXPECT_FALSE(f.Entry().DataChanged);
    QTest::keyClick(f.TxtInNo, 'Z');
    f.TxtApplyNo->setFocus();
    EXPECT_TRUE(f.Entry().DataChanged);

    // Text the program puts into a box (a loaded examination) is no edit.
    w.AddRow(InputScreenEnvironment::Row(1, 4, QDate(2020, 2, 2), 0, 2, 1));
    w.boxes.Answer(platform::kNo);
    f.TxtY->setFocus();
    w.ChoosePatient(5);
    f.TxtY->setFocus();
    w.ChoosePatient(4);
    f.TxtY->setFocus();
    f.TxtM->setFocus();
    EXPECT_EQ(f.TxtY->text(), QStringLiteral("2020"));
    EXPECT_FALSE(f.Entry().DataChanged);
}

// Questions in real boxes, answered with No, after which the window gets
// the activation back, as a window manager gives it: focus that the screen
// moved while the box was up is no edit of the box it went to.
TEST(EntryBoxes, AWindowComingBackFromABoxChangesNothing) {
    InputWindow w;
    PFrmInput& f = *w.form;
    w.AddRow(InputScreenEnvironment::Row(1, 4, QDate(2020, 2, 2), 0, 2, 1));
    w.AddRow(InputScreenEnvironment::Row(2, 5, QDate(2021, 3, 3), 0, 2, 1));
    std::vector<QString> asked;
    platform::SetMsgBoxResponder([&asked](const platform::ShownBox& box) {
        asked.push_back(box.caption);
        QTimer::singleShot(0, [] {
            QWidget* shown = QApplication::activeModalWidget();
            for (auto* b : shown ? shown->findChildren<QAbstractButton*>() : QList<QAbstractButton*>())
                if (b->text().startsWith(QStringLiteral("いいえ"))) b->click();
        });
        return platform::ShowWidgetMessageBox(box);
    });
    auto choosePatient = [&](const char* number) {
        QTest::mouseClick(f.CmbOutNo->lineEdit(), Qt::LeftButton);
        f.CmbOutNo->lineEdit()->selectAll();
        QTest::keyClicks(f.CmbOutNo, QString::fromLatin1(number));
        QTest::keyClick(f.CmbOutNo, Qt::Key_Tab);
        f.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    };

    w.ChoosePatient(4);
    w.Keys(QStringLiteral("3"));
    choosePatient("5");
    ASSERT_EQ(asked, std::vector<QString>{"確認"});
    ASSERT_EQ(G().CurPatientId, 5);
    EXPECT_EQ(f.TxtY->selectedText(), QStringLiteral("2021")) << "the year box is entered: a typed year replaces it";
    EXPECT_FALSE(f.Entry().DataChanged);
    choosePatient("4");
    EXPECT_EQ(asked, std::vector<QString>{"確認"}) << "nothing was changed";
    EXPECT_EQ(G().CurPatientId, 4);

    // What the user types is still a change, and the question still comes.
    QTest::mouseClick(f.TxtInNo, Qt::LeftButton);
    QTest::keyClicks(f.TxtInNo, QStringLiteral("K"));
    choosePatient("5");
    EXPECT_EQ(asked, (std::vector<QString>{"確認", "確認"}));
    EXPECT_EQ(G().CurPatientId, 5);

    // A number picked from the drop-down list is asked about once: the box
    // taking the focus from the list is no second choice.
    w.Keys(QStringLiteral("3"));
    QTest::mouseClick(f.CmbOutNo->lineEdit(), Qt::LeftButton);
    w.ChoosePatient(4);
    EXPECT_EQ(asked, (std::vector<QString>{"確認", "確認", "確認"}));
    EXPECT_EQ(G().CurPatientId, 4);
    EXPECT_FALSE(f.Entry().DataChanged);
}

}  // namespace
}  // namespace mox::test
