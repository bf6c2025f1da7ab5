#include "platform/clock.h"
#include "records/patient_record.h"
#include "records/record_fields.h"
#include "records/staff_record.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

namespace mox {
namespace {

class RecordTest : public ::testing::Test {
protected:
    void SetUp() override {
        file_ = sandbox_.CopyTemplate();
        ASSERT_FALSE(file_.isEmpty()) << "template database missing";
        conn_ = db::Connection::Open(QStringLiteral("Data Source=") + file_);
    }
    std::unique_ptr<db::Recordset> Staff(int id) {
        return conn_->OpenRecordset(QStringLiteral("SELECT * FROM TCharge WHERE ID=?"), {id});
    }
    std::unique_ptr<db::Recordset> Patient(int id) {
        return conn_->OpenRecordset(QStringLiteral("SELECT * FROM TPatient WHERE ID=?"), {id});
    }

    test::Sandbox sandbox_;
    QString file_;
    db::ConnectionPtr conn_;
};

TEST_F(RecordTest, StaffOneCarriesTheTemplatesPatterns) {
    CCharge staff;
    auto rs = Staff(1);
    ASSERT_FALSE(rs->IsEOF());
    staff.RecSetGet(*rs);
    EXPECT_EQ(staff.ID, 1);
    EXPECT_EQ(staff.VectorPattern, 1);
    EXPECT_EQ(staff.PocketPattern, 0);
    EXPECT_EQ(staff.PocketVector, QStringLiteral("URB8ULB1ULL8URL1LRB8LLB1LLL8LRL1"));
    EXPECT_EQ(staff.PlaquePosition, QStringLiteral("33"));
    for (int16_t i = 0; i < 6; ++i) EXPECT_EQ(staff.PocketPosition(i), 1) << i;
    EXPECT_EQ(staff.PocketVectorKihon.size(), 48);
    EXPECT_EQ(staff.UpDate, QDateTime(QDate(2019, 4, 1), QTime(0, 0)));
}

TEST_F(RecordTest, StaffPositionsAndPlaquePositionReadRules) {
    auto set = [&](const QString& column, const db::Value& v) {
        conn_->Execute(QStringLiteral("UPDATE TCharge SET %1=? WHERE ID=1").arg(column), {v});
    };
    CCharge staff;
    set(QStringLiteral("PlaquePosition"), db::Value());
    set(QStringLiteral("PocketPosition"), QStringLiteral("  1  0  1"));
    set(QStringLiteral("PocketPositionKihon"), QString());
    set(QStringLiteral("PocketVectorKihon"), QStringLiteral("BMBCBDLMLCLD"));
    staff.RecSetGet(*Staff(1));
    EXPECT_EQ(staff.PlaquePosition, QStringLiteral("33"));
    EXPECT_EQ(staff.PocketPosition(0), 1);
    EXPECT_EQ(staff.PocketPosition(1), 0);
    EXPECT_EQ(staff.PocketPosition(2), 1);
    EXPECT_EQ(staff.PocketPosition(3), 0);
    EXPECT_EQ(staff.PocketPositionKihon(0), 0);
    EXPECT_EQ(staff.PocketVectorKihon, QStringLiteral("BMBCBDLMLCLD") + QString(36, u' '));

    set(QStringLiteral("PlaquePosition"), QStringLiteral("12"));
    set(QStringLiteral("PocketPatternKihon"), 0);
    staff.RecSetGet(*Staff(1));
    EXPECT_EQ(staff.PlaquePosition, QStringLiteral("12"));
    EXPECT_EQ(staff.PocketVectorKihon, QStringLiteral("BMBCBDLMLCLD"));

    // Seven values: the six are stored, then the read fails.
    set(QStringLiteral("PocketPosition"), QStringLiteral("  2").repeated(7));
    EXPECT_THROW(staff.RecSetGet(*Staff(1)), db::DbError);
    EXPECT_EQ(staff.PocketPosition(5), 2);
    set(QStringLiteral("PocketPosition"), QStringLiteral("  x"));
    EXPECT_THROW(staff.RecSetGet(*Staff(1)), db::DbError);
}

// A Null pattern would leave the input cursor without a route: the read
// fails and says which staff setting lacks what.
TEST_F(RecordTest, StaffWithANullPatternColumnIsRefusedByName) {
    for (const char* column : {"Name", "VectorPattern", "PocketPattern", "PocketVector", "PlaquePattern",
                               "PocketPosition", "PocketPatternKihon", "PocketVectorKihon", "PocketPositionKihon"}) {
        SCOPED_TRACE(column);
        conn_->Execute(QStringLiteral("SAVEPOINT s"));
        conn_->Execute(QStringLiteral("UPDATE TCharge SET %1=NULL WHERE ID=1").arg(QLatin1String(column)));
        CCharge staff;
        try {
            staff.RecSetGet(*Staff(1));
            ADD_FAILURE() << "read without error";
        } catch (const db::DbError& e) {
            EXPECT_EQ(e.Number(), db::kErrInvalidUse);
            EXPECT_TRUE(e.Description().contains(QStringLiteral("担当者"))) << e.Description().toStdString();
            EXPECT_TRUE(e.Description().contains(QStringLiteral("TCharge")));
            EXPECT_TRUE(e.Description().contains(QLatin1String(column)));
        }
        conn_->Execute(QStringLiteral("ROLLBACK TO s"));
        conn_->Execute(QStringLiteral("RELEASE s"));
    }
    CCharge staff;
    EXPECT_NO_THROW(staff.RecSetGet(*Staff(1)));
}

TEST(CCharge, ClearedRecordSwitchesEverySiteOffButKeepsThePlaquePosition) {
    CCharge staff;
    staff.PlaquePosition = QStringLiteral("12");
    staff.SetPocketPosition(2, 1);
    staff.PocketVector = QStringLiteral("URB8");
    staff.ClearBuffer();
    EXPECT_EQ(staff.PlaquePosition, QStringLiteral("12"));
    EXPECT_EQ(staff.PocketPosition(2), 0);
    EXPECT_TRUE(staff.PocketVector.isEmpty());
    EXPECT_EQ(staff.PocketPosition(6), 0);
    staff.SetPocketPosition(-1, 3);
    staff.SetPocketPositionKihon(6, 3);
    EXPECT_EQ(staff.PocketPositionKihon(6), 0);
}

TEST_F(RecordTest, NewPatientRowHoldsDefaults) {
    platform::FakeClock clock;
    platform::SetClock(&clock);
    CPatient p;
    p.Name = QStringLiteral("stale");
    p.Lock = 3;
    p.ClearBuffer();
    p.ID = 5;
    auto rs = Patient(5);
    rs->AddNew();
    p.RecSetPut(*rs);
    rs->Update();
    platform::SetClock(nullptr);

    // Dates are stored to the second.
    QDateTime now = clock.Now();
    now.setTime(QTime(now.time().hour(), now.time().minute(), now.time().second()));
    auto back = Patient(5);
    ASSERT_FALSE(back->IsEOF());
    EXPECT_EQ(back->Field(QStringLiteral("Name")).ToText(), QString());
    EXPECT_FALSE(back->Field(QStringLiteral("Name")).IsNull());
    EXPECT_EQ(back->Field(QStringLiteral("Sex")).ToInt64(), 0);
    EXPECT_EQ(back->Field(QStringLiteral("Lock")).ToInt64(), 0);
    for (const char* column : {"NextExamDate", "LastExamDate", "UpDate"})
        EXPECT_EQ(back->Field(QLatin1String(column)).ToDateTime(), now) << column;
}

TEST_F(RecordTest, PatientRoundTripKeepsEveryColumnAsWritten) {
    CPatient p;
    p.ClearBuffer();
    p.ID = 12;
    p.KalteNumber = QStringLiteral("K-0012");
    p.Ruby = QStringLiteral("ヤマダ");
    p.Name = QStringLiteral("山田");
    p.BirthDay = QStringLiteral("1960/13/45");  // not a date, kept as it is
    p.Sex = 2;
    p.TEL = QStringLiteral("03-0000-0000");
    p.Post = QStringLiteral("100-0001");
    p.Address1 = QStringLiteral("東京都");
    p.Address2 = QStringLiteral("千代田区");
    p.NextExamDate = QDateTime(QDate(2021, 1, 2), QTime(3, 4, 5));
    p.LastExamDate = QDateTime(QDate(2020, 12, 1), QTime(0, 0));
    p.Lock = 255;
    p.AppName = QStringLiteral("A-1");
    p.UpDate = QDateTime(QDate(2021, 1, 3), QTime(0, 0));
    auto rs = Patient(12);
    rs->AddNew();
    p.RecSetPut(*rs);
    rs->Update();

    CPatient b;
    b.RecSetGet(*Patient(12));
    EXPECT_EQ(b.ID, 12);
    EXPECT_EQ(b.KalteNumber, p.KalteNumber);
    EXPECT_EQ(b.Ruby, p.Ruby);
    EXPECT_EQ(b.Name, p.Name);
    EXPECT_EQ(b.BirthDay, p.BirthDay);
    EXPECT_EQ(b.Sex, 2);
    EXPECT_EQ(b.TEL, p.TEL);
    EXPECT_EQ(b.Post, p.Post);
    EXPECT_EQ(b.Address1, p.Address1);
    EXPECT_EQ(b.Address2, p.Address2);
    EXPECT_EQ(b.NextExamDate, p.NextExamDate);
    EXPECT_EQ(b.LastExamDate, p.LastExamDate);
    EXPECT_EQ(b.Lock, 255);
    EXPECT_EQ(b.AppName, p.AppName);
    EXPECT_EQ(b.UpDate, p.UpDate);

    // Writing into an existing row rewrites its key too.
    b.ID = 13;
    auto existing = Patient(12);
    b.RecSetPut(*existing);
    existing->Update();
    EXPECT_TRUE(Patient(12)->IsEOF());
    EXPECT_FALSE(Patient(13)->IsEOF());
}

TEST_F(RecordTest, PatientRowOfAConversionWithNulls) {
    conn_->Execute(QStringLiteral("INSERT INTO TPatient (ID, Name) VALUES (20, '佐藤')"));
    CPatient p;
    p.KalteNumber = QStringLiteral("stale");
    p.RecSetGet(*Patient(20));
    EXPECT_EQ(p.Name, QStringLiteral("佐藤"));
    EXPECT_TRUE(p.KalteNumber.isEmpty());
    EXPECT_EQ(p.NextExamDate, ZeroDate());
    EXPECT_EQ(p.Sex, 0);

    conn_->Execute(QStringLiteral("UPDATE TPatient SET Lock=300 WHERE ID=20"));
    EXPECT_THROW(p.RecSetGet(*Patient(20)), db::DbError);
}

}  // namespace
}  // namespace mox
