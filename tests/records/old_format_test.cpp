// The old-format test and conversion on real files: an old database made
// here with the earlier column types, the template built by the project.

#include "records/old_format.h"

#include "core/connections.h"
#include "core/settings.h"
#include "platform/atomic_file.h"
#include "platform/clock.h"
#include "platform/db/database.h"
#include "platform/message_box.h"
#include "platform/staging_name.h"
#include "tests/support/kill_at.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <stdexcept>

namespace mox {
namespace {

const QDateTime kNow(QDate(2024, 3, 5), QTime(14, 7, 30));

class OldFormatTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetAllSlots();
        ASSERT_FALSE(box_.CopyTemplate(QStringLiteral("VXMOX2_ORG.MDB")).isEmpty());
        main_ = box_.File(QStringLiteral("VXMOX2.MDB"));
        Settings& g = G();
        g.ProgramDir = box_.Path();
        g.SetMainDatabase(main_);
        clock_.SetNow(kNow);
    }
    void TearDown() override { ResetAllSlots(); }

    // An earlier release's database: BirthDay a date, Sex yes/no.
    void MakeOldDatabase() {
        auto c = db::Connection::CreateFile(main_);
        c->Execute(QStringLiteral(
            "CREATE TABLE TPatient (ID LONG PRIMARY KEY, KalteNumber TEXT(20), Ruby TEXT(50), Name TEXT(50), "
            "BirthDay DATETIME, Sex BIT, TEL TEXT(20), Post TEXT(10), Address1 TEXT(100), Address2 TEXT(100), "
            "NextExamDate DATETIME, LastExamDate DATETIME, Lock BYTE, AppName TEXT(50), \"UpDate\" DATETIME)"));
        c->Execute(QStringLiteral(
            "CREATE TABLE TExamData (ID LONG PRIMARY KEY, PatientID LONG, ExamDate DATETIME, Row LONG, Examination "
            "LONG, "
            "SubExam LONG, Data1 TEXT(144), Data2 TEXT(144), Data3 TEXT(144), Data4 TEXT(144), Bui TEXT(192), "
            "PocketFree INTEGER, StartTime DATETIME, EndTime DATETIME, ChargeID LONG, IsPrinted BIT, "
            "\"UpDate\" DATETIME, CommentID INTEGER, Comment TEXT(50))"));
        c->Execute(
            QStringLiteral("CREATE TABLE TVersion (ID LONG PRIMARY KEY, Major LONG, Minor LONG, Revision LONG)"));
        c->Execute(QStringLiteral("INSERT INTO TVersion VALUES (1, 0, 1, 0)"));
        const QString patient = QStringLiteral(
            "INSERT INTO TPatient VALUES (?, ?, 'よみ', ?, ?, ?, '03-1234', '100', "
            "'東京', NULL, '2020-01-01 00:00:00', NULL, 0, ?, '2020-01-01 00:00:00')");
        c->Execute(patient, {1, QStringLiteral("00123"), QStringLiteral("一郎"), QStringLiteral("1970-02-03 00:00:00"),
                             1, QStringLiteral("A-1")});
        c->Execute(patient, {5, QStringLiteral("K5"), QStringLiteral("五郎"), db::Value(), 0, db::Value()});
        c->Execute(patient, {6, QStringLiteral("K6"), QStringLiteral("六子"), QStringLiteral("1980-12-31 00:00:00"),
                             db::Value(), db::Value()});
        c->Execute(patient, {98, QStringLiteral("OLD98"), QStringLiteral("旧見本"), db::Value(), 1, db::Value()});
        const QString exam = QStringLiteral(
            "INSERT INTO TExamData VALUES (?, ?, '2021-04-01 00:00:00', 0, 2, 2, '  3', '  4', '', '', '     0', 0, "
            "'2021-04-01 10:00:00', '2021-04-01 10:30:00', 1, 0, '2021-04-01 11:00:00', ?, '古い名前')");
        int id = 500;
        for (int commentId : {1, 2, 3, 4, 0, 7}) c->Execute(exam, {id++, 1, commentId});
        c->Execute(exam, {id++, 3, 1});   // a case without its patient row
        c->Execute(exam, {id++, 98, 1});  // a sample: stays behind
        c->Close();
        ::chmod(QFile::encodeName(main_).constData(), 0600);
    }
    QByteArray Bytes(const QString& path) const {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    db::ConnectionPtr Open(const QString& path) { return db::Connection::Open(QStringLiteral("Data Source=") + path); }
    QStringList KeptFiles() const {
        return QDir(box_.Path())
            .entryList({QStringLiteral("VXMOX2_*.mdb")}, QDir::Files | QDir::CaseSensitive, QDir::Name);
    }
    // The main file opens, is sound, and holds the user's examinations:
    // either still the old database, or the converted one.
    void ExpectUserDataIntact() {
        auto c = Open(main_);
        EXPECT_EQ(c->Scalar(QStringLiteral("PRAGMA integrity_check")).ToText(), QStringLiteral("ok"));
        EXPECT_EQ(c->Scalar(QStringLiteral("SELECT COUNT(*) FROM TExamData WHERE PatientID<=30")).ToInt64(), 7);
        EXPECT_EQ(c->Scalar(QStringLiteral("SELECT COUNT(*) FROM TPatient WHERE ID IN (1, 5, 6)")).ToInt64(), 3);
        c->Close();
    }

    test::Sandbox box_;
    platform::ScriptedMsgBoxes boxes_;
    platform::FakeClock clock_;
    QString main_;
};

TEST_F(OldFormatTest, DeclaredTypesGiveTheAdoTypes) {
    EXPECT_EQ(AdoTypeOfDeclared(QStringLiteral("TEXT(10)")), 202);
    EXPECT_EQ(AdoTypeOfDeclared(QStringLiteral("text")), 202);  // a Jet file's text column
    EXPECT_EQ(AdoTypeOfDeclared(QStringLiteral("INTEGER")), 2);
    EXPECT_EQ(AdoTypeOfDeclared(QStringLiteral("SHORT")), 2);
    EXPECT_EQ(AdoTypeOfDeclared(QStringLiteral("LONG")), 3);
    EXPECT_EQ(AdoTypeOfDeclared(QStringLiteral("DATETIME")), 7);
    EXPECT_EQ(AdoTypeOfDeclared(QStringLiteral("BIT")), 11);
    EXPECT_EQ(AdoTypeOfDeclared(QStringLiteral("")), 0);
}

TEST_F(OldFormatTest, CurrentOrMissingDatabaseIsLeftAlone) {
    OldFormatConversion record;
    EXPECT_EQ(record.IsOldFormatTable(), kNoMainDatabase);
    EXPECT_FALSE(record.CheckTable());
    box_.CopyTemplate();
    const QByteArray before = Bytes(main_);
    EXPECT_EQ(record.IsOldFormatTable(), kFormatCurrent);
    EXPECT_FALSE(record.CheckTable());
    EXPECT_EQ(Bytes(main_), before);
    EXPECT_TRUE(KeptFiles().isEmpty());
    EXPECT_TRUE(boxes_.Shown().empty());
    EXPECT_EQ(GetSlotState(Slot::Main).openCount, 0);
}

TEST_F(OldFormatTest, UnreadablePatientTableIsReportedNotConverted) {
    box_.CopyTemplate();
    auto c = Open(main_);
    c->Execute(QStringLiteral("DROP TABLE TPatient"));
    c->Close();
    const QByteArray before = Bytes(main_);
    OldFormatConversion record;
    EXPECT_EQ(record.IsOldFormatTable(), kFormatUnreadable);
    record.CheckTable();
    EXPECT_EQ(Bytes(main_), before);
    EXPECT_TRUE(KeptFiles().isEmpty());
    ASSERT_EQ(boxes_.Shown().size(), 2u);
    EXPECT_EQ(boxes_.Shown()[0].caption, QStringLiteral("形式確認エラー"));
}

mode_t ModeOf(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 0777 : 0;
}

TEST_F(OldFormatTest, ConvertsTheUsersCasesIntoATemplateCopy) {
    MakeOldDatabase();
    // What the conversion writes holds patient data: the kept copy is new
    // and its owner's only, the converted file keeps the old file's mode
    // without any access for others.
    ::chmod(QFile::encodeName(main_).constData(), 0644);
    const QByteArray old = Bytes(main_);
    // A compaction copy of the old file that a killed exit left: the next
    // exit must not take it for the converted file's.
    QFile::copy(main_, box_.File(QStringLiteral("VXCP.MDB")));
    const int64_t counterBefore =
        Open(test::TemplateDbPath())->Scalar(QStringLiteral("SELECT ExamData FROM TNextAutoNumber")).ToInt64();
    OldFormatConversion record;
    EXPECT_EQ(record.IsOldFormatTable(), kFormatOld);
    EXPECT_FALSE(record.CheckTable());

    ASSERT_EQ(boxes_.Shown().size(), 1u);
    EXPECT_EQ(boxes_.Shown()[0].prompt, QStringLiteral("旧形式のデータベースを最新形式に変換しました。"));
    EXPECT_EQ(boxes_.Shown()[0].caption, QStringLiteral("変換完了"));
    EXPECT_EQ(boxes_.Shown()[0].style, 64);
    EXPECT_EQ(KeptFiles(), QStringList{QStringLiteral("VXMOX2_20240305_1407.mdb")});
    EXPECT_EQ(Bytes(box_.File(QStringLiteral("VXMOX2_20240305_1407.mdb"))), old);
    EXPECT_EQ(ModeOf(box_.File(QStringLiteral("VXMOX2_20240305_1407.mdb"))), 0600u);
    EXPECT_EQ(ModeOf(main_), 0640u) << "the old file's mode, without any access for others";
    EXPECT_FALSE(QFileInfo::exists(platform::StagedFilePath(main_)));
    EXPECT_FALSE(QFileInfo::exists(box_.File(QStringLiteral("VXCP.MDB"))));
    EXPECT_EQ(record.IsOldFormatTable(), kFormatCurrent);

    auto c = Open(main_);
    auto p = c->OpenRecordset(QStringLiteral("SELECT * FROM TPatient ORDER BY ID"));
    QStringList patients;
    for (; !p->IsEOF(); p->MoveNext())
        patients << QStringLiteral("%1 %2 %3 %4 %5")
                        .arg(p->Field(QStringLiteral("ID")).ToText(), p->Field(QStringLiteral("KalteNumber")).ToText(),
                             p->Field(QStringLiteral("BirthDay")).ToText(), p->Field(QStringLiteral("Sex")).ToText(),
                             p->Field(QStringLiteral("UpDate")).ToText());
    EXPECT_EQ(
        patients,
        (QStringList{
            QStringLiteral("1 00123 1970/02/03 1 2024-03-05 14:07:30"),
            QStringLiteral("5 K5 2024/03/05 0 2024-03-05 14:07:30"),
            QStringLiteral("6 K6 1980/12/31 0 2024-03-05 14:07:30"),
            QStringLiteral("98 ") + c->Scalar(QStringLiteral("SELECT KalteNumber || ' ' || BirthDay || ' ' || Sex || ' "
                                                             "' || \"UpDate\" FROM TPatient WHERE ID=98"))
                                        .ToText(),
            QStringLiteral("99 ") + c->Scalar(QStringLiteral("SELECT KalteNumber || ' ' || BirthDay || ' ' || Sex || ' "
                                                             "' || \"UpDate\" FROM TPatient WHERE ID=99"))
                                        .ToText()}));
    EXPECT_NE(c->Scalar(QStringLiteral("SELECT KalteNumber FROM TPatient WHERE ID=98")).ToText(),
              QStringLiteral("OLD98"));
    EXPECT_EQ(c->Scalar(QStringLiteral("SELECT TEL || Address1 FROM TPatient WHERE ID=1")).ToText(),
              QStringLiteral("03-1234東京"));
    EXPECT_TRUE(c->Scalar(QStringLiteral("SELECT Address2 FROM TPatient WHERE ID=1")).IsNull());

    auto e = c->OpenRecordset(QStringLiteral("SELECT * FROM TExamData WHERE PatientID<=30 ORDER BY ID"));
    QStringList exams;
    for (; !e->IsEOF(); e->MoveNext())
        exams << QStringLiteral("%1 %2 %3 %4")
                     .arg(e->Field(QStringLiteral("ID")).ToText(), e->Field(QStringLiteral("PatientID")).ToText(),
                          e->Field(QStringLiteral("CommentID")).ToText(), e->Field(QStringLiteral("Comment")).ToText());
    const auto id = [&](int n) { return QString::number(10000000 + counterBefore + n); };
    EXPECT_EQ(exams, (QStringList{id(0) + QStringLiteral(" 1 1 初診時"), id(1) + QStringLiteral(" 1 2 基本治療終了時"),
                                  id(2) + QStringLiteral(" 1 3 ＳＰＴ移行時"),
                                  id(3) + QStringLiteral(" 1 4 最新ＳＰＴ時"), id(4) + QStringLiteral(" 1 0 "),
                                  id(5) + QStringLiteral(" 1 7 "), id(6) + QStringLiteral(" 3 1 初診時")}));
    EXPECT_EQ(c->Scalar(QStringLiteral("SELECT ExamData FROM TNextAutoNumber")).ToInt64(), counterBefore + 7);
    EXPECT_EQ(c->Scalar(QStringLiteral("SELECT Data1 || '/' || Data2 || '/' || Bui FROM TExamData WHERE PatientID=3"))
                  .ToText(),
              QStringLiteral("  3/  4/     0"));
}

TEST_F(OldFormatTest, KeptCopiesNeverOverwriteEachOther) {
    MakeOldDatabase();
    box_.WriteText(QStringLiteral("VXMOX2_20240305_1407.mdb"), QByteArray("an earlier kept copy"));
    OldFormatConversion record;
    record.CheckTable();
    EXPECT_EQ(Bytes(box_.File(QStringLiteral("VXMOX2_20240305_1407.mdb"))), QByteArray("an earlier kept copy"));
    EXPECT_EQ(KeptFiles(),
              (QStringList{QStringLiteral("VXMOX2_20240305_1407.mdb"), QStringLiteral("VXMOX2_20240305_1407_2.mdb")}));
    ExpectUserDataIntact();
}

// A kept copy that is not whole (its read-back differs from what was read,
// as from a medium that stores a wrong bit) does not count: the conversion
// stops, saying why, and nothing else is written.
TEST_F(OldFormatTest, KeptCopyThatIsNotWholeStopsTheConversion) {
    MakeOldDatabase();
    const QByteArray old = Bytes(main_);
    int verify = 0;
    {
        platform::FileStepFault counting;
        const int fd = ::open(QFile::encodeName(main_).constData(), O_RDONLY | O_CLOEXEC);
        ASSERT_EQ(platform::CopyDescriptorAtomically(fd, box_.File(QStringLiteral("probe.bin"))).code, 0);
        ::close(fd);
        for (const platform::FileStep step : counting.Steps()) {
            ++verify;
            if (step == platform::FileStep::Verify) break;
        }
    }
    platform::FileStepFault wrong(verify, EIO);
    OldFormatConversion().CheckTable();
    ASSERT_EQ(boxes_.Shown().size(), 1u);
    EXPECT_EQ(boxes_.Shown()[0].caption, QStringLiteral("変換エラー"));
    EXPECT_TRUE(boxes_.Shown()[0].prompt.startsWith(
        QStringLiteral("旧形式のデータベースの控えを作成できなかったため、変換を中止しました。")));
    EXPECT_TRUE(boxes_.Shown()[0].prompt.endsWith(
        main_ + QStringLiteral("\r\n\r\n<5> ディスクの読み書きでエラーが発生しました。")))
        << boxes_.Shown()[0].prompt.toStdString();
    EXPECT_EQ(Bytes(main_), old);
    EXPECT_TRUE(KeptFiles().isEmpty());
    EXPECT_EQ(wrong.StepsTaken(), verify) << "nothing was written after the kept copy";
}

// A conversion that fails ends with the old file in place and the failure
// box; one that passes every step it may (a folder sync after a rename
// cannot fail it) ends converted. Either way nothing is left half done.
TEST_F(OldFormatTest, FailureAtAnyStepLeavesTheOldFileInPlace) {
    const auto check = [&](const QByteArray& old) {
        EXPECT_FALSE(QFileInfo::exists(platform::StagedFilePath(main_)));
        ASSERT_FALSE(boxes_.Shown().empty());
        const platform::ShownBox& last = boxes_.Shown().back();
        if (last.caption == QStringLiteral("変換完了")) {
            ExpectUserDataIntact();
            EXPECT_EQ(OldFormatConversion().IsOldFormatTable(), kFormatCurrent);
        } else {
            EXPECT_EQ(Bytes(main_), old);
            EXPECT_EQ(last.caption, QStringLiteral("変換エラー"));
            EXPECT_EQ(last.style, 16);
        }
        EXPECT_EQ(GetSlotState(Slot::Main).openCount, 0);
        EXPECT_FALSE(GetSlotState(Slot::Main).hasConnection);
        EXPECT_FALSE(GetSlotState(Slot::Old).hasConnection);
        EXPECT_EQ(G().MainDbSource(), QStringLiteral("Data Source=") + main_);
    };
    for (ConversionStep failing : {ConversionStep::CopyPatients, ConversionStep::CopyExams, ConversionStep::Commit}) {
        SCOPED_TRACE(static_cast<int>(failing));
        MakeOldDatabase();
        const QByteArray old = Bytes(main_);
        boxes_.Clear();
        const ConversionStepHook failStep = [failing](ConversionStep step) {
            if (step == failing) throw std::runtime_error("入出力エラー");
        };
        OldFormatConversion(failStep).CheckTable();
        check(old);
        ASSERT_EQ(boxes_.Shown().size(), 1u);
        EXPECT_EQ(boxes_.Shown()[0].prompt,
                  QStringLiteral("旧形式のデータベースを最新形式に変換できませんでした。\r\n\r\n"
                                 "ミラド協会事務局へ連絡をお願いします。"));
        // The next start tries again, and fails again: the original it
        // kept is kept once.
        const QStringList kept = KeptFiles();
        clock_.Advance(60 * 60 * 1000);
        OldFormatConversion(failStep).CheckTable();
        check(old);
        EXPECT_EQ(KeptFiles(), kept);
        QFile::remove(main_);
    }
    // The kept copy, the new database from the template and its placing.
    int failures = 0;
    for (int k = 1;; ++k) {
        SCOPED_TRACE(k);
        MakeOldDatabase();
        const QByteArray old = Bytes(main_);
        boxes_.Clear();
        platform::FileStepFault fault(k, EIO);
        OldFormatConversion().CheckTable();
        check(old);
        failures += Bytes(main_) == old ? 1 : 0;
        QFile::remove(main_);
        if (fault.StepsTaken() < k) break;
    }
    EXPECT_GE(failures, 6);
    // Every kept copy is whole.
    for (const QString& kept : KeptFiles())
        EXPECT_EQ(Open(box_.File(kept))->Scalar(QStringLiteral("SELECT COUNT(*) FROM TExamData")).ToInt64(), 8);
}

// The new database is filled through the main slot held on it: the main
// database's source never changes, and the slot names the main file again
// once the conversion is over, also after a failure.
TEST_F(OldFormatTest, MainSourceNeverChangesWhileTheNewDatabaseIsFilled) {
    const QString source = QStringLiteral("Data Source=") + main_;
    for (bool fail : {false, true}) {
        SCOPED_TRACE(fail);
        MakeOldDatabase();
        QString sourceDuring, slotFileDuring;
        OldFormatConversion([&](ConversionStep step) {
            if (step != ConversionStep::CopyExams) return;
            sourceDuring = G().MainDbSource();
            slotFileDuring = MainDbConn()->Info().dataSource;
            if (fail) throw std::runtime_error("入出力エラー");
        }).CheckTable();
        EXPECT_EQ(sourceDuring, source);
        EXPECT_EQ(slotFileDuring, platform::StagedFilePath(main_));
        EXPECT_EQ(G().MainDbSource(), source);
        ASSERT_TRUE(OpenMainDb());
        EXPECT_EQ(MainDbConn()->Info().dataSource, main_);
        ReleaseMainDb();
        QFile::remove(main_);
    }
}

TEST_F(OldFormatTest, OldRowThatDoesNotFitFailsTheWholeCopy) {
    // A column missing from an old table, an examination without its
    // occasion number, an occasion number beyond 32 bits.
    for (const char* breakage :
         {"ALTER TABLE TExamData DROP COLUMN Bui", "UPDATE TExamData SET CommentID=NULL WHERE ID=503",
          "UPDATE TExamData SET CommentID=4294967297 WHERE ID=503"}) {
        SCOPED_TRACE(breakage);
        boxes_.Clear();
        MakeOldDatabase();
        auto c = Open(main_);
        c->Execute(QString::fromUtf8(breakage));
        c->Close();
        const QByteArray old = Bytes(main_);
        OldFormatConversion().CheckTable();
        EXPECT_EQ(Bytes(main_), old);
        ASSERT_EQ(boxes_.Shown().size(), 1u);
        EXPECT_EQ(boxes_.Shown()[0].caption, QStringLiteral("変換エラー"));
        QFile::remove(main_);
    }
}

TEST_F(OldFormatTest, KillAtAnyStepLeavesTheUsersData) {
    // Dies in the child at a step of the copy between the databases, or at
    // the k-th step of the file writes; the next start converts again.
    const auto killedAt = [&](const std::function<void()>& conversion) -> bool {
        MakeOldDatabase();
        const bool killed = test::RunInChild(conversion) == test::ChildEnd::Killed;
        ExpectUserDataIntact();
        OldFormatConversion().CheckTable();
        ExpectUserDataIntact();
        EXPECT_EQ(OldFormatConversion().IsOldFormatTable(), kFormatCurrent);
        QFile::remove(main_);
        return killed;
    };
    for (ConversionStep killAt : {ConversionStep::CopyPatients, ConversionStep::CopyExams, ConversionStep::Commit}) {
        SCOPED_TRACE(static_cast<int>(killAt));
        EXPECT_TRUE(killedAt([killAt] { OldFormatConversion(test::KillAt(killAt)).CheckTable(); }));
    }
    int kills = 0;
    for (int k = 1;; ++k) {
        SCOPED_TRACE(k);
        const bool killed = killedAt([k] {
            test::KillAtFileStep fault(k);
            OldFormatConversion().CheckTable();
        });
        if (!killed) break;
        ++kills;
    }
    EXPECT_GE(kills, 9);
}

}  // namespace
}  // namespace mox
