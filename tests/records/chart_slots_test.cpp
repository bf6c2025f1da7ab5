// The chart screen's slots loaded from real database files: which rows fill
// which slot, and what stays empty.

#include "records/chart_slots.h"

#include "records/exam_record.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <map>

namespace mox {
namespace {

constexpr int32_t kPatient = 5;

bool SameSlot(const ExamSlot& a, const ExamSlot& b) {
    return a.Loaded == b.Loaded && a.ToothState == b.ToothState && a.PD == b.PD && a.Mobility == b.Mobility &&
           a.Furcation == b.Furcation && a.PlaqueFaces == b.PlaqueFaces && a.PlaqueUnexamined == b.PlaqueUnexamined &&
           a.BOP == b.BOP && a.Suppuration == b.Suppuration && a.ExamDate == b.ExamDate && a.KindName == b.KindName;
}

class SlotLoading : public ::testing::Test {
protected:
    void SetUp() override {
        file_ = sandbox_.CopyTemplate();
        ASSERT_FALSE(file_.isEmpty());
        conn_ = db::Connection::Open(QStringLiteral("Data Source=") + file_);
    }

    void Add(int32_t id, const QDateTime& when, int16_t stage, int32_t row, int32_t item,
             const std::map<int, int>& values = {}, const std::map<int, int16_t>& states = {},
             int32_t patient = kPatient) {
        CExamData r;
        r.ClearBuffer();
        r.ID = id;
        r.PatientID = patient;
        r.ExamDate = when;
        r.Row = row;
        r.SubExam = item;
        r.Examination = 2;
        r.CommentID = stage;
        for (const auto& [site, v] : values) r.SetbData(int16_t(site), int16_t(v));
        for (const auto& [t, s] : states) r.SetnBui(int16_t(t), s);
        auto rs = conn_->OpenRecordset(QStringLiteral("SELECT * FROM TExamData WHERE ID=-1"));
        rs->AddNew();
        r.RecSetPut(*rs);
        rs->Update();
    }
    static QDateTime Day(int y, int m, int d, int hour = 0) { return QDateTime(QDate(y, m, d), QTime(hour, 0)); }

    SlotLoadResult Load(int32_t patient = kPatient) {
        CExamData work;
        return LoadExamSlotsFrom(*conn_, patient, exams_, work);
    }

    test::Sandbox sandbox_;
    QString file_;
    db::ConnectionPtr conn_;
    ExamSlots exams_ = EmptyExamSlots();
};

TEST_F(SlotLoading, EachSlotHoldsTheEarliestDayOfItsStageOnly) {
    Add(1, Day(2024, 3, 1), 1, 0, 2, {{0, 9}, {1, 7}});
    Add(2, Day(2024, 3, 1), 1, 1, 1, {{0, 2}});
    Add(3, Day(2024, 1, 10), 1, 0, 2, {{0, 3}});
    Add(4, Day(2024, 1, 10), 1, 9, 2, {{0, 1}});
    // A row of the same day written later in the day belongs to it.
    Add(5, Day(2024, 1, 10, 15), 1, 2, 13, {{6, 2}});
    Add(6, Day(2024, 6, 1), 4, 0, 2, {{12, 5}});

    const SlotLoadResult result = Load();
    EXPECT_TRUE(result.problems.isEmpty());
    const ExamSlot& first = exams_[0];
    ASSERT_EQ(first.Loaded, -1);
    EXPECT_EQ(first.ExamDate.date(), QDate(2024, 1, 10));
    EXPECT_EQ(first.KindName, QStringLiteral("初診時"));
    EXPECT_EQ(first.PD[0], 3);
    EXPECT_EQ(first.PD[1], kNoSiteValue) << "the later day's depth stays out";
    EXPECT_EQ(first.BOP[0], 1);
    EXPECT_EQ(first.Furcation[6], 2);
    EXPECT_EQ(first.Mobility[0], kNoSiteValue) << "the later day's mobility stays out";

    EXPECT_TRUE(SameSlot(exams_[1], EmptyExamSlot()));
    EXPECT_TRUE(SameSlot(exams_[2], EmptyExamSlot()));
    ASSERT_EQ(exams_[3].Loaded, -1);
    EXPECT_EQ(exams_[3].KindName, QStringLiteral("最新ＳＰＴ時"));
    EXPECT_EQ(exams_[3].PD[12], 5);

    EXPECT_EQ(EarliestExamDate(*conn_, kPatient, 1).date(), QDate(2024, 1, 10));
    EXPECT_FALSE(EarliestExamDate(*conn_, kPatient, 2).isValid());
}

TEST_F(SlotLoading, MarksStandOnlyWhereADepthWasMeasured) {
    Add(1, Day(2024, 1, 10), 1, 0, 2, {{0, 4}, {2, 0}});
    Add(2, Day(2024, 1, 10), 1, 9, 2, {{0, 1}, {1, 1}, {2, 1}});
    Add(3, Day(2024, 1, 10), 1, 10, 2, {{1, 1}, {2, 1}});
    Load();
    EXPECT_EQ(exams_[0].BOP[0], 1);
    EXPECT_EQ(exams_[0].BOP[1], kNoSiteValue);
    EXPECT_EQ(exams_[0].Suppuration[1], kNoSiteValue);
    EXPECT_EQ(exams_[0].BOP[2], 1) << "a depth of 0 is a measured site";
    EXPECT_EQ(exams_[0].Suppuration[2], 1);
}

TEST_F(SlotLoading, AdmittedStagesFillTheFourSlotsInIdOrderAndTheRestIsLeftOut) {
    conn_->Execute(QStringLiteral("UPDATE TComType SET DR=0 WHERE ID=2"));
    conn_->Execute(
        QStringLiteral("INSERT INTO TComType (ID, Comment, CommentDR, DR) VALUES (5, '再評価', '再評価時', 1)"));
    conn_->Execute(QStringLiteral("INSERT INTO TComType (ID, Comment, CommentDR, DR) VALUES (6, '追加', '追加時', 1)"));
    Add(1, Day(2024, 1, 10), 3, 0, 2, {{0, 4}});
    Add(2, Day(2024, 2, 10), 5, 0, 2, {{0, 6}});
    Add(3, Day(2024, 3, 10), 6, 0, 2, {{0, 8}});
    // Saved without a plaque row.
    Add(4, Day(2024, 1, 10), 3, 1, 1, {{0, 1}});

    const SlotLoadResult result = Load();
    ASSERT_EQ(result.stages.size(), 5u);
    EXPECT_EQ(exams_[1].KindName, QStringLiteral("ＳＰＴ移行時")) << "stage 2 is not admitted";
    EXPECT_EQ(exams_[1].PD[0], 4);
    EXPECT_EQ(exams_[3].KindName, QStringLiteral("再評価時"));
    EXPECT_EQ(exams_[3].PD[0], 6) << "the sixth stage has no slot and leaves the fourth alone";
    for (int t = 0; t < 32; ++t) {
        EXPECT_EQ(exams_[1].PlaqueFaces[t], kNoSiteValue);
        EXPECT_EQ(exams_[1].PlaqueUnexamined[t], kNoSiteValue);
    }
}

TEST_F(SlotLoading, ToothStatesComeFromTheLastItemRowByRowThenId) {
    // Neither the order written nor the order of the IDs is that of Row, ID.
    Add(20, Day(2024, 1, 10), 1, 1, 1, {}, {{0, int16_t(kToothMissing)}});
    Add(5, Day(2024, 1, 10), 1, 3, 3, {}, {{0, int16_t(kToothImplant)}});
    Add(10, Day(2024, 1, 10), 1, 0, 2, {}, {{0, int16_t(kToothPontic)}});
    Add(2, Day(2024, 1, 10), 1, 3, 3, {}, {{0, int16_t(kToothDeciduous)}});
    Load();
    EXPECT_EQ(static_cast<uint16_t>(exams_[0].ToothState[0]), kToothImplant)
        << "row 3 is read last, and of its two rows the higher ID";
}

TEST_F(SlotLoading, AnUnreadableRowEmptiesItsSlotAndSaysWhich) {
    Add(1, Day(2024, 1, 10), 1, 0, 2, {{0, 4}});
    Add(2, Day(2024, 2, 10), 2, 0, 2, {{0, 5}});
    Add(3, Day(2024, 2, 10), 2, 1, 1, {{0, 1}});
    conn_->Execute(QStringLiteral("UPDATE TExamData SET Data1='  x  y' WHERE ID=3"));
    const SlotLoadResult result = Load();
    EXPECT_EQ(exams_[0].PD[0], 4);
    EXPECT_TRUE(SameSlot(exams_[1], EmptyExamSlot()));
    ASSERT_EQ(result.problems.size(), 1);
    EXPECT_TRUE(result.problems[0].contains(QStringLiteral("基本治療終了時")));

    conn_->Execute(QStringLiteral("DROP TABLE TExamData"));
    const SlotLoadResult broken = Load();
    for (const ExamSlot& slot : exams_) EXPECT_TRUE(SameSlot(slot, EmptyExamSlot()));
    EXPECT_EQ(broken.problems.size(), 4);
}

TEST_F(SlotLoading, ANewPatientLeavesNothingOfThePreviousOne) {
    ExamSlot before = EmptyExamSlot();
    EXPECT_EQ(before.Loaded, 0);
    EXPECT_EQ(before.Furcation[0], kNoSiteValue) << "a slot starts empty, not zero-filled";
    EXPECT_EQ(before.Mobility[31], kNoSiteValue);

    Load(98);
    for (const ExamSlot& slot : exams_) ASSERT_EQ(slot.Loaded, -1);
    EXPECT_EQ(exams_[0].ExamDate.date(), QDate(2019, 4, 8));
    Add(1, Day(2024, 6, 1), 4, 0, 2, {{0, 3}});
    Load();
    for (int k = 0; k < 3; ++k) EXPECT_TRUE(SameSlot(exams_[k], EmptyExamSlot())) << k;
    EXPECT_EQ(exams_[3].PD[0], 3);
    EXPECT_EQ(exams_[3].PD[1], kNoSiteValue);
    EXPECT_EQ(exams_[3].Mobility[0], kNoSiteValue);
}

}  // namespace
}  // namespace mox
