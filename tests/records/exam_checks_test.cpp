#include "records/exam_checks.h"
#include "core/connections.h"
#include "core/settings.h"
#include "records/exam_record.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

namespace mox {
namespace {

constexpr int32_t kPatient = 1;

class ExamChecksTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetAllSlots();
        file_ = sandbox_.CopyTemplate();
        ASSERT_FALSE(file_.isEmpty()) << "template database missing";
        G().SetMainDatabase(file_);
        G().CurPatientId = kPatient;
        conn_ = db::Connection::Open(QStringLiteral("Data Source=") + file_);
    }
    void TearDown() override {
        ResetAllSlots();
        G().CurPatientId = -1;
    }

    // Stores one examination row of the patient.
    void AddRow(const CExamData& r) {
        auto rs = conn_->OpenRecordset(QStringLiteral("SELECT * FROM TExamData WHERE ID=-1"));
        rs->AddNew();
        r.RecSetPut(*rs);
        rs->Update();
    }
    CExamData Exam(int32_t id, const QDate& date, int16_t occasion, int32_t row = 0, int32_t item = 2) {
        CExamData r;
        r.ClearBuffer();
        r.ID = id;
        r.PatientID = kPatient;
        r.ExamDate = QDateTime(date, QTime(0, 0));
        r.Row = row;
        r.SubExam = item;
        r.Examination = 2;
        r.CommentID = occasion;
        return r;
    }
    // Depths: `deep4` sites of 4 mm, `deep6` of 6 mm, the rest of `measured` 2 mm.
    static void Fill(CExamData& r, int measured, int deep4, int deep6) {
        for (int16_t i = 0; i < measured; ++i) r.SetbData(i, i < deep6 ? 6 : i < deep6 + deep4 ? 4 : 2);
    }

    test::Sandbox sandbox_;
    QString file_;
    db::ConnectionPtr conn_;
};

TEST_F(ExamChecksTest, NoFirstVisitMissesTheThresholds) {
    CExamData later = Exam(1, QDate(2020, 1, 1), 2);
    Fill(later, 192, 100, 50);
    AddRow(later);
    CExamData otherItem = Exam(2, QDate(2019, 1, 1), 1, 0, 1);
    Fill(otherItem, 192, 100, 50);
    AddRow(otherItem);
    QString share = QStringLiteral("x"), deep = QStringLiteral("x");
    EXPECT_TRUE(CheckInitialCase(share, deep));
    EXPECT_EQ(share, "0");
    EXPECT_EQ(deep, "0");
    EXPECT_FALSE(GetSlotState(Slot::Main).hasConnection);
}

TEST_F(ExamChecksTest, ShareIsJudgedAsPrinted) {
    CExamData first = Exam(1, QDate(2019, 1, 1), 1);
    Fill(first, 192, 57 - 10, 10);  // 57 of 192: 29.6875 %
    AddRow(first);
    QString share, deep;
    EXPECT_TRUE(CheckInitialCase(share, deep));
    EXPECT_EQ(share, "29.7");
    EXPECT_EQ(deep, "10");

    conn_->Execute(QStringLiteral("DELETE FROM TExamData"));
    Fill(first, 192, 58 - 3, 3);  // 58 of 192: 30.2 %
    AddRow(first);
    EXPECT_FALSE(CheckInitialCase(share, deep));
    EXPECT_EQ(share, "30.2");
    EXPECT_EQ(deep, "3");

    conn_->Execute(QStringLiteral("DELETE FROM TExamData"));
    Fill(first, 192, 58 - 2, 2);
    AddRow(first);
    EXPECT_TRUE(CheckInitialCase(share, deep));
    EXPECT_EQ(deep, "2");
}

TEST_F(ExamChecksTest, TeethThatAreNotNaturalAreLeftOut) {
    CExamData first = Exam(1, QDate(2019, 1, 1), 1);
    for (int16_t i = 0; i < 60; ++i) first.SetbData(i, 2);
    for (int16_t t = 10; t < 13; ++t) {
        for (int16_t s = 0; s < 6; ++s) first.SetbData(t * 6 + s, 8);
    }
    first.SetnBui(10, 0x2000);
    first.SetnBui(11, 0x4000);
    first.SetnBui(12, static_cast<int16_t>(0x8000));
    first.SetnBui(0, 0x0400);  // deciduous still counts
    AddRow(first);
    QString share, deep;
    EXPECT_TRUE(CheckInitialCase(share, deep));
    EXPECT_EQ(share, "0.0");
    EXPECT_EQ(deep, "0");
}

TEST_F(ExamChecksTest, TheEarliestFirstVisitCounts) {
    // Stored first, with the lower key, but a later date.
    CExamData second = Exam(1, QDate(2019, 6, 1), 1);
    Fill(second, 20, 0, 0);
    AddRow(second);
    CExamData first = Exam(2, QDate(2019, 1, 1), 1);
    Fill(first, 20, 10, 5);
    AddRow(first);
    QString share, deep;
    EXPECT_FALSE(CheckInitialCase(share, deep));
    EXPECT_EQ(share, "75.0");
    EXPECT_EQ(deep, "5");
}

TEST_F(ExamChecksTest, SptPeriodRunsSixCalendarMonths) {
    AddRow(Exam(1, QDate(2020, 8, 31), 3));
    EXPECT_FALSE(IsSptPeriodShort());  // no latest visit yet
    AddRow(Exam(2, QDate(2021, 2, 27), 4));
    EXPECT_TRUE(IsSptPeriodShort());
    EXPECT_FALSE(GetSlotState(Slot::Main).hasConnection);
    // The latest visit decides, whatever order the rows lie in.
    AddRow(Exam(3, QDate(2021, 2, 28), 4));
    EXPECT_FALSE(IsSptPeriodShort());
    // The earliest move to supportive therapy decides.
    conn_->Execute(QStringLiteral("DELETE FROM TExamData WHERE ID=3"));
    AddRow(Exam(4, QDate(2020, 9, 30), 3));
    EXPECT_TRUE(IsSptPeriodShort());
    conn_->Execute(QStringLiteral("DELETE FROM TExamData WHERE CommentID=3"));
    EXPECT_FALSE(IsSptPeriodShort());
}

TEST_F(ExamChecksTest, SptPeriodOfAnotherPatientThanTheCurrentOne) {
    AddRow(Exam(1, QDate(2020, 8, 31), 3));
    AddRow(Exam(2, QDate(2021, 2, 27), 4));
    conn_->Execute(QStringLiteral("UPDATE TExamData SET PatientID=7 WHERE PatientID=1"));
    EXPECT_TRUE(IsSptPeriodShort(7));
    EXPECT_FALSE(IsSptPeriodShort(kPatient));
    EXPECT_FALSE(IsSptPeriodShort());
}

}  // namespace
}  // namespace mox
