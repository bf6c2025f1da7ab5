// Jet files are read through mdbtools and never written. The sample is the
// Access file that Debian ships with the Free Pascal database examples; the
// Windows release's file is the one the conversion tests write.

#include "platform/db/database.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

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
    auto conn = Connection::Open(DataSourcePart(QStringLiteral(MOX_WINDOWS_DB_DIR "/windows.mdb")));
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
