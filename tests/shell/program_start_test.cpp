// The start every program shares, driven as the converter will drive it:
// its own lock, back colour and splash texts around the shared steps.

#include "shell/program_start.h"
#include "core/compaction.h"
#include "core/connections.h"
#include "core/settings.h"
#include "platform/atomic_file.h"
#include "platform/clock.h"
#include "platform/db/database.h"
#include "platform/instance_lock.h"
#include "platform/message_box.h"
#include "platform/staging_name.h"
#include "shell/splash.h"
#include "shell/timing.h"
#include "tests/support/kill_at.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPointer>
#include <QTest>
#include <functional>
#include <utility>

namespace mox {
namespace {

constexpr uint32_t kConverterBackColor = 0xD5E5A5;  // RGB(165, 229, 213)

class ProgramStartTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetAllSlots();
        G() = Settings{};
        G().ProgramDir = box_.Path();
        G().SetMainDatabase(MainPath());
        ASSERT_TRUE(QFile::copy(test::TemplateDbPath(), box_.File(QStringLiteral("VXMOX2_ORG.MDB"))));
        SetInstantWaits(true);
        clock_.SetNow(QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9)));
    }
    void TearDown() override {
        delete mainWindow_;
        SetInstantWaits(false);
        ResetAllSlots();
    }
    QString MainPath() const { return box_.File(QStringLiteral("VXMOX2.MDB")); }

    ProgramStart Converter() {
        ProgramStart start;
        start.lockName = QStringLiteral("MOXConvert");
        start.formBackColor = kConverterBackColor;
        start.splash = {QStringLiteral("MOXConvert"), QStringLiteral("ミラド協会 専門医・認定医・認定歯科衛生士"),
                        QStringLiteral("データコンバート"), QStringLiteral("Ver.4.00")};
        start.prepare = [this] {
            // The program's own steps see the accepted database.
            preparedWithDatabase_ = QFile::exists(MainPath());
            ++prepared_;
            return prepareResult_;
        };
        start.makeMainWindow = [this] {
            mainWindow_ = new QWidget();
            return mainWindow_.data();
        };
        return start;
    }

    static PFrmSplash* Splash() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* splash = qobject_cast<PFrmSplash*>(w); splash && splash->isVisible()) return splash;
        return nullptr;
    }

    test::Sandbox box_;
    platform::ScriptedMsgBoxes boxes_;
    platform::FakeClock clock_;
    int prepared_ = 0;
    bool preparedWithDatabase_ = false;
    int prepareResult_ = kStarted;
    QPointer<QWidget> mainWindow_;
};

TEST_F(ProgramStartTest, FreshFolderGetsItsDatabaseThenTheProgramsStepsThenItsSplashAndWindow) {
    ASSERT_EQ(StartProgram(Converter()), kStarted);

    ASSERT_TRUE(QFile::exists(MainPath()));
    EXPECT_EQ(QFile::permissions(MainPath()) & 0x0077, 0);
    EXPECT_EQ(clock_.TotalWaited(), 2000);
    EXPECT_EQ(prepared_, 1);
    EXPECT_TRUE(preparedWithDatabase_);
    EXPECT_TRUE(boxes_.Shown().empty());
    EXPECT_TRUE(QFile::exists(box_.File(QStringLiteral(".MOXConvert.lock"))));

    EXPECT_EQ(G().FormBackColor, kConverterBackColor);
    PFrmSplash* splash = Splash();
    ASSERT_NE(splash, nullptr);
    EXPECT_EQ(splash->LblTitle1->text(), QStringLiteral("ミラド協会 専門医・認定医・認定歯科衛生士"));
    EXPECT_EQ(splash->LblTitle2->text(), QStringLiteral("データコンバート"));
    EXPECT_EQ(splash->LblVersion->text(), QStringLiteral("Ver.4.00"));
    EXPECT_EQ(splash->palette().color(QPalette::Window), QColor(165, 229, 213));

    QTRY_VERIFY(mainWindow_ && mainWindow_->isVisible());
    EXPECT_EQ(Splash(), nullptr);

    // A database that is there is used as it is: no copy, no wait.
    const QByteArray before = [&] {
        QFile f(MainPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    delete mainWindow_;
    ASSERT_EQ(StartProgram(Converter()), kStarted);
    EXPECT_EQ(clock_.TotalWaited(), 2000);
    QTRY_VERIFY(mainWindow_ && mainWindow_->isVisible());
    QFile f(MainPath());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
}

TEST_F(ProgramStartTest, RefusalsStopBeforeTheProgramsOwnSteps) {
    {
        platform::InstanceLock running(box_.Path(), QStringLiteral("MOXConvert"));
        ASSERT_TRUE(running.TryAcquire());
        EXPECT_EQ(StartProgram(Converter()), kSecondInstance);
        ASSERT_EQ(boxes_.Shown().size(), 1u);
        EXPECT_EQ(boxes_.Shown()[0].caption, QStringLiteral("２重起動"));
        EXPECT_FALSE(QFile::exists(MainPath()));
    }

    ASSERT_TRUE(QFile::copy(test::TemplateDbPath(), MainPath()));
    db::Connection::Open(G().MainDbSource())
        ->Execute(QStringLiteral("UPDATE TVersion SET Major=?, Minor=?, Revision=? WHERE ID=1"), {0, 0, 5});
    boxes_.Clear();
    EXPECT_EQ(StartProgram(Converter()), kVersionRefused);
    ASSERT_EQ(boxes_.Shown().size(), 1u);
    EXPECT_EQ(boxes_.Shown()[0].caption, QStringLiteral("バージョンエラー"));
    EXPECT_EQ(prepared_, 0);

    // The program's own steps may stop the start too: no splash follows.
    db::Connection::Open(G().MainDbSource())
        ->Execute(QStringLiteral("UPDATE TVersion SET Major=?, Minor=?, Revision=? WHERE ID=1"), {1, 0, 1});
    prepareResult_ = kStartupFailed;
    EXPECT_EQ(StartProgram(Converter()), kStartupFailed);
    EXPECT_EQ(prepared_, 1);
    EXPECT_EQ(Splash(), nullptr);
}

// The main program and the converter write the same database: each refuses
// to start while the other runs, before it touches the database, and gives
// its own lock back so that it can be started once the other has ended.
TEST_F(ProgramStartTest, MainProgramAndConverterNeverRunTogether) {
    ProgramStart vxmox = Converter();
    vxmox.lockName = QStringLiteral("VXMOX");
    {
        platform::InstanceLock running(box_.Path(), QStringLiteral("VXMOX"));
        ASSERT_TRUE(running.TryAcquire());
        EXPECT_EQ(StartProgram(Converter()), kSecondInstance);
        ASSERT_EQ(boxes_.Shown().size(), 1u);
        EXPECT_EQ(boxes_.Shown()[0].caption, QStringLiteral("同時起動"));
        EXPECT_EQ(boxes_.Shown()[0].style, 16);
        EXPECT_TRUE(boxes_.Shown()[0].prompt.startsWith(QStringLiteral("MOX-Chartが起動しています。")))
            << boxes_.Shown()[0].prompt.toStdString();
        EXPECT_FALSE(QFile::exists(MainPath()));
        EXPECT_EQ(prepared_, 0);
    }
    {
        platform::InstanceLock running(box_.Path(), QStringLiteral("MOXConvert"));
        ASSERT_TRUE(running.TryAcquire());
        boxes_.Clear();
        EXPECT_EQ(StartProgram(vxmox), kSecondInstance);
        ASSERT_EQ(boxes_.Shown().size(), 1u);
        EXPECT_TRUE(boxes_.Shown()[0].prompt.startsWith(QStringLiteral("データコンバートが起動しています。")));
        EXPECT_FALSE(QFile::exists(MainPath()));
    }

    // With the converter ended, the main program starts, and holds the
    // converter off while it runs.
    boxes_.Clear();
    ASSERT_EQ(StartProgram(vxmox), kStarted);
    EXPECT_TRUE(boxes_.Shown().empty());
    EXPECT_FALSE(QFile::exists(box_.File(QStringLiteral(".MOXConvert.lock"))));
    platform::InstanceLock converter(box_.Path(), QStringLiteral("MOXConvert"));
    ASSERT_TRUE(converter.TryAcquire());
    platform::InstanceLock vxmoxAgain(box_.Path(), QStringLiteral("VXMOX"));
    EXPECT_FALSE(vxmoxAgain.TryAcquire());
    QTRY_VERIFY(mainWindow_ != nullptr);
}

// A clock whose next wait runs a step of the test first.
class SteppingClock : public platform::FakeClock {
public:
    void Wait(int milliseconds) override {
        if (auto step = std::exchange(onNextWait, {})) step();
        FakeClock::Wait(milliseconds);
    }
    std::function<void()> onNextWait;
};

// A lock held for a moment only (by a program that is itself refusing, or
// ending) does not refuse a start: the start looks again. A lock that stays
// held refuses it after about a second, naming the program that holds it.
TEST_F(ProgramStartTest, StartLooksAgainBeforeRefusingAndNamesTheProgramThatHoldsTheLock) {
    SteppingClock clock;
    ProgramStart vxmox = Converter();
    vxmox.lockName = QStringLiteral("VXMOX");
    {
        // The converter runs: the main program is refused for it, not as a
        // second instance of itself, and leaves no lock of its own.
        platform::InstanceLock converter(box_.Path(), QStringLiteral("MOXConvert"));
        ASSERT_TRUE(converter.TryAcquire());
        EXPECT_EQ(StartProgram(vxmox), kSecondInstance);
        ASSERT_EQ(boxes_.Shown().size(), 1u);
        EXPECT_EQ(boxes_.Shown()[0].caption, QStringLiteral("同時起動"));
        EXPECT_GE(clock.TotalWaited(), 1000);
        EXPECT_FALSE(platform::InstanceLock::IsHeld(box_.Path(), QStringLiteral("VXMOX")));
        EXPECT_FALSE(QFile::exists(box_.File(QStringLiteral(".VXMOX.lock"))));
    }

    boxes_.Clear();
    auto ending = std::make_unique<platform::InstanceLock>(box_.Path(), QStringLiteral("VXMOX"));
    ASSERT_TRUE(ending->TryAcquire());
    clock.onNextWait = [&ending] { ending.reset(); };
    ASSERT_EQ(StartProgram(Converter()), kStarted);
    EXPECT_TRUE(boxes_.Shown().empty());
    EXPECT_EQ(ending, nullptr);
    QTRY_VERIFY(mainWindow_ != nullptr);
}

// What killed runs leave: the journal of a restore's staged copy, that of
// a compaction copy that ran out of room, an earlier release's work files,
// the journal a letter-case take-over left under the old name, and a safety
// copy that is still the database itself under a second name (a restore
// killed between its link and its rename), which would follow every later
// save. The next start clears them, and nothing else: an earlier release's
// names carry no mark, so only a database of this system older than the
// main database is taken for one of its work files; a user's file under a
// name like theirs stays.
TEST_F(ProgramStartTest, LeftoversOfKilledRunsAreClearedAndASecondNameOfTheDatabaseBecomesACopy) {
    ASSERT_TRUE(QFile::copy(test::TemplateDbPath(), MainPath()));
    ::chmod(QFile::encodeName(MainPath()).constData(), 0664);
    const QString safety = box_.File(QStringLiteral("VXMOX2_20240506_0700.MDB"));
    ASSERT_EQ(::link(QFile::encodeName(MainPath()).constData(), QFile::encodeName(safety).constData()), 0);
    ASSERT_EQ(test::RunInChild([&] {
                  QFile journal(
                      box_.File(platform::StagedFileName(QStringLiteral("VXMOX2.MDB")) + QStringLiteral("-journal")));
                  EXPECT_TRUE(journal.open(QIODevice::WriteOnly));
              }),
              test::ChildEnd::RanThrough);
    box_.WriteText(QStringLiteral("VXCP.MDB-journal"), "journal of a copy that ran out of room");
    box_.WriteText(QStringLiteral("vxmox2.mdb-journal"), "journal of a file taken over under another case");
    const QDateTime earlier(QDate(2024, 5, 1), QTime(9, 0));
    const auto earlierDatabase = [&](const QString& name) {
        box_.CopyTemplate(name);
        QFile file(box_.File(name));
        EXPECT_TRUE(file.open(QIODevice::ReadWrite) && file.setFileTime(earlier, QFileDevice::FileModificationTime));
    };
    const QStringList earlierWork = {QStringLiteral("VXCV.MDB"), QStringLiteral(".VXMOX2.MDB.new"),
                                     QStringLiteral("..VXMOX2.MDB.new.part-Ab12Cd")};
    for (const QString& name : earlierWork) earlierDatabase(name);
    box_.WriteText(QStringLiteral("VXCV.MDB-journal"), "its journal");
    const QStringList users = {QStringLiteral("vxcv.mdb"), QStringLiteral(".カルテ控え.mdb.new"),
                               QStringLiteral("..Backup.MDB.part-abc123"), QStringLiteral(".notes.txt.part-Ab12Cd"),
                               QStringLiteral(".clinic.mdb.new-journal")};
    earlierDatabase(users[0]);
    for (const QString& name : users.mid(1)) box_.WriteText(name, "the user's");
    const QByteArray database = [&] {
        QFile f(MainPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();

    ASSERT_EQ(StartProgram(Converter()), kStarted);
    QStringList left = QDir(box_.Path()).entryList(QDir::Files | QDir::Hidden);
    for (const QString& name : users) EXPECT_TRUE(left.removeOne(name)) << name.toStdString();
    const QStringList takenOver = left.filter(QStringLiteral("vxmox2.mdb-journal_20240506_0708"));
    ASSERT_EQ(takenOver.size(), 1) << left.join(u' ').toStdString();
    left.removeOne(takenOver[0]);
    EXPECT_EQ(left, (QStringList{QStringLiteral(".MOXConvert.lock"), QStringLiteral("VXMOX2.MDB"),
                                 QStringLiteral("VXMOX2_20240506_0700.MDB"), QStringLiteral("VXMOX2_ORG.MDB")}));
    QFile aside(box_.File(takenOver[0]));
    ASSERT_TRUE(aside.open(QIODevice::ReadOnly));
    EXPECT_EQ(aside.readAll(), QByteArray("journal of a file taken over under another case"));
    struct stat main {
    }, kept{};
    ASSERT_EQ(::stat(QFile::encodeName(MainPath()).constData(), &main), 0);
    ASSERT_EQ(::stat(QFile::encodeName(safety).constData(), &kept), 0);
    EXPECT_NE(main.st_ino, kept.st_ino);
    QFile f(safety);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), database);
    EXPECT_EQ(kept.st_mode & 07777, 0660u) << "the copy replaced a name of the file: its mode, none for others";
    EXPECT_EQ(main.st_mode & 07777, 0664u);
    QTRY_VERIFY(mainWindow_ != nullptr);
}

// The journal and the log of a database that is gone would be rolled into
// the template's copy that takes its name: what they hold is kept under a
// dated name no engine reads, and the new database is the template's.
TEST_F(ProgramStartTest, JournalOfAMissingDatabaseIsKeptUnderADatedNameThatNeverReplacesAnother) {
    const QString journal = MainPath() + QStringLiteral("-journal");
    const QString dated = journal + QStringLiteral("_20240506_070809");
    box_.WriteText(QStringLiteral("VXMOX2.MDB-journal_20240506_070809"), "earlier");
    box_.WriteText(QStringLiteral("VXMOX2.MDB-journal"), "leftover");
    // Another database's log, of pages this file's size and kind.
    const QString other = box_.CopyTemplate(QStringLiteral("other.MDB"));
    {
        sqlite3* raw = nullptr;
        ASSERT_EQ(sqlite3_open(QFile::encodeName(other).constData(), &raw), SQLITE_OK);
        sqlite3_db_config(raw, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
        sqlite3_exec(raw,
                     "PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0; DELETE FROM TExamData; "
                     "UPDATE TPatient SET Name='another clinic';",
                     nullptr, nullptr, nullptr);
        sqlite3_close(raw);
    }
    ASSERT_TRUE(QFile::rename(other + QStringLiteral("-wal"), MainPath() + QStringLiteral("-wal")));
    ASSERT_TRUE(QFile::rename(other + QStringLiteral("-shm"), MainPath() + QStringLiteral("-shm")));

    ASSERT_EQ(StartProgram(Converter()), kStarted);
    EXPECT_TRUE(boxes_.Shown().empty());
    EXPECT_FALSE(QFile::exists(journal));
    EXPECT_FALSE(QFile::exists(MainPath() + QStringLiteral("-shm")));
    EXPECT_TRUE(QFile::exists(MainPath() + QStringLiteral("-wal_20240506_070809")));
    {
        auto conn = db::Connection::Open(G().MainDbSource());
        EXPECT_EQ(conn->Scalar(QStringLiteral("PRAGMA integrity_check")).ToText(), QStringLiteral("ok"));
        EXPECT_EQ(conn->Scalar(QStringLiteral("SELECT count(*) FROM TPatient WHERE Name='another clinic'")).ToInt64(),
                  0);
        conn->Close();
    }
    QFile earlier(dated);
    ASSERT_TRUE(earlier.open(QIODevice::ReadOnly));
    EXPECT_EQ(earlier.readAll(), QByteArray("earlier"));
    QFile kept(dated + QStringLiteral("_2"));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("leftover"));
    QTRY_VERIFY(mainWindow_ != nullptr);

    // Beside a database that exists, the journal is that database's own and
    // is left for the engine.
    delete mainWindow_;
    ResetAllSlots();
    box_.WriteText(QStringLiteral("VXMOX2.MDB-journal"), "");
    ASSERT_EQ(StartProgram(Converter()), kStarted);
    EXPECT_FALSE(QFile::exists(dated + QStringLiteral("_3")));
}

// The converter starts through the same steps: a database copied under
// another letter case is the main database, before a leftover compaction
// target is taken for it, which in a folder without either still is.
TEST_F(ProgramStartTest, DatabaseUnderAnotherCaseComesBeforeALeftoverCompactionTarget) {
    const auto clinic = [](const QString& path, int patient) {
        EXPECT_TRUE(QFile::copy(test::TemplateDbPath(), path));
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        db::Connection::Open(db::DataSourcePart(path))
            ->Execute(QStringLiteral("INSERT INTO TPatient (ID) VALUES (?)"), {patient});
    };
    const auto patients = [this] {
        return db::Connection::Open(G().MainDbSource())
            ->Scalar(QStringLiteral("SELECT group_concat(ID) FROM TPatient WHERE ID<30"))
            .ToText();
    };
    clinic(box_.File(QStringLiteral("vxmox2.MDB")), 5);
    // As a memory stick gives it: readable by all.
    QFile::setPermissions(box_.File(QStringLiteral("vxmox2.MDB")), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                                       QFileDevice::ReadGroup | QFileDevice::ReadOther);
    clinic(CompactTargetPath(), 6);
    ASSERT_EQ(StartProgram(Converter()), kStarted);
    ASSERT_EQ(boxes_.Shown().size(), 1u);
    EXPECT_EQ(boxes_.Shown()[0].caption, QStringLiteral("データベース"));
    EXPECT_EQ(patients(), QStringLiteral("5"));
    EXPECT_FALSE(QFile::exists(box_.File(QStringLiteral("vxmox2.MDB"))));
    EXPECT_EQ(QFile::permissions(MainPath()) & 0x0777, 0x0640) << "the file's mode, with no access for others";
    EXPECT_TRUE(QFile::exists(CompactTargetPath()));
    EXPECT_EQ(clock_.TotalWaited(), 0) << "no template was copied";
    QTRY_VERIFY(mainWindow_ != nullptr);

    delete mainWindow_;
    ResetAllSlots();
    boxes_.Clear();
    QFile::remove(MainPath());
    ASSERT_EQ(StartProgram(Converter()), kStarted);
    ASSERT_EQ(boxes_.Shown().size(), 1u);
    EXPECT_EQ(boxes_.Shown()[0].caption, QStringLiteral("データベースの復元"));
    EXPECT_EQ(patients(), QStringLiteral("6"));
    QTRY_VERIFY(mainWindow_ != nullptr);
}

// A database copied under another letter case with the journal of a write
// that was cut off is half written: it becomes the database only once the
// journal is rolled back. A journal that cannot be (an I/O error, another
// account's file) leaves both files as they are, and the user is told why and
// what to do, as the same journal beside VXMOX2.MDB stops the start.
TEST_F(ProgramStartTest, DatabaseUnderAnotherCaseIsTakenOverOnlyOnceItsCutOffWriteIsUndone) {
    const QString variant = box_.CopyTemplate(QStringLiteral("vxmox2.mdb"));
    const QString journal = variant + QStringLiteral("-journal");
    const auto names = [](const QString& path) {
        auto conn = db::Connection::Open(db::DataSourcePart(path));
        const QString all = conn->Scalar(QStringLiteral("SELECT group_concat(Name) FROM TPatient")).ToText() + u'/' +
                            conn->Scalar(QStringLiteral("PRAGMA integrity_check")).ToText();
        conn->Close();
        return all;
    };
    const QString before = names(variant);
    ASSERT_EQ(test::RunInChild([&] {
                  sqlite3* raw = nullptr;
                  sqlite3_open(QFile::encodeName(variant).constData(), &raw);
                  sqlite3_exec(
                      raw,
                      "PRAGMA cache_size=2; BEGIN; UPDATE TPatient SET Name='cut off'; CREATE TABLE Filler(x);"
                      "INSERT INTO Filler SELECT randomblob(4000) FROM (WITH RECURSIVE n(i) AS (SELECT 1 UNION "
                      "ALL SELECT i+1 FROM n WHERE i<200) SELECT i FROM n);",
                      nullptr, nullptr, nullptr);
                  test::KillThisProcess();
              }),
              test::ChildEnd::Killed);
    ASSERT_TRUE(QFile::exists(journal));
    const auto bytes = [](const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    const QByteArray halfWritten = bytes(variant);
    const QByteArray undo = bytes(journal);

    // The journal cannot be read.
    ASSERT_TRUE(QFile::rename(journal, box_.File(QStringLiteral("undo"))));
    ASSERT_TRUE(QDir().mkdir(journal));
    EXPECT_EQ(StartProgram(Converter()), kStartupFailed);
    ASSERT_EQ(boxes_.Shown().size(), 1u);
    EXPECT_EQ(boxes_.Shown()[0].caption, QStringLiteral("エラー"));
    EXPECT_TRUE(boxes_.Shown()[0].prompt.contains(QStringLiteral("vxmox2.mdb-journal")))
        << boxes_.Shown()[0].prompt.toStdString();
    EXPECT_TRUE(boxes_.Shown()[0].prompt.contains(QStringLiteral("もう一度起動してください")));
    EXPECT_FALSE(QFile::exists(MainPath()));
    EXPECT_EQ(bytes(variant), halfWritten);
    EXPECT_TRUE(QFileInfo(journal).isDir());
    EXPECT_EQ(prepared_, 0);
    const QString logged = QString::fromUtf8(bytes(box_.File(QStringLiteral("Log_MOX.txt"))));
    EXPECT_TRUE(logged.contains(journal) && logged.contains(QStringLiteral("名前の変更は中止")))
        << logged.toStdString();

    // Readable again, it is rolled back first.
    ASSERT_TRUE(QDir().rmdir(journal));
    ASSERT_TRUE(QFile::rename(box_.File(QStringLiteral("undo")), journal));
    ASSERT_EQ(bytes(journal), undo);
    boxes_.Clear();
    ASSERT_EQ(StartProgram(Converter()), kStarted);
    EXPECT_FALSE(QFile::exists(variant));
    EXPECT_EQ(QDir(box_.Path()).entryList({QStringLiteral("*journal*")}, QDir::Files | QDir::Hidden | QDir::Dirs),
              QStringList());
    EXPECT_EQ(names(MainPath()), before);
    QTRY_VERIFY(mainWindow_ != nullptr);

    // A file that keeps a write-ahead log whose log cannot be read: the box
    // names the log, not a journal that is not there.
    delete mainWindow_;
    ResetAllSlots();
    boxes_.Clear();
    ASSERT_TRUE(QFile::rename(MainPath(), variant));
    {
        sqlite3* raw = nullptr;
        ASSERT_EQ(sqlite3_open(QFile::encodeName(variant).constData(), &raw), SQLITE_OK);
        sqlite3_exec(raw, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
        sqlite3_close(raw);
    }
    ASSERT_TRUE(QDir().mkdir(variant + QStringLiteral("-wal")));
    EXPECT_EQ(StartProgram(Converter()), kStartupFailed);
    ASSERT_EQ(boxes_.Shown().size(), 1u);
    EXPECT_TRUE(boxes_.Shown()[0].prompt.contains(QStringLiteral("(vxmox2.mdb-wal)")) &&
                !boxes_.Shown()[0].prompt.contains(QStringLiteral("-journal")))
        << boxes_.Shown()[0].prompt.toStdString();
    EXPECT_TRUE(QFile::exists(variant));
    EXPECT_FALSE(QFile::exists(MainPath()));
}

// A file under another letter case that another program changed (here a
// trigger that deletes examinations) is not this system's database: it stays
// where it is and the start stops naming the difference.
TEST_F(ProgramStartTest, DatabaseUnderAnotherCaseOfAnotherLayoutIsLeftAsItIs) {
    const QString variant = box_.CopyTemplate(QStringLiteral("vxmox2.mdb"));
    db::Connection::Open(db::DataSourcePart(variant))
        ->Execute(QStringLiteral("CREATE TRIGGER Purge AFTER INSERT ON TExamData BEGIN "
                                 "DELETE FROM TExamData WHERE PatientID<=10; END"));
    EXPECT_EQ(StartProgram(Converter()), kStartupFailed);
    ASSERT_EQ(boxes_.Shown().size(), 1u);
    EXPECT_TRUE(boxes_.Shown()[0].prompt.contains(QStringLiteral("Purge"))) << boxes_.Shown()[0].prompt.toStdString();
    EXPECT_TRUE(QFile::exists(variant));
    EXPECT_FALSE(QFile::exists(MainPath()));
    EXPECT_EQ(prepared_, 0);
}

// A copy of the template that cannot be made is not left for the next start
// to take as the database: the start stops with its error box. The copy is
// owner-only from its first byte.
TEST_F(ProgramStartTest, TemplateCopyThatCannotBeMadeStopsTheStart) {
    platform::FileStepFault refused(1, EACCES);
    EXPECT_EQ(StartProgram(Converter()), kStartupFailed);
    ASSERT_EQ(boxes_.Shown().size(), 1u);
    EXPECT_EQ(boxes_.Shown()[0].caption, QStringLiteral("エラー"));
    EXPECT_EQ(boxes_.Shown()[0].style, 16);
    EXPECT_TRUE(boxes_.Shown()[0].prompt.startsWith(
        QStringLiteral("データベース(VXMOX2.MDB)をテンプレートから作成できませんでした。\r\n\r\n") + MainPath() +
        QStringLiteral("\r\n<13> ")))
        << boxes_.Shown()[0].prompt.toStdString();
    EXPECT_TRUE(boxes_.Shown()[0].prompt.endsWith(QStringLiteral("\r\n\r\nプログラムを終了します。")));
    EXPECT_FALSE(QFile::exists(MainPath()));
    EXPECT_EQ(prepared_, 0);
}

}  // namespace
}  // namespace mox
