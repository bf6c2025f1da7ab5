#include "records/exam_record.h"
#include "core/connections.h"
#include "core/settings.h"
#include "platform/clock.h"
#include "records/record_fields.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

namespace mox {
namespace {

class ExamRecordTest : public ::testing::Test {
protected:
    void SetUp() override {
        file_ = sandbox_.CopyTemplate();
        ASSERT_FALSE(file_.isEmpty()) << "template database missing";
        conn_ = db::Connection::Open(QStringLiteral("Data Source=") + file_);
    }
    void TearDown() override { ResetAllSlots(); }

    // Adds a row with the given columns (others Null) and opens it.
    std::unique_ptr<db::Recordset> Row(const std::vector<std::pair<QString, db::Value>>& columns) {
        auto rs = conn_->OpenRecordset(QStringLiteral("SELECT * FROM TExamData WHERE ID=-1"));
        rs->AddNew();
        rs->SetField(QStringLiteral("ID"), -1);
        for (const auto& [name, value] : columns) rs->SetField(name, value);
        rs->Update();
        return conn_->OpenRecordset(QStringLiteral("SELECT * FROM TExamData WHERE ID=-1"));
    }
    static void ExpectFails(const std::function<void()>& f, long number) {
        try {
            f();
            ADD_FAILURE() << "no error";
        } catch (const db::DbError& e) {
            EXPECT_EQ(e.Number(), number);
        }
    }

    test::Sandbox sandbox_;
    QString file_;
    db::ConnectionPtr conn_;
};

TEST_F(ExamRecordTest, NewAndClearedRecordsWriteNoValueAtEverySite) {
    platform::FakeClock clock;
    platform::SetClock(&clock);
    CExamData fresh;
    EXPECT_EQ(fresh.ExamDate, ZeroDate());
    CExamData cleared;
    cleared.ID = 7;
    cleared.SetbData(3, 4);
    cleared.SetnBui(1, -32768);
    cleared.Comment = QStringLiteral("x");
    cleared.ClearBuffer();
    EXPECT_EQ(cleared.ID, 0);
    EXPECT_EQ(cleared.ExamDate, clock.Now());
    EXPECT_EQ(cleared.UpDate, clock.Now());
    EXPECT_TRUE(cleared.Comment.isEmpty());
    platform::SetClock(nullptr);

    for (const CExamData* record : {&fresh, &cleared}) {
        auto rs = conn_->OpenRecordset(QStringLiteral("SELECT * FROM TExamData WHERE ID=-1"));
        rs->AddNew();
        record->RecSetPut(*rs);
        rs->SetField(QStringLiteral("ID"), -1);
        rs->Update();
        auto back = conn_->OpenRecordset(QStringLiteral("SELECT * FROM TExamData WHERE ID=-1"));
        for (const char* column : {"Data1", "Data2", "Data3", "Data4"})
            EXPECT_EQ(back->Field(QLatin1String(column)).ToText(), QStringLiteral("128").repeated(48));
        EXPECT_EQ(back->Field(QStringLiteral("Bui")).ToText(), QStringLiteral("     0").repeated(32));
        conn_->Execute(QStringLiteral("DELETE FROM TExamData WHERE ID=-1"));
    }
}

TEST_F(ExamRecordTest, StatusWordsAreSignedSixCharacterFields) {
    CExamData r;
    r.SetnBui(0, static_cast<int16_t>(0x8000));
    r.SetnBui(1, 0x0400);
    r.SetnBui(2, static_cast<int16_t>(0x8400));
    r.SetnBui(3, 0x2000);
    r.SetnBui(4, 0x1000);
    const QString text = r.StatusText();
    ASSERT_EQ(text.size(), 192);
    EXPECT_EQ(text.left(30), QStringLiteral("-32768  1024-31744  8192  4096"));

    CExamData back;
    back.RecSetGet(*Row({{QStringLiteral("Bui"), text}}));
    EXPECT_EQ(static_cast<uint16_t>(back.nBui(0)), 0x8000);
    EXPECT_EQ(back.nBui(1), 0x0400);
    EXPECT_EQ(static_cast<uint16_t>(back.nBui(2)), 0x8400);
    EXPECT_EQ(back.nBui(3), 0x2000);
    EXPECT_EQ(back.nBui(31), 0);
}

TEST_F(ExamRecordTest, EveryMemberSurvivesAWriteAndARead) {
    CExamData r;
    r.ClearBuffer();
    r.ID = 12345;
    r.PatientID = 7;
    r.ExamDate = QDateTime(QDate(2021, 2, 28), QTime(0, 0));
    r.Row = 10;
    r.Examination = 2;
    r.SubExam = 2;
    r.PocketFree = -3;
    r.StartTime = QDateTime(QDate(2021, 2, 28), QTime(9, 30));
    r.EndTime = QDateTime(QDate(2021, 2, 28), QTime(10, 5, 7));
    r.ChargeID = 1;
    r.IsPrinted = true;
    r.UpDate = QDateTime(QDate(2021, 3, 1), QTime(12, 0));
    r.CommentID = 4;
    r.Comment = QStringLiteral("最新ＳＰＴ時");
    for (int16_t i = 0; i < 192; ++i) r.SetbData(i, static_cast<int16_t>((i * 37) % 256));
    for (int16_t t = 0; t < 32; ++t) r.SetnBui(t, static_cast<int16_t>(t * 1031 - 16000));

    auto rs = conn_->OpenRecordset(QStringLiteral("SELECT * FROM TExamData WHERE ID=12345"));
    rs->AddNew();
    r.RecSetPut(*rs);
    rs->Update();

    auto stored = conn_->OpenRecordset(QStringLiteral("SELECT * FROM TExamData WHERE ID=12345"));
    ASSERT_FALSE(stored->IsEOF());
    for (const char* column : {"Data1", "Data2", "Data3", "Data4"})
        EXPECT_EQ(stored->Field(QLatin1String(column)).ToText().size(), 144) << column;
    EXPECT_EQ(stored->Field(QStringLiteral("Data1")).ToText().left(12), QStringLiteral("  0 37 74111"));

    CExamData b;
    b.RecSetGet(*stored);
    EXPECT_EQ(b.ID, r.ID);
    EXPECT_EQ(b.PatientID, r.PatientID);
    EXPECT_EQ(b.ExamDate, r.ExamDate);
    EXPECT_EQ(b.Row, r.Row);
    EXPECT_EQ(b.Examination, r.Examination);
    EXPECT_EQ(b.SubExam, r.SubExam);
    EXPECT_EQ(b.PocketFree, r.PocketFree);
    EXPECT_EQ(b.StartTime, r.StartTime);
    EXPECT_EQ(b.EndTime, r.EndTime);
    EXPECT_EQ(b.ChargeID, r.ChargeID);
    EXPECT_EQ(b.IsPrinted, r.IsPrinted);
    EXPECT_EQ(b.UpDate, r.UpDate);
    EXPECT_EQ(b.CommentID, r.CommentID);
    EXPECT_EQ(b.Comment, r.Comment);
    for (int16_t i = 0; i < 192; ++i) ASSERT_EQ(b.bData(i), r.bData(i)) << i;
    for (int16_t t = 0; t < 32; ++t) ASSERT_EQ(b.nBui(t), r.nBui(t)) << t;
}

TEST_F(ExamRecordTest, ReadingZeroesTheArraysAndTakesShortTexts) {
    CExamData r;  // 128 everywhere before the read
    r.RecSetGet(*Row({{QStringLiteral("Data1"), QStringLiteral("  7").repeated(48)},
                      {QStringLiteral("Data2"), QString()},
                      {QStringLiteral("Data3"), QString()},
                      {QStringLiteral("Data4"), QString()},
                      {QStringLiteral("Bui"), QStringLiteral("  8192    1")}}));
    EXPECT_EQ(r.bData(0), 7);
    EXPECT_EQ(r.bData(47), 7);
    EXPECT_EQ(r.bData(48), 0);
    EXPECT_EQ(r.bData(191), 0);
    EXPECT_EQ(r.nBui(0), 8192);
    EXPECT_EQ(r.nBui(1), 1);  // the short last piece
    EXPECT_EQ(r.nBui(2), 0);

    conn_->Execute(QStringLiteral("DELETE FROM TExamData WHERE ID=-1"));
    r.RecSetGet(*Row({{QStringLiteral("Data1"), QStringLiteral("")},
                      {QStringLiteral("Data2"), QStringLiteral("")},
                      {QStringLiteral("Data3"), QStringLiteral("")},
                      {QStringLiteral("Data4"), QStringLiteral(" 12 9")},
                      {QStringLiteral("Bui"), QStringLiteral("")}}));
    EXPECT_EQ(r.bData(0), 12);  // the pieces run on across the columns
    EXPECT_EQ(r.bData(1), 9);
    EXPECT_EQ(r.bData(2), 0);
}

TEST_F(ExamRecordTest, NullColumnsReadAsAClearedRecord) {
    // A row as a conversion may leave it: nothing but the key. No site was
    // examined and no tooth state recorded.
    CExamData r;
    r.Comment = QStringLiteral("stale");
    r.SetbData(5, 3);
    r.SetnBui(2, 0x2000);
    r.RecSetGet(*Row({}));
    EXPECT_EQ(r.ID, -1);
    EXPECT_EQ(r.ExamDate, ZeroDate());
    EXPECT_EQ(r.UpDate, ZeroDate());
    EXPECT_TRUE(r.Comment.isEmpty());
    EXPECT_FALSE(r.IsPrinted);
    for (int16_t i = 0; i < 192; ++i) ASSERT_EQ(r.bData(i), 128) << i;
    for (int16_t t = 0; t < 32; ++t) ASSERT_EQ(r.nBui(t), 0) << t;
    EXPECT_EQ(r.GetRestToothCount(), 32);
}

TEST_F(ExamRecordTest, NullValueColumnLeavesOnlyItsOwnSitesWithoutValue) {
    CExamData r;
    r.RecSetGet(*Row({{QStringLiteral("Data1"), QStringLiteral("  1").repeated(48)},
                      {QStringLiteral("Data3"), QStringLiteral("  3").repeated(48)},
                      {QStringLiteral("Data4"), QStringLiteral("  4").repeated(48)},
                      {QStringLiteral("Bui"), QStringLiteral("     0").repeated(32)}}));
    EXPECT_EQ(r.bData(47), 1);
    EXPECT_EQ(r.bData(48), 128);
    EXPECT_EQ(r.bData(95), 128);
    EXPECT_EQ(r.bData(96), 3);  // the later columns keep their sites
    EXPECT_EQ(r.bData(191), 4);
}

TEST_F(ExamRecordTest, BadPiecesFailTheRead) {
    CExamData r;
    ExpectFails(
        [&] {
            r.RecSetGet(*Row({{QStringLiteral("Data1"), QStringLiteral("  1abc")}}));
        },
        db::kErrTypeMismatch);
    EXPECT_EQ(r.bData(0), 1);  // what was read before the failure stays
    conn_->Execute(QStringLiteral("DELETE FROM TExamData WHERE ID=-1"));
    ExpectFails([&] { r.RecSetGet(*Row({{QStringLiteral("Data1"), QStringLiteral("300")}})); }, db::kErrOverflow);
    conn_->Execute(QStringLiteral("DELETE FROM TExamData WHERE ID=-1"));
    ExpectFails([&] { r.RecSetGet(*Row({{QStringLiteral("Bui"), QStringLiteral(" 32768")}})); }, db::kErrOverflow);
    conn_->Execute(QStringLiteral("DELETE FROM TExamData WHERE ID=-1"));
    // One value too many: the 192 values are stored, then the read fails.
    ExpectFails(
        [&] {
            r.RecSetGet(*Row({{QStringLiteral("Data1"), QStringLiteral("  5").repeated(48)},
                              {QStringLiteral("Data2"), QStringLiteral("  5").repeated(48)},
                              {QStringLiteral("Data3"), QStringLiteral("  5").repeated(48)},
                              {QStringLiteral("Data4"), QStringLiteral("  5").repeated(49)}}));
        },
        kErrSubscript);
    EXPECT_EQ(r.bData(191), 5);
    conn_->Execute(QStringLiteral("DELETE FROM TExamData WHERE ID=-1"));
    ExpectFails(
        [&] {
            r.RecSetGet(*Row({{QStringLiteral("Bui"), QStringLiteral("     0").repeated(33)}}));
        },
        kErrSubscript);
}

TEST(FixedWidthText, RightAlignedFieldsAndTheirPieces) {
    const uint8_t bytes[] = {5, 128, 0, 255};
    EXPECT_EQ(EncodeFixedWidth(std::span<const uint8_t>(bytes), 3), QStringLiteral("  5128  0255"));
    const int16_t words[] = {0, -32768, 8192, -1, 32767};
    EXPECT_EQ(EncodeFixedWidth(std::span<const int16_t>(words), 6), QStringLiteral("     0-32768  8192    -1 32767"));
    // A number wider than its field is written whole.
    const int16_t wide[] = {7, 1000, -12};
    EXPECT_EQ(EncodeFixedWidth(std::span<const int16_t>(wide), 3), QStringLiteral("  71000-12"));

    EXPECT_EQ(ParseFixedWidthPiece(u"  7", 0, 255), 7);
    EXPECT_EQ(ParseFixedWidthPiece(u"-32768", -32768, 32767), -32768);
    EXPECT_EQ(ParseFixedWidthPiece(u" +3 ", 0, 255), 3);
    EXPECT_THROW(ParseFixedWidthPiece(u"   ", 0, 255), db::DbError);
    EXPECT_THROW(ParseFixedWidthPiece(u"1 2", 0, 255), db::DbError);
    EXPECT_THROW(ParseFixedWidthPiece(u"-1", 0, 255), db::DbError);
}

TEST(CExamData, IndexesOutsideTheArraysAreTolerated) {
    CExamData r;
    EXPECT_EQ(r.bData(192), 0);
    EXPECT_EQ(r.bData(-1), 0);
    EXPECT_EQ(r.nBui(32), 0);
    r.SetbData(-1, 5);
    r.SetbData(192, 5);
    r.SetnBui(32, 5);
    r.SetbData(5, 9);
    EXPECT_THROW(r.SetbData(5, 300), db::DbError);
    EXPECT_THROW(r.SetbData(5, -1), db::DbError);
    EXPECT_EQ(r.bData(5), 9);
}

TEST(CExamData, RemainingTeethByJaw) {
    CExamData r;
    QString upper, lower;
    r.GetRestToothStr(upper, lower);
    EXPECT_EQ(upper, "8765432112345678");
    EXPECT_EQ(lower, "8765432112345678");
    EXPECT_EQ(r.GetRestToothCount(), 32);

    r.SetnBui(3, 0x0400);                        // 15 deciduous
    r.SetnBui(0, static_cast<int16_t>(0x8000));  // 18 missing
    r.SetnBui(20, 0x2000);                       // 44 implant
    r.SetnBui(21, 0x4400);                       // 43 pontic, deciduous
    r.SetnBui(31, 0x1000);                       // the fourth state still stands
    r.GetRestToothStr(upper, lower);
    EXPECT_EQ(upper, " 76E432112345678");
    EXPECT_EQ(lower, "8765  2112345678");
    EXPECT_EQ(r.GetRestToothCount(), 29);
}

TEST_F(ExamRecordTest, LastStatusComesFromTheLatestEarlierExamination) {
    G().SetMainDatabase(file_);
    ASSERT_TRUE(HoldMainDb());
    // Sample case 98 has examinations on 2019-04-08 and 2019-08-05.
    conn_->Execute(
        QStringLiteral("UPDATE TExamData SET Bui=? WHERE PatientID=98 AND ExamDate='2019-04-08 00:00:00' AND Row=0"),
        {QStringLiteral("  1024")});
    conn_->Execute(
        QStringLiteral("UPDATE TExamData SET Bui=? WHERE PatientID=98 AND ExamDate='2019-08-05 00:00:00' AND Row=0"),
        {QStringLiteral("     0  8192")});
    CExamData r;
    ToothStatusWords status;
    status.fill(5);
    EXPECT_FALSE(r.SetLastBui(98, QDate(2019, 4, 8), status));
    EXPECT_EQ(status, ToothStatusWords{});

    EXPECT_TRUE(r.SetLastBui(98, QDate(2019, 8, 5), status));
    EXPECT_EQ(status[0], 1024);
    EXPECT_EQ(status[1], 0);

    EXPECT_TRUE(r.SetLastBui(98, QDate(2019, 8, 6), status));
    EXPECT_EQ(status[0], 0);
    EXPECT_EQ(status[1], 8192);
    EXPECT_EQ(r.nBui(1), 0);  // the record itself is untouched
}

}  // namespace
}  // namespace mox
