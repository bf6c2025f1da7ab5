// The sample refresh from the template, marker file in the program folder.

#include "upgrade/sample_refresh.h"
#include "core/connections.h"
#include "core/program_log.h"
#include "core/settings.h"
#include "platform/clock.h"
#include "platform/db/database.h"
#include "platform/message_box.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QFileInfo>

namespace mox {
namespace {

class SampleRefreshTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetAllSlots();
        main_ = box_.CopyTemplate();
        templ_ = box_.CopyTemplate(QStringLiteral("VXMOX2_ORG.MDB"));
        ASSERT_FALSE(main_.isEmpty());
        Settings& g = G();
        g.ProgramDir = box_.Path();
        g.SetMainDatabase(main_);
        g.TemplateDbSource = QStringLiteral("Data Source=") + templ_;
        clock_.SetNow(QDateTime(QDate(2024, 3, 5), QTime(8, 0, 0)));
        conn_ = db::Connection::Open(QStringLiteral("Data Source=") + main_);
        // The clinic's copy of case 98: renamed, given an application number,
        // and its examinations edited.
        conn_->Execute(
            QStringLiteral("UPDATE TPatient SET KalteNumber='X', Name='名前はそのまま', AppName='A-7', Sex=2, "
                           "BirthDay='2000/01/01' WHERE ID=98"));
        conn_->Execute(QStringLiteral("UPDATE TExamData SET Comment='手で変更' WHERE PatientID=98"));
        conn_->Execute(QStringLiteral("DELETE FROM TPatient WHERE ID=99"));
        maxId_ = conn_->Scalar(QStringLiteral("SELECT MAX(ID) FROM TExamData")).ToInt64();
        templateExams98_ = Count(templ_, 98);
    }
    void TearDown() override {
        if (conn_) conn_->Close();
        ResetAllSlots();
    }
    int64_t Count(const QString& file, int patient) {
        return db::Connection::Open(QStringLiteral("Data Source=") + file)
            ->Scalar(QStringLiteral("SELECT COUNT(*) FROM TExamData WHERE PatientID=?"), {patient})
            .ToInt64();
    }
    QString Patient(int id) {
        return conn_
            ->Scalar(QStringLiteral("SELECT KalteNumber || '|' || Name || '|' || BirthDay || '|' || Sex || '|' || "
                                    "AppName || '|' || \"UpDate\" FROM TPatient WHERE ID=?"),
                     {id})
            .ToText();
    }
    QString Marker() const { return box_.File(QStringLiteral("UpdateSample.txt")); }

    test::Sandbox box_;
    platform::ScriptedMsgBoxes boxes_;
    platform::FakeClock clock_;
    QString main_, templ_;
    db::ConnectionPtr conn_;
    int64_t maxId_ = 0, templateExams98_ = 0;
};

TEST_F(SampleRefreshTest, WithoutMarkerNothingChanges) {
    const QString before = Patient(98);
    RefreshSamplePatients();
    EXPECT_EQ(Patient(98), before);
    EXPECT_EQ(conn_->Scalar(QStringLiteral("SELECT COUNT(*) FROM TExamData WHERE Comment='手で変更'")).ToInt64(),
              templateExams98_);
}

TEST_F(SampleRefreshTest, MarkerRefreshesBothSamplesOnce) {
    box_.WriteText(QStringLiteral("UpdateSample.txt"), "");
    RefreshSamplePatients();
    EXPECT_FALSE(QFileInfo::exists(Marker()));
    // The template's chart number, reading, birthday and sex; name and
    // application number stay the clinic's.
    EXPECT_TRUE(Patient(98).endsWith(QStringLiteral("|名前はそのまま|1961/05/12|1|A-7|2024-03-05 08:00:00")))
        << Patient(98).toStdString();
    EXPECT_FALSE(Patient(98).startsWith(QStringLiteral("X|")));
    // A new case 99: the template's four columns and the record's defaults.
    EXPECT_TRUE(Patient(99).endsWith(QStringLiteral("||1974/09/03|2||2024-03-05 08:00:00")))
        << Patient(99).toStdString();
    EXPECT_EQ(Count(main_, 98), templateExams98_);
    EXPECT_EQ(conn_->Scalar(QStringLiteral("SELECT COUNT(*) FROM TExamData WHERE Comment='手で変更'")).ToInt64(), 0);
    EXPECT_EQ(conn_->Scalar(QStringLiteral("SELECT MIN(ID) FROM TExamData WHERE PatientID IN (98, 99)")).ToInt64(),
              maxId_ + 1);
    EXPECT_EQ(
        conn_->Scalar(QStringLiteral("SELECT COUNT(DISTINCT \"UpDate\") FROM TExamData WHERE PatientID=98")).ToText(),
        QStringLiteral("1"));
    EXPECT_EQ(GetSlotState(Slot::Template).openCount, 0);
}

// The upgrade may run while a screen keeps the main slot open or held: the
// refresh hands back only its own use, and the caller's connection goes on.
TEST_F(SampleRefreshTest, CallersOpenOrHeldConnectionStaysUsable) {
    for (const bool held : {false, true}) {
        SCOPED_TRACE(held ? "held" : "counted");
        ASSERT_TRUE(held ? HoldMainDb() : OpenMainDb());
        const db::ConnectionPtr outer = MainDbConn();
        const SlotState before = GetSlotState(Slot::Main);
        box_.WriteText(QStringLiteral("UpdateSample.txt"), "");
        RefreshSamplePatients();
        EXPECT_FALSE(QFileInfo::exists(Marker()));
        ASSERT_TRUE(outer->IsOpen());
        EXPECT_EQ(outer->Scalar(QStringLiteral("SELECT COUNT(*) FROM TExamData WHERE PatientID=98")).ToInt64(),
                  templateExams98_);
        EXPECT_EQ(GetSlotState(Slot::Main).openCount, before.openCount);
        EXPECT_EQ(GetSlotState(Slot::Main).isHeld, before.isHeld);
        held ? CloseMainDb() : ReleaseMainDb();
        EXPECT_FALSE(GetSlotState(Slot::Main).hasConnection);
    }
}

TEST_F(SampleRefreshTest, TemplateWithoutCaseLeavesThePatientButReplacesExaminations) {
    auto t = db::Connection::Open(QStringLiteral("Data Source=") + templ_);
    t->Execute(QStringLiteral("DELETE FROM TPatient WHERE ID=98"));
    t->Execute(QStringLiteral("DELETE FROM TExamData WHERE PatientID=99"));
    t->Close();
    const QString before = Patient(98);
    box_.WriteText(QStringLiteral("UpdateSample.txt"), "");
    RefreshSamplePatients();
    EXPECT_EQ(Patient(98), before);
    EXPECT_EQ(Count(main_, 98), templateExams98_);
    EXPECT_EQ(Count(main_, 99), 0);
}

TEST_F(SampleRefreshTest, FailedReplaceKeepsSamplesAndMarker) {
    conn_->Execute(
        QStringLiteral("CREATE TRIGGER Full BEFORE INSERT ON TExamData WHEN NEW.PatientID=99 "
                       "BEGIN SELECT RAISE(ABORT, 'disk full'); END"));
    const QString before = Patient(98);
    box_.WriteText(QStringLiteral("UpdateSample.txt"), "");
    RefreshSamplePatients();
    EXPECT_TRUE(QFileInfo::exists(Marker()));
    EXPECT_EQ(Patient(98), before);
    EXPECT_EQ(conn_->Scalar(QStringLiteral("SELECT COUNT(*) FROM TExamData WHERE Comment='手で変更'")).ToInt64(),
              templateExams98_);
    EXPECT_EQ(conn_->Scalar(QStringLiteral("SELECT MAX(ID) FROM TExamData")).ToInt64(), maxId_);
    EXPECT_EQ(GetSlotState(Slot::Main).openCount, 0);
    // Nothing is said at start-up; the log keeps the engine's words.
    QFile log(LogPath());
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QString lines = QString::fromUtf8(log.readAll());
    EXPECT_TRUE(lines.contains(QStringLiteral("サンプル患者の更新")) && lines.contains(QStringLiteral("disk full")))
        << lines.toStdString();
}

}  // namespace
}  // namespace mox
