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
    explicit ProgramFolder(int rows) {
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
    QTemporaryDir dir_;
};

const ProgramFolder& FolderOf(int rows) {
    static std::map<int, std::unique_ptr<ProgramFolder>> folders;
    auto& folder = folders[rows];
    if (!folder) folder = std::make_unique<ProgramFolder>(rows);
    return *folder;
}

void MeasureStarts(benchmark::State& state, bool firstStart) {
    const ProgramFolder& folder = FolderOf(static_cast<int>(state.range(0)));
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
