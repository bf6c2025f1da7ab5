// The ODBC path against a real driver: SQLite's ODBC driver on a file, with
// the driver registered in a private odbcinst.ini.

#include "platform/db/database.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <QFile>

using namespace mox::db;

namespace {

class DbOdbcTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!box_.RegisterSqliteOdbcDriver()) MOX_COMPONENT_MISSING("SQLite ODBC driver (package libsqliteodbc)");

        path_ = box_.File(QStringLiteral("sibling.db"));
        auto direct = Connection::CreateFile(path_);
        direct->Execute(QStringLiteral(
            "CREATE TABLE TTreatMG (ID INTEGER PRIMARY KEY, IDLG INTEGER, Name TEXT, Rate DOUBLE, Made DATETIME);"
            "CREATE TABLE TNoKey (A INTEGER, B TEXT);"
            "INSERT INTO TNoKey VALUES (1, 'x'); INSERT INTO TNoKey VALUES (1, 'x'); INSERT INTO TNoKey VALUES (2, "
            "'y');"));
        for (int id : {1, 2, 3})
            direct->Execute(QStringLiteral("INSERT INTO TTreatMG VALUES (?, ?, ?, ?, ?)"),
                            {id, 7, QStringLiteral("段階%1").arg(id), id * 0.5, QDate(2020, 1, id)});
        direct->Close();
        conn_ = Connection::Open(QStringLiteral("Driver={MoxSQLite3};Database=%1;").arg(path_));
    }

    Value Direct(const QString& sql, const std::vector<Value>& params = {}) {
        return Connection::Open(QStringLiteral("Data Source=") + path_)->Scalar(sql, params);
    }

    mox::test::Sandbox box_;
    QString path_;
    ConnectionPtr conn_;
};

TEST_F(DbOdbcTest, SelectsWithBoundValuesAndTypes) {
    ASSERT_TRUE(conn_->IsOpen());
    auto rs = conn_->OpenRecordset(QStringLiteral("SELECT * FROM TTreatMG WHERE IDLG = ? AND Name <> ? ORDER BY ID"),
                                   {7, QStringLiteral("段階2")});
    ASSERT_EQ(rs->RecordCount(), 2);
    EXPECT_EQ(rs->Field(QStringLiteral("id")).ToInt64(), 1);
    EXPECT_EQ(rs->Field(QStringLiteral("Name")).ToText(), QStringLiteral("段階1"));
    EXPECT_DOUBLE_EQ(rs->Field(QStringLiteral("Rate")).ToDouble(), 0.5);
    EXPECT_EQ(rs->Field(QStringLiteral("Made")).ToDate(), QDate(2020, 1, 1));
    rs->MoveNext();
    EXPECT_EQ(rs->Field(QStringLiteral("ID")).ToInt64(), 3);
    EXPECT_EQ(
        conn_->Scalar(QStringLiteral("SELECT Name FROM TTreatMG WHERE Name = ?"), {QStringLiteral("x' OR '1'='1")})
            .IsNull(),
        true);
    EXPECT_TRUE(conn_->TableExists(QStringLiteral("ttreatmg")));
    EXPECT_FALSE(conn_->TableExists(QStringLiteral("TMissing")));
    EXPECT_EQ(conn_->ColumnNames(QStringLiteral("TTreatMG")), (QStringList{"ID", "IDLG", "Name", "Rate", "Made"}));
}

TEST_F(DbOdbcTest, UpdatesInsertsAndDeletesThroughTheRecordset) {
    auto rs = conn_->OpenRecordset(QStringLiteral("SELECT * FROM TTreatMG WHERE IDLG = ? ORDER BY ID"), {7});
    ASSERT_TRUE(rs->IsUpdatable());
    rs->MoveNext();
    rs->SetField(QStringLiteral("Name"), QStringLiteral("O'Neil"));
    rs->SetField(QStringLiteral("Rate"), Value());
    rs->Update();
    EXPECT_EQ(Direct(QStringLiteral("SELECT Name FROM TTreatMG WHERE ID = 2")).ToText(), QStringLiteral("O'Neil"));
    EXPECT_TRUE(Direct(QStringLiteral("SELECT Rate FROM TTreatMG WHERE ID = 2")).IsNull());

    rs->AddNew();
    rs->SetField(QStringLiteral("IDLG"), 7);
    rs->SetField(QStringLiteral("Name"), QStringLiteral("新規"));
    rs->Update();
    const int64_t newId = rs->Field(QStringLiteral("ID")).ToInt64();  // drawn by the database
    EXPECT_GT(newId, 3);
    rs->SetField(QStringLiteral("Name"), QStringLiteral("新規改"));
    rs->Update();
    EXPECT_EQ(Direct(QStringLiteral("SELECT Name FROM TTreatMG WHERE ID = ?"), {Value(static_cast<long long>(newId))})
                  .ToText(),
              QStringLiteral("新規改"));

    rs->MoveFirst();
    rs->Delete();
    EXPECT_EQ(Direct(QStringLiteral("SELECT count(*) FROM TTreatMG")).ToInt64(), 3);
    EXPECT_TRUE(Direct(QStringLiteral("SELECT Name FROM TTreatMG WHERE ID = 1")).IsNull());
}

TEST_F(DbOdbcTest, TableWithoutKeyRefusesToEditAmbiguousRows) {
    auto rs = conn_->OpenRecordset(QStringLiteral("SELECT * FROM TNoKey ORDER BY A"));
    ASSERT_TRUE(rs->IsUpdatable());
    rs->SetField(QStringLiteral("B"), QStringLiteral("z"));
    EXPECT_THROW(rs->Update(), DbError);  // two equal rows: which one?
    rs->CancelUpdate();
    rs->MoveLast();
    rs->SetField(QStringLiteral("B"), QStringLiteral("w"));
    rs->Update();
    EXPECT_EQ(Direct(QStringLiteral("SELECT B FROM TNoKey WHERE A = 2")).ToText(), QStringLiteral("w"));
    EXPECT_EQ(Direct(QStringLiteral("SELECT count(*) FROM TNoKey WHERE B = 'x'")).ToInt64(), 2);
}

TEST_F(DbOdbcTest, TransactionRollsBack) {
    {
        Transaction tx(*conn_);
        conn_->Execute(QStringLiteral("DELETE FROM TTreatMG WHERE IDLG = ?"), {7});
        EXPECT_EQ(conn_->Scalar(QStringLiteral("SELECT count(*) FROM TTreatMG")).ToInt64(), 0);
    }
    EXPECT_EQ(conn_->Scalar(QStringLiteral("SELECT count(*) FROM TTreatMG")).ToInt64(), 3);
    {
        Transaction tx(*conn_);
        EXPECT_EQ(conn_->Execute(QStringLiteral("UPDATE TTreatMG SET IDLG = 8 WHERE ID = ?"), {1}), 1);
        tx.Commit();
    }
    EXPECT_EQ(Direct(QStringLiteral("SELECT IDLG FROM TTreatMG WHERE ID = 1")).ToInt64(), 8);
}

TEST(DbOdbcOpenTest, UnknownDriverFailsWithCannotOpen) {
    try {
        Connection::Open(QStringLiteral("Driver={NoSuchDriver};Database=/nowhere"));
        FAIL();
    } catch (const DbError& e) {
        EXPECT_EQ(e.Number(), kErrCannotOpen);
        EXPECT_TRUE(e.Description().startsWith(QStringLiteral("データベースに接続できません。")));
    }
    EXPECT_THROW(Connection::Open(QStringLiteral("Provider=MSDAORA;Data Source=x")), DbError);
}

}  // namespace
