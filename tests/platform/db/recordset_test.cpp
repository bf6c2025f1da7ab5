#include "platform/db/database.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

using namespace mox::db;

namespace {

class DbRecordsetTest : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = box_.File(QStringLiteral("rs.db"));
        conn_ = Connection::CreateFile(path_);
        conn_->Execute(QStringLiteral(
            "CREATE TABLE TPatient (ID INTEGER PRIMARY KEY, Name TEXT, Birth DATETIME, Sex SHORT, Active BIT)"));
        for (int id : {1, 2, 3})
            conn_->Execute(QStringLiteral("INSERT INTO TPatient (ID, Name, Sex) VALUES (?, ?, ?)"),
                           {id, QStringLiteral("患者%1").arg(id), id % 2});
    }

    long Count() { return conn_->Scalar(QStringLiteral("SELECT count(*) FROM TPatient")).ToInt64(); }

    mox::test::Sandbox box_;
    QString path_;
    ConnectionPtr conn_;
};

TEST_F(DbRecordsetTest, NavigatesForwardAndBackwardWithBofAndEof) {
    auto rs = conn_->OpenRecordset(QStringLiteral("SELECT * FROM TPatient ORDER BY ID"));
    EXPECT_EQ(rs->RecordCount(), 3);
    EXPECT_FALSE(rs->IsBOF());
    EXPECT_EQ(rs->Field(QStringLiteral("ID")).ToInt64(), 1);
    rs->MoveNext();
    rs->MoveNext();
    EXPECT_EQ(rs->Field(0).ToInt64(), 3);
    rs->MoveNext();
    EXPECT_TRUE(rs->IsEOF());
    EXPECT_THROW(rs->Field(QStringLiteral("ID")), DbError);
    try {
        rs->MoveNext();
        FAIL() << "MoveNext past the end must fail";
    } catch (const DbError& e) {
        EXPECT_EQ(e.Number(), kErrNoCurrentRow);
    }
    rs->MovePrevious();
    EXPECT_EQ(rs->Field(0).ToInt64(), 3);
    rs->MoveFirst();
    rs->MovePrevious();
    EXPECT_TRUE(rs->IsBOF());
    EXPECT_FALSE(rs->IsEOF());
    rs->MoveLast();
    EXPECT_EQ(rs->Field(0).ToInt64(), 3);
}

TEST_F(DbRecordsetTest, EmptyResultIsBothBofAndEof) {
    auto rs = conn_->OpenRecordset(QStringLiteral("SELECT * FROM TPatient WHERE ID = ?"), {99});
    EXPECT_TRUE(rs->IsBOF());
    EXPECT_TRUE(rs->IsEOF());
    EXPECT_EQ(rs->RecordCount(), 0);
    rs->MoveFirst();
    EXPECT_TRUE(rs->IsEOF());
}

TEST_F(DbRecordsetTest, FieldNamesAreCaseInsensitiveAndUnknownNamesFail) {
    auto rs = conn_->OpenRecordset(QStringLiteral("SELECT * FROM TPatient WHERE ID = 2"));
    EXPECT_EQ(rs->Field(QStringLiteral("name")).ToText(), QStringLiteral("患者2"));
    EXPECT_EQ(rs->Field(QStringLiteral("NAME")).ToText(), QStringLiteral("患者2"));
    EXPECT_TRUE(rs->HasField(QStringLiteral("sEx")));
    EXPECT_FALSE(rs->HasField(QStringLiteral("Nope")));
    EXPECT_EQ(rs->FieldNames(), (QStringList{"ID", "Name", "Birth", "Sex", "Active"}));
    try {
        rs->Field(QStringLiteral("Nope"));
        FAIL();
    } catch (const DbError& e) {
        EXPECT_EQ(e.Number(), kErrItemNotFound);
    }
    EXPECT_THROW(rs->Field(5), DbError);
    EXPECT_THROW(rs->SetField(QStringLiteral("Nope"), 1), DbError);
}

TEST_F(DbRecordsetTest, EditsTheCurrentRowInPlace) {
    auto rs = conn_->OpenRecordset(QStringLiteral("SELECT * FROM TPatient WHERE ID = 2"));
    ASSERT_TRUE(rs->IsUpdatable());
    rs->SetField(QStringLiteral("name"), QStringLiteral("山田"));
    rs->SetField(QStringLiteral("Birth"), QDate(1960, 4, 1));
    EXPECT_EQ(rs->Field(QStringLiteral("Name")).ToText(), QStringLiteral("山田"));  // edit buffer is visible
    rs->Update();
    EXPECT_EQ(rs->Field(QStringLiteral("Birth")).ToText(), QStringLiteral("1960-04-01 00:00:00"));
    EXPECT_EQ(conn_->Scalar(QStringLiteral("SELECT Name FROM TPatient WHERE ID = 2")).ToText(), QStringLiteral("山田"));
    EXPECT_EQ(conn_->Scalar(QStringLiteral("SELECT Name FROM TPatient WHERE ID = 1")).ToText(),
              QStringLiteral("患者1"));

    rs->SetField(QStringLiteral("Name"), QStringLiteral("取消"));
    rs->CancelUpdate();
    EXPECT_EQ(rs->Field(QStringLiteral("Name")).ToText(), QStringLiteral("山田"));
    EXPECT_EQ(conn_->Scalar(QStringLiteral("SELECT Name FROM TPatient WHERE ID = 2")).ToText(), QStringLiteral("山田"));
}

TEST_F(DbRecordsetTest, ChangingTheKeyColumnKeepsTheRowAddressable) {
    auto rs = conn_->OpenRecordset(QStringLiteral("SELECT * FROM TPatient WHERE ID = 3"));
    rs->SetField(QStringLiteral("ID"), 30);
    rs->Update();
    rs->SetField(QStringLiteral("Name"), QStringLiteral("三十"));
    rs->Update();
    EXPECT_EQ(conn_->Scalar(QStringLiteral("SELECT Name FROM TPatient WHERE ID = 30")).ToText(),
              QStringLiteral("三十"));
    rs->Delete();
    EXPECT_EQ(Count(), 2);
}

TEST_F(DbRecordsetTest, AddNewMakesTheNewRowCurrent) {
    auto rs = conn_->OpenRecordset(QStringLiteral("SELECT * FROM TPatient ORDER BY ID"));
    rs->AddNew();
    EXPECT_TRUE(rs->Field(QStringLiteral("Name")).IsNull());
    rs->SetField(QStringLiteral("ID"), 98);
    rs->SetField(QStringLiteral("Name"), QStringLiteral("サンプル"));
    rs->SetField(QStringLiteral("Active"), true);
    rs->Update();
    EXPECT_EQ(rs->RecordCount(), 4);
    EXPECT_EQ(rs->Field(QStringLiteral("ID")).ToInt64(), 98);
    EXPECT_TRUE(rs->Field(QStringLiteral("Birth")).IsNull());
    EXPECT_EQ(rs->Field(QStringLiteral("Active")).ToInt64(), 1);
    rs->SetField(QStringLiteral("Sex"), 2);  // and it is editable at once
    rs->Update();
    EXPECT_EQ(conn_->Scalar(QStringLiteral("SELECT Sex FROM TPatient WHERE ID = 98")).ToInt64(), 2);
    rs->MoveNext();
    EXPECT_TRUE(rs->IsEOF());
}

TEST_F(DbRecordsetTest, MovingAwayStoresThePendingEditAndCancelledAddStoresNothing) {
    auto rs = conn_->OpenRecordset(QStringLiteral("SELECT * FROM TPatient ORDER BY ID"));
    rs->SetField(QStringLiteral("Name"), QStringLiteral("移動で保存"));
    rs->MoveNext();
    EXPECT_EQ(conn_->Scalar(QStringLiteral("SELECT Name FROM TPatient WHERE ID = 1")).ToText(),
              QStringLiteral("移動で保存"));

    rs->AddNew();
    rs->SetField(QStringLiteral("ID"), 50);
    rs->CancelUpdate();
    EXPECT_EQ(Count(), 3);
    EXPECT_EQ(rs->Field(QStringLiteral("ID")).ToInt64(), 2);
}

TEST_F(DbRecordsetTest, MovingOnFromARowAddedAtTheEndStoresIt) {
    auto rs = conn_->OpenRecordset(QStringLiteral("SELECT * FROM TPatient WHERE ID > ?"), {10});
    ASSERT_TRUE(rs->IsEOF());
    rs->AddNew();
    rs->SetField(QStringLiteral("ID"), 20);
    rs->SetField(QStringLiteral("Birth"), QDate(2000, 3, 15));
    rs->MoveNext();
    EXPECT_TRUE(rs->IsEOF());
    EXPECT_EQ(Count(), 4);
    rs->MovePrevious();
    EXPECT_EQ(rs->Field(QStringLiteral("ID")).ToInt64(), 20);
    EXPECT_EQ(rs->Field(QStringLiteral("Birth")).ToDate(), QDate(2000, 3, 15));

    rs->MoveFirst();
    rs->MovePrevious();
    ASSERT_TRUE(rs->IsBOF());
    rs->AddNew();
    rs->SetField(QStringLiteral("ID"), 21);
    rs->MovePrevious();  // stored, then one row back from it
    EXPECT_EQ(Count(), 5);
    EXPECT_EQ(rs->Field(QStringLiteral("ID")).ToInt64(), 20);

    rs->MoveLast();
    rs->MoveNext();
    rs->AddNew();  // nothing written: nothing stored, and the end stays the end
    EXPECT_THROW(rs->MoveNext(), DbError);
    EXPECT_EQ(Count(), 5);
}

TEST_F(DbRecordsetTest, DeleteWhileWalkingRemovesEveryRow) {
    auto rs = conn_->OpenRecordset(QStringLiteral("SELECT * FROM TPatient WHERE ID >= ?"), {2});
    while (!rs->IsEOF()) {
        rs->Delete();
        EXPECT_THROW(rs->Field(QStringLiteral("ID")), DbError);  // the deleted row is gone
        rs->MoveNext();
    }
    EXPECT_EQ(rs->RecordCount(), 0);
    EXPECT_TRUE(rs->IsBOF());
    EXPECT_EQ(Count(), 1);
}

TEST_F(DbRecordsetTest, RowDeletedBehindTheRecordsetIsReportedNotSilentlyLost) {
    auto rs = conn_->OpenRecordset(QStringLiteral("SELECT * FROM TPatient WHERE ID = 1"));
    conn_->Execute(QStringLiteral("DELETE FROM TPatient WHERE ID = 1"));
    rs->SetField(QStringLiteral("Name"), QStringLiteral("x"));
    try {
        rs->Update();
        FAIL() << "an update of a vanished row must fail";
    } catch (const DbError& e) {
        EXPECT_EQ(e.Number(), kErrRowNotFound);
    }
    EXPECT_THROW(rs->Delete(), DbError);
}

TEST_F(DbRecordsetTest, JoinsAndAggregatesAreReadOnly) {
    conn_->Execute(QStringLiteral("CREATE TABLE TExam (ID INTEGER PRIMARY KEY, PatientID LONG)"));
    for (const char* sql :
         {"SELECT count(*) AS N FROM TPatient", "SELECT p.Name FROM TPatient p JOIN TExam e ON e.PatientID = p.ID",
          "SELECT DISTINCT Sex FROM TPatient", "SELECT Sex FROM TPatient GROUP BY Sex",
          "SELECT ID FROM TPatient UNION SELECT ID FROM TExam", "SELECT ID + 1 AS X FROM TPatient"}) {
        auto rs = conn_->OpenRecordset(QString::fromUtf8(sql));
        EXPECT_FALSE(rs->IsUpdatable()) << sql;
        try {
            rs->AddNew();
            FAIL() << sql;
        } catch (const DbError& e) {
            EXPECT_EQ(e.Number(), kErrReadOnly);
        }
    }
    auto aliased = conn_->OpenRecordset(QStringLiteral("SELECT p.ID, p.Name FROM TPatient AS p WHERE p.ID = 1"));
    EXPECT_TRUE(aliased->IsUpdatable());
    EXPECT_TRUE(conn_->OpenRecordset(QStringLiteral("select Name from [TPatient] order by ID"))->IsUpdatable());
}

TEST_F(DbRecordsetTest, KeepsADroppedConnectionAlive) {
    auto rs = conn_->OpenRecordset(QStringLiteral("SELECT * FROM TPatient ORDER BY ID"));
    std::weak_ptr<Connection> watch = conn_;
    conn_.reset();  // the slot lets go of it
    ASSERT_FALSE(watch.expired());
    rs->SetField(QStringLiteral("Name"), QStringLiteral("まだ使える"));
    rs->Update();
    rs->Close();
    EXPECT_TRUE(watch.expired());
    EXPECT_THROW(rs->MoveNext(), DbError);

    auto again = Connection::Open(QStringLiteral("Data Source=") + path_);
    EXPECT_EQ(again->Scalar(QStringLiteral("SELECT Name FROM TPatient WHERE ID = 1")).ToText(),
              QStringLiteral("まだ使える"));
}

TEST_F(DbRecordsetTest, ClosedConnectionRefusesWritesButRowsStayReadable) {
    auto rs = conn_->OpenRecordset(QStringLiteral("SELECT * FROM TPatient ORDER BY ID"));
    conn_->Close();
    EXPECT_EQ(rs->Field(QStringLiteral("ID")).ToInt64(), 1);
    EXPECT_THROW(rs->SetField(QStringLiteral("Name"), QStringLiteral("x")), DbError);
    EXPECT_THROW(conn_->Execute(QStringLiteral("DELETE FROM TPatient")), DbError);
}

}  // namespace

// A table widened by another connection reads with its new columns, each
// value under its own name, on a connection that had read it before.
TEST(RecordsetSchemaTest, ColumnsAddedByAnotherConnectionReadUnderTheirNames) {
    mox::test::Sandbox box;
    const QString path = box.File(QStringLiteral("VXMOX2.MDB"));
    auto first = Connection::CreateFile(path);
    first->Execute(QStringLiteral("CREATE TABLE T (A INTEGER)"));
    first->Execute(QStringLiteral("INSERT INTO T VALUES (1)"));
    first->OpenRecordset(QStringLiteral("SELECT * FROM T"))->Close();

    auto second = Connection::Open(DataSourcePart(path));
    second->Execute(QStringLiteral("ALTER TABLE T ADD COLUMN B INTEGER DEFAULT 7"));
    second->Close();

    auto rs = first->OpenRecordset(QStringLiteral("SELECT * FROM T"));
    EXPECT_EQ(rs->FieldNames(), (QStringList{QStringLiteral("A"), QStringLiteral("B")}));
    EXPECT_EQ(rs->Field(QStringLiteral("B")).ToInt64(), 7);
}
