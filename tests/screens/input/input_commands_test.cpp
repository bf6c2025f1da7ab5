// The input screen's commands on its window: deleting an examination or a
// patient, new, previous and next examination, the date picker, and every
// way of leaving the examination shown (chart screen, tools window, end,
// the close box) with Yes, No and a save that fails.

#include "screens/input/pfrm_calendar.h"
#include "tests/screens/input/input_window.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QPushButton>

namespace mox::test {
namespace {

using platform::kNo;
using platform::kYes;

constexpr int kPatient = 7;
const QDate kDays[] = {QDate(2021, 1, 10), QDate(2021, 6, 10), QDate(2022, 1, 10)};

// Three stored examinations of kPatient; examination d has the pocket
// depth d + 2 at the site of tooth 18 where the pocket route starts (record
// slot 2, button site 0).
void StoreThreeExaminations(InputScreenEnvironment& env) {
    int id = 100;
    for (int d = 0; d < 3; ++d) {
        for (int row : {0, 1, 2, 3, 9, 10}) {
            const int item = row < 4 ? std::array{2, 1, 13, 3}[row] : 2;
            CExamData r = InputScreenEnvironment::Row(id++, kPatient, kDays[d], row, item, int16_t(d + 1));
            if (row == 0) r.SetbData(2, int16_t(d + 2));
            env.AddRow(r);
        }
    }
}

class Commands : public InputWindow {
public:
    Commands() { StoreThreeExaminations(*this); }
    long Rows(const QString& where = QString(), const std::vector<db::Value>& params = {}) {
        return Count(QStringLiteral("SELECT COUNT(*) FROM TExamData WHERE PatientID=7") + where, params);
    }
    int ShownDepth() { return Value(0, 0, 0); }
    // The patient chosen, the examination at `entry` shown and changed.
    void ShowChanged(int entry) {
        ChoosePatient(kPatient);
        ChooseEntry(entry);
        Keys(QStringLiteral("9"));
        ASSERT_TRUE(form->Entry().DataChanged);
        boxes.Clear();
    }
    // The screen hands the main slot back as it found it: a later user's
    // nested counted use keeps its connection to the end.
    void ExpectMainSlotHandedBack() {
        EXPECT_FALSE(GetSlotState(Slot::Main).hasConnection);
        EXPECT_EQ(GetSlotState(Slot::Main).openCount, 0);
        MainDbUse outer;
        { MainDbUse inner; }
        EXPECT_TRUE(outer.IsOpen());
    }
    // A trigger that fails the deletion of the given table's rows.
    void FailDeletesOf(const QString& table) {
        Db()->Execute(QStringLiteral("CREATE TRIGGER NoDelete BEFORE DELETE ON %1 "
                                     "BEGIN SELECT RAISE(ABORT, 'disk I/O error'); END")
                          .arg(table));
    }
};

TEST(DeleteExamination, TheNeighbourIsShownAndNothingIsAskedOrWrittenBack) {
    Commands w;
    PFrmInput& f = *w.form;
    // Another stage on the middle day goes with it: the examination is the day.
    w.AddRow(InputScreenEnvironment::Row(500, kPatient, kDays[1], 0, 2, 4));
    w.ShowChanged(1);
    ASSERT_EQ(f.CmbEntry->count(), 4);
    w.boxes.Answer(kYes);
    w.ClickButton(QStringLiteral("CmdDelExamData"));
    EXPECT_EQ(w.Captions(), (std::vector<QString>{"確認", "表示データ削除完了"})) << "the refill asks nothing";
    EXPECT_EQ(w.Rows(QStringLiteral(" AND ExamDate LIKE '2021-06-10%'")), 0);
    EXPECT_EQ(w.Rows(), 12) << "the other days are kept";
    ASSERT_EQ(f.CmbEntry->count(), 2);
    EXPECT_EQ(f.CmbEntry->currentIndex(), 1) << "the same place in the list";
    EXPECT_EQ(w.ShownDepth(), 4);
    EXPECT_FALSE(f.Entry().DataChanged);
    EXPECT_EQ(f.StageAtFocus, -1);
    EXPECT_EQ(QApplication::focusWidget(), f.TxtY);
    w.ExpectMainSlotHandedBack();

    // The last one: the new last is shown.
    w.ChooseEntry(1);
    w.boxes.Answer(kYes);
    w.ClickButton(QStringLiteral("CmdDelExamData"));
    ASSERT_EQ(f.CmbEntry->count(), 1);
    EXPECT_EQ(f.CmbEntry->currentIndex(), 0);
    EXPECT_EQ(w.ShownDepth(), 2);

    // The only one: an empty new examination.
    w.boxes.Answer(kYes);
    w.ClickButton(QStringLiteral("CmdDelExamData"));
    EXPECT_EQ(f.CmbEntry->count(), 0);
    EXPECT_EQ(w.Rows(), 0);
    EXPECT_TRUE(f.Entry().IsNewEntry);
    EXPECT_EQ(w.ShownDepth(), -1);
    EXPECT_TRUE(f.TxtY->text().isEmpty());
    w.ExpectMainSlotHandedBack();

    // Nothing chosen: refused before the question.
    w.Captions();
    w.ClickButton(QStringLiteral("CmdDelExamData"));
    EXPECT_EQ(w.Captions(), std::vector<QString>{"治療ステージエラー"});
}

TEST(DeleteExamination, NoOrAFailureLeavesEveryRow) {
    Commands w;
    PFrmInput& f = *w.form;
    w.ShowChanged(0);
    w.boxes.Answer(kNo);
    w.ClickButton(QStringLiteral("CmdDelExamData"));
    ASSERT_EQ(w.boxes.Shown().size(), 1u);
    EXPECT_EQ(w.boxes.Shown()[0].prompt, QStringLiteral("表示されているデータを削除します。よろしいですか？　　"));
    EXPECT_EQ(w.boxes.Shown()[0].style, 4 + 48 + 256) << "No is the default";
    EXPECT_EQ(w.Rows(), 18);
    EXPECT_TRUE(f.Entry().DataChanged);

    // A failure on the fourth row rolls the whole deletion back.
    w.Db()->Execute(
        QStringLiteral("CREATE TRIGGER NoDelete BEFORE DELETE ON TExamData WHEN OLD.Row = 3 "
                       "BEGIN SELECT RAISE(ABORT, 'disk I/O error'); END"));
    w.boxes.Clear();
    w.boxes.Answer(kYes);
    w.ClickButton(QStringLiteral("CmdDelExamData"));
    EXPECT_EQ(w.Captions(), (std::vector<QString>{"確認", "削除エラー"})) << "no completion box";
    EXPECT_EQ(w.Rows(), 18);
    EXPECT_EQ(f.CmbEntry->count(), 3);
    EXPECT_TRUE(f.Entry().DataChanged) << "the values shown stay unsaved";
    EXPECT_EQ(w.ShownDepth(), 9);
}

TEST(DeletePatient, EveryExaminationAndThePatientRowGoTogether) {
    Commands w;
    PFrmInput& f = *w.form;
    w.ChoosePatient(kPatient);
    f.TxtInNo->setFocus();
    f.TxtInNo->setText(QStringLiteral("K-77"));
    w.ClickButton(QStringLiteral("CmdSave"));
    ASSERT_EQ(w.Count(QStringLiteral("SELECT COUNT(*) FROM TPatient WHERE ID=7")), 1);

    // A failure deleting the patient row keeps the examinations too.
    w.FailDeletesOf(QStringLiteral("TPatient"));
    w.boxes.Clear();
    w.boxes.Answer(kYes);
    w.ClickButton(QStringLiteral("CmdDelPatient"));
    EXPECT_EQ(w.Captions(), (std::vector<QString>{"確認", "削除エラー"}));
    EXPECT_EQ(w.Rows(), 18);
    w.Db()->Execute(QStringLiteral("DROP TRIGGER NoDelete"));

    w.Keys(QStringLiteral("9"));
    w.boxes.Answer(kYes);
    w.ClickButton(QStringLiteral("CmdDelPatient"));
    EXPECT_EQ(w.Captions(), (std::vector<QString>{"確認", "１患者削除完了"}));
    EXPECT_EQ(w.Rows(), 0);
    EXPECT_EQ(w.Count(QStringLiteral("SELECT COUNT(*) FROM TPatient WHERE ID=7")), 0);
    EXPECT_EQ(f.CmbOutNo->currentText(), QStringLiteral("7")) << "the number stays chosen";
    EXPECT_EQ(f.CmbEntry->count(), 0);
    EXPECT_TRUE(f.TxtInNo->text().isEmpty()) << "the deleted patient's chart number is gone";
    EXPECT_FALSE(f.Entry().DataChanged);
    EXPECT_EQ(w.ShownDepth(), -1);
}

TEST(Navigation, PreviousAndNextStopAtTheEnds) {
    Commands w;
    PFrmInput& f = *w.form;
    w.ChoosePatient(kPatient);
    {
        const QSignalBlocker blocker(f.CmbEntry);
        f.CmbEntry->setCurrentIndex(-1);
    }
    w.ClickButton(QStringLiteral("CmdPrevStage"));
    EXPECT_EQ(f.CmbEntry->currentIndex(), -1) << "previous with nothing chosen does nothing";
    w.ClickButton(QStringLiteral("CmdNextStage"));
    EXPECT_EQ(f.CmbEntry->currentIndex(), 0) << "next with nothing chosen takes the first";
    for (int expected : {1, 2, 2}) {
        w.ClickButton(QStringLiteral("CmdNextStage"));
        EXPECT_EQ(f.CmbEntry->currentIndex(), expected);
        EXPECT_EQ(w.ShownDepth(), expected + 2);
    }
    for (int expected : {1, 0, 0}) {
        w.ClickButton(QStringLiteral("CmdPrevStage"));
        EXPECT_EQ(f.CmbEntry->currentIndex(), expected);
    }
    EXPECT_EQ(f.CmbStage->currentData().toInt(), 1);

    // With unsaved values the list's own question guards the step.
    w.Keys(QStringLiteral("8"));
    w.boxes.Answer(kNo);
    w.ClickButton(QStringLiteral("CmdNextStage"));
    EXPECT_EQ(w.ShownDepth(), 3);
    EXPECT_EQ(w.Captions(), std::vector<QString>{"確認"});

    // An empty list: both do nothing.
    w.ChoosePatient(1);
    w.ClickButton(QStringLiteral("CmdNextStage"));
    w.ClickButton(QStringLiteral("CmdPrevStage"));
    EXPECT_EQ(f.CmbEntry->currentIndex(), -1);
    EXPECT_TRUE(w.Captions().empty());
}

TEST(Navigation, ANewExaminationKeepsThePatientAndStartsOnPocketDepths) {
    Commands w;
    PFrmInput& f = *w.form;
    w.ShowChanged(2);
    w.form->Entry().SetInputMode(3, true);
    w.boxes.Answer(kYes);
    w.ClickButton(QStringLiteral("CmdAdd"));
    EXPECT_EQ(w.Captions().front(), QStringLiteral("確認"));
    EXPECT_EQ(w.Rows(QStringLiteral(" AND ExamDate LIKE '2022-01-10%' AND Row=0")), 1);
    EXPECT_EQ(f.CmbOutNo->currentText(), QStringLiteral("7"));
    EXPECT_EQ(f.CmbEntry->currentIndex(), -1);
    EXPECT_TRUE(f.TxtY->text().isEmpty() && f.TxtM->text().isEmpty() && f.TxtD->text().isEmpty());
    EXPECT_EQ(f.CmbStage->currentIndex(), 0);
    EXPECT_EQ(G().CurExamDate, QDate(100, 1, 1));
    EXPECT_TRUE(f.Entry().IsNewEntry);
    EXPECT_FALSE(f.Entry().DataChanged);
    EXPECT_EQ(f.Entry().CurRow, 0);
    EXPECT_EQ(f.Entry().CurItemID, kPocketDepthItem);
    EXPECT_EQ(w.ShownDepth(), -1);
    EXPECT_EQ(QApplication::focusWidget(), f.TxtY);
    w.ExpectMainSlotHandedBack();

    // The last examination chosen again from the list loads.
    w.ChooseEntry(2);
    EXPECT_EQ(w.ShownDepth(), 9);

    // A save that fails keeps everything.
    w.Keys(QStringLiteral("5"));
    f.CmbStage->setCurrentIndex(-1);
    w.boxes.Answer(kYes);
    w.ClickButton(QStringLiteral("CmdAdd"));
    EXPECT_EQ(f.CmbEntry->currentIndex(), 2);
    EXPECT_TRUE(f.Entry().DataChanged);
}

// Works the date picker: moves `months` on, then either picks `day` by
// `how` or cancels.
enum class Pick { Ok, DoubleClick, Cancel, CloseBox };
void WorkCalendar(InputWindow& w, QDate* openedOn, int months, Pick how, const QDate& day = {}) {
    w.modalRunner = [=](QDialog& window) {
        auto& picker = dynamic_cast<PFrmCalendar&>(window);
        EXPECT_EQ(picker.windowTitle(), QStringLiteral("日付入力"));
        *openedOn = picker.MonthView->selectedDate();
        for (int i = 0; i < months; ++i) picker.MonthView->showNextMonth();
        switch (how) {
            case Pick::Ok:
                picker.MonthView->setSelectedDate(day);
                emit picker.MonthView->clicked(day);
                EXPECT_EQ(picker.focusWidget(), picker.BtnOK) << "a click on a day moves the focus to OK";
                QTest::mouseClick(picker.BtnOK, Qt::LeftButton);
                break;
            case Pick::DoubleClick:
                picker.MonthView->setSelectedDate(day);
                emit picker.MonthView->activated(day);
                break;
            case Pick::Cancel:
                picker.MonthView->setSelectedDate(day);
                QTest::mouseClick(picker.BtnCancel, Qt::LeftButton);
                break;
            case Pick::CloseBox:
                picker.MonthView->setSelectedDate(day);
                break;
        }
    };
}

TEST(DatePicker, OkFillsTheBoxesAndCancelLeavesThemAsTheyWere) {
    Commands w;
    PFrmInput& f = *w.form;
    QDate openedOn;
    auto boxes = [&] { return f.TxtY->text() + u'/' + f.TxtM->text() + u'/' + f.TxtD->text(); };

    // No patient: refused with the click sound.
    w.ClickButton(QStringLiteral("CmdDate"));
    EXPECT_EQ(w.Captions(), std::vector<QString>{"患者番号指定"});
    EXPECT_EQ(w.modalWindows, 0);
    EXPECT_EQ(w.PlayedClips(), std::vector<QString>{"click1.wav"});

    w.ChoosePatient(kPatient);
    w.ChooseEntry(0);
    WorkCalendar(w, &openedOn, 2, Pick::Ok, QDate(2021, 3, 5));
    w.ClickButton(QStringLiteral("CmdDate"));
    EXPECT_EQ(openedOn, kDays[0]) << "the picker opens on the boxes' date";
    EXPECT_EQ(boxes(), QStringLiteral("2021/03/05"));
    EXPECT_TRUE(f.Entry().DataChanged);
    EXPECT_EQ(w.PlayedClips(), (std::vector<QString>{"click1.wav", "click1.wav"})) << "the button's and OK's";

    // A double click on a day is OK.
    WorkCalendar(w, &openedOn, 0, Pick::DoubleClick, QDate(2021, 3, 9));
    w.ClickButton(QStringLiteral("CmdDate"));
    EXPECT_EQ(openedOn, QDate(2021, 3, 5));
    EXPECT_EQ(boxes(), QStringLiteral("2021/03/09"));

    // Cancel after moving through months, and the close box, change nothing,
    // even when the boxes hold no date and the picker opened on today.
    w.form->Entry().DataChanged = false;
    w.TypeDate("2021", "02", "30");
    w.clock.SetNow(QDateTime(QDate(2023, 8, 17), QTime(9, 0)));
    for (Pick how : {Pick::Cancel, Pick::CloseBox}) {
        WorkCalendar(w, &openedOn, 3, how, QDate(2023, 11, 2));
        w.ClickButton(QStringLiteral("CmdDate"));
        EXPECT_EQ(openedOn, QDate(2023, 8, 17));
        EXPECT_EQ(boxes(), QStringLiteral("2021/02/30"));
        EXPECT_FALSE(f.Entry().DataChanged);
    }

    // OK on the date already there is no change.
    w.TypeDate("2021", "1", "10");
    WorkCalendar(w, &openedOn, 0, Pick::Ok, kDays[0]);
    w.ClickButton(QStringLiteral("CmdDate"));
    EXPECT_EQ(boxes(), QStringLiteral("2021/01/10"));
    EXPECT_FALSE(f.Entry().DataChanged);
}

TEST(DatePicker, ANewDateForALatestVisitRunsTheStageCheck) {
    Commands w;
    PFrmInput& f = *w.form;
    w.ChoosePatient(kPatient);
    w.TypeDate("2023", "01", "01");
    w.ChooseStage(4);
    ASSERT_EQ(f.TxtY->palette().color(QPalette::Base), QColor(Qt::white));
    QDate openedOn;
    WorkCalendar(w, &openedOn, 0, Pick::Ok, QDate(2021, 9, 1));
    w.ClickButton(QStringLiteral("CmdDate"));
    EXPECT_EQ(f.TxtY->palette().color(QPalette::Base), QColor(Qt::red)) << "within six months of stage 2";
}

// ---- Leaving the examination ----

struct HookCalls {
    int charts = 0;
    int tools = 0;
    std::function<void()> reopen;
};

void FillHooks(HookCalls& calls) {
    InputHooks().showChartScreen = [&calls](QWidget*) { ++calls.charts; };
    InputHooks().showToolsWindow = [&calls](std::function<void()> reopen) {
        ++calls.tools;
        calls.reopen = std::move(reopen);
    };
}

TEST(Leaving, WithoutTheirWindowsTheChartAndToolsButtonsOnlySaySo) {
    Commands w;
    PFrmInput& f = *w.form;
    w.ShowChanged(1);
    w.form->Entry().CmdBloodMode_Click();
    for (const char* button : {"CmdChartDR", "CmdImport"}) {
        w.ClickButton(QString::fromLatin1(button));
        ASSERT_EQ(w.boxes.Shown().size(), 1u) << button;
        EXPECT_EQ(w.boxes.Shown()[0].caption, QStringLiteral("お知らせ"));
        EXPECT_TRUE(w.boxes.Shown()[0].prompt.contains(QStringLiteral("まだ使用できません")));
        w.boxes.Clear();
        EXPECT_TRUE(f.isVisible());
        EXPECT_TRUE(f.Entry().DataChanged);
        EXPECT_EQ(w.ShownDepth(), 9);
        EXPECT_EQ(f.Entry().BleedingBatchMode, 1) << "the screen is left as it is";
    }
    EXPECT_EQ(w.Rows(QStringLiteral(" AND ID>=1000")), 0);
}

TEST(Leaving, TheChartButtonSavesDropsOrStays) {
    Commands w;
    HookCalls calls;
    FillHooks(calls);
    PFrmInput& f = *w.form;

    // Yes: saved, then the chart screen for the patient shown.
    w.ShowChanged(1);
    f.Entry().CmdBloodMode_Click();
    w.boxes.Answer(kYes);
    w.ClickButton(QStringLiteral("CmdChartDR"));
    EXPECT_EQ(f.Entry().BleedingBatchMode, 0) << "the chart button ends the batch modes";
    EXPECT_EQ(calls.charts, 1);
    EXPECT_EQ(G().CurPatientId, kPatient);
    EXPECT_EQ(w.Rows(QStringLiteral(" AND ExamDate LIKE '2021-06-10%' AND Row=0 AND ID>=1000")), 1);
    EXPECT_FALSE(f.Entry().DataChanged);
    EXPECT_TRUE(f.isVisible()) << "the input screen stays";

    // No: the stored values come back before the chart screen opens.
    w.Keys(QStringLiteral("6"));
    w.boxes.Answer(kNo);
    w.ClickButton(QStringLiteral("CmdChartDR"));
    EXPECT_EQ(calls.charts, 2);
    EXPECT_EQ(w.ShownDepth(), 9);
    EXPECT_FALSE(f.Entry().DataChanged);

    // No on a new examination: it is emptied rather than left unmarked.
    w.ClickButton(QStringLiteral("CmdAdd"));
    w.TypeDate("2024", "04", "04");
    w.ChooseStage(1);
    w.Keys(QStringLiteral("5"));
    w.boxes.Answer(kNo);
    w.ClickButton(QStringLiteral("CmdChartDR"));
    EXPECT_EQ(calls.charts, 3);
    EXPECT_EQ(w.Value(0, 0, 0), -1);
    EXPECT_TRUE(f.Entry().IsNewEntry);
    EXPECT_FALSE(f.Entry().DataChanged);

    // Yes with a failing save: no chart screen, the values stay marked.
    w.TypeDate("2024", "04", "04");
    w.Keys(QStringLiteral("5"));
    f.CmbStage->setCurrentIndex(-1);
    w.boxes.Answer(kYes);
    w.ClickButton(QStringLiteral("CmdChartDR"));
    EXPECT_EQ(calls.charts, 3);
    EXPECT_TRUE(f.Entry().DataChanged);
    EXPECT_EQ(w.Value(0, 0, 0), 5);
}

TEST(Leaving, TheToolsButtonUnloadsTheScreenAndTheToolsWindowMakesItAgain) {
    Commands w;
    HookCalls calls;
    FillHooks(calls);
    PFrmInput& f = *w.form;

    // A failing save stays.
    w.ShowChanged(0);
    f.TxtD->setText(QStringLiteral("40"));
    w.boxes.Answer(kYes);
    w.ClickButton(QStringLiteral("CmdImport"));
    EXPECT_EQ(calls.tools, 0);
    EXPECT_TRUE(f.isVisible());

    // No: the window goes without ending the run and without a save.
    w.boxes.Answer(kNo);
    w.ClickButton(QStringLiteral("CmdImport"));
    EXPECT_EQ(calls.tools, 1);
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(f.EndRequested, 0);
    EXPECT_EQ(w.endRuns, 0);
    EXPECT_EQ(w.Rows(QStringLiteral(" AND ID>=1000")), 0);
    EXPECT_TRUE(GlobalObjectsExist());

    // The tools window closes: the screen is made again on the patient shown.
    ASSERT_TRUE(calls.reopen);
    w.boxes.Clear();
    calls.reopen();
    PFrmInput* again = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* screen = qobject_cast<PFrmInput*>(top); screen && screen != w.form.get() && screen->isVisible())
            again = screen;
    ASSERT_NE(again, nullptr);
    EXPECT_TRUE(again->testAttribute(Qt::WA_DeleteOnClose));
    EXPECT_EQ(again->CmbOutNo->currentText(), QStringLiteral("7"));
    EXPECT_EQ(again->Grid().Data(0, 0, 0), 2) << "the stored values, not the dropped ones";
    EXPECT_TRUE(w.boxes.Shown().empty()) << "no file question the second time";
    delete again;
}

TEST(Leaving, TheEndButtonAndTheCloseBox) {
    {
        // End, No: the values are dropped and the run ends without a second question.
        Commands w;
        w.ShowChanged(0);
        w.boxes.Answer(kNo);
        w.ClickButton(QStringLiteral("CmdEnd"));
        EXPECT_EQ(w.Captions(), std::vector<QString>{"確認"});
        EXPECT_EQ(w.endRuns, 1);
        EXPECT_EQ(w.form->EndRequested, 1);
        EXPECT_EQ(w.Rows(QStringLiteral(" AND ID>=1000")), 0);
    }
    {
        // End, Yes: saved first.
        Commands w;
        w.ShowChanged(0);
        w.boxes.Answer(kYes);
        w.ClickButton(QStringLiteral("CmdEnd"));
        EXPECT_EQ(w.endRuns, 1);
        EXPECT_EQ(w.Rows(QStringLiteral(" AND ID>=1000")), 6);
    }
    {
        // End, Yes with a failing save: the run goes on.
        Commands w;
        w.ShowChanged(0);
        w.form->CmbStage->setCurrentIndex(-1);
        w.boxes.Answer(kYes);
        w.ClickButton(QStringLiteral("CmdEnd"));
        EXPECT_EQ(w.endRuns, 0);
        EXPECT_TRUE(w.form->isVisible());
    }
    {
        // The close box asks its own question; No keeps the window.
        Commands w;
        w.ShowChanged(0);
        w.boxes.Answer(kNo);
        w.form->close();
        EXPECT_EQ(w.boxes.Shown().back().prompt,
                  QStringLiteral("データが保存されていません。終了してもよろしいですか？　　"));
        EXPECT_TRUE(w.form->isVisible());
        EXPECT_EQ(w.endRuns, 0);
        w.boxes.Answer(kYes);
        w.form->close();
        EXPECT_EQ(w.endRuns, 1);
        EXPECT_FALSE(w.form->isVisible());
    }
    {
        // Without changes the close box asks nothing.
        InputWindow w;
        w.form->close();
        EXPECT_TRUE(w.boxes.Shown().empty());
        EXPECT_EQ(w.endRuns, 1);
    }
    {
        // A day typed into its box, the focus still there: the close box
        // moves no focus, and asks all the same.
        InputWindow w;
        w.ChoosePatient(1);
        w.form->TxtD->setFocus();
        QTest::keyClicks(w.form->TxtD, QStringLiteral("5"));
        ASSERT_EQ(w.form->focusWidget(), w.form->TxtD);
        w.boxes.Answer(kNo);
        w.form->close();
        ASSERT_EQ(w.boxes.Shown().size(), 1u);
        EXPECT_EQ(w.boxes.Shown()[0].prompt,
                  QStringLiteral("データが保存されていません。終了してもよろしいですか？　　"));
        EXPECT_TRUE(w.form->isVisible());
        EXPECT_EQ(w.endRuns, 0);
    }
}

}  // namespace
}  // namespace mox::test
