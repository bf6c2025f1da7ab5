// The import from the sibling product's database on every back end (its
// Access file as an SQLite file, the same tables through ODBC as a SQL
// Server catalog, and as a real Jet file): the golden import, the chart
// numbers typed, the date lists, refused sibling files, and a failing write
// or a killed process at every step of the import, after which the main
// database holds exactly what it held before.

#include "tools/sibling_import.h"

#include "core/next_number.h"
#include "records/patient_record.h"
#include "records/shared_records.h"
#include "tests/support/kill_at.h"
#include "tests/tools/tools_test_support.h"
#include "tools/era_date.h"
#include "tools/image_record.h"
#include "tools/pfrm_import.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <set>

namespace mox::test {
namespace {

enum class Backend { SqliteFile, Odbc, Jet };

std::string BackendName(const ::testing::TestParamInfo<Backend>& info) {
    switch (info.param) {
        case Backend::SqliteFile:
            return "SqliteFile";
        case Backend::Odbc:
            return "Odbc";
        case Backend::Jet:
            return "Jet";
    }
    return "";
}

const QString kFixtureDir = QStringLiteral(MOX_SIBLING_FIXTURE_DIR);

// Patient 1's dates in the fixture.
const QDate kDateA(2010, 4, 1), kDateB(2010, 8, 15), kDateC(2011, 2, 1), kDateD(2012, 6, 30);

// The main database with case 5 (an existing case with its own rows) and
// the clinic's contact data; the sibling database as the back end gives it.
class ImportEnvironment : public ToolsEnvironment {
public:
    explicit ImportEnvironment(Backend backend) {
        CreateGlobalObjects();
        EXPECT_EQ(CImage().CheckTable(), 0);
        auto conn = OpenDb(mainDb);
        conn->Execute(QStringLiteral("INSERT INTO TImage (ID, ImgPath1) VALUES (0, 'さくら歯科クリニック')"));
        conn->Execute(
            QStringLiteral("INSERT INTO TPatient (ID, KalteNumber, Ruby, Name, BirthDay, Sex, TEL, AppName) "
                           "VALUES (5, '旧番号', 'キュウ', '旧 姓', '1950/01/01', 2, '03-1111-2222', "
                           "'申請05')"));
        const QString values = QString(QStringLiteral("  3")).repeated(48);
        const QString bui = QString(QStringLiteral("     0")).repeated(32);
        int id = 900001;
        for (const char* date : {"2010-04-01 00:00:00", "2009-12-01 00:00:00"})
            for (int item : {2, 1, 3})
                conn->Execute(
                    QStringLiteral("INSERT INTO TExamData (ID, PatientID, ExamDate, Row, Examination, SubExam, "
                                   "Data1, Data2, Data3, Data4, Bui, ChargeID, CommentID, Comment) "
                                   "VALUES (?, 5, ?, ?, 2, ?, ?, ?, ?, ?, ?, 1, 2, '基本治療終了時')"),
                    {id++, QString::fromLatin1(date),
                     item == 2   ? 0
                     : item == 1 ? 1
                                 : 3,
                     item, values, values, values, values, bui});
        conn->Close();

        QDir(box.Path()).mkpath(QStringLiteral("sibling/db"));
        sibling = box.File(QStringLiteral("sibling/db/vx2.MDB"));
        QFile::copy(
            kFixtureDir + (backend == Backend::Jet ? QStringLiteral("/jet/vx2.MDB") : QStringLiteral("/vx2.MDB")),
            sibling);
        UseSibling(backend, sibling);
    }
    ~ImportEnvironment() {
        SetConnectionFactory(nullptr);
        ResetAllSlots();
        ReleaseGlobalObjects();
    }

    void UseSibling(Backend backend, const QString& path) {
        ResetAllSlots();
        if (backend != Backend::Odbc) {
            G().SharedDbKind = 1;
            G().SharedDbSource = db::DataSourcePart(path);
            return;
        }
        if (!box.RegisterSqliteOdbcDriver()) return;
        odbc = true;
        G().SharedDbKind = 2;
        G().SharedDbSource = QStringLiteral("Data Source=SERVER\\HLX;");
        const QString catalog = QStringLiteral("Driver={MoxSQLite3};Database=%1;").arg(path);
        SetConnectionFactory([catalog](const QString& cs) {
            return db::Connection::Open(cs.startsWith(QStringLiteral("Provider=SQLOLEDB")) ? catalog : cs);
        });
    }

    // Every row the import may touch, every column but ID and UpDate.
    QString Dump() {
        auto conn = OpenDb(mainDb);
        QStringList lines;
        auto table = [&](const QString& title, const QString& sql) {
            auto rs = conn->OpenRecordset(sql);
            QStringList names = rs->FieldNames();
            names.removeAll(QStringLiteral("ID"));
            names.removeAll(QStringLiteral("UpDate"));
            lines << title + QLatin1Char(' ') + names.join(u'|');
            for (; !rs->IsEOF(); rs->MoveNext()) {
                QStringList cells;
                for (const QString& n : names) {
                    const db::Value v = rs->Field(n);
                    cells << (v.IsNull() ? QStringLiteral("<Null>") : v.ToText());
                }
                lines << cells.join(u'|');
            }
        };
        table(QStringLiteral("TPatient"), QStringLiteral("SELECT * FROM TPatient WHERE ID IN (5, 6) ORDER BY ID"));
        table(QStringLiteral("TExamData"), QStringLiteral("SELECT * FROM TExamData WHERE PatientID IN (5, 6) "
                                                          "ORDER BY PatientID, ExamDate, Row, SubExam, Data1"));
        table(QStringLiteral("TClinic"), QStringLiteral("SELECT * FROM TClinic"));
        return lines.join(u'\n') + u'\n';
    }
    // Every row of every table, for the cases that must change nothing.
    QString Everything() {
        auto conn = OpenDb(mainDb);
        QStringList lines;
        for (const char* t : {"TPatient", "TExamData", "TClinic", "TNextAutoNumber", "TImage", "TVersion"}) {
            auto rs = conn->OpenRecordset(QStringLiteral("SELECT * FROM %1 ORDER BY ID").arg(QLatin1String(t)));
            for (; !rs->IsEOF(); rs->MoveNext()) {
                QStringList cells;
                for (int i = 0; i < rs->FieldNames().size(); ++i) cells << rs->Field(i).ToText();
                lines << QLatin1String(t) + u':' + cells.join(u'|');
            }
        }
        EXPECT_EQ(conn->Scalar(QStringLiteral("PRAGMA integrity_check")).ToText(), QStringLiteral("ok"));
        return lines.join(u'\n');
    }
    int32_t Counter() {
        return OpenDb(mainDb)->Scalar(QStringLiteral("SELECT ExamData FROM TNextAutoNumber WHERE ID=0")).ToInt32();
    }
    std::vector<SourceExamDate> Dates(int32_t sourceId, std::initializer_list<QDate> days) {
        std::vector<SourceExamDate> chosen;
        for (const SourceExamDate& d : ListSourceExamDates(sourceId))
            for (const QDate& day : days)
                if (d.day == day) chosen.push_back(d);
        return chosen;
    }

    QString sibling;
    bool odbc = false;
};

class SiblingImportTest : public ::testing::TestWithParam<Backend>, public ImportEnvironment {
protected:
    SiblingImportTest() : ImportEnvironment(GetParam()) {}
    void SetUp() override {
        if (GetParam() == Backend::Odbc && !odbc) MOX_COMPONENT_MISSING("SQLite ODBC driver (package libsqliteodbc)");
    }
};

TEST_P(SiblingImportTest, ImportedRowsMatchTheReference) {
    const int32_t before = Counter();
    auto chosen = Dates(1, {kDateA, kDateB, kDateC});
    ASSERT_EQ(chosen.size(), 3u);
    ImportOutcome outcome = ImportExaminations(1, 5, chosen);
    ASSERT_TRUE(outcome.imported) << FailureText(outcome.failure).toStdString();
    // The same date again replaces the rows of the first import.
    outcome = ImportExaminations(1, 5, Dates(1, {kDateA}));
    ASSERT_TRUE(outcome.imported) << FailureText(outcome.failure).toStdString();
    // A sibling patient with Null name, reading, birthday and sex, into a
    // case without a row.
    outcome = ImportExaminations(2, 6, ListSourceExamDates(2));
    ASSERT_TRUE(outcome.imported) << FailureText(outcome.failure).toStdString();
    EXPECT_TRUE(boxes.Shown().empty());

    const QString dump = Dump();
    const QString golden = QStringLiteral(MOX_TOOLS_GOLDEN_DIR) + QStringLiteral("/sibling_import.txt");
    if (qEnvironmentVariableIsSet("MOX_UPDATE_GOLDEN") && GetParam() == Backend::SqliteFile) {
        QFile out(golden);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(dump.toUtf8());
    }
    EXPECT_EQ(dump, QString::fromUtf8(Bytes(golden)));

    // Identifiers: new, distinct, and drawn from the counter without a gap.
    const int32_t after = Counter();
    auto conn = OpenDb(mainDb);
    auto rs =
        conn->OpenRecordset(QStringLiteral("SELECT ID FROM TExamData WHERE PatientID IN (5, 6) AND ID >= 10000000"));
    std::set<int32_t> ids;
    for (; !rs->IsEOF(); rs->MoveNext()) {
        const int32_t id = rs->Field(0).ToInt32();
        EXPECT_TRUE(ids.insert(id).second);
        EXPECT_GE(id, 10'000'000 + before);
        EXPECT_LT(id, 10'000'000 + after);
    }
    // Date A twice (6 rows each), B (2), C (2), and patient 2 (1).
    EXPECT_EQ(after - before, 6 + 2 + 2 + 6 + 1);
    EXPECT_EQ(ids.size(), 6u + 2 + 2 + 1);
}

TEST_P(SiblingImportTest, ChartNumbersAreFoundExactlyAsTyped) {
    struct Case {
        QString typed;
        int32_t id;
    };
    const std::vector<Case> cases = {
        {QStringLiteral("1001"), 1},
        {QStringLiteral("1001 "), 10},
        {QStringLiteral("1"), -1},
        {QStringLiteral("12"), 3},
        {QStringLiteral("123"), 4},
        {QStringLiteral("'"), 5},
        {QStringLiteral("\""), 6},
        {QStringLiteral(";--"), 7},
        {QStringLiteral("１２３"), 8},
        {QStringLiteral("1001' OR '1'='1"), -1},
        {QStringLiteral("1001\" OR \"1\"=\"1"), -1},
        {QString(), 9},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        const std::optional<SourcePatient> found = FindSourcePatient(c.typed);
        EXPECT_EQ(found ? found->id : -1, c.id);
    }
    EXPECT_TRUE(boxes.Shown().empty());

    const std::optional<SourcePatient> yamada = FindSourcePatient(QStringLiteral("1001"));
    ASSERT_TRUE(yamada);
    EXPECT_EQ(yamada->name.ToText(), QStringLiteral("山田 太郎"));
    EXPECT_EQ(SexLabel(yamada->sex), QStringLiteral("男"));
    EXPECT_EQ(BirthdayLabelOf(yamada->birthDay), QStringLiteral("昭和25年03月04日  76歳"));
    const std::optional<SourcePatient> nulls = FindSourcePatient(QStringLiteral("1002"));
    ASSERT_TRUE(nulls);
    EXPECT_EQ(nulls->name.ToText(), QString());
    EXPECT_EQ(SexLabel(nulls->sex), QString());
    EXPECT_EQ(BirthdayLabelOf(nulls->birthDay), QString());
    const std::optional<SourcePatient> unknownBirthday = FindSourcePatient(QStringLiteral("123"));
    ASSERT_TRUE(unknownBirthday);
    EXPECT_EQ(SexLabel(unknownBirthday->sex), QStringLiteral("未設定"));
    EXPECT_EQ(BirthdayLabelOf(unknownBirthday->birthDay), QString());
}

TEST_P(SiblingImportTest, DatesAreListedOncePerDayWithTheirStagesAndKeepTheStoredValue) {
    const std::vector<SourceExamDate> dates = ListSourceExamDates(1);
    QStringList texts;
    for (const SourceExamDate& d : dates) texts << d.text;
    EXPECT_EQ(texts, (QStringList{"2010/04/01  初診時", "2010/08/15  ", "2011/02/01  ＳＰＴ移行時",
                                  "2012/06/30  最新ＳＰＴ時"}));
    ASSERT_EQ(dates.size(), 4u);
    EXPECT_EQ(dates[0].stored.ToDateTime(), QDateTime(kDateA, QTime(9, 30)));
    EXPECT_EQ(ReadTreatMGID(1, kDateB), 0);
    EXPECT_EQ(ReadTreatMGID(3, kDateA), 2);
    EXPECT_TRUE(ListSourceExamDates(99).empty());

    ASSERT_TRUE(LoadTargetPatient(5));
    EXPECT_EQ(Globals().CurPatient->AppName, QStringLiteral("申請05"));
    ASSERT_TRUE(LoadTargetPatient(7));
    EXPECT_EQ(Globals().CurPatient->Sex, 0);
    // Rows whose date is missing or unreadable name no day: the list is the
    // input screen's.
    OpenDb(mainDb)->Execute(
        QStringLiteral("INSERT INTO TExamData (ID, PatientID, ExamDate, Row, SubExam, CommentID) "
                       "VALUES (900101, 5, NULL, 0, 2, 2), (900102, 5, '2010-13-45', 0, 2, 2)"));
    QStringList target;
    for (const TargetExamDate& d : ListTargetExamDates(5)) target << d.text;
    EXPECT_EQ(target, (QStringList{"2009/12/01  基本治療終了時", "2010/04/01  基本治療終了時"}));
}

// Files the test can change: the Jet reader's lacks are tested on the
// Debian sample below.
class ChangeableSiblingTest : public SiblingImportTest {};

TEST_P(ChangeableSiblingTest, SiblingFileWithoutATableOrColumnIsRefusedAndNothingIsWritten) {
    const QString everything = Everything();
    const auto chosen = Dates(1, {kDateA});
    for (const char* change : {"DROP TABLE TExamStatus", "ALTER TABLE TExamData DROP COLUMN Bui"}) {
        SCOPED_TRACE(change);
        const QString broken = box.File(QStringLiteral("broken.MDB"));
        QFile::remove(broken);
        QFile::copy(sibling, broken);
        OpenDb(broken)->Execute(QLatin1String(change));
        UseSibling(GetParam(), broken);
        const ImportOutcome outcome = ImportExaminations(1, 5, chosen);
        EXPECT_FALSE(outcome.imported);
        EXPECT_TRUE(FailureText(outcome.failure)
                        .contains(QString::fromLatin1(change).contains("Bui") ? QStringLiteral("列 Bui")
                                                                              : QStringLiteral("TExamStatus")))
            << FailureText(outcome.failure).toStdString();
        EXPECT_TRUE(SiblingLayoutProblem());
        EXPECT_EQ(Everything(), everything);
    }
}

INSTANTIATE_TEST_SUITE_P(Backends, SiblingImportTest,
                         ::testing::Values(Backend::SqliteFile, Backend::Odbc, Backend::Jet), BackendName);
INSTANTIATE_TEST_SUITE_P(Backends, ChangeableSiblingTest, ::testing::Values(Backend::SqliteFile, Backend::Odbc),
                         BackendName);

class ImportFaultTest : public ::testing::Test, public ImportEnvironment {
protected:
    ImportFaultTest() : ImportEnvironment(Backend::SqliteFile) {}
};

TEST_F(ImportFaultTest, AccessFileWithoutTheSiblingsTablesGivesTheMessage) {
    const QString sample = test::SampleJetFile();
    if (sample.isEmpty()) MOX_COMPONENT_MISSING("sample Jet file (package fp-units-db)");
    ASSERT_TRUE(test::Gunzip(sample, box.File(QStringLiteral("sample.mdb"))));

    const QString everything = Everything();
    const auto chosen = Dates(1, {kDateA});
    UseSibling(Backend::Jet, box.File(QStringLiteral("sample.mdb")));
    EXPECT_EQ(FailureText(SiblingLayoutProblem()),
              QStringLiteral("Vexaline のデータベースにテーブル TPatient がありません。"));
    EXPECT_FALSE(FindSourcePatient(QStringLiteral("1001")));
    const ImportOutcome outcome = ImportExaminations(1, 5, chosen);
    EXPECT_FALSE(outcome.imported);
    EXPECT_TRUE(FailureText(outcome.failure)
                    .startsWith(QStringLiteral("Vexaline のデータベースにテーブル TPatient がありません。")));
    EXPECT_EQ(Everything(), everything);
}

TEST_F(ImportFaultTest, CancelledSiblingConnectionEndsTheProgramWithTheMainDatabaseAsItWas) {
    const QString everything = Everything();
    const auto chosen = Dates(1, {kDateA});
    UseSibling(Backend::SqliteFile, box.File(QStringLiteral("gone/vx2.MDB")));
    boxes.Answer(platform::kCancel);
    EXPECT_THROW(ImportExaminations(1, 5, chosen), FatalEnd);
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].style, 21);
    EXPECT_EQ(Everything(), everything);
}

// A temporary trigger on the main connection, made through the connection
// factory, fails the k-th row the import writes.
void FailWriteNumber(int k) {
    SetConnectionFactory([k](const QString& cs) {
        auto conn = db::Connection::Open(cs);
        if (cs != MainDbConnectionString()) return conn;
        conn->Execute(QStringLiteral("CREATE TEMP TABLE fault (n INTEGER, k INTEGER)"));
        conn->Execute(QStringLiteral("INSERT INTO fault VALUES (0, ?)"), {k});
        const QString body = QStringLiteral(
            "UPDATE fault SET n = n + 1; "
            "SELECT RAISE(ABORT, 'injected write failure') WHERE (SELECT n = k FROM fault); END");
        const char* targets[] = {"INSERT ON TExamData", "DELETE ON TExamData", "INSERT ON TPatient",
                                 "UPDATE ON TPatient",  "UPDATE ON TClinic",   "UPDATE ON TNextAutoNumber"};
        int n = 0;
        for (const char* on : targets)
            conn->Execute(
                QStringLiteral("CREATE TEMP TRIGGER fault%1 BEFORE %2 BEGIN %3").arg(++n).arg(QLatin1String(on), body));
        return conn;
    });
}

TEST_F(ImportFaultTest, FailingWriteAtAnyStatementLeavesTheMainDatabaseAsItWas) {
    const QString everything = Everything();
    const auto chosen = Dates(1, {kDateA, kDateB, kDateC});
    int failures = 0;
    for (int k = 1;; ++k) {
        SCOPED_TRACE(k);
        FailWriteNumber(k);
        const ImportOutcome outcome = ImportExaminations(1, 5, chosen);
        SetConnectionFactory(nullptr);
        ResetAllSlots();
        if (outcome.imported) break;  // k passed the last write
        ++failures;
        // The engine's own words go to the log.
        EXPECT_TRUE(FailureLogText(outcome.failure).contains(QStringLiteral("injected write failure")))
            << FailureLogText(outcome.failure).toStdString();
        EXPECT_TRUE(FailureText(outcome.failure).startsWith(QStringLiteral("インポートできませんでした。")));
        EXPECT_EQ(Everything(), everything);
    }
    // The clinic name, the patient, the three rows of date A that go, the
    // ten new rows and their ten counter advances.
    EXPECT_EQ(failures, 1 + 1 + 3 + 10 + 10);
}

TEST_F(ImportFaultTest, KilledImportLeavesTheMainDatabaseAsItWas) {
    const QString everything = Everything();
    const auto chosen = Dates(1, {kDateA, kDateB});
    for (int k = 1;; ++k) {
        SCOPED_TRACE(k);
        const ChildEnd end = RunInChild([&] { ImportExaminations(1, 5, chosen, KillAt(k)); });
        if (end == ChildEnd::RanThrough) break;  // no step k: the import ran through
        ASSERT_EQ(end, ChildEnd::Killed);
        EXPECT_EQ(Everything(), everything);
        ResetAllSlots();
    }
}

TEST_F(ImportFaultTest, ImportTabReportsAFailedImportNamingTheDateAndClearsForTheNextPatient) {
    const QString everything = Everything();
    PFrmImport form([] {});
    form.Form_Load();
    form.TxtInNo->setText(QStringLiteral("1001"));
    ASSERT_EQ(form.LstVX3->count(), 4);
    Click(form.ButtonWindow(QStringLiteral("CmdAllOn")));
    EXPECT_EQ(form.LstVX3->selectedItems().size(), 4);
    Click(form.ButtonWindow(QStringLiteral("CmdAllOff")));
    EXPECT_TRUE(form.LstVX3->selectedItems().isEmpty());
    form.LstVX3->item(0)->setSelected(true);
    form.CmbOutNo->setCurrentIndex(form.CmbOutNo->findData(5));
    emit form.CmbOutNo->activated(form.CmbOutNo->currentIndex());
    ASSERT_EQ(form.LstPRL->count(), 2);

    // The third write deletes the first of case 5's rows of 2010/04/01.
    FailWriteNumber(3);
    boxes.Answer(platform::kYes);
    Click(form.ButtonWindow(QStringLiteral("CmdImport")));
    SetConnectionFactory(nullptr);
    ASSERT_EQ(boxes.Shown().size(), 2u);
    EXPECT_EQ(boxes.Shown()[1].caption, QStringLiteral("インポートエラー"));
    EXPECT_TRUE(boxes.Shown()[1].prompt.contains(QStringLiteral("検査日：2010/04/01")));
    EXPECT_EQ(Everything(), everything);
    EXPECT_EQ(form.LstPRL->count(), 2);

    Click(form.ButtonWindow(QStringLiteral("CmdNext")));
    EXPECT_TRUE(form.TxtInNo->text().isEmpty());
    EXPECT_EQ(form.LstVX3->count(), 0);
    EXPECT_EQ(form.LstPRL->count(), 0);
    EXPECT_EQ(form.CmbOutNo->currentIndex(), -1);
    EXPECT_EQ(form.SourcePatientID, -1);  // the empty text's patient 9 is not taken
    EXPECT_TRUE(form.LblName[0]->text().isEmpty());
    form.close();
}

TEST_F(ImportFaultTest, SiblingFileTheImportCannotReadIsReportedOnceWhileTyping) {
    OpenDb(sibling)->Execute(QStringLiteral("DROP TABLE TExamStatus"));
    PFrmImport form([] {});
    form.Form_Load();
    for (const char* typed : {"1", "10", "100", "1001"}) form.TxtInNo->setText(QLatin1String(typed));
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_TRUE(boxes.Shown()[0].prompt.contains(QStringLiteral("TExamStatus")));
    EXPECT_EQ(form.SourcePatientID, -1);
    EXPECT_EQ(form.LstVX3->count(), 0);
    form.close();
}

TEST(EraDates, EraBoundariesAndTheAgeAroundTheBirthday) {
    const std::vector<std::pair<QDate, const char*>> cases = {
        {QDate(1867, 12, 31), "1867年12月31日"},   {QDate(1868, 1, 1), "明治01年01月01日"},
        {QDate(1912, 7, 29), "明治45年07月29日"},  {QDate(1912, 7, 30), "大正01年07月30日"},
        {QDate(1926, 12, 24), "大正15年12月24日"}, {QDate(1926, 12, 25), "昭和01年12月25日"},
        {QDate(1989, 1, 7), "昭和64年01月07日"},   {QDate(1989, 1, 8), "平成01年01月08日"},
        {QDate(2010, 4, 1), "平成22年04月01日"},   {QDate(2019, 4, 30), "平成31年04月30日"},
        {QDate(2019, 5, 1), "令和01年05月01日"},
    };
    for (const auto& [date, text] : cases) EXPECT_EQ(FormatEraDate(date), QString::fromUtf8(text)) << text;
    EXPECT_EQ(FormatEraDate(QDate()), QString());

    platform::FakeClock clock;
    clock.SetNow(QDateTime(QDate(2026, 12, 8), QTime(10, 0)));
    EXPECT_EQ(BirthdayLabel(QDate(2000, 12, 9)), QStringLiteral("平成12年12月09日  25歳"));
    EXPECT_EQ(BirthdayLabel(QDate(2000, 12, 8)), QStringLiteral("平成12年12月08日  26歳"));
    EXPECT_EQ(BirthdayLabelOf(QStringLiteral("1950/03/04")), QStringLiteral("昭和25年03月04日  76歳"));
    EXPECT_EQ(BirthdayLabelOf(QStringLiteral("不明")), QString());
}

}  // namespace
}  // namespace mox::test
