// Jet files are read through mdbtools, by the Access reader, and never
// written. The sample is the Access 97 file that Debian ships with the Free
// Pascal database examples; the Windows release's file is the one the
// conversion tests write.

#include "platform/db/database.h"
#include "platform/db/jet_reader.h"
#include "platform/descriptor.h"
#include "tests/support/kill_at.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <poll.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <cmath>
#include <csignal>
#include <set>

using namespace mox::db;

namespace {

QByteArray Digest(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

class DbJetTest : public ::testing::Test {
protected:
    void SetUp() override {
        const QString sample = mox::test::SampleJetFile();
        if (sample.isEmpty()) MOX_COMPONENT_MISSING("sample Jet file (package fp-units-db)");
        ASSERT_TRUE(mox::test::Gunzip(sample, box_.File(QStringLiteral("sample.mdb"))));
        path_ = box_.File(QStringLiteral("sample.mdb"));
        before_ = Digest(path_);
        conn_ = Connection::Open(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Jet OLEDB:Database Password=RKTWQMB;"
                                                "Data Source=") +
                                 path_);
    }

    mox::test::Sandbox box_;
    QString path_;
    QByteArray before_;
    ConnectionPtr conn_;
};

TEST_F(DbJetTest, ReadsTablesWithBoundValues) {
    EXPECT_TRUE(conn_->TableExists(QStringLiteral("fpdev")));
    EXPECT_FALSE(conn_->TableExists(QStringLiteral("MSysObjects")));
    EXPECT_EQ(conn_->ColumnNames(QStringLiteral("FPdev")), (QStringList{"id", "UserName", "InstEmail"}));
    EXPECT_EQ(conn_->ColumnTypes(QStringLiteral("FPdev")), (QStringList{"LONG", "TEXT", "TEXT"}));

    auto rs = conn_->OpenRecordset(QStringLiteral("SELECT * FROM FPdev ORDER BY id"));
    EXPECT_EQ(rs->RecordCount(), 8);
    EXPECT_TRUE(rs->Field(QStringLiteral("ID")).IsInteger());
    EXPECT_EQ(rs->Field(QStringLiteral("ID")).ToInt64(), 1);
    EXPECT_EQ(rs->Field(QStringLiteral("username")).ToText(), QStringLiteral("Michael Van Canneyt"));
    EXPECT_EQ(conn_->Scalar(QStringLiteral("SELECT UserName FROM FPdev WHERE id = ?"), {2}).ToText(),
              QStringLiteral("Florian Klaempfl"));
}

TEST_F(DbJetTest, RefusesEveryWriteAndLeavesTheFileAlone) {
    auto rs = conn_->OpenRecordset(QStringLiteral("SELECT * FROM FPdev"));
    EXPECT_FALSE(rs->IsUpdatable());
    for (const auto& write : std::vector<std::function<void()>>{
             [&] { rs->AddNew(); }, [&] { rs->SetField(QStringLiteral("UserName"), QStringLiteral("x")); },
             [&] { rs->Delete(); }, [&] { conn_->Execute(QStringLiteral("DELETE FROM FPdev")); },
             [&] { conn_->Execute(QStringLiteral("INSERT INTO FPdev (id) VALUES (?)"), {99}); }}) {
        try {
            write();
            ADD_FAILURE() << "a write into a Jet file went through";
        } catch (const DbError& e) {
            EXPECT_EQ(e.Number(), kErrReadOnly);
            EXPECT_TRUE(e.Description().contains(QStringLiteral("読み取り専用")));
        }
    }
    EXPECT_EQ(conn_->Scalar(QStringLiteral("SELECT count(*) FROM FPdev")).ToInt64(), 8);
    conn_->Close();
    EXPECT_EQ(Digest(path_), before_);
}

// Text comes from the fields' own bytes (UTF-16, compressed or not), so a
// character beyond U+FFFF arrives; a memo stays text and a double keeps
// every bit, while the columns still report their Access types.
TEST(DbJetReader, EveryCharacterAndValueArrivesAsTheFileHoldsIt) {
    auto conn = Connection::Open(DataSourcePart(QStringLiteral(MOX_WINDOWS_DB_DIR "/compacted.mdb")));
    EXPECT_EQ(conn->Scalar(QStringLiteral("SELECT Name FROM TPatient WHERE ID=1")).ToText(),
              QStringLiteral("𠮷田 太郎"));
    EXPECT_EQ(conn->Scalar(QStringLiteral("SELECT Address1 FROM TPatient WHERE ID=1")).ToText(),
              QStringLiteral("𩸽町1-1"));
    EXPECT_EQ(conn->Scalar(QStringLiteral("SELECT quote(Memo) FROM TPatient WHERE ID=1")).ToText(),
              QStringLiteral("'0012'"));
    EXPECT_EQ(conn->ColumnTypes(QStringLiteral("TPatient")).last(), QStringLiteral("MEMO"));
    const QString clinic = QStringLiteral("\"SQLite's \"\"メモ\"\"\"");
    EXPECT_EQ(conn->Scalar(QStringLiteral("SELECT \"Note's \"\"text\"\"\" FROM %1 WHERE ID=4").arg(clinic)).ToText(),
              QStringLiteral("𠮷田😀"));
    EXPECT_EQ(conn->Scalar(QStringLiteral("SELECT Amount FROM %1 WHERE ID=1").arg(clinic)).ToDouble(),
              123456789.12345679);
    EXPECT_EQ(conn->Scalar(QStringLiteral("SELECT Amount FROM %1 WHERE ID=2").arg(clinic)).ToDouble(),
              1.7976931348623157e308);
    // Numbers of the kinds no table of this system holds keep what they
    // are: a whole single or currency stays a real, -0.0 its sign, a
    // currency beyond what a double keeps its decimal text.
    const auto value = [&](const char* column, int id) {
        return conn->Scalar(QStringLiteral("SELECT %1 FROM %2 WHERE ID=?").arg(QLatin1String(column), clinic), {id});
    };
    EXPECT_TRUE(value("Ratio", 6).IsDouble());
    EXPECT_TRUE(value("Fee", 6).IsDouble());
    EXPECT_EQ(value("Fee", 6).ToDouble(), 12.0);
    EXPECT_TRUE(std::signbit(value("Amount", 6).ToDouble()));
    EXPECT_TRUE(std::signbit(value("Ratio", 7).ToDouble()));
    EXPECT_EQ(value("Fee", 7).ToText(), QStringLiteral("922337203685477.5807"));
    EXPECT_EQ(value("Fee", 8).ToText(), QStringLiteral("-922337203685477.5808"));
    EXPECT_EQ(value("Fee", 9).ToDouble(), 99999999999.9999);
}

// The reader while it works, as the kernel shows it.
struct ReaderProcess {
    pid_t pid = -1;
    QString exe;
    QStringList descriptors;  // what each descriptor of it names
};

ReaderProcess TheReader() {
    ReaderProcess r;
    QFile children(QStringLiteral("/proc/%1/task/%1/children").arg(::getpid()));
    if (!children.open(QIODevice::ReadOnly)) return r;
    const QList<QByteArray> pids = children.readAll().trimmed().split(' ');
    if (pids.size() != 1 || pids[0].isEmpty()) return r;
    r.pid = pids[0].toInt();
    r.exe = QFileInfo(QStringLiteral("/proc/%1/exe").arg(r.pid)).symLinkTarget();
    const QDir fds(QStringLiteral("/proc/%1/fd").arg(r.pid));
    for (const QString& fd : fds.entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot)) {
        char target[512] = {};
        const ssize_t n = ::readlink(QFile::encodeName(fds.filePath(fd)).constData(), target, sizeof target - 1);
        if (n > 0) r.descriptors << QString::fromLocal8Bit(target, n);
    }
    return r;
}

// What this process holds open.
std::set<QString> OwnDescriptors() {
    std::set<QString> held;
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString& fd : fds.entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot)) {
        char target[512] = {};
        const ssize_t n = ::readlink(QFile::encodeName(fds.filePath(fd)).constData(), target, sizeof target - 1);
        if (n > 0) held.insert(QString::fromLocal8Bit(target, n));
    }
    return held;
}

class LookingSink final : public JetSink {
public:
    explicit LookingSink(std::function<void()> atCatalogue) : atCatalogue_(std::move(atCatalogue)) {}
    void Catalogue(const std::vector<JetTable>&) override { atCatalogue_(); }
    void BeginTable(const JetTable&) override {}
    void Row(const std::vector<Value>&) override {}
    void EndTable() override {}

private:
    std::function<void()> atCatalogue_;
};

// The reader is a program of its own, started with exec, that gets the file
// and the pipe and nothing else of the caller's: a lock or a database the
// caller holds open is never held by a reader that outlives it.
TEST(DbJetReader, ReadsInAProgramOfItsOwnThatHoldsOnlyTheFileAndThePipe) {
    mox::test::Sandbox box;
    const QString path = box.File(QStringLiteral("compacted.mdb"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(MOX_WINDOWS_DB_DIR "/compacted.mdb"), path));
    // Held as a library might hold it: open across exec.
    const mox::platform::Descriptor held(
        ::open(QFile::encodeName(box.File(QStringLiteral(".VXMOX.lock"))).constData(), O_WRONLY | O_CREAT, 0600));
    ASSERT_TRUE(held.IsOpen());
    ReaderProcess reader;
    std::set<QString> own;
    // The file is large enough that the reader waits on the full pipe.
    LookingSink sink([&] {
        reader = TheReader();
        own = OwnDescriptors();
    });
    ReadJetFile(path, sink);
    ASSERT_GT(reader.pid, 0);
    EXPECT_EQ(reader.exe, mox::test::ProgramDir() + QStringLiteral("/moxjetread"));
    EXPECT_TRUE(reader.descriptors.contains(QFileInfo(path).canonicalFilePath()))
        << reader.descriptors.join(' ').toStdString();
    int shared = 0;
    for (const QString& target : reader.descriptors) {
        if (target == QFileInfo(path).canonicalFilePath()) continue;
        EXPECT_TRUE(target.startsWith(QLatin1String("pipe:"))) << target.toStdString();
        shared += own.count(target) ? 1 : 0;
    }
    EXPECT_EQ(shared, 1) << reader.descriptors.join(' ').toStdString();  // the pipe it writes to
}

// The kernel ends the reader when the program that started it ends, even a
// reader stopped in the middle of a file (a hung medium, a library that
// loops): a killed program leaves nothing behind that holds its files.
TEST(DbJetReader, TheReaderEndsWithTheProgramThatStartedIt) {
    int report[2];
    ASSERT_EQ(::pipe(report), 0);
    const QString path = QStringLiteral(MOX_WINDOWS_DB_DIR "/compacted.mdb");
    const mox::test::ChildEnd end = mox::test::RunInChild([&] {
        LookingSink sink([&] {
            const pid_t reader = TheReader().pid;
            ::kill(reader, SIGSTOP);
            (void)!::write(report[1], &reader, sizeof reader);
            mox::test::KillThisProcess();
        });
        ReadJetFile(path, sink);
    });
    ::close(report[1]);
    EXPECT_EQ(end, mox::test::ChildEnd::Killed);
    pid_t reader = -1;
    ASSERT_EQ(::read(report[0], &reader, sizeof reader), static_cast<ssize_t>(sizeof reader));
    ::close(report[0]);
    ASSERT_GT(reader, 0);
    const int process = static_cast<int>(::syscall(SYS_pidfd_open, reader, 0));
    if (process < 0) {
        EXPECT_EQ(errno, ESRCH);  // gone already
        return;
    }
    // Readable once the process has ended; the limit only keeps a broken
    // build from hanging the suite.
    pollfd gone{process, POLLIN, 0};
    const bool ended = ::poll(&gone, 1, 10000) == 1;
    if (!ended) ::kill(reader, SIGKILL);
    ::close(process);
    EXPECT_TRUE(ended);
}

// A file cut short, and one whose catalogue points its usage map astray
// (which crashes the library itself: the program must not go with it, as
// the converter and the import read such files too).
TEST_F(DbJetTest, DamagedJetFileFailsToOpen) {
    QFile whole(path_);
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    box_.WriteText(QStringLiteral("cut.mdb"), whole.read(2048));
    QFile windows(QStringLiteral(MOX_WINDOWS_DB_DIR "/windows.mdb"));
    ASSERT_TRUE(windows.open(QIODevice::ReadOnly));
    QByteArray astray = windows.readAll();
    astray[2 * 4096 + 55] = char(0x7F);
    box_.WriteText(QStringLiteral("astray.mdb"), astray);
    for (const QString name : {QStringLiteral("cut.mdb"), QStringLiteral("astray.mdb")}) {
        SCOPED_TRACE(name.toStdString());
        try {
            Connection::Open(QStringLiteral("Data Source=") + box_.File(name));
            FAIL();
        } catch (const DbError& e) {
            EXPECT_EQ(e.Number(), kErrCannotOpen);
            EXPECT_TRUE(e.Description().contains(name));
        }
    }
}

}  // namespace
