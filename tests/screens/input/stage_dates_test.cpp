// The stage-date check: a latest supportive-therapy visit less than six
// calendar months after the end of initial therapy or the move to
// supportive therapy turns the date boxes red.

#include "screens/input/entry/stage_dates.h"
#include "tests/screens/input/input_window.h"

namespace mox::test {
namespace {

constexpr int32_t kPatient = 6;
constexpr int32_t kLatestVisit = 4;

void StoreStage(InputScreenEnvironment& env, int32_t id, const QDate& day, int16_t stage) {
    env.AddRow(InputScreenEnvironment::Row(id, kPatient, day, 0, 2, stage));
}

StageDateMark Check(const QDate& entered, int32_t stage = kLatestVisit) {
    return CheckStageDates(kPatient, stage, entered);
}

TEST(StageDates, SixCalendarMonthsAfterEitherEarlierStage) {
    InputScreenEnvironment env;
    EXPECT_EQ(Check(QDate(2010, 6, 30)), StageDateMark::Unchanged) << "no earlier stage: nothing to compare";

    StoreStage(env, 1, QDate(2010, 1, 1), 2);
    EXPECT_EQ(Check(QDate(2010, 6, 30)), StageDateMark::Warn);
    EXPECT_EQ(Check(QDate(2010, 7, 1)), StageDateMark::Clear);
    EXPECT_EQ(Check(QDate(2009, 12, 1)), StageDateMark::Warn) << "before the stage-2 examination";
    EXPECT_EQ(CheckStageDates(kPatient, kLatestVisit, std::nullopt), StageDateMark::Unchanged)
        << "boxes that hold no day change no colour";
    for (int32_t stage : {0, 1, 2, 3}) EXPECT_EQ(Check(QDate(2010, 2, 1), stage), StageDateMark::Unchanged);

    // Stage 3 is checked when stage 2 lets the date pass.
    StoreStage(env, 2, QDate(2011, 3, 15), 3);
    EXPECT_EQ(Check(QDate(2011, 9, 14)), StageDateMark::Warn);
    EXPECT_EQ(Check(QDate(2011, 9, 15)), StageDateMark::Clear);

    // Months end where they end: 2010/08/31 plus six months is 2011/02/28.
    env.Db()->Execute(QStringLiteral("DELETE FROM TExamData"));
    StoreStage(env, 3, QDate(2010, 8, 31), 3);
    EXPECT_EQ(Check(QDate(2011, 2, 27)), StageDateMark::Warn);
    EXPECT_EQ(Check(QDate(2011, 2, 28)), StageDateMark::Clear);
}

TEST(StageDates, SeveralExaminationsOfAStageCountWithTheLatest) {
    InputScreenEnvironment env;
    // Imported data: the older row comes first in the table.
    StoreStage(env, 1, QDate(2010, 1, 1), 2);
    StoreStage(env, 2, QDate(2010, 5, 1), 2);
    StoreStage(env, 3, QDate(2010, 2, 1), 2);
    EXPECT_EQ(Check(QDate(2010, 8, 1)), StageDateMark::Warn);
    EXPECT_EQ(Check(QDate(2010, 11, 1)), StageDateMark::Clear);
    // Another patient's examinations never count.
    env.AddRow(InputScreenEnvironment::Row(9, kPatient + 1, QDate(2010, 10, 1), 0, 2, 3));
    EXPECT_EQ(Check(QDate(2010, 11, 1)), StageDateMark::Clear);
}

TEST(StageDates, TheDateBoxesTurnRedAndBackOnTheWindow) {
    InputWindow w;
    StoreStage(w, 1, QDate(2010, 1, 1), 2);
    StoreStage(w, 2, QDate(2010, 3, 1), 1);
    PFrmInput& f = *w.form;
    auto back = [&] { return f.TxtY->palette().color(QPalette::Base); };
    w.ChoosePatient(kPatient);
    w.ChooseEntry(0);
    ASSERT_EQ(back(), QColor(Qt::white));

    w.form->Entry().DataChanged = false;
    w.TypeDate("2010", "06", "30");
    w.ChooseStage(kLatestVisit);
    EXPECT_EQ(back(), QColor(Qt::red));
    EXPECT_EQ(f.TxtD->palette().color(QPalette::Base), QColor(Qt::red));
    EXPECT_TRUE(f.Entry().DataChanged) << "a stage chosen alone is a change";

    // Another stage keeps the warning until a check or a load says otherwise.
    w.ChooseStage(3);
    EXPECT_EQ(back(), QColor(Qt::red));
    w.ChooseStage(kLatestVisit);
    f.TxtM->setFocus();
    f.TxtM->setText(QStringLiteral("07"));
    f.TxtD->setFocus();
    f.TxtD->setText(QStringLiteral("01"));
    f.TxtY->setFocus();
    EXPECT_EQ(back(), QColor(Qt::white)) << "leaving a full date box runs the check";

    // An impossible day changes no colour.
    w.TypeDate("2010", "06", "30");
    w.ChooseStage(3);
    w.ChooseStage(kLatestVisit);
    ASSERT_EQ(back(), QColor(Qt::red));
    f.TxtD->setFocus();
    f.TxtD->setText(QStringLiteral("31"));
    f.TxtY->setFocus();
    EXPECT_EQ(back(), QColor(Qt::red));

    // Choosing an examination clears it.
    w.boxes.Answer(platform::kNo);
    w.ChooseEntry(1);
    EXPECT_EQ(back(), QColor(Qt::white));
}

TEST(StageDates, TheSameStageChosenAgainIsNoChange) {
    InputWindow w;
    w.AddRow(InputScreenEnvironment::Row(1, kPatient, QDate(2012, 4, 1), 0, 2, 1));
    PFrmInput& f = *w.form;
    w.ChoosePatient(kPatient);
    w.ChooseEntry(0);
    ASSERT_FALSE(f.Entry().DataChanged);
    f.CmbStage->setFocus();
    ASSERT_EQ(f.StageAtFocus, 1);
    w.ChooseStage(1);
    EXPECT_FALSE(f.Entry().DataChanged);
    w.ChooseStage(2);
    EXPECT_TRUE(f.Entry().DataChanged);
}

}  // namespace
}  // namespace mox::test
