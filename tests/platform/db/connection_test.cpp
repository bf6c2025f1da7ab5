#include "platform/db/database.h"
#include "platform/db/sqlite_file.h"
#include "platform/message_box.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <thread>

using namespace mox::db;

namespace {

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

DbError OpenError(const QString& connectionString) {
    try {
        Connection::Open(connectionString);
    } catch (const DbError& e) {
        return e;
    }
    return DbError(0, QString());
}

TEST(DbConnectionInfoTest, ParsesTheJetString) {
    const auto info = ConnectionInfo::Parse(QStringLiteral(
        "Provider=Microsoft.Jet.OLEDB.4.0;Jet OLEDB:Database Password=RKTWQMB;Data Source=/opt/mox/VXMOX2.MDB"));
    EXPECT_EQ(info.provider, QStringLiteral("Microsoft.Jet.OLEDB.4.0"));
    EXPECT_EQ(info.password, QStringLiteral("RKTWQMB"));
    EXPECT_EQ(info.dataSource, QStringLiteral("/opt/mox/VXMOX2.MDB"));
    EXPECT_TRUE(info.IsFile());
    EXPECT_TRUE(ConnectionInfo::Parse(QStringLiteral("Data Source=/x.db")).IsFile());
}

TEST(DbConnectionInfoTest, ParsesTheSqlServerString) {
    const auto info = ConnectionInfo::Parse(QStringLiteral(
        "Provider=SQLOLEDB.1;Initial Catalog=HLX_PRP;User ID=hlxuser;Password=kvt4826qa;Data Source=server\\HLX;"));
    EXPECT_EQ(info.provider, QStringLiteral("SQLOLEDB.1"));
    EXPECT_EQ(info.catalog, QStringLiteral("HLX_PRP"));
    EXPECT_EQ(info.userId, QStringLiteral("hlxuser"));
    EXPECT_EQ(info.password, QStringLiteral("kvt4826qa"));
    EXPECT_EQ(info.dataSource, QStringLiteral("server\\HLX"));
    EXPECT_FALSE(info.IsFile());
}

TEST(DbConnectionInfoTest, QuotedValuesAndOdbcDrivers) {
    const auto info =
        ConnectionInfo::Parse(QStringLiteral(" driver = {SQLite3} ; Data Source=\"/a;b/c.db\"; Password='it''s'"));
    EXPECT_EQ(info.driver, QStringLiteral("SQLite3"));
    EXPECT_EQ(info.dataSource, QStringLiteral("/a;b/c.db"));
    EXPECT_EQ(info.password, QStringLiteral("it's"));
    EXPECT_FALSE(info.IsFile());
}

TEST(DbConnectionInfoTest, DataSourcePartCarriesAnyFileNameThroughTheParser) {
    const QString jet = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Jet OLEDB:Database Password=RKTWQMB;");
    for (const QString& path :
         {QStringLiteral("/opt/mox/VXMOX2.MDB"), QStringLiteral("/clinic;2/VXMOX2.MDB"),
          QStringLiteral("/x;Provider=SQLOLEDB.1;y/VXMOX2.MDB"), QStringLiteral("/it's \"ours\"/{d}/x.MDB"),
          QStringLiteral("/a=b/x.MDB"), QStringLiteral(" /lead/x.MDB "), QStringLiteral("\"/q\""),
          QStringLiteral("{/b}"), QStringLiteral("'/s'")}) {
        const auto info = ConnectionInfo::Parse(jet + DataSourcePart(path));
        EXPECT_EQ(info.dataSource, path);
        EXPECT_EQ(info.provider, QStringLiteral("Microsoft.Jet.OLEDB.4.0")) << path.toStdString();
        EXPECT_EQ(info.password, QStringLiteral("RKTWQMB"));
    }
    // Ordinary paths keep the plain form of the system's own strings.
    EXPECT_EQ(DataSourcePart(QStringLiteral("/opt/mox/VXMOX2.MDB")), QStringLiteral("Data Source=/opt/mox/VXMOX2.MDB"));
}

class DbOpenTest : public ::testing::Test {
protected:
    mox::test::Sandbox box_;
};

TEST_F(DbOpenTest, MissingFileFailsAndIsNotCreated) {
    const QString path = box_.File(QStringLiteral("VXMOX2.MDB"));
    const DbError e = OpenError(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + path);
    EXPECT_EQ(e.Number(), kErrCannotOpen);
    EXPECT_TRUE(e.Description().contains(QStringLiteral("見つかりません")));
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_EQ(OpenError(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;")).Number(), kErrCannotOpen);
}

TEST_F(DbOpenTest, ForeignFilesAndFoldersFailUntouched) {
    box_.WriteText(QStringLiteral("notes.mdb"), QByteArray("これはデータベースではありません\r\n").repeated(20));
    box_.WriteText(QStringLiteral("empty.mdb"), QByteArray());
    for (const QString& name : {QStringLiteral("notes.mdb"), QStringLiteral("empty.mdb")}) {
        const QString path = box_.File(name);
        const QByteArray before = ReadAll(path);
        const DbError e = OpenError(QStringLiteral("Data Source=") + path);
        EXPECT_EQ(e.Number(), kErrCannotOpen) << name.toStdString();
        EXPECT_TRUE(e.Description().contains(path));
        EXPECT_EQ(ReadAll(path), before);
        EXPECT_THROW(Connection::CreateFile(path), DbError);
        EXPECT_EQ(ReadAll(path), before);
    }
    QDir(box_.Path()).mkdir(QStringLiteral("folder.mdb"));
    EXPECT_EQ(OpenError(QStringLiteral("Data Source=") + box_.File(QStringLiteral("folder.mdb"))).Number(),
              kErrCannotOpen);
    EXPECT_TRUE(
        QDir(box_.Path()).entryList({QStringLiteral("*-journal"), QStringLiteral("*-wal")}, QDir::Files).isEmpty());
}

TEST_F(DbOpenTest, PipesAndDevicesAreRefusedWithoutBlocking) {
    const QString fifo = box_.File(QStringLiteral("VXMOX2.MDB"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString& path : {fifo, QStringLiteral("/dev/null")}) {
        const DbError e = OpenError(DataSourcePart(path));
        EXPECT_EQ(e.Number(), kErrCannotOpen);
        EXPECT_TRUE(e.Description().contains(QStringLiteral("通常のファイルではありません"))) << path.toStdString();
    }
    EXPECT_THROW(Connection::CreateFile(fifo), DbError);
    EXPECT_FALSE(QFileInfo(fifo).isFile());
}

TEST_F(DbOpenTest, FolderNamesWithSeparatorsOpen) {
    QDir(box_.Path()).mkpath(QStringLiteral("a;b 'c\""));
    const QString path = box_.File(QStringLiteral("a;b 'c\"/VXMOX2.MDB"));
    Connection::CreateFile(path)->Close();
    auto conn = Connection::Open(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;") + DataSourcePart(path));
    EXPECT_TRUE(conn->IsOpen());
    EXPECT_EQ(conn->Info().dataSource, path);
}

// Root reads every file whatever its mode, and CI runs as root. The open runs
// on a thread of its own that gives up the two capabilities that allow it,
// as the clinic's users never had them; capabilities belong to one thread,
// so the rest of the test binary keeps its own.
DbError OpenErrorWithoutOverride(const QString& connectionString, bool* fileWasReadable) {
    DbError error(0, QString());
    std::thread([&] {
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        __user_cap_data_struct caps[_LINUX_CAPABILITY_U32S_3] = {};
        if (::syscall(SYS_capget, &header, caps) == 0) {
            for (int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH}) caps[cap / 32].effective &= ~(1u << (cap % 32));
            ::syscall(SYS_capset, &header, caps);
        }
        const QString path = ConnectionInfo::Parse(connectionString).dataSource;
        *fileWasReadable =
            ::access(QFile::encodeName(path).constData(), R_OK) == 0 && QFile(path).open(QIODevice::ReadOnly);
        error = OpenError(connectionString);
    }).join();
    return error;
}

TEST_F(DbOpenTest, UnreadableFileFailsWithoutBeingTouched) {
    const QString path = box_.File(QStringLiteral("locked.db"));
    Connection::CreateFile(path)->Close();
    const QByteArray before = ReadAll(path);
    QFile::setPermissions(path, QFileDevice::WriteOwner);
    bool readable = true;
    const DbError e = OpenErrorWithoutOverride(QStringLiteral("Data Source=") + path, &readable);
    ASSERT_FALSE(readable) << "the open ran with the right to read any file";
    EXPECT_EQ(e.Number(), kErrCannotOpen);
    EXPECT_TRUE(e.Description().contains(QStringLiteral("ファイルを読み取る権限がありません")))
        << e.Description().toStdString();
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_EQ(ReadAll(path), before);
}

TEST_F(DbOpenTest, CreateFileIsPrivateAndOpensAgain) {
    const QString path = box_.File(QStringLiteral("new.db"));
    Connection::CreateFile(path)->Close();
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    auto conn = Connection::Open(QStringLiteral("Data Source=") + path);
    EXPECT_TRUE(conn->IsOpen());
    EXPECT_FALSE(conn->TableExists(QStringLiteral("TPatient")));
}

TEST_F(DbOpenTest, WindowsStylePathFindsTheFile) {
    const QString path = box_.File(QStringLiteral("VXMOX2.MDB"));
    Connection::CreateFile(path)->Close();
    auto conn = Connection::Open(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Jet OLEDB:Database Password=RKTWQMB;"
                                                "Data Source=") +
                                 box_.Path() + QStringLiteral("\\VXMOX2.MDB"));
    EXPECT_TRUE(conn->IsOpen());
}

TEST_F(DbOpenTest, FileInWalModeIsTurnedBackToARollbackJournal) {
    const QString path = box_.File(QStringLiteral("wal.db"));
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &raw), SQLITE_OK);
    sqlite3_exec(raw, "PRAGMA journal_mode=WAL; CREATE TABLE T (A); INSERT INTO T VALUES (1);", nullptr, nullptr,
                 nullptr);
    sqlite3_close(raw);

    auto conn = Connection::Open(QStringLiteral("Data Source=") + path);
    EXPECT_EQ(conn->Scalar(QStringLiteral("PRAGMA journal_mode")).ToText(), QStringLiteral("delete"));
    EXPECT_EQ(conn->Scalar(QStringLiteral("PRAGMA synchronous")).ToInt64(), 2);  // FULL
    EXPECT_EQ(conn->Scalar(QStringLiteral("SELECT A FROM T")).ToInt64(), 1);
}

// A log beside a file is rolled into it at the first read, whichever
// database wrote it. A file that keeps a log takes its own; beside one that
// keeps none (every file of this system) a log is another database's, which
// would spoil it: it is set aside, the user is told, and the file opens and
// is copied as it is.
TEST_F(DbOpenTest, OnlyAFileInWalModeTakesTheLogBesideIt) {
    const auto make = [this](const QString& name, bool keepsLog, int rows) {
        const QString path = box_.File(name);
        sqlite3* raw = nullptr;
        EXPECT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &raw), SQLITE_OK);
        sqlite3_db_config(raw, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
        sqlite3_exec(raw, keepsLog ? "PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0;" : "", nullptr, nullptr,
                     nullptr);
        sqlite3_exec(raw, "CREATE TABLE T (A); CREATE TABLE U (B);", nullptr, nullptr, nullptr);
        const QByteArray fill = QStringLiteral(
                                    "INSERT INTO T SELECT randomblob(300) FROM (WITH RECURSIVE n(i) AS "
                                    "(SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i<%1) SELECT i FROM n);")
                                    .arg(rows)
                                    .toUtf8();
        sqlite3_exec(raw, fill.constData(), nullptr, nullptr, nullptr);
        sqlite3_close(raw);
        return path;
    };
    const auto rows = [](const QString& path) {
        auto conn = Connection::Open(QStringLiteral("Data Source=") + path);
        const QString counted = conn->Scalar(QStringLiteral("SELECT count(*) FROM T")).ToText() + u'/' +
                                conn->Scalar(QStringLiteral("PRAGMA integrity_check")).ToText();
        conn->Close();
        return counted;
    };

    const QString own = make(QStringLiteral("own.db"), true, 50);
    ASSERT_TRUE(QFileInfo::exists(own + QStringLiteral("-wal")));
    const QString other = make(QStringLiteral("other.db"), true, 200);
    const QByteArray foreignLog = ReadAll(other + QStringLiteral("-wal"));
    ASSERT_GT(foreignLog.size(), 32);

    mox::platform::ScriptedMsgBoxes boxes;
    EXPECT_EQ(rows(own), QStringLiteral("50/ok"));
    EXPECT_TRUE(boxes.Shown().empty());

    for (const bool copied : {false, true}) {
        SCOPED_TRACE(copied);
        const QString clinic = make(copied ? QStringLiteral("backup.db") : QStringLiteral("clinic.db"), false, 3);
        QFile::copy(other + QStringLiteral("-wal"), clinic + QStringLiteral("-wal"));
        QFile::copy(other + QStringLiteral("-shm"), clinic + QStringLiteral("-shm"));
        boxes.Clear();
        if (copied) {
            const QString copy = box_.File(QStringLiteral("copy.db"));
            CopyDatabaseContent(clinic, copy);
            EXPECT_EQ(rows(copy), QStringLiteral("3/ok"));
        }
        EXPECT_EQ(rows(clinic), QStringLiteral("3/ok"));
        const QStringList aside = QDir(box_.Path()).entryList({QFileInfo(clinic).fileName() + QStringLiteral("-*")});
        ASSERT_EQ(aside.size(), 1) << aside.join(u' ').toStdString();
        EXPECT_TRUE(aside[0].startsWith(QFileInfo(clinic).fileName() + QStringLiteral("-wal_")));
        EXPECT_EQ(ReadAll(box_.File(aside[0])), foreignLog) << "what the log holds is kept";
        ASSERT_EQ(boxes.Shown().size(), 1u);
        EXPECT_EQ(boxes.Shown()[0].style, 48);
        EXPECT_TRUE(boxes.Shown()[0].prompt.contains(box_.File(aside[0])));
    }
}

TEST_F(DbOpenTest, SchemaQueries) {
    auto conn = Connection::CreateFile(box_.File(QStringLiteral("s.db")));
    conn->Execute(QStringLiteral("CREATE TABLE TExamData (ID long, Bui text, ExamDate datetime);"
                                 "CREATE TABLE TVersion (ID LONG, Version TEXT);"
                                 "INSERT INTO TVersion VALUES (?, ?)"),
                  {1, QStringLiteral("1.0.1")});
    EXPECT_TRUE(conn->TableExists(QStringLiteral("texamdata")));
    EXPECT_FALSE(conn->TableExists(QStringLiteral("TExam")));
    EXPECT_EQ(conn->ColumnNames(QStringLiteral("TExamData")), (QStringList{"ID", "Bui", "ExamDate"}));
    EXPECT_EQ(conn->ColumnTypes(QStringLiteral("TExamData")), (QStringList{"LONG", "TEXT", "DATETIME"}));
    EXPECT_EQ(conn->Scalar(QStringLiteral("SELECT Version FROM TVersion WHERE ID = 1")).ToText(),
              QStringLiteral("1.0.1"));
    EXPECT_TRUE(conn->Scalar(QStringLiteral("SELECT Version FROM TVersion WHERE ID = 2")).IsNull());
    EXPECT_EQ(conn->Execute(QStringLiteral("UPDATE TVersion SET Version = ?"), {QStringLiteral("x")}), 1);
}

class DbTransactionTest : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = box_.File(QStringLiteral("t.db"));
        conn_ = Connection::CreateFile(path_);
        conn_->Execute(QStringLiteral("CREATE TABLE T (ID LONG)"));
    }
    void TearDown() override { Connection::SetBusyTimeout(5000); }
    long Count(Connection& c) { return c.Scalar(QStringLiteral("SELECT count(*) FROM T")).ToInt64(); }

    mox::test::Sandbox box_;
    QString path_;
    ConnectionPtr conn_;
};

TEST_F(DbTransactionTest, GuardRollsBackOnExceptionAndKeepsCommittedWork) {
    try {
        Transaction tx(*conn_);
        conn_->Execute(QStringLiteral("INSERT INTO T VALUES (1)"));
        conn_->Execute(QStringLiteral("INSERT INTO T VALUES (2)"));
        throw std::runtime_error("half-way");
    } catch (const std::runtime_error&) {
    }
    EXPECT_FALSE(conn_->InTransaction());
    EXPECT_EQ(Count(*conn_), 0);

    {
        Transaction tx(*conn_);
        conn_->Execute(QStringLiteral("INSERT INTO T VALUES (3)"));
        Transaction moved(std::move(tx));
        moved.Commit();
    }
    EXPECT_EQ(Count(*conn_), 1);
}

TEST_F(DbTransactionTest, NestedGuardUndoesOnlyItsOwnPart) {
    Transaction outer(*conn_);
    conn_->Execute(QStringLiteral("INSERT INTO T VALUES (1)"));
    {
        Transaction inner(*conn_);
        conn_->Execute(QStringLiteral("INSERT INTO T VALUES (2)"));
    }
    EXPECT_TRUE(conn_->InTransaction());
    outer.Commit();
    EXPECT_EQ(Count(*conn_), 1);
}

TEST_F(DbTransactionTest, CommitWithoutBeginAndCloseInsideATransaction) {
    try {
        conn_->CommitTrans();
        FAIL();
    } catch (const DbError& e) {
        EXPECT_EQ(e.Number(), kErrNoTransaction);
    }
    conn_->BeginTrans();
    conn_->Execute(QStringLiteral("INSERT INTO T VALUES (1)"));
    conn_->Close();  // an unfinished transaction is not stored
    EXPECT_EQ(Count(*Connection::Open(QStringLiteral("Data Source=") + path_)), 0);
}

TEST_F(DbTransactionTest, SecondWriterWaitsForTheFirst) {
    Connection::SetBusyTimeout(50);
    auto other = Connection::Open(QStringLiteral("Data Source=") + path_);
    conn_->BeginTrans();
    conn_->Execute(QStringLiteral("INSERT INTO T VALUES (1)"));

    EXPECT_EQ(Count(*other), 0);  // readers see the last committed state
    try {
        other->BeginTrans();
        FAIL() << "the write lock is taken";
    } catch (const DbError& e) {
        EXPECT_EQ(e.Number(), kErrSql);
        EXPECT_TRUE(e.Description().contains(QStringLiteral("使用中")));
    }
    EXPECT_FALSE(other->InTransaction());
    conn_->CommitTrans();

    // With time to wait, the second writer gets the lock once the first commits.
    Connection::SetBusyTimeout(60000);
    auto patient = Connection::Open(QStringLiteral("Data Source=") + path_);
    conn_->BeginTrans();
    std::thread releaser([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        conn_->CommitTrans();
    });
    EXPECT_NO_THROW(patient->BeginTrans());
    releaser.join();
    patient->Execute(QStringLiteral("INSERT INTO T VALUES (2)"));
    patient->CommitTrans();
    EXPECT_EQ(Count(*conn_), 2);
}

TEST_F(DbTransactionTest, LockedFileFailsToOpenWithAClearMessage) {
    Connection::SetBusyTimeout(20);
    conn_->Execute(QStringLiteral("BEGIN EXCLUSIVE"));
    conn_->Execute(QStringLiteral("INSERT INTO T VALUES (1)"));
    const DbError e = OpenError(QStringLiteral("Data Source=") + path_);
    EXPECT_EQ(e.Number(), kErrCannotOpen);
    EXPECT_TRUE(e.Description().contains(QStringLiteral("使用中")));
    conn_->Execute(QStringLiteral("ROLLBACK"));
}

}  // namespace

namespace {

// Whether another program can take the write lock of the file right now. A
// forked child would inherit this process's engine state and answer from its
// memory, so a fresh program asks the operating system.
bool AnotherProcessCanWrite(const QString& path) {
    QProcess p;
    p.start(QStringLiteral("sqlite3"), {path, QStringLiteral("BEGIN IMMEDIATE; ROLLBACK;")});
    return p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// The descriptors this process has open on the file `st` describes.
int DescriptorsOn(const struct stat& file) {
    int count = 0;
    for (const QString& name :
         QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        struct stat st {};
        if (::stat(QFile::encodeName(QStringLiteral("/proc/self/fd/") + name).constData(), &st) == 0 &&
            st.st_dev == file.st_dev && st.st_ino == file.st_ino)
            ++count;
    }
    return count;
}

struct stat StatOf(const QString& path) {
    struct stat st {};
    EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0) << path.toStdString();
    return st;
}

}  // namespace

// Another connection on a file, or a copy of it, must not release the write
// lock the first one holds: POSIX drops a process's locks when any descriptor
// of the file is closed, and a probe that did so let other programs write
// into the middle of a transaction.
TEST_F(DbOpenTest, OtherConnectionsAndCopiesKeepTheWriteLockOfTheFirst) {
    const QString path = box_.File(QStringLiteral("VXMOX2.MDB"));
    Connection::CreateFile(path)->Close();
    auto first = Connection::Open(DataSourcePart(path));
    auto second = Connection::Open(DataSourcePart(path));
    first->Execute(QStringLiteral("CREATE TABLE T (A INTEGER)"));
    first->BeginTrans();
    first->Execute(QStringLiteral("INSERT INTO T VALUES (1)"));
    ASSERT_FALSE(AnotherProcessCanWrite(path));
    for (int i = 0; i < 3; ++i) Connection::Open(DataSourcePart(path))->Close();
    EXPECT_FALSE(AnotherProcessCanWrite(path));
    second->Close();
    EXPECT_FALSE(AnotherProcessCanWrite(path));
    CopyDatabaseContent(path, box_.File(QStringLiteral("copy.mdb")));
    EXPECT_FALSE(AnotherProcessCanWrite(path));
    first->CommitTrans();
    EXPECT_TRUE(AnotherProcessCanWrite(path));
    first->Close();
    EXPECT_EQ(DescriptorsOn(StatOf(path)), 0);
}

// A file is let go once no connection uses it: a restored database, a
// replaced one, or one the user left for another file would otherwise stay
// on the disk, taking its room, until the program ends.
TEST_F(DbOpenTest, AFileNoConnectionUsesHoldsNoDescriptor) {
    const QString path = box_.File(QStringLiteral("VXMOX2.MDB"));
    Connection::CreateFile(path)->Execute(QStringLiteral("CREATE TABLE T (A INTEGER)"));
    const struct stat original = StatOf(path);
    EXPECT_EQ(DescriptorsOn(original), 0);
    for (int i = 0; i < 3; ++i) {
        auto conn = Connection::Open(DataSourcePart(path));
        auto rs = conn->OpenRecordset(QStringLiteral("SELECT A FROM T"));
        EXPECT_GT(DescriptorsOn(original), 0);
        conn->Close();  // the recordset keeps the object, not the file
        EXPECT_EQ(DescriptorsOn(original), 0);
    }

    // A restore renames a new file over the one a connection had open.
    auto before = Connection::Open(DataSourcePart(path));
    const QString staged = box_.File(QStringLiteral(".VXMOX2.MDB.new"));
    Connection::CreateFile(staged)->Execute(QStringLiteral("CREATE TABLE R (B INTEGER)"));
    ASSERT_EQ(::rename(QFile::encodeName(staged).constData(), QFile::encodeName(path).constData()), 0);
    const struct stat restored = StatOf(path);
    before->Close();
    auto after = Connection::Open(DataSourcePart(path));
    EXPECT_TRUE(after->TableExists(QStringLiteral("R")));
    EXPECT_EQ(DescriptorsOn(original), 0);

    // Opening another file in its place lets go of this one.
    const QString other = box_.File(QStringLiteral("other.mdb"));
    Connection::CreateFile(other)->Close();
    after->Close();
    auto switched = Connection::Open(DataSourcePart(other));
    EXPECT_EQ(DescriptorsOn(restored), 0);
    EXPECT_GT(DescriptorsOn(StatOf(other)), 0);
    switched.reset();
    EXPECT_EQ(DescriptorsOn(StatOf(other)), 0);
}
