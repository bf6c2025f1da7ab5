#include "records/exam_item.h"
#include "core/connections.h"
#include "core/settings.h"
#include "records/record_fields.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

namespace mox {
namespace {

class ExamItemTest : public ::testing::Test {
protected:
    void SetUp() override {
        file_ = sandbox_.CopyTemplate();
        ASSERT_FALSE(file_.isEmpty()) << "template database missing";
        conn_ = db::Connection::Open(QStringLiteral("Data Source=") + file_);
    }
    void TearDown() override { ResetAllSlots(); }
    std::unique_ptr<db::Recordset> ItemOfRow(int displayRow) {
        return conn_->OpenRecordset(QStringLiteral("SELECT * FROM TSubExam WHERE DisplayRow=?"), {displayRow});
    }

    test::Sandbox sandbox_;
    QString file_;
    db::ConnectionPtr conn_;
};

TEST_F(ExamItemTest, LoadsTheTemplatesPocketDepthItem) {
    CSubExam item;
    auto rs = ItemOfRow(1);
    ASSERT_FALSE(rs->IsEOF());
    item.RecSetGet(*rs);
    EXPECT_EQ(item.ID, 2);
    EXPECT_EQ(item.Mode, 3);
    EXPECT_EQ(item.Status, 12288);
    EXPECT_EQ(item.DisplayRow, 1);
    EXPECT_EQ(item.ValueColor(1), 255);
    EXPECT_EQ(item.GradationPart(2), 6);
    EXPECT_EQ(item.Brightness(0), 224);
    EXPECT_FALSE(item.CEJ);
    EXPECT_EQ(item.PairExam, 0);
}

TEST_F(ExamItemTest, UnreadableColumnsKeepWhatTheItemHeld) {
    CSubExam item;
    item.Name = QStringLiteral("before");
    item.SetSubName(0, QStringLiteral("kept"));
    conn_->Execute(QStringLiteral("UPDATE TSubExam SET Name=NULL, SubName0=NULL, Mode='x', CEJ=5 WHERE ID=1"));
    item.Mode = 9;
    auto rs = conn_->OpenRecordset(QStringLiteral("SELECT ID, Name, Mode, SubName0, CEJ FROM TSubExam WHERE ID=1"));
    item.RecSetGet(*rs);  // a partial row: every other column is missing
    EXPECT_EQ(item.ID, 1);
    EXPECT_EQ(item.Name, QStringLiteral("before"));
    EXPECT_EQ(item.SubName(0), QStringLiteral("kept"));
    EXPECT_EQ(item.Mode, 9);
    EXPECT_TRUE(item.CEJ);
    EXPECT_EQ(item.PairExam, 5);
}

// The input screen loads each display row's item without clearing it first:
// a Null number must not turn the previous item's setting into 0.
TEST_F(ExamItemTest, NullNumbersKeepWhatTheItemHeld) {
    CSubExam item;
    item.RecSetGet(*ItemOfRow(1));
    conn_->Execute(
        QStringLiteral("UPDATE TSubExam SET ID=NULL, Status=NULL, GradPart2=NULL, Brightness0=NULL, "
                       "ValColor1=NULL, Btn3Val=NULL, CEJ=NULL, Mode=6 WHERE DisplayRow=3"));
    item.SetBtnVal(3, 4);
    item.PairExam = 2;
    item.RecSetGet(*ItemOfRow(3));
    EXPECT_EQ(item.ID, 2);
    EXPECT_EQ(item.Status, 12288);
    EXPECT_EQ(item.GradationPart(2), 6);
    EXPECT_EQ(item.Brightness(0), 224);
    EXPECT_EQ(item.ValueColor(1), 255);
    EXPECT_EQ(item.BtnVal(3), 4);
    EXPECT_EQ(item.PairExam, 2);
    EXPECT_EQ(item.Mode, 6);  // the columns that hold a value are read
    EXPECT_EQ(item.DisplayRow, 3);
}

TEST_F(ExamItemTest, WritesTheSameColumnsItReads) {
    CSubExam item;
    item.RecSetGet(*ItemOfRow(2));
    item.Name = QStringLiteral("動揺度 2");
    item.SetBtnVal(9, 3);
    item.SetBtnName(4, QStringLiteral("Ⅲ"));
    item.PairExam = 7;
    auto rs = ItemOfRow(2);
    item.RecSetPut(*rs);
    rs->Update();
    CSubExam back;
    back.RecSetGet(*ItemOfRow(2));
    EXPECT_EQ(back.Name, item.Name);
    EXPECT_EQ(back.BtnVal(9), 3);
    EXPECT_EQ(back.BtnName(4), QStringLiteral("Ⅲ"));
    EXPECT_EQ(back.PairExam, 7);
    EXPECT_TRUE(back.CEJ);

    auto partial = conn_->OpenRecordset(QStringLiteral("SELECT ID, Name FROM TSubExam WHERE ID=1"));
    EXPECT_THROW(item.RecSetPut(*partial), db::DbError);
}

TEST(CSubExam, IndexRules) {
    CSubExam item;
    EXPECT_TRUE(item.BtnName(7).isEmpty());
    EXPECT_EQ(item.BtnVal(10), 0);
    item.SetBtnVal(-1, 5);
    item.SetBtnName(5, QStringLiteral("x"));
    EXPECT_THROW(item.SubName(3), db::DbError);
    EXPECT_THROW(item.ValueColor(4), db::DbError);
    EXPECT_THROW(item.SetGradationPart(3, 1), db::DbError);
    EXPECT_THROW(item.Brightness(-1), db::DbError);
    try {
        item.ValueColor(-1);
    } catch (const db::DbError& e) {
        EXPECT_EQ(e.Number(), kErrSubscript);
    }
}

TEST(CSubExam, ColourByValueBand) {
    CSubExam item;
    item.SetValueColor(0, 0x000010);
    item.SetValueColor(2, 0x123456);
    const int32_t thresholds[3] = {4, 8, 12};
    const int32_t greys[4] = {224, 144, 64, 0};
    for (int16_t i = 0; i < 3; ++i) item.SetGradationPart(i, thresholds[i]);
    for (int16_t i = 0; i < 4; ++i) item.SetBrightness(i, greys[i]);
    auto grey = [](int32_t g) { return g + 256 * g + 65536 * g; };
    EXPECT_EQ(item.GetColorByValue(3, 0), 0x10 | grey(224));
    EXPECT_EQ(item.GetColorByValue(-5, 0), 0x10 | grey(224));
    EXPECT_EQ(item.GetColorByValue(4, 0), 0x10 | grey(144));
    EXPECT_EQ(item.GetColorByValue(8, 1), grey(64));
    EXPECT_EQ(item.GetColorByValue(12, 0), 0x10);
    EXPECT_EQ(item.GetColorByValue(100, 0), 0x10);
    EXPECT_EQ(item.GetColorByValue(3, 2), 0x123456);
    EXPECT_EQ(item.GetColorByValue(100, 2), 0x123456);
    EXPECT_THROW(item.GetColorByValue(0, 4), db::DbError);
    item.SetBrightness(3, 40000);
    EXPECT_THROW(item.GetColorByValue(100, 0), db::DbError);
}

TEST_F(ExamItemTest, PairExamComesFromItemTwo) {
    G().SetMainDatabase(file_);
    ASSERT_TRUE(HoldMainDb());
    CSubExam any;
    EXPECT_EQ(any.GetPairExam(), 0);
    conn_->Execute(QStringLiteral("UPDATE TSubExam SET CEJ=13 WHERE ID=2"));
    EXPECT_EQ(any.GetPairExam(), 13);
    conn_->Execute(QStringLiteral("DELETE FROM TSubExam WHERE ID=2"));
    EXPECT_EQ(any.GetPairExam(), 0);
}

}  // namespace
}  // namespace mox
