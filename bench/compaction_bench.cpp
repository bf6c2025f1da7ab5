// The exit compaction (core/compaction.h) of a main database: the template,
// and a clinic's database when MOX_BENCH_DB names one (as
// `startup_at_clinic_size_bench --make-clinic-db FILE 120000` writes it).
// Each run compacts a fresh copy of the file in a child process, so that the
// child's peak memory (ru_maxrss) is the compaction's own; the fixed wait of
// an attempt passes at once. Reported: the attempt in milliseconds (manual
// time), the child's peak resident memory in MiB and the file's size;
// scripts/bench.sh sets the time beside `sqlite3 FILE "VACUUM INTO ..."` and
// two `PRAGMA integrity_check` of the same file (the attempt checks the
// database and its compacted copy).

#include "bench/bench_main.h"
#include "core/compaction.h"
#include "core/settings.h"
#include "platform/clock.h"
#include "platform/message_box.h"

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

namespace {

using namespace mox;

const char* const kChildFlag = "--compact";

// ---- The child: one attempt -------------------------------------------------

int RunCompaction(const QString& folder) {
    platform::FakeClock clock;
    platform::SetMsgBoxResponder([](const platform::ShownBox& box) {
        std::fprintf(stderr, "box: %s\n", qPrintable(box.prompt));
        return platform::DefaultAnswer(box.style);
    });
    G().SetMainDatabase(folder + QStringLiteral("/VXMOX2.MDB"));

    QElapsedTimer timer;
    timer.start();
    const bool compacted = CompactDatabase(1);
    const qint64 ns = timer.nsecsElapsed();

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%lld %ld\n", static_cast<long long>(ns), usage.ru_maxrss);
    return compacted ? 0 : 3;
}

// ---- The parent ----------------------------------------------------------------

void MeasureCompaction(benchmark::State& state, const QString& source) {
    if (source.isEmpty() || !QFileInfo(source).isFile()) {
        state.SkipWithError("no database to compact");
        return;
    }
    QTemporaryDir dir;
    const QString main = dir.filePath(QStringLiteral("VXMOX2.MDB"));
    double peakMiB = 0;
    for (auto _ : state) {
        QFile::remove(main);
        if (!QFile::copy(source, main) ||
            !QFile::setPermissions(main, QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
            state.SkipWithError("the copy of the database failed");
            return;
        }
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(), {QLatin1String(kChildFlag), dir.path()});
        const bool finished = child.waitForFinished(600'000);
        const QStringList fields = QString::fromLatin1(child.readAllStandardOutput()).split(QLatin1Char(' '));
        if (!finished || child.exitCode() != 0 || fields.size() != 2) {
            state.SkipWithError("the compaction failed");
            return;
        }
        state.SetIterationTime(fields[0].toDouble() / 1e9);
        peakMiB = std::max(peakMiB, fields[1].toDouble() / 1024.0);
    }
    state.counters["peak_MiB"] = peakMiB;
    state.counters["MB"] = static_cast<double>(QFileInfo(source).size()) / 1e6;
}

void BM_CompactTemplate(benchmark::State& state) { MeasureCompaction(state, bench::TemplatePath()); }
void BM_CompactClinicDb(benchmark::State& state) {
    MeasureCompaction(state, QString::fromLocal8Bit(qgetenv("MOX_BENCH_DB")));
}

BENCHMARK(BM_CompactTemplate)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_CompactClinicDb)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], kChildFlag) == 0) return RunCompaction(QString::fromLocal8Bit(argv[2]));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
