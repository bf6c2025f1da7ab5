// Compaction of the main database: a failed or interrupted attempt must leave
// the original file complete, and nothing another program commits meanwhile
// may be lost with the replaced file.

#include "core/compaction.h"
#include "core/connections.h"
#include "core/settings.h"
#include "platform/atomic_file.h"
#include "platform/clock.h"
#include "platform/db/database.h"
#include "platform/message_box.h"
#include "tests/support/damaged_db.h"
#include "tests/support/engine_file_fault.h"
#include "tests/support/kill_at.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>

#include <sqlite3.h>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <set>
#include <stdexcept>

namespace mox {
namespace {

QByteArray Bytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

mode_t ModeOf(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}

db::ConnectionPtr Open(const QString& path) { return db::Connection::Open(QStringLiteral("Data Source=") + path); }

// What another program does while VXMOX ends: a row and the counter that
// numbered it, in one transaction. True when the commit went through.
bool CommitRow(db::Connection& conn, int64_t* id = nullptr) {
    try {
        db::Transaction transaction(conn);
        const int64_t counter =
            conn.Scalar(QStringLiteral("SELECT ExamData FROM TNextAutoNumber WHERE ID=0")).ToInt64();
        conn.Execute(QStringLiteral("INSERT INTO Filler (ID, Text) VALUES (?, 'w')"), {counter});
        conn.Execute(QStringLiteral("UPDATE TNextAutoNumber SET ExamData=? WHERE ID=0"), {counter + 1});
        transaction.Commit();
        if (id) *id = counter;
        return true;
    } catch (const db::DbError&) {
        return false;
    }
}

class CompactionTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetAllSlots();
        busyTimeout_ = db::Connection::BusyTimeout();
        folder_ = box_.Path();
        UseFolder(folder_);
    }
    void TearDown() override {
        ResetAllSlots();
        db::Connection::SetBusyTimeout(busyTimeout_);
    }
    // A main database with deleted rows, so that compaction has work to do.
    void UseFolder(const QString& folder) {
        QDir().mkpath(folder);
        main_ = folder + QStringLiteral("/VXMOX2.MDB");
        QFile::remove(main_);
        ASSERT_TRUE(QFile::copy(test::TemplateDbPath(), main_));
        QFile::setPermissions(main_, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        auto conn = Open(main_);
        conn->Execute(QStringLiteral("CREATE TABLE Filler (ID INTEGER PRIMARY KEY, Text TEXT)"));
        {
            db::Transaction filling(*conn);
            for (int i = 0; i < 200; ++i)
                conn->Execute(QStringLiteral("INSERT INTO Filler (Text) VALUES (?)"), {QString(500, QLatin1Char('x'))});
            filling.Commit();
        }
        conn->Execute(QStringLiteral("DELETE FROM Filler"));
        examCount_ = conn->Scalar(QStringLiteral("SELECT COUNT(*) FROM TExamData")).ToInt64();
        conn->Close();
        G().ProgramDir.clear();
        G().SetMainDatabase(main_);
    }
    // The main database's folder as the program folder, whose MOX.INI names
    // the backup folder "usb"; its path.
    QString UseBackupFolder() {
        G().ProgramDir = folder_;
        const QString backups = box_.File(QStringLiteral("usb"));
        QDir().mkpath(backups);
        box_.WriteText(QStringLiteral("MOX.INI"), ("BackUpPath=" + backups + "\r\n").toUtf8());
        return backups;
    }
    // The main file opens, is sound and holds every examination.
    void ExpectSoundMain() {
        auto conn = Open(main_);
        EXPECT_EQ(conn->Scalar(QStringLiteral("PRAGMA integrity_check")).ToText(), QStringLiteral("ok"))
            << conn->Scalar(QStringLiteral("PRAGMA integrity_check")).ToText().toStdString();
        EXPECT_EQ(conn->Scalar(QStringLiteral("SELECT COUNT(*) FROM TExamData")).ToInt64(), examCount_);
        conn->Close();
    }

    test::Sandbox box_;
    platform::ScriptedMsgBoxes boxes_;
    platform::FakeClock clock_;
    QString folder_, main_;
    int64_t examCount_ = 0;
    int busyTimeout_ = 0;
};

const std::vector<CompactionStep> kSteps = {CompactionStep::RemoveLeftover, CompactionStep::Lock,
                                            CompactionStep::CheckSource, CompactionStep::Compact,
                                            CompactionStep::Check};

TEST_F(CompactionTest, CompactedCopyReplacesTheMainFile) {
    const qint64 before = QFileInfo(main_).size();
    ASSERT_TRUE(OpenMainDb());  // a slot still open at the end of the run
    EXPECT_TRUE(CompactDatabase(1));
    EXPECT_FALSE(GetSlotState(Slot::Main).hasConnection);
    EXPECT_LT(QFileInfo(main_).size(), before);
    EXPECT_FALSE(QFileInfo::exists(CompactTargetPath()));
    EXPECT_EQ(ModeOf(main_), 0600u);
    EXPECT_EQ(clock_.TotalWaited(), 2000);
    EXPECT_TRUE(boxes_.Shown().empty());
    ExpectSoundMain();
}

TEST_F(CompactionTest, LeftoverTargetIsReplacedAndOtherFoldersWork) {
    UseFolder(folder_ + QStringLiteral("/他のフォルダ"));
    box_.WriteText(QStringLiteral("他のフォルダ/VXCP.MDB"), QByteArray("stale copy of an interrupted run"));
    // What an attempt that ran out of room leaves.
    box_.WriteText(QStringLiteral("他のフォルダ/VXCP.MDB-journal"), QByteArray("journal of the copy"));
    EXPECT_EQ(CompactTargetPath(), folder_ + QStringLiteral("/他のフォルダ/VXCP.MDB"));
    EXPECT_TRUE(CompactDatabase(1));
    EXPECT_FALSE(QFileInfo::exists(CompactTargetPath()));
    EXPECT_FALSE(QFileInfo::exists(CompactTargetPath() + QStringLiteral("-journal")));
    EXPECT_FALSE(QFileInfo::exists(folder_ + QStringLiteral("/VXCP.MDB")));
    EXPECT_TRUE(boxes_.Shown().empty());
    ExpectSoundMain();
}

TEST_F(CompactionTest, FailureAtAnyStepLeavesTheMainFileAsItWas) {
    const QByteArray original = Bytes(main_);
    for (CompactionStep failing : kSteps) {
        SCOPED_TRACE(static_cast<int>(failing));
        EXPECT_FALSE(CompactDatabase(3, nullptr, [failing](CompactionStep step) {
            if (step == failing) throw std::runtime_error("入出力エラー");
        }));
        EXPECT_EQ(Bytes(main_), original);
        EXPECT_FALSE(QFileInfo::exists(CompactTargetPath()));
    }
    // Putting the checked copy in place: its sync and its rename.
    for (int k = 1; k <= 2; ++k) {
        SCOPED_TRACE(k);
        platform::FileStepFault fault(k, EIO);
        EXPECT_FALSE(CompactDatabase(3));
        EXPECT_EQ(Bytes(main_), original);
        EXPECT_FALSE(QFileInfo::exists(CompactTargetPath()));
    }
    EXPECT_TRUE(boxes_.Shown().empty());  // attempts before the tenth are silent
}

// A copy that lost rows, or whose index names the wrong day, passes a quick
// check; it must never take the main file's place.
TEST_F(CompactionTest, CopyThatDiffersFromTheMainFileNeverReplacesIt) {
    const QByteArray original = Bytes(main_);
    const std::vector<std::pair<const char*, std::function<void(const QString&)>>> spoils = {
        {"rows lost",
         [](const QString& copy) {
             Open(copy)->Execute(
                 QStringLiteral("DELETE FROM TExamData WHERE ID IN (SELECT ID FROM TExamData LIMIT 5)"));
         }},
        {"an index entry's date changed",
         [](const QString& copy) {
             auto conn = Open(copy);
             for (int i = 0; i < 1500; i += 100)
                 conn->Execute(QStringLiteral("INSERT INTO TExamData (ID, PatientID, ExamDate) VALUES (?, 1, ?)"),
                               {30000000 + i, QStringLiteral("2024-05-1%1 00:00:00").arg(i % 10)});
             conn->Close();
             ASSERT_TRUE(test::MakeDamaged(copy, test::Damage::IndexDateChanged));
         }},
    };
    for (const auto& [what, spoil] : spoils) {
        SCOPED_TRACE(what);
        EXPECT_FALSE(CompactDatabase(10, nullptr, [&spoil = spoil](CompactionStep step) {
            if (step == CompactionStep::Check) spoil(CompactTargetPath());
        }));
        EXPECT_EQ(Bytes(main_), original);
        EXPECT_FALSE(QFileInfo::exists(CompactTargetPath()));
        ASSERT_EQ(boxes_.Shown().size(), 1u);
        EXPECT_EQ(boxes_.Shown()[0].caption, QStringLiteral("最適化エラー"));
        boxes_.Clear();
    }
}

// A damaged main database is not compacted (the copy would keep what the
// damage hides) and the user is told once, at the first attempt, naming the
// newest backup that is sound.
TEST_F(CompactionTest, DamagedDatabaseIsNeverCompactedAndTheNewestSoundBackupIsNamed) {
    test::AddExaminations(main_);
    const QByteArray sound = Bytes(main_);
    const QString backups = UseBackupFolder();
    box_.WriteText(QStringLiteral("usb/VXMOX2_20261101_0900.MDB"), sound);
    box_.WriteText(QStringLiteral("usb/VXMOX2_20261201_0900.MDB"), sound);
    box_.WriteText(QStringLiteral("VXMOX2_20261205_0900.MDB"), sound);  // a safety copy, damaged below
    ASSERT_TRUE(test::MakeDamaged(box_.File(QStringLiteral("VXMOX2_20261205_0900.MDB")), test::Damage::ExamLeafZeroed));
    for (const test::DamageKind& kind : test::DamageKinds()) {
        SCOPED_TRACE(kind.name);
        box_.WriteText(QStringLiteral("VXMOX2.MDB"), sound);
        ASSERT_TRUE(test::MakeDamaged(main_, kind.damage));
        const QByteArray damagedBytes = Bytes(main_);
        bool damaged = false;
        EXPECT_FALSE(CompactDatabase(1, &damaged));
        EXPECT_TRUE(damaged);
        EXPECT_EQ(Bytes(main_), damagedBytes);
        EXPECT_FALSE(QFileInfo::exists(CompactTargetPath()));
        ASSERT_EQ(boxes_.Shown().size(), 1u);
        EXPECT_EQ(boxes_.Shown()[0].caption, QStringLiteral("データベースの破損"));
        EXPECT_TRUE(boxes_.Shown()[0].prompt.contains(main_));
        EXPECT_TRUE(boxes_.Shown()[0].prompt.contains(
            QStringLiteral("次回の起動後に「ツール」の「データの復元」で、次のバックアップから復元してください。\r\n") +
            backups + QStringLiteral("/VXMOX2_20261201_0900.MDB")))
            << boxes_.Shown()[0].prompt.toStdString();
        boxes_.Clear();
    }
    // The damaged safety copy was passed over without a word to the user;
    // the log says which file and why.
    const QString log = QString::fromUtf8(Bytes(G().ProgramDir + QStringLiteral("/Log_MOX.txt")));
    EXPECT_TRUE(QRegularExpression(QRegularExpression::escape(QStringLiteral("データベースファイルの確認 ") +
                                                              box_.File(QStringLiteral("VXMOX2_20261205_0900.MDB")) +
                                                              QStringLiteral("：")) +
                                   QStringLiteral("\\S"))
                    .match(log)
                    .hasMatch())
        << log.toStdString();
}

// The next start uses the program folder's database: for a file opened with
// the file menu the box says to open it again before the restore, and names
// only a copy under its own whole name in its own folder. Copies under the
// name cut at its first dot may be another file's (clinic.2025.MDB's), and
// the backup folder's and the program folder's are of other files.
TEST_F(CompactionTest, DamagedOpenedFileIsToBeOpenedAgainAndOnlyItsOwnCopiesAreNamed) {
    test::AddExaminations(main_);
    const QByteArray sound = Bytes(main_);
    const QString backups = UseBackupFolder();
    UseFolder(folder_ + QStringLiteral("/clinics"));
    const QString opened = folder_ + QStringLiteral("/clinics/clinic.2024.MDB");
    ASSERT_TRUE(QFile::rename(main_, opened));
    main_ = opened;
    G().SetMainDatabase(main_);
    const QStringList others = {
        QStringLiteral("usb/clinic.2024_20261206_0900.MDB"),     QStringLiteral("usb/clinic_20261206_0900.MDB"),
        QStringLiteral("clinic.2024_20261206_0900.MDB"),         QStringLiteral("clinics/clinic_20261206_0900.MDB"),
        QStringLiteral("clinics/clinic.2025_20261206_0900.MDB"),
    };
    for (const QString& other : others) box_.WriteText(other, sound);
    const QString own = QStringLiteral("clinics/clinic.2024_20261130_0900.MDB");
    box_.WriteText(own, sound);
    box_.WriteText(QStringLiteral("clinics/clinic.2024.MDB"), sound);
    ASSERT_TRUE(test::MakeDamaged(main_, test::Damage::ExamLeafZeroed));

    for (const bool ownCopy : {true, false}) {
        SCOPED_TRACE(ownCopy);
        if (!ownCopy) QFile::remove(box_.File(own));
        bool damaged = false;
        EXPECT_FALSE(CompactDatabase(1, &damaged));
        EXPECT_TRUE(damaged);
        ASSERT_EQ(boxes_.Shown().size(), 1u);
        const QString prompt = boxes_.Shown()[0].prompt;
        EXPECT_TRUE(
            prompt.contains(QStringLiteral("次回の起動後に「ファイル」の「開く」でこのファイルを開き直してから、\r\n"
                                           "「ツール」の「データの復元」で、") +
                            (ownCopy ? QStringLiteral("次のバックアップから復元してください。\r\n") + box_.File(own) +
                                           QStringLiteral("\r\n")
                                     : QStringLiteral("破損する前に作成したバックアップから復元してください。"))))
            << prompt.toStdString();
        for (const QString& other : others) EXPECT_FALSE(prompt.contains(box_.File(other))) << other.toStdString();
        boxes_.Clear();
    }
}

// A check that cannot be run to its end for want of memory, or for a page
// the medium failed to give once, says nothing of damage: the attempt fails
// as any other, the user is not sent to a backup, and a later attempt
// compacts. A read error is told as one, with what to do.
TEST_F(CompactionTest, CheckThatCannotRunIsAFailedAttemptNotDamage) {
    G().ProgramDir = folder_;
    const QByteArray original = Bytes(main_);
    test::EngineFileFault medium;
    const int64_t examPage = test::RootPageOf(main_, QStringLiteral("TExamData"));
    const struct {
        const char* cause;
        std::function<void()> fail;
        const char* said;
    } causes[] = {
        {"no memory", [] { sqlite3_hard_heap_limit64(sqlite3_memory_used() + 16 * 1024); }, ""},
        {"a read error", [&] { medium.FailNextReadOfPage(examPage); }, "読み取りでエラー"},
    };
    for (const auto& c : causes) {
        SCOPED_TRACE(c.cause);
        boxes_.Clear();
        const CompactionStepHook failCheck = [&c](CompactionStep step) {
            if (step == CompactionStep::CheckSource) c.fail();
        };
        for (const int16_t attempt : {3, 10}) {
            SCOPED_TRACE(attempt);
            bool damaged = false;
            const bool compacted = CompactDatabase(attempt, &damaged, failCheck);
            sqlite3_hard_heap_limit64(0);
            EXPECT_FALSE(compacted);
            EXPECT_FALSE(damaged);
            EXPECT_EQ(Bytes(main_), original);
            EXPECT_FALSE(QFileInfo::exists(CompactTargetPath()));
        }
        // Only the tenth attempt speaks, and of an error, not of damage.
        ASSERT_EQ(boxes_.Shown().size(), 1u);
        EXPECT_EQ(boxes_.Shown()[0].caption, QStringLiteral("最適化エラー"));
        EXPECT_TRUE(boxes_.Shown()[0].prompt.contains(QString::fromUtf8(c.said)))
            << boxes_.Shown()[0].prompt.toStdString();
    }
    EXPECT_EQ(medium.FaultsGiven(), 2);
    const QString log = QString::fromUtf8(Bytes(folder_ + QStringLiteral("/Log_MOX.txt")));
    EXPECT_TRUE(log.contains(QStringLiteral("integrity_check ") + main_)) << log.toStdString();
    EXPECT_TRUE(CompactDatabase(4));
    ExpectSoundMain();
}

TEST_F(CompactionTest, TenthFailureIsReported) {
    QFile::remove(main_);  // nothing to compact
    EXPECT_FALSE(CompactDatabase(10));
    ASSERT_EQ(boxes_.Shown().size(), 1u);
    EXPECT_EQ(boxes_.Shown()[0].caption, QStringLiteral("最適化エラー"));
    EXPECT_EQ(boxes_.Shown()[0].style, 16);
    EXPECT_TRUE(
        boxes_.Shown()[0].prompt.startsWith(QStringLiteral("最適化でエラー発生！　エラー番号：2\r\n\r\nエラー内容：")));
}

TEST_F(CompactionTest, KillAtAnyStepLeavesASoundDatabase) {
    for (CompactionStep killAt : kSteps) {
        SCOPED_TRACE(static_cast<int>(killAt));
        ASSERT_EQ(test::RunInChild([killAt] { CompactDatabase(1, nullptr, test::KillAt(killAt)); }),
                  test::ChildEnd::Killed);
        ExpectSoundMain();
        // The next run's attempt clears what the killed one left.
        EXPECT_TRUE(CompactDatabase(1));
        ExpectSoundMain();
    }
    for (int k = 1; k <= 3; ++k) {  // sync, rename, folder sync of the placing
        SCOPED_TRACE(k);
        ASSERT_EQ(test::RunInChild([k] {
                      test::KillAtFileStep fault(k);
                      CompactDatabase(1);
                  }),
                  test::ChildEnd::Killed);
        ExpectSoundMain();
        EXPECT_TRUE(CompactDatabase(1));
        ExpectSoundMain();
    }
    EXPECT_TRUE(boxes_.Shown().empty());
}

TEST_F(CompactionTest, DatabaseInUseFailsTheAttemptUntilItIsFree) {
    db::Connection::SetBusyTimeout(50);
    const QByteArray original = Bytes(main_);
    auto other = Open(main_);
    {
        db::Transaction writing(*other);
        other->Execute(QStringLiteral("INSERT INTO Filler (Text) VALUES ('open')"));
        EXPECT_FALSE(CompactDatabase(3));
        EXPECT_EQ(Bytes(main_), original);
        EXPECT_FALSE(QFileInfo::exists(CompactTargetPath()));
        EXPECT_TRUE(boxes_.Shown().empty());
        writing.Commit();
    }
    other->Close();
    EXPECT_TRUE(CompactDatabase(4));
    EXPECT_EQ(Open(main_)->Scalar(QStringLiteral("SELECT COUNT(*) FROM Filler")).ToInt64(), 1);
}

// A commit between the compacted copy and its rename would land in the file
// that the rename throws away; a connection opened on the old file must not
// commit into it afterwards either. Whatever reported a commit is there.
TEST_F(CompactionTest, NoCommitIsLostAroundTheReplacement) {
    db::Connection::SetBusyTimeout(50);
    auto other = Open(main_);
    int64_t during = -1, after = -1;
    bool committedDuring = false;
    ASSERT_TRUE(CompactDatabase(1, nullptr, [&](CompactionStep step) {
        if (step == CompactionStep::Check) committedDuring = CommitRow(*other, &during);
    }));
    const bool committedAfter = CommitRow(*other, &after);
    other->Close();

    auto conn = Open(main_);
    const auto present = [&](int64_t id) {
        return conn->Scalar(QStringLiteral("SELECT COUNT(*) FROM Filler WHERE ID=?"), {id}).ToInt64() == 1;
    };
    EXPECT_FALSE(committedDuring && !present(during));
    EXPECT_FALSE(committedAfter && !present(after));
    ExpectSoundMain();
}

// The writer helper: this test binary run again with only this test enabled.
// It commits numbered rows until the stop file appears, logging each number
// whose commit went through, and reopens its connection after any failure
// (a file moved away by the compaction refuses writes).
TEST(CompactionWriterHelper, DISABLED_CommitUntilStopped) {
    db::Connection::SetBusyTimeout(200);
    const QString path = qEnvironmentVariable("MOX_WRITER_DB");
    QFile log(qEnvironmentVariable("MOX_WRITER_LOG"));
    ASSERT_TRUE(log.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered));
    db::ConnectionPtr conn;
    while (!QFile::exists(qEnvironmentVariable("MOX_WRITER_STOP"))) {
        try {
            if (!conn) conn = Open(path);
        } catch (const db::DbError&) {
            continue;
        }
        int64_t id = 0;
        if (CommitRow(*conn, &id))
            log.write(QByteArray::number(static_cast<qlonglong>(id)) + '\n');
        else
            conn.reset();
        // A program that does other work between its commits, so that the
        // compaction's lock gets its turn.
        QThread::msleep(2);
    }
}

TEST_F(CompactionTest, AnotherProgramWritingMeanwhileLosesNothing) {
    const QString log = box_.File(QStringLiteral("committed.log"));
    const QString stop = box_.File(QStringLiteral("stop"));
    QProcess writer;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("MOX_WRITER_DB"), main_);
    env.insert(QStringLiteral("MOX_WRITER_LOG"), log);
    env.insert(QStringLiteral("MOX_WRITER_STOP"), stop);
    writer.setProcessEnvironment(env);
    writer.start(QCoreApplication::applicationFilePath(),
                 {QStringLiteral("--gtest_also_run_disabled_tests"),
                  QStringLiteral("--gtest_filter=CompactionWriterHelper.DISABLED_CommitUntilStopped")});
    ASSERT_TRUE(writer.waitForStarted());
    const auto committed = [&] { return Bytes(log).count('\n'); };
    while (committed() < 20 && writer.state() == QProcess::Running) QThread::msleep(1);

    // The attempt's wait after the copy passes for a moment, long enough for
    // the writer to try a few commits before the copy replaces the file.
    struct PacedClock : platform::FakeClock {
        void Wait(int milliseconds) override {
            FakeClock::Wait(milliseconds);
            QThread::msleep(20);
        }
    } paced;
    db::Connection::SetBusyTimeout(300);
    int compacted = 0;
    for (int16_t n = 1; n <= 10; ++n) {
        compacted += CompactDatabase(n) ? 1 : 0;
        const qsizetype seen = committed();  // the writer's turn between two ends of the program
        while (committed() < seen + 3 && writer.state() == QProcess::Running) QThread::msleep(1);
    }
    const qsizetype before = committed();
    while (committed() < before + 20 && writer.state() == QProcess::Running) QThread::msleep(1);
    box_.WriteText(QStringLiteral("stop"), "");
    ASSERT_TRUE(writer.waitForFinished(60000));
    EXPECT_EQ(writer.exitCode(), 0) << writer.readAllStandardOutput().toStdString();
    EXPECT_GT(compacted, 0);

    auto conn = Open(main_);
    std::set<int64_t> rows;
    auto rs = conn->OpenRecordset(QStringLiteral("SELECT ID FROM Filler"));
    for (; !rs->IsEOF(); rs->MoveNext()) rows.insert(rs->Field(0).ToInt64());
    const int64_t counter = conn->Scalar(QStringLiteral("SELECT ExamData FROM TNextAutoNumber WHERE ID=0")).ToInt64();
    // A counter that went back hands an identifier out twice, and the row
    // that took it again hides the one lost with it.
    std::set<int64_t> logged;
    int64_t lost = 0, twice = 0, highest = 0;
    for (const QByteArray& line : Bytes(log).split('\n')) {
        if (line.isEmpty()) continue;
        const int64_t id = line.toLongLong();
        lost += rows.count(id) == 0 ? 1 : 0;
        twice += logged.insert(id).second ? 0 : 1;
        highest = std::max(highest, id);
    }
    EXPECT_EQ(lost, 0);
    EXPECT_EQ(twice, 0);
    EXPECT_GT(counter, highest);
    EXPECT_EQ(rows.size(), logged.size());
    ExpectSoundMain();
}

TEST_F(CompactionTest, ReadOnlyMainFileStaysAsItIsAndTheCompactedFileKeepsItsModeWithoutOthers) {
    ::chmod(QFile::encodeName(main_).constData(), 0444);
    const QByteArray original = Bytes(main_);
    EXPECT_FALSE(CompactDatabase(9));
    EXPECT_TRUE(boxes_.Shown().empty());
    EXPECT_FALSE(CompactDatabase(10));
    ASSERT_EQ(boxes_.Shown().size(), 1u);
    EXPECT_TRUE(boxes_.Shown()[0].prompt.endsWith(QStringLiteral("アクセスが拒否されました。")));
    EXPECT_EQ(Bytes(main_), original);
    EXPECT_EQ(ModeOf(main_), 0444u);
    EXPECT_FALSE(QFileInfo::exists(CompactTargetPath()));

    // The compacted database keeps what its owner allowed, the group of two
    // accounts of the PC among it; it holds patient data, and others lose
    // what they could.
    constexpr gid_t kShared = 64243;
    const bool mayGiveGroup = ::geteuid() == 0;
    if (mayGiveGroup) ASSERT_EQ(::chown(QFile::encodeName(main_).constData(), static_cast<uid_t>(-1), kShared), 0);
    ::chmod(QFile::encodeName(main_).constData(), 0664);
    EXPECT_TRUE(CompactDatabase(1));
    EXPECT_NE(Bytes(main_), original);
    EXPECT_EQ(ModeOf(main_), 0660u);
    if (mayGiveGroup) EXPECT_EQ(QFileInfo(main_).groupId(), kShared) << "the group the accounts share";
}

// A complete leftover beside a missing main file is the user's database.
TEST_F(CompactionTest, LeftoverBesideAMissingMainFileIsPutInPlace) {
    ASSERT_TRUE(QFile::rename(main_, CompactTargetPath()));
    EXPECT_TRUE(CompactDatabase(1));
    ASSERT_EQ(boxes_.Shown().size(), 1u);
    EXPECT_EQ(boxes_.Shown()[0].caption, QStringLiteral("データベースの復元"));
    EXPECT_EQ(boxes_.Shown()[0].style, 48);
    EXPECT_TRUE(boxes_.Shown()[0].prompt.endsWith(main_));
    EXPECT_FALSE(QFileInfo::exists(CompactTargetPath()));
    ExpectSoundMain();
}

TEST_F(CompactionTest, LeftoverThatMayBeTheOnlyCopyIsNeverDeleted) {
    // Not a database: without the main file it is kept under a name of its
    // own, which neither this attempt nor the compaction of the database the
    // start then makes anew removes.
    QFile::remove(main_);
    box_.WriteText(QStringLiteral("VXCP.MDB"), QByteArray("half written"));
    EXPECT_FALSE(RecoverLeftoverCompaction());
    EXPECT_FALSE(CompactDatabase(1));
    ASSERT_TRUE(QFile::copy(test::TemplateDbPath(), main_));
    QFile::setPermissions(main_, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_TRUE(CompactDatabase(1));
    const QStringList kept = QDir(folder_).entryList({QStringLiteral("VXCP.MDB_*")}, QDir::Files);
    ASSERT_EQ(kept.size(), 1);
    EXPECT_EQ(Bytes(folder_ + "/" + kept[0]), QByteArray("half written"));
    QFile::remove(main_);
    // An empty file opens as an empty database: it holds no patient table.
    box_.WriteText(QStringLiteral("VXCP.MDB"), QByteArray());
    EXPECT_FALSE(RecoverLeftoverCompaction());
    EXPECT_EQ(QDir(folder_).entryList({QStringLiteral("VXCP.MDB_*")}, QDir::Files).size(), 2);
    EXPECT_FALSE(QFileInfo::exists(main_));
    EXPECT_TRUE(boxes_.Shown().empty());
}

// A copy an attempt made just before it was killed is finished by the next
// exit only while it is a copy of the very file in place. A restore in
// between (here the empty template put in the main file's place, the way a
// restore renames its file there) leaves it a copy of nothing in place: it
// goes, and the restored database is compacted.
TEST_F(CompactionTest, CopyOfAKilledAttemptIsFinishedOnlyForTheVeryFileInPlace) {
    const auto killBeforeRename = [this] {
        int renameAt = 0;
        {
            platform::FileStepFault counter;
            ASSERT_TRUE(CompactDatabase(1));
            renameAt =
                static_cast<int>(std::find(counter.Steps().begin(), counter.Steps().end(), platform::FileStep::Rename) -
                                 counter.Steps().begin()) +
                1;
        }
        UseFolder(folder_);
        ASSERT_EQ(test::RunInChild([renameAt] {
                      test::KillAtFileStep fault(renameAt);
                      CompactDatabase(1);
                  }),
                  test::ChildEnd::Killed);
        ASSERT_TRUE(QFileInfo::exists(CompactTargetPath()));
    };
    killBeforeRename();
    int vacuums = 0;
    const CompactionStepHook countVacuums = [&](CompactionStep step) {
        vacuums += step == CompactionStep::Compact ? 1 : 0;
    };
    const qint64 before = QFileInfo(main_).size();
    EXPECT_TRUE(CompactDatabase(1, nullptr, countVacuums));
    EXPECT_EQ(vacuums, 0);
    EXPECT_LT(QFileInfo(main_).size(), before);
    ExpectSoundMain();

    killBeforeRename();
    vacuums = 0;
    const QString restored = box_.File(QStringLiteral(".restored"));
    ASSERT_TRUE(QFile::copy(test::TemplateDbPath(), restored));
    ASSERT_EQ(::rename(QFile::encodeName(restored).constData(), QFile::encodeName(main_).constData()), 0);
    EXPECT_TRUE(CompactDatabase(1, nullptr, countVacuums));
    EXPECT_EQ(vacuums, 1);
    EXPECT_TRUE(boxes_.Shown().empty());
    EXPECT_FALSE(QFileInfo::exists(CompactTargetPath()));
    auto conn = Open(main_);
    EXPECT_FALSE(conn->TableExists(QStringLiteral("Filler")));
    conn->Close();
}

TEST_F(CompactionTest, LeftoverThatCannotBeRemovedShowsNoBoxBeforeTheTenthAttempt) {
    box_.WriteText(QStringLiteral("VXCP.MDB"), QByteArray("stale"));
    const QByteArray leftover = QFile::encodeName(CompactTargetPath());
    const int fd = ::open(leftover.constData(), O_RDONLY);
    int flags = 0;
    const bool immutable = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 &&
                           (flags |= FS_IMMUTABLE_FL, ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0);
    if (!immutable) {
        if (fd >= 0) ::close(fd);
        GTEST_SKIP() << "the file system cannot make a file undeletable here";
    }
    for (int16_t n = 1; n <= 9; ++n) EXPECT_FALSE(CompactDatabase(n));
    EXPECT_TRUE(boxes_.Shown().empty());
    EXPECT_FALSE(CompactDatabase(10));
    EXPECT_EQ(boxes_.Shown().size(), 1u);
    flags &= ~FS_IMMUTABLE_FL;
    ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
    ::close(fd);
    ExpectSoundMain();
}

}  // namespace
}  // namespace mox
