// The sibling database preparation, on an SQLite file of the sibling's
// tables as the Access-file kind, and through the ODBC back end (SQLite's
// ODBC driver) as a SQL Server catalog.

#include "core/sibling_db.h"
#include "core/connections.h"
#include "core/settings.h"
#include "platform/clock.h"
#include "platform/db/database.h"
#include "platform/message_box.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

namespace mox {
namespace {

class SiblingDbTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        ResetAllSlots();
        kind_ = GetParam();
        stamp_ = kind_ == 1 ? QStringLiteral("\"UpDate\"") : QStringLiteral("UpDateTime");
        path_ = box_.File(QStringLiteral("sibling.mdb"));
        auto c = db::Connection::CreateFile(path_);
        c->Execute(QStringLiteral("CREATE TABLE TTreatLG (IDLG LONG PRIMARY KEY, LGName TEXT(50))"));
        c->Execute(
            QStringLiteral(
                "CREATE TABLE TTreatMG (ID INTEGER PRIMARY KEY, IDLG LONG, IDMG INTEGER, MGName TEXT(50), %1 DATETIME)")
                .arg(stamp_));
        c->Execute(QStringLiteral("CREATE TABLE TExamStatus (ID INTEGER PRIMARY KEY, TreatLGID LONG, TreatMGID "
                                  "INTEGER, TreatMG TEXT(50), %1 DATETIME)")
                       .arg(stamp_));
        c->Execute(QStringLiteral("INSERT INTO TTreatLG VALUES (7, 'ミラド会'), (8, '他の会')"));
        c->Close();
        G().SharedDbKind = static_cast<int16_t>(kind_);
        if (kind_ == 1) {
            G().SharedDbSource = QStringLiteral("Data Source=") + path_;
        } else {
            if (!box_.RegisterSqliteOdbcDriver()) MOX_COMPONENT_MISSING("SQLite ODBC driver (package libsqliteodbc)");
            G().SharedDbSource = QStringLiteral("Data Source=SERVER\\HLX;");
            // The catalog's SQL Server string reaches the same tables through ODBC.
            const QString odbc = QStringLiteral("Driver={MoxSQLite3};Database=%1;").arg(path_);
            SetConnectionFactory([this, odbc](const QString& cs) {
                EXPECT_TRUE(cs.startsWith(QStringLiteral("Provider=SQLOLEDB.1;"))) << cs.toStdString();
                ++opens_;
                return db::Connection::Open(odbc);
            });
        }
        clock_.SetNow(QDateTime(QDate(2024, 3, 5), QTime(9, 30, 0)));
        direct_ = db::Connection::Open(QStringLiteral("Data Source=") + path_);
    }
    void TearDown() override {
        if (direct_) direct_->Close();
        SetConnectionFactory(nullptr);
        ResetAllSlots();
        G().SharedDbKind = 0;
    }
    void Stages(int group, std::initializer_list<std::pair<int, const char*>> stages) {
        for (auto [id, name] : stages)
            direct_->Execute(
                QStringLiteral("INSERT INTO TTreatMG (IDLG, IDMG, MGName, %1) VALUES (?, ?, ?, '2000-01-01 00:00:00')")
                    .arg(stamp_),
                {group, id, QString::fromUtf8(name)});
    }
    void Exams(int group, std::initializer_list<int> stageIds) {
        for (int id : stageIds)
            direct_->Execute(QStringLiteral("INSERT INTO TExamStatus (TreatLGID, TreatMGID, TreatMG, %1) VALUES (?, ?, "
                                            "'旧', '2000-01-01 00:00:00')")
                                 .arg(stamp_),
                             {group, id});
    }
    QStringList Rows(const QString& sql) {
        QStringList rows;
        auto rs = direct_->OpenRecordset(sql);
        for (; !rs->IsEOF(); rs->MoveNext()) {
            QStringList cells;
            for (int i = 0; i < rs->FieldNames().size(); ++i) cells << rs->Field(i).ToText();
            rows << cells.join(QLatin1Char('|'));
        }
        return rows;
    }
    QStringList GroupStages() {
        return Rows(QStringLiteral("SELECT IDMG, MGName, %1 FROM TTreatMG WHERE IDLG=7 ORDER BY IDMG").arg(stamp_));
    }
    QStringList ExamStages() {
        return Rows(QStringLiteral("SELECT TreatMGID, TreatMG, %1 FROM TExamStatus ORDER BY ID").arg(stamp_));
    }
    QStringList CurrentStages(const QString& when) {
        return {QStringLiteral("1|初診時|") + when, QStringLiteral("2|基本治療終了時|") + when,
                QStringLiteral("3|ＳＰＴ移行時|") + when, QStringLiteral("4|最新ＳＰＴ時|") + when};
    }

    test::Sandbox box_;
    platform::ScriptedMsgBoxes boxes_;
    platform::FakeClock clock_;
    int kind_ = 1;
    int opens_ = 0;
    QString stamp_, path_;
    db::ConnectionPtr direct_;
    const QString now_ = QStringLiteral("2024-03-05 09:30:00");
    const QString old_ = QStringLiteral("2000-01-01 00:00:00");
};

TEST_P(SiblingDbTest, CurrentGroupIsNotWritten) {
    Stages(7, {{1, "初診時"}, {2, " 基本治療終了時 "}, {3, "ＳＰＴ移行時"}, {4, "最新ＳＰＴ時"}});
    Exams(7, {3, 5});
    UpgradeTreatGroups();
    QStringList expected = CurrentStages(old_);
    expected[1] = QStringLiteral("2| 基本治療終了時 |") + old_;
    EXPECT_EQ(GroupStages(), expected);
    EXPECT_EQ(ExamStages(), (QStringList{QStringLiteral("3|旧|") + old_, QStringLiteral("5|旧|") + old_}));

    // Stage numbers 1, 2, 3 and 9: the ninth's name does not count.
    direct_->Execute(QStringLiteral("UPDATE TTreatMG SET IDMG=9, MGName='何でも' WHERE IDMG=4"));
    int16_t style = -1;
    const TreatMGList list = FindSocietyTreatGroup();
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list[1].MGName, QStringLiteral("基本治療終了時"));
    EXPECT_TRUE(IsTreatGroupCurrent(list, style));
    EXPECT_EQ(style, kStyleOther);
    EXPECT_TRUE(boxes_.Shown().empty());
}

TEST_P(SiblingDbTest, SptStyleKeepsStagesThreeAndFour) {
    Stages(7, {{1, "初診時"}, {2, "基本治療終了時"}, {3, "ＳＰＴ①"}, {4, "ＳＰＴ②"}});
    Stages(8, {{1, "よその段階"}});
    Exams(7, {1, 2, 3, 4, 5, 6, 9});
    Exams(8, {5});
    UpgradeTreatGroups();
    EXPECT_EQ(GroupStages(), CurrentStages(now_));
    EXPECT_EQ(Rows(QStringLiteral("SELECT MGName FROM TTreatMG WHERE IDLG=8")),
              QStringList{QStringLiteral("よその段階")});
    EXPECT_EQ(ExamStages(),
              (QStringList{QStringLiteral("1|初診時|") + now_, QStringLiteral("2|基本治療終了時|") + now_,
                           QStringLiteral("3|ＳＰＴ移行時|") + now_, QStringLiteral("4|最新ＳＰＴ時|") + now_,
                           QStringLiteral("0||") + now_, QStringLiteral("0||") + now_, QStringLiteral("9|旧|") + now_,
                           QStringLiteral("5|旧|") + old_}));
}

TEST_P(SiblingDbTest, MaintenanceStyleMovesFiveAndSixDown) {
    Stages(7, {{1, "初診時"},
               {2, "基本治療終了時"},
               {3, "メインテナンス①"},
               {4, "メインテナンス②"},
               {5, "ＳＰＴ①"},
               {6, "ＳＰＴ②"}});
    Exams(7, {3, 4, 5, 6});
    UpgradeTreatGroups();
    EXPECT_EQ(GroupStages(), CurrentStages(now_));
    EXPECT_EQ(ExamStages(),
              (QStringList{QStringLiteral("0||") + now_, QStringLiteral("0||") + now_,
                           QStringLiteral("3|ＳＰＴ移行時|") + now_, QStringLiteral("4|最新ＳＰＴ時|") + now_}));
}

TEST_P(SiblingDbTest, FifthStageMakesTheGroupOutdated) {
    Stages(7, {{1, "初診時"}, {2, "基本治療終了時"}, {3, "ＳＰＴ移行時"}, {4, "最新ＳＰＴ時"}, {5, "その他"}});
    Exams(7, {4, 5, 6});
    int16_t style = -1;
    EXPECT_FALSE(IsTreatGroupCurrent(FindSocietyTreatGroup(), style));
    EXPECT_EQ(style, kStyleSptTransition);
    UpgradeTreatGroups();
    EXPECT_EQ(GroupStages(), CurrentStages(now_));
    EXPECT_EQ(ExamStages(), (QStringList{QStringLiteral("4|最新ＳＰＴ時|") + now_, QStringLiteral("0||") + now_,
                                         QStringLiteral("0||") + now_}));
}

TEST_P(SiblingDbTest, NoSuchGroupWritesNothing) {
    direct_->Execute(QStringLiteral("UPDATE TTreatLG SET LGName='ミラド協会' WHERE IDLG=7"));
    Stages(7, {{1, "古い"}});
    Exams(7, {1});
    UpgradeTreatGroups();
    EXPECT_EQ(GroupStages(), QStringList{QStringLiteral("1|古い|") + old_});
    EXPECT_EQ(ExamStages(), QStringList{QStringLiteral("1|旧|") + old_});
}

TEST_P(SiblingDbTest, AnyErrorRollsTheWholePreparationBack) {
    Stages(7, {{1, "初診時"}, {2, "基本治療終了時"}, {3, "ＳＰＴ①"}, {4, "ＳＰＴ②"}});
    Exams(7, {3, 5});
    direct_->Execute(
        QStringLiteral(
            "CREATE TRIGGER NoStamp BEFORE UPDATE OF %1 ON TExamStatus BEGIN SELECT RAISE(ABORT, 'locked'); END")
            .arg(stamp_));
    const QStringList stages = GroupStages(), exams = ExamStages();
    EXPECT_NO_THROW(UpgradeTreatGroups());
    EXPECT_EQ(GroupStages(), stages);
    EXPECT_EQ(ExamStages(), exams);
    EXPECT_FALSE(GetSlotState(Slot::Shared).hasConnection);
}

INSTANTIATE_TEST_SUITE_P(Kinds, SiblingDbTest, ::testing::Values(1, 2),
                         [](const auto& info) { return info.param == 1 ? "AccessFile" : "SqlServerCatalog"; });

TEST(SiblingDbNone, NoSiblingOpensNothing) {
    ResetAllSlots();
    G().SharedDbKind = 0;
    int opens = 0;
    SetConnectionFactory([&](const QString& cs) {
        ++opens;
        return db::Connection::Open(cs);
    });
    UpgradeTreatGroups();
    SetConnectionFactory(nullptr);
    EXPECT_EQ(opens, 0);
}

}  // namespace
}  // namespace mox
