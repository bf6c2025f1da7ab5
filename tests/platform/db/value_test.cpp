#include "platform/db/database.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

using namespace mox::db;

namespace {

long ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const DbError& e) {
        return e.Number();
    }
    return 0;
}

TEST(DbValueTest, NullConvertsForgivinglyButNotStrictly) {
    const Value null;
    EXPECT_TRUE(null.IsNull());
    EXPECT_EQ(null.ToInt64(), 0);
    EXPECT_EQ(null.ToText(), QString());
    EXPECT_FALSE(null.ToDateTime().isValid());
    EXPECT_EQ(ErrorOf([&] { null.AsInt64(); }), kErrInvalidUse);
    EXPECT_EQ(ErrorOf([&] { null.AsText(); }), kErrInvalidUse);
    EXPECT_EQ(ErrorOf([&] { null.AsDateTime(); }), kErrInvalidUse);
    EXPECT_TRUE(Value(QDate()).IsNull());
    EXPECT_TRUE(Value(QDateTime()).IsNull());
}

TEST(DbValueTest, NumbersFromTextRoundHalfToEven) {
    EXPECT_EQ(Value(" 42 ").ToInt64(), 42);
    EXPECT_EQ(Value("2.5").ToInt64(), 2);
    EXPECT_EQ(Value("3.5").ToInt64(), 4);
    EXPECT_EQ(Value(-2.5).ToInt64(), -2);
    EXPECT_EQ(Value("abc").ToInt64(), 0);
    EXPECT_EQ(ErrorOf([] { Value("abc").AsInt64(); }), kErrTypeMismatch);
    EXPECT_EQ(ErrorOf([] { Value(1e300).AsInt64(); }), kErrOverflow);
    EXPECT_EQ(Value("9000000000").AsInt64(), 9000000000LL);
    EXPECT_DOUBLE_EQ(Value("1.25").ToDouble(), 1.25);
    EXPECT_EQ(Value(0.1).ToText(), QStringLiteral("0.1"));
    EXPECT_EQ(Value(true).ToInt64(), 1);
    EXPECT_EQ(Value(false).ToInt64(), 0);
    EXPECT_TRUE(Value("1").ToBool());
}

TEST(DbValueTest, DatesTravelAsTextAndReadInTheUsualForms) {
    const QDateTime dt(QDate(2024, 3, 5), QTime(9, 7, 30));
    EXPECT_EQ(Value(dt).ToText(), QStringLiteral("2024-03-05 09:07:30"));
    EXPECT_EQ(Value(QDate(2024, 3, 5)).ToText(), QStringLiteral("2024-03-05 00:00:00"));
    EXPECT_EQ(Value("2024-03-05 09:07:30").ToDateTime(), dt);
    EXPECT_EQ(Value("2024/03/05 09:07:30").ToDateTime(), dt);
    EXPECT_EQ(Value("2024/3/5").ToDate(), QDate(2024, 3, 5));
    EXPECT_EQ(Value("2024-03-05").ToDateTime(), QDateTime(QDate(2024, 3, 5), QTime(0, 0)));
    EXPECT_FALSE(Value("2024-02-30").ToDateTime().isValid());
    EXPECT_FALSE(Value("昨日").ToDateTime().isValid());
    EXPECT_EQ(ErrorOf([] { Value("2024-13-01").AsDateTime(); }), kErrTypeMismatch);
}

class DbStoredValueTest : public ::testing::Test {
protected:
    void SetUp() override {
        conn_ = Connection::CreateFile(box_.File(QStringLiteral("v.db")));
        conn_->Execute(QStringLiteral("CREATE TABLE T (ID LONG, Name TEXT, Day DATETIME, Flag BIT, Ratio DOUBLE)"));
    }
    mox::test::Sandbox box_;
    ConnectionPtr conn_;
};

TEST_F(DbStoredValueTest, NullAndTypedValuesRoundTrip) {
    const QDateTime day(QDate(2023, 12, 31), QTime(23, 59, 59));
    conn_->Execute(QStringLiteral("INSERT INTO T VALUES (?, ?, ?, ?, ?)"), {1, Value(), day, true, 0.5});
    auto rs = conn_->OpenRecordset(QStringLiteral("SELECT * FROM T"));
    EXPECT_TRUE(rs->Field(QStringLiteral("Name")).IsNull());
    EXPECT_EQ(rs->Field(QStringLiteral("Day")).ToDateTime(), day);
    EXPECT_TRUE(rs->Field(QStringLiteral("Flag")).ToBool());
    EXPECT_DOUBLE_EQ(rs->Field(QStringLiteral("Ratio")).ToDouble(), 0.5);

    rs->SetField(QStringLiteral("Day"), Value());
    rs->SetField(QStringLiteral("Name"), QString());  // empty text is not Null
    rs->Update();
    EXPECT_TRUE(conn_->Scalar(QStringLiteral("SELECT Day FROM T")).IsNull());
    EXPECT_EQ(conn_->Scalar(QStringLiteral("SELECT count(*) FROM T WHERE Name IS NULL")).ToInt64(), 0);
    EXPECT_EQ(conn_->Scalar(QStringLiteral("SELECT count(*) FROM T WHERE Day IS NULL")).ToInt64(), 1);
}

TEST_F(DbStoredValueTest, QuotesInValuesAreDataNotSql) {
    const QString evil = QStringLiteral("O'Brien'); DROP TABLE T; --");
    conn_->Execute(QStringLiteral("INSERT INTO T (ID, Name) VALUES (?, ?)"), {1, evil});
    EXPECT_EQ(conn_->Scalar(QStringLiteral("SELECT Name FROM T WHERE ID = ?"), {1}).ToText(), evil);
    EXPECT_EQ(conn_->OpenRecordset(QStringLiteral("SELECT * FROM T WHERE Name = ?"), {QStringLiteral("x' OR '1'='1")})
                  ->RecordCount(),
              0);
    auto rs = conn_->OpenRecordset(QStringLiteral("SELECT * FROM T WHERE Name = ?"), {evil});
    ASSERT_EQ(rs->RecordCount(), 1);
    rs->SetField(QStringLiteral("Name"), QStringLiteral("\"; DELETE FROM T; --"));
    rs->Update();
    EXPECT_TRUE(conn_->TableExists(QStringLiteral("T")));
    EXPECT_EQ(conn_->Scalar(QStringLiteral("SELECT Name FROM T")).ToText(), QStringLiteral("\"; DELETE FROM T; --"));
}

TEST_F(DbStoredValueTest, WrongNumberOfValuesFailsBeforeWriting) {
    EXPECT_EQ(ErrorOf([&] { conn_->Execute(QStringLiteral("INSERT INTO T (ID, Name) VALUES (?, ?)"), {1}); }), kErrSql);
    EXPECT_EQ(ErrorOf([&] { conn_->Execute(QStringLiteral("INSERT INTO T (ID) VALUES (?)"), {1, 2}); }), kErrSql);
    EXPECT_EQ(ErrorOf([&] { conn_->OpenRecordset(QStringLiteral("SELECT * FROM T WHERE ID = ?")); }), kErrSql);
    EXPECT_EQ(conn_->Scalar(QStringLiteral("SELECT count(*) FROM T")).ToInt64(), 0);
}

}  // namespace
