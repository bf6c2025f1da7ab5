// The start-up work of VXMOX on a main database of a clinic's size: the
// steps that Main runs between the database check and the splash window
// (paths, version check, version file, module registration, shared objects,
// database upgrade, tooth tables), without the specified waits. Each run is
// a fresh child process, so that its peak memory (ru_maxrss) is the start's
// own. The database holds the template plus generated examinations, six rows
// each, all already current: nothing needs upgrading, and the work should not
// grow with the table.
//
// Reported per row count: the work in milliseconds (the benchmark's manual
// time) and the child's peak resident memory in MiB; "first start" registers
// the control modules into a fresh registry file, "later start" finds them.
// "first start on a 0.1.0 file" starts on a copy of the same database made
// older, as a converted file of release 0.1.0 comes to its first start: the
// whole upgrade runs, and the work is the upgrade's.
//
// `startup_at_clinic_size_bench --make-clinic-db FILE ROWS` writes such a
// main database of ROWS generated examination rows, as a start leaves it, to
// FILE; the other benchmarks take it through MOX_BENCH_DB.

#include "bench/bench_main.h"
#include "bench/clinic_db.h"
#include "controls/colour_button/prismet_properties.h"
#include "controls/tooth_button/tooth_button_ids.h"
#include "core/connections.h"
#include "core/program_paths.h"
#include "core/settings.h"
#include "core/tooth_tables.h"
#include "core/version.h"
#include "platform/clock.h"
#include "platform/com/control_host.h"
#include "platform/db/database.h"
#include "platform/message_box.h"
#include "records/exam_record.h"
#include "records/shared_records.h"
#include "upgrade/upgrade.h"

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <map>
#include <memory>

namespace {

using namespace mox;

const char* const kChildFlag = "--start-up-work";
const char* const kMakeDbFlag = "--make-clinic-db";
const char* const kModules[][2] = {{"libMolarix.so", molarix::kToothButtonClsid},
                                   {"libPrismet.so", prismet::kClsidPrismet}};

// ---- The child: one start ---------------------------------------------------

int RunStartUpWork(const QString& folder) {
    platform::FakeClock clock;  // the specified waits pass at once
    int boxes = 0;
    platform::SetMsgBoxResponder([&boxes](const platform::ShownBox& box) {
        ++boxes;
        std::fprintf(stderr, "box: %s\n", qPrintable(box.prompt));
        return platform::DefaultAnswer(box.style);
    });

    QElapsedTimer timer;
    timer.start();
    SetupDatabasePaths(folder, QStringLiteral("VXMOX"));
    if (!CheckDbVersion() || !WriteVersionFile()) return 2;
    for (const auto& module : kModules)
        com::EnsureModuleRegistered(folder + QLatin1Char('/') + QLatin1String(module[0]), QLatin1String(module[1]));
    CreateGlobalObjects();
    UpgradeDatabaseContent();
    MakeToothLabels();
    MakeToothPictureNames();
    MakeToothNumberTable();
    const qint64 workNs = timer.nsecsElapsed();

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%lld %ld %d\n", static_cast<long long>(workNs), usage.ru_maxrss, boxes);
    ResetAllSlots();
    return 0;
}

// ---- The parent: program folders and measured starts --------------------------

using bench::kClinicRows;

// A program folder with the modules, the template and a main database of
// `rows` generated examination rows; made once per size.
class ProgramFolder {
public:
    enum class Release { Current, Release010 };
    explicit ProgramFolder(int rows, Release release = Release::Current) : release_(release) {
        for (const char* name : {"VXMOX2_ORG.MDB", "libMolarix.so", "libPrismet.so"})
            QFile::copy(bench::ProgramDir() + QLatin1Char('/') + QLatin1String(name), Path(name));
        const QString made = qEnvironmentVariable("MOX_BENCH_DB");
        if (rows == kClinicRows && !made.isEmpty()) {
            QFile::copy(made, Path("VXMOX2.MDB"));
        } else {
            QFile::copy(Path("VXMOX2_ORG.MDB"), Path("VXMOX2.MDB"));
            bench::AddExaminationRows(Path("VXMOX2.MDB"), rows);
        }
        QFile::setPermissions(Path("VXMOX2.MDB"), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        Start(true);  // the first upgrade of a new file may do more: not measured
        if (release_ == Release::Release010) {
            MakeRelease010(Path("VXMOX2.MDB"));
            QFile::rename(Path("VXMOX2.MDB"), Path(kRelease010File));
        }
    }
    QString Path(const char* name) const { return dir_.filePath(QLatin1String(name)); }

    struct Result {
        double workMs = 0;
        double peakMiB = 0;
        int boxes = 0;
        bool ok = false;
    };
    Result Start(bool freshRegistry) const {
        if (freshRegistry) QFile::remove(Path("registry.ini"));
        if (release_ == Release::Release010 && QFile::exists(Path(kRelease010File))) {
            QFile::remove(Path("VXMOX2.MDB"));
            if (!QFile::copy(Path(kRelease010File), Path("VXMOX2.MDB"))) return {};
        }
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("VXMOX_REGISTRY"), Path("registry.ini"));
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(), {QLatin1String(kChildFlag), dir_.path()});
        Result result;
        if (!child.waitForFinished(120'000) || child.exitCode() != 0) return result;
        const QStringList fields = QString::fromLatin1(child.readAllStandardOutput()).split(QLatin1Char(' '));
        if (fields.size() != 3) return result;
        result.workMs = fields[0].toDouble() / 1e6;
        result.peakMiB = fields[1].toDouble() / 1024.0;
        result.boxes = fields[2].toInt();
        result.ok = true;
        return result;
    }

private:
    static constexpr const char* kRelease010File = "VXMOX2_010.MDB";

    // Makes a current database one of release 0.1.0, in the ways the upgrade
    // tests make an older file: the one index of the examination rows of that
    // release, the stage names of its occasion table and of half the rows,
    // plaque rows without their not-examined marks and a value on an implant
    // in half of them, the item settings before the change, the version row
    // 0.1.0; and Nulls where the Windows release left columns empty.
    static void MakeRelease010(const QString& file) {
        auto conn = db::Connection::Open(db::DataSourcePart(file));
        db::Transaction transaction(*conn);
        for (const char* index :
             {"TExamDataPatientDateOccasion", "TExamDataOccasion", "TExamDataPatientOccasion", "TExamDataPlaqueToFix"})
            conn->Execute(QStringLiteral("DROP INDEX IF EXISTS ") + QLatin1String(index));
        conn->Execute(QStringLiteral("CREATE INDEX TExamDataPatientDate ON TExamData (PatientID, ExamDate)"));
        conn->Execute(QStringLiteral("UPDATE TExamData SET Comment = CASE CommentID WHEN 3 THEN ? WHEN 4 THEN ? "
                                     "ELSE Comment END"),
                      {QStringLiteral("ＳＰＴ①"), QStringLiteral("ＳＰＴ②")});
        conn->Execute(QStringLiteral("UPDATE TComType SET Comment=?, CommentDR=?, CommentDH=? WHERE ID=4"),
                      {QStringLiteral("ＳＰＴ②"), QStringLiteral("ＳＰＴ②"), QStringLiteral("ＳＰＴ②")});
        const int implantSite = 21 * kSiteValueWidth;  // lower right first molar, an implant in every row
        conn->Execute(QStringLiteral("UPDATE TExamData SET Data2 = ? || substr(Data2, ?) WHERE SubExam = 3"),
                      {QStringLiteral("128").repeated(32), 32 * kSiteValueWidth + 1});
        conn->Execute(QStringLiteral("UPDATE TExamData SET Data1 = substr(Data1, 1, ?) || '  2' || substr(Data1, ?) "
                                     "WHERE SubExam = 3 AND ID % 2 = 0"),
                      {implantSite, implantSite + kSiteValueWidth + 1});
        conn->Execute(QStringLiteral("UPDATE TExamData SET PocketFree = NULL, StartTime = NULL WHERE ID % 7 = 0"));
        conn->Execute(QStringLiteral("UPDATE TExamData SET ChargeID = NULL WHERE ID % 11 = 0"));
        conn->Execute(QStringLiteral("UPDATE TSubExam SET GradPart2 = 7 WHERE ID = 2"));
        conn->Execute(QStringLiteral("UPDATE TVersion SET Major = 0, Minor = 1, Revision = 0 WHERE ID = 1"));
        transaction.Commit();
        conn->Close();
    }

    QTemporaryDir dir_;
    Release release_;
};

const ProgramFolder& FolderOf(int rows, ProgramFolder::Release release = ProgramFolder::Release::Current) {
    static std::map<std::pair<int, ProgramFolder::Release>, std::unique_ptr<ProgramFolder>> folders;
    auto& folder = folders[{rows, release}];
    if (!folder) folder = std::make_unique<ProgramFolder>(rows, release);
    return *folder;
}

void MeasureStarts(benchmark::State& state, bool firstStart,
                   ProgramFolder::Release release = ProgramFolder::Release::Current) {
    const ProgramFolder& folder = FolderOf(static_cast<int>(state.range(0)), release);
    double peak = 0;
    for (auto _ : state) {
        const ProgramFolder::Result r = folder.Start(firstStart);
        if (!r.ok || r.boxes != 0) {
            state.SkipWithError("the start-up work failed or showed a message box");
            return;
        }
        state.SetIterationTime(r.workMs / 1000.0);
        peak = std::max(peak, r.peakMiB);
    }
    state.counters["peak_MiB"] = peak;
    state.counters["exam_rows"] = static_cast<double>(state.range(0));
}

void BM_FirstStart(benchmark::State& state) { MeasureStarts(state, true); }
void BM_LaterStart(benchmark::State& state) { MeasureStarts(state, false); }
void BM_FirstStartOnRelease010File(benchmark::State& state) {
    MeasureStarts(state, false, ProgramFolder::Release::Release010);
}

BENCHMARK(BM_FirstStart)
    ->Arg(0)
    ->Arg(40'000)
    ->Arg(kClinicRows)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
BENCHMARK(BM_LaterStart)
    ->Arg(0)
    ->Arg(40'000)
    ->Arg(kClinicRows)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
BENCHMARK(BM_FirstStartOnRelease010File)
    ->Arg(kClinicRows)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// Writes the main database of a program folder of `rows` examination rows to
// `file`, through a temporary file beside it.
int MakeClinicDb(const QString& file, int rows) {
    qunsetenv("MOX_BENCH_DB");
    const ProgramFolder folder(rows);
    const QString written = file + QStringLiteral(".tmp");
    QFile::remove(written);
    if (!QFile::copy(folder.Path("VXMOX2.MDB"), written)) return 1;
    QFile::remove(file);
    return QFile::rename(written, file) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], kChildFlag) == 0) return RunStartUpWork(QString::fromLocal8Bit(argv[2]));
    if (argc == 4 && qstrcmp(argv[1], kMakeDbFlag) == 0) {
        bool ok = false;
        const int rows = QByteArray(argv[3]).toInt(&ok);
        if (!ok || rows < 0) {
            std::fprintf(stderr, "usage: %s %s FILE ROWS\n", argv[0], kMakeDbFlag);
            return 2;
        }
        return MakeClinicDb(QString::fromLocal8Bit(argv[2]), rows);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
