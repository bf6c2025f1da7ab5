// The import of one patient with four examinations (24 rows) from the
// sibling product's database, from the user's Yes to the commit (and the
// plaque upgrade after it), with the sibling's tables in an SQLite file and
// the same file reached through ODBC as the SQL Server catalogs are. Also
// the lookup that runs at each key stroke of the chart number, with the
// sibling connection held as the tools window holds it. Aim: under 200 ms
// per import.

#include "bench/bench_main.h"
#include "core/connections.h"
#include "core/settings.h"
#include "platform/db/database.h"
#include "platform/message_box.h"
#include "records/shared_records.h"
#include "tools/image_record.h"
#include "tools/sibling_import.h"

#include <benchmark/benchmark.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

using namespace mox;

QString FindSqliteOdbcDriver() {
    QStringList candidates;
    for (const QString& lib : QDir(QStringLiteral("/usr/lib")).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        candidates << QStringLiteral("/usr/lib/%1/odbc/libsqlite3odbc.so").arg(lib);
    for (const QString& c : candidates)
        if (QFileInfo::exists(c)) return c;
    return {};
}

struct Clinic {
    Clinic() {
        main = dir.filePath(QStringLiteral("VXMOX2.MDB"));
        QFile::copy(bench::TemplatePath(), main);
        QFile::setPermissions(main, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        G().ProgramDir = dir.path();
        G().SetMainDatabase(main);
        CreateGlobalObjects();
        CImage().CheckTable();

        sibling = dir.filePath(QStringLiteral("vx2.MDB"));
        auto conn = db::Connection::CreateFile(sibling);
        conn->Execute(
            QStringLiteral("CREATE TABLE TPatient (ID LONG, KalteNumber TEXT(20), Ruby TEXT(50), "
                           "Name TEXT(50), BirthDay DATETIME, Sex INTEGER)"));
        conn->Execute(QStringLiteral(
            "CREATE TABLE TExamData (ID LONG, PatientID LONG, ExamDate DATETIME, Row LONG, Examination LONG, "
            "SubExam LONG, Data1 TEXT(144), Data2 TEXT(144), Data3 TEXT(144), Data4 TEXT(144), Bui TEXT(192), "
            "PocketFree INTEGER, StartTime DATETIME, EndTime DATETIME, ChargeID LONG, IsPrinted BIT, "
            "\"UpDate\" DATETIME, CommentID INTEGER, Comment TEXT(50))"));
        conn->Execute(
            QStringLiteral("CREATE TABLE TExamStatus (ID LONG, PatientID LONG, ExamDate DATETIME, "
                           "TreatLGID LONG, TreatMGID INTEGER, TreatMG TEXT(50))"));
        db::Transaction fill(*conn);
        for (int p = 1; p <= 2000; ++p)
            conn->Execute(QStringLiteral("INSERT INTO TPatient VALUES (?, ?, 'ヤマダ', '山田 太郎', "
                                         "'1950-03-04 00:00:00', 1)"),
                          {p, QString::number(100000 + p)});
        const QString values = QString(QStringLiteral("  3")).repeated(48);
        const QString bui = QString(QStringLiteral("     0")).repeated(32);
        int id = 1;
        for (int exam = 0; exam < 4; ++exam) {
            const QString date = QStringLiteral("2019-0%1-10 00:00:00").arg(exam + 1);
            for (const auto& [row, item] : {std::pair{0, 2}, {1, 1}, {2, 13}, {3, 3}, {9, 2}, {10, 2}})
                conn->Execute(QStringLiteral("INSERT INTO TExamData (ID, PatientID, ExamDate, Row, Examination, "
                                             "SubExam, Data1, Data2, Data3, Data4, Bui, PocketFree, ChargeID, "
                                             "IsPrinted) VALUES (?, 1, ?, ?, 2, ?, ?, ?, ?, ?, ?, 0, 1, 0)"),
                              {id++, date, row, item, values, values, values, values, bui});
            conn->Execute(QStringLiteral("INSERT INTO TExamStatus VALUES (?, 1, ?, 7, ?, '')"),
                          {exam + 1, date, exam + 1});
        }
        fill.Commit();
        conn->Close();

        platform::SetMsgBoxResponder([](const platform::ShownBox& b) {
            std::fprintf(stderr, "%s\n", qPrintable(b.prompt));
            return platform::kCancel;
        });
        const QString driver = FindSqliteOdbcDriver();
        if (!driver.isEmpty()) {
            QFile ini(dir.filePath(QStringLiteral("odbcinst.ini")));
            ini.open(QIODevice::WriteOnly);
            ini.write(QStringLiteral("[MoxSQLite3]\nDriver=%1\n").arg(driver).toUtf8());
            ini.close();
            qputenv("ODBCSYSINI", dir.path().toLocal8Bit());
            qputenv("ODBCINSTINI", "odbcinst.ini");
            odbc = true;
        }
    }
    // The sibling database as the benchmark's argument names it (1: through
    // ODBC); false, with the run skipped, when that driver is missing.
    bool UseFor(benchmark::State& state) {
        const bool throughOdbc = state.range(0) == 1;
        if (throughOdbc && !odbc) {
            state.SkipWithError("SQLite ODBC driver missing");
            return false;
        }
        Use(throughOdbc);
        return true;
    }
    void Use(bool throughOdbc) {
        ResetAllSlots();
        if (!throughOdbc) {
            G().SharedDbKind = 1;
            G().SharedDbSource = db::DataSourcePart(sibling);
            SetConnectionFactory(nullptr);
            return;
        }
        G().SharedDbKind = 2;
        G().SharedDbSource = QStringLiteral("Data Source=SERVER\\HLX;");
        const QString catalog = QStringLiteral("Driver={MoxSQLite3};Database=%1;").arg(sibling);
        SetConnectionFactory([catalog](const QString& cs) {
            return db::Connection::Open(cs.startsWith(QStringLiteral("Provider=SQLOLEDB")) ? catalog : cs);
        });
    }

    QTemporaryDir dir;
    QString main, sibling;
    bool odbc = false;
};

Clinic& TheClinic() {
    static Clinic clinic;
    return clinic;
}

void BM_ImportFourExaminations(benchmark::State& state) {
    if (!TheClinic().UseFor(state)) return;
    const std::vector<SourceExamDate> dates = ListSourceExamDates(1);
    for (auto _ : state) {
        if (!ImportExaminations(1, 3, dates).imported) state.SkipWithError("import failed");
    }
    state.counters["rows"] = 24;
}
BENCHMARK(BM_ImportFourExaminations)->Arg(0)->Arg(1)->ArgName("odbc")->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LookupPerKeyStroke(benchmark::State& state) {
    if (!TheClinic().UseFor(state)) return;
    OpenSharedDbOrEnd();  // held, as the tools window holds it
    const QString typed = QStringLiteral("101999");
    int n = 0;
    for (auto _ : state) benchmark::DoNotOptimize(FindSourcePatient(typed.left(1 + n++ % typed.size())));
    ReleaseSharedDb();
}
BENCHMARK(BM_LookupPerKeyStroke)->Arg(0)->Arg(1)->ArgName("odbc")->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
