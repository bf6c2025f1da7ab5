// The start-up upgrade on real copies of the template database.

#include "upgrade/upgrade.h"
#include "core/connections.h"
#include "core/database_layout.h"
#include "core/program_log.h"
#include "core/settings.h"
#include "platform/clock.h"
#include "platform/db/database.h"
#include "platform/message_box.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <map>

namespace mox {
namespace {

QString Values(std::initializer_list<std::pair<int, int>> set) {
    std::vector<int> v(192, 128);
    for (auto [i, value] : set) v[i] = value;
    QString text;
    for (int x : v) text += QString::number(x).rightJustified(3, QLatin1Char(' '));
    return text;
}

QString Status(std::initializer_list<std::pair<int, int>> set) {
    std::vector<int> v(32, 0);
    for (auto [i, value] : set) v[i] = value;
    QString text;
    for (int x : v) text += QString::number(x).rightJustified(6, QLatin1Char(' '));
    return text;
}

int SiteValue(const QString& data, int index) { return data.mid(index * 3, 3).trimmed().toInt(); }

// The lines the program's log (Log_MOX.txt) gains while it lives.
class LogCapture {
public:
    LogCapture() { QFile::remove(LogPath()); }
    static QStringList Lines() {
        QFile file(LogPath());
        if (!file.open(QIODevice::ReadOnly)) return {};
        return QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    }
};

// What the upgrade tells a progress window, while it lives.
struct ProgressReports {
    struct Report {
        QString step;
        int64_t done, total;
    };
    ProgressReports() {
        SetUpgradeProgress([this](const QString& step, int64_t done, int64_t total) {
            reports.push_back({step, done, total});
        });
    }
    ~ProgressReports() { SetUpgradeProgress({}); }
    std::vector<Report> reports;
};

class UpgradeTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetAllSlots();
        path_ = box_.CopyTemplate();
        ASSERT_FALSE(path_.isEmpty()) << "template database not built";
        box_.CopyTemplate(QStringLiteral("VXMOX2_ORG.MDB"));
        Settings& g = G();
        g.ProgramDir = box_.Path();
        g.SetMainDatabase(path_);
        g.TemplateDbSource = QStringLiteral("Data Source=") + box_.File(QStringLiteral("VXMOX2_ORG.MDB"));
        g.SharedDbKind = 0;
        clock_.SetNow(QDateTime(QDate(2024, 3, 5), QTime(14, 7, 0)));
        conn_ = db::Connection::Open(QStringLiteral("Data Source=") + path_);
    }
    void TearDown() override {
        if (conn_) conn_->Close();
        ResetAllSlots();
    }

    QStringList Dump(const QString& table) {
        QStringList rows;
        auto rs = conn_->OpenRecordset(QStringLiteral("SELECT * FROM %1 ORDER BY ID").arg(table));
        for (; !rs->IsEOF(); rs->MoveNext()) {
            QStringList cells;
            for (int i = 0; i < rs->FieldNames().size(); ++i)
                cells << (rs->Field(i).IsNull() ? QStringLiteral("<null>") : rs->Field(i).ToText());
            rows << cells.join(QLatin1Char('|'));
        }
        return rows;
    }
    db::Value Scalar(const QString& sql, const std::vector<db::Value>& params = {}) {
        return conn_->Scalar(sql, params);
    }
    void AddPlaqueRow(int id, int subExam, const QString& data, const QString& bui) {
        conn_->Execute(
            QStringLiteral(
                "INSERT INTO TExamData (ID, PatientID, ExamDate, Row, Examination, SubExam, Data1, "
                "Data2, Data3, Data4, Bui, ChargeID, \"UpDate\", CommentID, Comment) VALUES "
                "(?, 1, '2023-01-01 00:00:00', 3, 2, ?, ?, ?, ?, ?, ?, 7, '2023-01-02 00:00:00', 1, '初診時')"),
            {id, subExam, data.mid(0, 144), data.mid(144, 144), data.mid(288, 144), data.mid(432, 144), bui});
    }

    // The plaque rows that the next start would read: the entries of the
    // index that the plaque step reads instead of the examination table.
    int64_t PlaqueRowsWaiting() {
        return Scalar(QStringLiteral("SELECT IFNULL(SUM(ncell), 0) FROM dbstat "
                                     "WHERE name='TExamDataPlaqueToFix' AND pagetype='leaf'"))
            .ToInt64();
    }
    QStringList ExamRowIndexes() {
        QStringList indexes;
        auto rs =
            conn_->OpenRecordset(QStringLiteral("SELECT sql FROM sqlite_master WHERE type='index' AND "
                                                "tbl_name='TExamData' AND sql IS NOT NULL ORDER BY name"));
        for (; !rs->IsEOF(); rs->MoveNext()) indexes << rs->Field(0).ToText();
        return indexes;
    }

    test::Sandbox box_;
    platform::ScriptedMsgBoxes boxes_;
    platform::FakeClock clock_;
    QString path_;
    db::ConnectionPtr conn_;
};

TEST_F(UpgradeTest, CurrentDatabaseKeepsEveryRowButTheVersionStamp) {
    conn_->Execute(QStringLiteral("UPDATE TVersion SET Major=2, Minor=1, Revision=0 WHERE ID=1"));
    const QStringList subExam = Dump(QStringLiteral("TSubExam")), comType = Dump(QStringLiteral("TComType")),
                      exams = Dump(QStringLiteral("TExamData")), patients = Dump(QStringLiteral("TPatient"));

    ProgressReports progress;
    UpgradeDatabaseContent();
    UpgradeDatabaseContent();
    EXPECT_TRUE(progress.reports.empty()) << "no window for a database that is current";

    EXPECT_EQ(Dump(QStringLiteral("TSubExam")), subExam);
    EXPECT_EQ(Dump(QStringLiteral("TComType")), comType);
    EXPECT_EQ(Dump(QStringLiteral("TExamData")), exams);
    EXPECT_EQ(Dump(QStringLiteral("TPatient")), patients);
    EXPECT_EQ(Dump(QStringLiteral("TVersion")), QStringList{QStringLiteral("1|1|0|1")});
    EXPECT_TRUE(boxes_.Shown().empty());
    EXPECT_EQ(GetSlotState(Slot::Main).openCount, 0);
}

// An earlier release's file is converted first, and the later steps then
// work on the converted database.
TEST_F(UpgradeTest, OldFormatDatabaseIsConvertedBeforeTheOtherSteps) {
    conn_->Close();
    QFile::remove(path_);
    {
        auto old = db::Connection::CreateFile(path_);
        old->Execute(QStringLiteral(
            "CREATE TABLE TPatient (ID LONG PRIMARY KEY, KalteNumber TEXT(20), Ruby TEXT(50), Name TEXT(50), "
            "BirthDay DATETIME, Sex BIT, TEL TEXT(20), Post TEXT(10), Address1 TEXT(100), Address2 TEXT(100), "
            "NextExamDate DATETIME, LastExamDate DATETIME, Lock BYTE, AppName TEXT(50), \"UpDate\" DATETIME)"));
        old->Execute(QStringLiteral(
            "CREATE TABLE TExamData (ID LONG PRIMARY KEY, PatientID LONG, ExamDate DATETIME, Row LONG, Examination "
            "LONG, "
            "SubExam LONG, Data1 TEXT(144), Data2 TEXT(144), Data3 TEXT(144), Data4 TEXT(144), Bui TEXT(192), "
            "PocketFree INTEGER, StartTime DATETIME, EndTime DATETIME, ChargeID LONG, IsPrinted BIT, "
            "\"UpDate\" DATETIME, CommentID INTEGER, Comment TEXT(50))"));
        old->Execute(
            QStringLiteral("INSERT INTO TPatient VALUES (1, 'K1', 'よみ', '一郎', '1970-02-03 00:00:00', 1, "
                           "NULL, NULL, NULL, NULL, NULL, NULL, 0, NULL, NULL)"));
        const QString data = Values({{0, 5}});
        old->Execute(
            QStringLiteral("INSERT INTO TExamData VALUES (500, 1, '2021-04-01 00:00:00', 3, 2, 3, ?, ?, ?, ?, ?, "
                           "0, NULL, NULL, 1, 0, NULL, 1, '初診時')"),
            {data.mid(0, 144), data.mid(144, 144), data.mid(288, 144), data.mid(432, 144), Status({})});
        old->Close();
    }

    UpgradeDatabaseContent();

    ASSERT_EQ(boxes_.Shown().size(), 1u);
    EXPECT_EQ(boxes_.Shown()[0].caption, QStringLiteral("変換完了"));
    conn_ = db::Connection::Open(QStringLiteral("Data Source=") + path_);
    EXPECT_EQ(Scalar(QStringLiteral("SELECT BirthDay || '|' || Sex FROM TPatient WHERE ID=1")).ToText(),
              QStringLiteral("1970/02/03|1"));
    const QString converted =
        Scalar(QStringLiteral("SELECT Data1 || Data2 FROM TExamData WHERE PatientID=1 AND SubExam=3")).ToText();
    EXPECT_EQ(SiteValue(converted, 0), 5);
    // The converted row went into a copy of the template, which already
    // carries the version stamp: the plaque step still upgrades it.
    EXPECT_EQ(SiteValue(converted, 48), 0);
    EXPECT_EQ(Dump(QStringLiteral("TVersion")), QStringList{QStringLiteral("1|1|0|1")});
    EXPECT_EQ(GetSlotState(Slot::Main).openCount, 0);
    EXPECT_EQ(LayoutDifference(*conn_), QString());
}

TEST_F(UpgradeTest, ItemSettingsAreSetOnlyWhereTheyDiffer) {
    conn_->Execute(QStringLiteral("UPDATE TSubExam SET GradPart2=7 WHERE ID=2"));
    conn_->Execute(QStringLiteral("UPDATE TSubExam SET Status=4097 WHERE ID=3"));
    FixSubExamTable();
    EXPECT_EQ(Scalar(QStringLiteral("SELECT GradPart2 FROM TSubExam WHERE ID=2")).ToInt64(), 6);
    EXPECT_EQ(Scalar(QStringLiteral("SELECT Status FROM TSubExam WHERE ID=3")).ToInt64(), 4096);

    // A Null mask does not differ from the standard one.
    conn_->Execute(QStringLiteral("UPDATE TSubExam SET Status=NULL WHERE ID=3"));
    FixSubExamTable();
    EXPECT_TRUE(Scalar(QStringLiteral("SELECT Status FROM TSubExam WHERE ID=3")).IsNull());

    conn_->Execute(QStringLiteral("UPDATE TSubExam SET GradPart2=8 WHERE ID=2"));
    conn_->Execute(QStringLiteral("DELETE FROM TSubExam WHERE ID=3"));
    FixSubExamTable();
    EXPECT_EQ(Scalar(QStringLiteral("SELECT GradPart2 FROM TSubExam WHERE ID=2")).ToInt64(), 8);
    EXPECT_TRUE(Scalar(QStringLiteral("SELECT COUNT(*) FROM TSubExam WHERE ID=3")).ToInt64() == 0);
}

TEST_F(UpgradeTest, OccasionTableGetsRowZeroOrIsRebuilt) {
    conn_->Execute(QStringLiteral("DELETE FROM TComType WHERE ID=0"));
    FixComTypeTable();
    EXPECT_EQ(Dump(QStringLiteral("TComType")).first(), QStringLiteral("0||||1|1"));
    EXPECT_EQ(Dump(QStringLiteral("TComType")).size(), 5);

    // Both labels of row 4 missing: not a reason to rebuild.
    conn_->Execute(QStringLiteral("UPDATE TComType SET CommentDR=NULL, CommentDH=NULL WHERE ID=4"));
    conn_->Execute(QStringLiteral("INSERT INTO TComType VALUES (5, 'x', 'x', 'x', 0, 0)"));
    FixComTypeTable();
    EXPECT_EQ(Dump(QStringLiteral("TComType")).size(), 6);

    conn_->Execute(QStringLiteral("UPDATE TComType SET CommentDR='最新ＳＰＴ時', CommentDH='ＳＰＴ①' WHERE ID=4"));
    FixComTypeTable();
    EXPECT_EQ(Dump(QStringLiteral("TComType")),
              (QStringList{QStringLiteral("0||||1|1"), QStringLiteral("1|初診時|初診時|初診時|1|1"),
                           QStringLiteral("2|基本治療終了時|基本治療終了時|基本治療終了時|1|1"),
                           QStringLiteral("3|ＳＰＴ移行時|ＳＰＴ移行時|ＳＰＴ移行時|1|1"),
                           QStringLiteral("4|最新ＳＰＴ時|最新ＳＰＴ時|最新ＳＰＴ時|1|1")}));
}

TEST_F(UpgradeTest, FileWithoutOccasionTableStopsTheSequence) {
    conn_->Execute(QStringLiteral("DROP TABLE TComType"));
    conn_->Execute(QStringLiteral("UPDATE TSubExam SET GradPart2=7 WHERE ID=2"));
    conn_->Execute(QStringLiteral("UPDATE TVersion SET Major=2 WHERE ID=1"));
    const LogCapture log;
    try {
        UpgradeDatabaseContent();
        ADD_FAILURE() << "no error";
    } catch (const db::DbError& e) {
        // The box shows Japanese and the table; the statement and the
        // engine's English go to the log only.
        EXPECT_TRUE(e.Description().contains(QStringLiteral("TComType"))) << e.Description().toStdString();
        EXPECT_TRUE(e.Description().contains(QStringLiteral("検査時期")));
        EXPECT_FALSE(e.Description().contains(QStringLiteral("no such table")));
        EXPECT_FALSE(e.Description().contains(QStringLiteral("SELECT")));
    }
    const QStringList logged = LogCapture::Lines();
    ASSERT_EQ(logged.size(), 1);
    EXPECT_TRUE(logged[0].contains(QStringLiteral("no such table"))) << logged[0].toStdString();
    EXPECT_TRUE(logged[0].contains(QStringLiteral("SELECT * FROM TComType")));
    EXPECT_EQ(Scalar(QStringLiteral("SELECT GradPart2 FROM TSubExam WHERE ID=2")).ToInt64(), 6);  // before: done
    EXPECT_EQ(Scalar(QStringLiteral("SELECT Major FROM TVersion WHERE ID=1")).ToInt64(), 2);      // after: not run
    EXPECT_EQ(GetSlotState(Slot::Main).openCount, 0);
    EXPECT_FALSE(GetSlotState(Slot::Main).hasConnection);
}

TEST_F(UpgradeTest, OccasionLabelsFollowTheCommentId) {
    const QString select = QStringLiteral("SELECT Comment || '/' || \"UpDate\" FROM TExamData WHERE ID=?");
    AddPlaqueRow(1, 2, Values({}), Status({}));
    conn_->Execute(QStringLiteral("UPDATE TExamData SET CommentID=3, Comment='ＳＰＴ①' WHERE ID=1"));
    AddPlaqueRow(2, 2, Values({}), Status({}));
    conn_->Execute(QStringLiteral("UPDATE TExamData SET CommentID=3, Comment='  ＳＰＴ移行時 ' WHERE ID=2"));
    AddPlaqueRow(3, 2, Values({}), Status({}));
    conn_->Execute(QStringLiteral("UPDATE TExamData SET CommentID=0, Comment=NULL WHERE ID=3"));
    AddPlaqueRow(4, 2, Values({}), Status({}));
    conn_->Execute(QStringLiteral("UPDATE TExamData SET CommentID=7, Comment='何か' WHERE ID=4"));

    MigrateExamComments();

    EXPECT_EQ(Scalar(select, {1}).ToText(), QStringLiteral("ＳＰＴ移行時/2024-03-05 14:07:00"));
    EXPECT_EQ(Scalar(select, {2}).ToText(), QStringLiteral("  ＳＰＴ移行時 /2023-01-02 00:00:00"));
    EXPECT_TRUE(Scalar(QStringLiteral("SELECT Comment FROM TExamData WHERE ID=3")).IsNull());
    EXPECT_EQ(Scalar(select, {4}).ToText(), QStringLiteral("何か/2023-01-02 00:00:00"));
}

TEST_F(UpgradeTest, PlaqueRowsGetNotExaminedFacesAndLoseImplantValues) {
    const QString bui = Status({{2, 0x2000}, {3, -32768}, {4, 0x4000}});
    AddPlaqueRow(1, 3, Values({{0, 5}, {2, 3}, {50, 0}, {3, 2}, {51, 4}, {4, 128}, {52, 0}}), bui);
    AddPlaqueRow(2, 2, Values({{0, 5}}), bui);  // another item: never touched
    const QStringList before = Dump(QStringLiteral("TExamData"));
    EXPECT_EQ(PlaqueRowsWaiting(), 1);

    UpgradeExamData();
    EXPECT_EQ(PlaqueRowsWaiting(), 0) << "the next start reads nothing";

    auto rs = conn_->OpenRecordset(QStringLiteral("SELECT * FROM TExamData WHERE ID=1"));
    const QString data = rs->Field(QStringLiteral("Data1")).ToText() + rs->Field(QStringLiteral("Data2")).ToText() +
                         rs->Field(QStringLiteral("Data3")).ToText() + rs->Field(QStringLiteral("Data4")).ToText();
    EXPECT_EQ(SiteValue(data, 0), 5);
    EXPECT_EQ(SiteValue(data, 48), 0);  // a value: every face examined
    EXPECT_EQ(SiteValue(data, 1), 128);
    EXPECT_EQ(SiteValue(data, 49), 15);  // no value: no face examined
    EXPECT_EQ(SiteValue(data, 2), 128);  // implant
    EXPECT_EQ(SiteValue(data, 50), 15);
    EXPECT_EQ(SiteValue(data, 3), 2);  // missing only: kept
    EXPECT_EQ(SiteValue(data, 51), 4);
    EXPECT_EQ(SiteValue(data, 52), 0);  // pontic without a value keeps its bits
    EXPECT_EQ(data.size(), 576);
    EXPECT_EQ(rs->Field(QStringLiteral("Bui")).ToText(), bui);
    EXPECT_EQ(rs->Field(QStringLiteral("ChargeID")).ToInt64(), 7);
    EXPECT_EQ(rs->Field(QStringLiteral("UpDate")).ToText(), QStringLiteral("2023-01-02 00:00:00"));

    const QStringList after = Dump(QStringLiteral("TExamData"));
    EXPECT_EQ(after.filter(QStringLiteral("2|1|2023")).size(), before.filter(QStringLiteral("2|1|2023")).size());
    const auto row2 = [](const QStringList& rows) { return rows.filter(QRegularExpression(QStringLiteral("^2\\|"))); };
    EXPECT_EQ(row2(after), row2(before));

    // Already upgraded rows are not written again.
    UpgradeExamData();
    EXPECT_EQ(Dump(QStringLiteral("TExamData")), after);
}

// A file converted from the Windows release holds Nulls in columns the
// steps do not change: the label and plaque steps write only their own
// columns, and every other column of the row keeps what it held.
TEST_F(UpgradeTest, RewrittenRowsKeepTheNullsOfTheColumnsTheStepsDoNotChange) {
    AddPlaqueRow(1, 3, Values({{0, 5}, {2, 3}}), Status({{2, 0x2000}}));
    conn_->Execute(
        QStringLiteral("UPDATE TExamData SET PatientID=NULL, ExamDate=NULL, Row=NULL, Examination=NULL, "
                       "PocketFree=NULL, StartTime=NULL, EndTime=NULL, ChargeID=NULL, IsPrinted=NULL, "
                       "CommentID=3, Comment='ＳＰＴ①' WHERE ID=1"));
    const QString columnsKept = QStringLiteral(
        "SELECT quote(PatientID) || quote(ExamDate) || quote(Row) || quote(Examination) || quote(SubExam) || "
        "quote(Bui) || quote(PocketFree) || quote(StartTime) || quote(EndTime) || quote(ChargeID) || "
        "quote(IsPrinted) || quote(CommentID) FROM TExamData WHERE ID=1");
    const QString kept = Scalar(columnsKept).ToText();

    UpgradeDatabaseContent();

    // Both steps changed the row...
    const QString data =
        Scalar(QStringLiteral("SELECT Data1 || Data2 || Data3 || Data4 FROM TExamData WHERE ID=1")).ToText();
    EXPECT_EQ(SiteValue(data, 48), 0);
    EXPECT_EQ(SiteValue(data, 2), 128);
    EXPECT_EQ(Scalar(QStringLiteral("SELECT Comment || '/' || \"UpDate\" FROM TExamData WHERE ID=1")).ToText(),
              QStringLiteral("ＳＰＴ移行時/2024-03-05 14:07:00"));
    // ...and nothing else of it.
    EXPECT_EQ(Scalar(columnsKept).ToText().toStdString(), kept.toStdString());
    EXPECT_EQ(kept.count(QStringLiteral("NULL")), 9);
}

// A clinic's file has thousands of rows to change: they are read and written
// many at a time, and none is missed at the edges; a window can show the work
// from its start to its end.
TEST_F(UpgradeTest, ManyRowsAreAllUpgradedAndTheirProgressIsTold) {
    const int rows = 1203;
    {
        db::Transaction transaction(*conn_);
        for (int id = 1; id <= rows; ++id) AddPlaqueRow(id, 3, Values({{0, id % 7}}), Status({}));
        conn_->Execute(QStringLiteral("UPDATE TExamData SET CommentID=4, Comment='ＳＰＴ②' WHERE ID <= ?"), {rows});
        transaction.Commit();
    }
    ProgressReports progress;

    UpgradeDatabaseContent();

    EXPECT_EQ(Scalar(QStringLiteral("SELECT COUNT(*) FROM TExamData WHERE ID <= ? AND Comment=? AND "
                                    "substr(Data2, 1, 6) = '  0 15'"),
                     {rows, QStringLiteral("最新ＳＰＴ時")})
                  .ToInt64(),
              rows);
    EXPECT_EQ(PlaqueRowsWaiting(), 0);
    // Each step with work tells it before its first row and ends at its total.
    std::map<QString, std::vector<ProgressReports::Report>> bySteps;
    for (const auto& report : progress.reports) bySteps[report.step].push_back(report);
    ASSERT_EQ(bySteps.size(), 2u);
    for (const auto& [step, reports] : bySteps) {
        SCOPED_TRACE(step.toStdString());
        EXPECT_EQ(reports.front().done, 0);
        EXPECT_GE(reports.front().total, rows);
        EXPECT_EQ(reports.back().done, reports.back().total);
        EXPECT_GT(reports.size(), 2u);
    }
}

// Only rows that can need a change are read; these can, although their
// stored text looks unusual, and must not be passed over.
TEST_F(UpgradeTest, PlaqueRowsOutsideTheUsualLayoutAreStillUpgraded) {
    auto zeros = [](int n) { return QStringLiteral("  0").repeated(n); };
    // Data1 three characters short: the 128 at the 33rd place of Data2 is
    // the not-examined part of tooth 31.
    AddPlaqueRow(1, 3, Values({}), Status({}));
    conn_->Execute(QStringLiteral("UPDATE TExamData SET Data1=?, Data2=?, Data3=?, Data4=? WHERE ID=1"),
                   {zeros(47), zeros(32) + QStringLiteral("128") + zeros(15), zeros(48), zeros(48)});
    // Data2 Null: no face of any tooth marked.
    AddPlaqueRow(2, 3, Values({{0, 5}}), Status({}));
    conn_->Execute(QStringLiteral("UPDATE TExamData SET Data2=NULL WHERE ID=2"));
    // An implant or pontic bit among others, or a status word written other
    // than right-aligned with blanks.
    const QString examined = Values({{3, 4}}).replace(QStringLiteral("128"), QStringLiteral("  0"));
    const QString words[] = {QStringLiteral("  9216"), QStringLiteral(" 20480"), QStringLiteral("+8192 "),
                             QStringLiteral("\u3000\u30008192")};
    for (int i = 0; i < 4; ++i) AddPlaqueRow(3 + i, 3, examined, Status({}).replace(18, 6, words[i]));
    // Each of them is among the rows the step reads.
    EXPECT_EQ(PlaqueRowsWaiting(), 6);

    UpgradeExamData();

    auto data = [this](int id) {
        return Scalar(QStringLiteral("SELECT Data1 || Data2 || Data3 || Data4 FROM TExamData WHERE ID=?"), {id})
            .ToText();
    };
    EXPECT_EQ(data(1), zeros(192));
    EXPECT_EQ(SiteValue(data(2), 48), 0);
    EXPECT_EQ(SiteValue(data(2), 49), 15);
    EXPECT_EQ(SiteValue(data(2), 95), 128);
    for (int id = 3; id <= 6; ++id) {
        SCOPED_TRACE(id);
        EXPECT_EQ(SiteValue(data(id), 3), 128);
        EXPECT_EQ(SiteValue(data(id), 51), 15);
    }
}

TEST_F(UpgradeTest, OccasionLabelsStoredOtherThanAsTextAreStillCompared) {
    AddPlaqueRow(1, 2, Values({}), Status({}));
    conn_->Execute(QStringLiteral("UPDATE TExamData SET CommentID=3, Comment=3 WHERE ID=1"));
    AddPlaqueRow(2, 2, Values({}), Status({}));
    // Only blanks are trimmed: an ideographic space makes another label.
    conn_->Execute(QStringLiteral("UPDATE TExamData SET CommentID=2, Comment=? WHERE ID=2"),
                   {QStringLiteral("基本治療終了時\u3000")});
    AddPlaqueRow(3, 2, Values({}), Status({}));
    conn_->Execute(QStringLiteral("UPDATE TExamData SET CommentID=0, Comment='  ' WHERE ID=3"));
    // An occasion stored as a fraction counts as its rounded number.
    AddPlaqueRow(4, 2, Values({}), Status({}));
    conn_->Execute(QStringLiteral("UPDATE TExamData SET CommentID=2.5, Comment='最新ＳＰＴ時' WHERE ID=4"));

    MigrateExamComments();

    const QString select = QStringLiteral("SELECT Comment || '/' || \"UpDate\" FROM TExamData WHERE ID=?");
    EXPECT_EQ(Scalar(select, {1}).ToText(), QStringLiteral("ＳＰＴ移行時/2024-03-05 14:07:00"));
    EXPECT_EQ(Scalar(select, {2}).ToText(), QStringLiteral("基本治療終了時/2024-03-05 14:07:00"));
    EXPECT_EQ(Scalar(select, {3}).ToText(), QStringLiteral("  /2023-01-02 00:00:00"));
    EXPECT_EQ(Scalar(select, {4}).ToText(), QStringLiteral("基本治療終了時/2024-03-05 14:07:00"));
}

// A file of an earlier release lacks the indexes of the examination rows, or
// has the one by patient and date alone: the upgrade makes the template's, in
// its words (the plaque step's index is of use only when it reads as the
// step's query does), drops the replaced one, and the plaque rows written
// before are still found and upgraded.
TEST_F(UpgradeTest, FileWithoutTheExamRowIndexesGetsTheTemplatesAndItsPlaqueRowsUpgraded) {
    const QStringList templateIndexes = ExamRowIndexes();
    ASSERT_EQ(templateIndexes.size(), 4);
    for (const QString& name : {QStringLiteral("TExamDataPatientDateOccasion"), QStringLiteral("TExamDataOccasion"),
                                QStringLiteral("TExamDataPatientOccasion"), QStringLiteral("TExamDataPlaqueToFix")})
        conn_->Execute(QStringLiteral("DROP INDEX ") + name);
    conn_->Execute(QStringLiteral("CREATE INDEX TExamDataPatientDate ON TExamData (PatientID, ExamDate)"));
    AddPlaqueRow(1, 3, Values({{0, 5}}), Status({}));

    UpgradeDatabaseContent();

    EXPECT_EQ(ExamRowIndexes(), templateIndexes);
    EXPECT_EQ(Scalar(QStringLiteral("SELECT substr(Data2, 1, 3) FROM TExamData WHERE ID=1")).ToText(),
              QStringLiteral("  0"));
    EXPECT_EQ(PlaqueRowsWaiting(), 0);
    // What the upgrade made may be restored or opened again.
    EXPECT_EQ(LayoutDifference(*conn_), QString());
}

// A write that fails for want of room may take the whole transaction with
// it: nothing of the upgrade may then be committed on its own, least of all
// the version stamp over rows left in the old form. The next start does it all.
TEST_F(UpgradeTest, DiskFullDuringTheUpgradeLeavesTheFileAsItWas) {
    for (const QString& name : {QStringLiteral("TExamDataPatientDateOccasion"), QStringLiteral("TExamDataOccasion"),
                                QStringLiteral("TExamDataPatientOccasion"), QStringLiteral("TExamDataPlaqueToFix")})
        conn_->Execute(QStringLiteral("DROP INDEX ") + name);
    {
        db::Transaction transaction(*conn_);
        for (int id = 1; id <= 1500; ++id) AddPlaqueRow(id, 3, Values({{0, id % 7}}), Status({}));
        conn_->Execute(
            QStringLiteral("UPDATE TExamData SET CommentID=4, Comment=NULL, \"UpDate\"=NULL WHERE ID <= 1500"));
        transaction.Commit();
    }
    conn_->Execute(QStringLiteral("UPDATE TVersion SET Major=1, Minor=0, Revision=0 WHERE ID=1"));
    conn_->Execute(QStringLiteral("VACUUM"));  // no free page left for the upgrade's writes
    const QStringList exams = Dump(QStringLiteral("TExamData")), version = Dump(QStringLiteral("TVersion"));
    const int64_t pages = Scalar(QStringLiteral("PRAGMA page_count")).ToInt64();
    const LogCapture log;

    ASSERT_TRUE(HoldMainDb());
    MainDbConn()->Execute(QStringLiteral("PRAGMA max_page_count=%1").arg(pages));
    UpgradeDatabaseContent();
    CloseMainDb();

    EXPECT_EQ(Dump(QStringLiteral("TVersion")), version);
    EXPECT_TRUE(Dump(QStringLiteral("TExamData")) == exams);
    EXPECT_TRUE(boxes_.Shown().empty());
    EXPECT_FALSE(LogCapture::Lines().isEmpty());

    UpgradeDatabaseContent();
    EXPECT_EQ(Dump(QStringLiteral("TVersion")), QStringList{QStringLiteral("1|1|0|1")});
    EXPECT_EQ(Scalar(QStringLiteral("SELECT COUNT(*) FROM TExamData WHERE ID <= 1500 AND Comment=? AND "
                                    "substr(Data2, 1, 3)='  0'"),
                     {QStringLiteral("最新ＳＰＴ時")})
                  .ToInt64(),
              1500);
}

// The user is not told of a row or an index the upgrade cannot make right,
// but the log is, once per step.
TEST_F(UpgradeTest, UnreadablePlaqueRowIsLeftAndTheRestGoesOn) {
    AddPlaqueRow(1, 3, Values({}), QStringLiteral("kaputt"));
    AddPlaqueRow(2, 3, Values({{0, 1}}), Status({}));
    conn_->Execute(QStringLiteral("UPDATE TVersion SET Revision=9"));
    // A table of the clinic's own under the name of an index the upgrade makes.
    conn_->Execute(QStringLiteral("DROP INDEX TExamDataPatientOccasion"));
    conn_->Execute(QStringLiteral("CREATE TABLE TExamDataPatientOccasion (x)"));
    const LogCapture log;
    IndexExamRows();
    UpgradeExamData();
    ASSERT_EQ(LogCapture::Lines().size(), 2) << LogCapture::Lines().join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(LogCapture::Lines()[0].contains(QStringLiteral("IndexExamRows")));
    EXPECT_TRUE(LogCapture::Lines()[0].contains(QStringLiteral("TExamDataPatientOccasion")));
    EXPECT_TRUE(LogCapture::Lines()[1].contains(QStringLiteral("UpgradeExamData")));
    EXPECT_TRUE(LogCapture::Lines()[1].contains(QStringLiteral("(ID 1)")));
    EXPECT_TRUE(boxes_.Shown().empty());
    EXPECT_EQ(Scalar(QStringLiteral("SELECT substr(Data2, 1, 3) FROM TExamData WHERE ID=1")).ToText(),
              QStringLiteral("128"));
    EXPECT_EQ(Scalar(QStringLiteral("SELECT substr(Data2, 1, 3) FROM TExamData WHERE ID=2")).ToText(),
              QStringLiteral("  0"));
    EXPECT_EQ(Scalar(QStringLiteral("SELECT Revision FROM TVersion")).ToInt64(), 1);
}

TEST_F(UpgradeTest, MissingVersionRowIsNotAdded) {
    conn_->Execute(QStringLiteral("DELETE FROM TVersion"));
    UpgradeExamData();
    EXPECT_EQ(Scalar(QStringLiteral("SELECT COUNT(*) FROM TVersion")).ToInt64(), 0);
}

TEST_F(UpgradeTest, HeldMainSlotStaysOpen) {
    ASSERT_TRUE(HoldMainDb());
    const auto held = MainDbConn();
    UpgradeExamData();
    EXPECT_EQ(MainDbConn(), held);
    EXPECT_TRUE(GetSlotState(Slot::Main).isHeld);
    CloseMainDb();
}

}  // namespace
}  // namespace mox
