// The conversion of a Windows (Access) database into this system's format
// (records/jet_conversion.h), on a clinic-size file when MOX_BENCH_JET names
// one (as `make_windows_databases.py TEMPLATE --clinic FILE 15000 120000`
// writes it). Each run converts in a child process, so that the child's peak
// memory (ru_maxrss) is the conversion's own; the reader it starts is
// measured apart. Reported: the conversion in milliseconds (manual time),
// the peak resident memory of the converting process and of the reader in
// MiB, and the rows converted; scripts/bench.sh sets the time beside the
// sqlite3 shell inserting the same rows into a copy of the template.

#include "bench/bench_main.h"
#include "core/settings.h"
#include "records/jet_conversion.h"

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

const char* const kChildFlag = "--convert";

int RunConversion(const QString& jet, const QString& work) {
    G().ProgramDir = bench::ProgramDir();
    qint64 rows = 0;
    QElapsedTimer timer;
    timer.start();
    const JetConversion c = FillFromJetDatabase(jet, work, [&rows](const JetProgress& p) { rows = p.done; });
    const qint64 ns = timer.nsecsElapsed();
    if (!c.Converted()) {
        std::fprintf(stderr, "%s\n%s\n", qPrintable(FailureText(c.failure)), qPrintable(c.failure.detail));
        return 3;
    }
    rusage self{}, reader{};
    getrusage(RUSAGE_SELF, &self);
    getrusage(RUSAGE_CHILDREN, &reader);
    std::printf("%lld %ld %ld %lld\n", static_cast<long long>(ns), self.ru_maxrss, reader.ru_maxrss,
                static_cast<long long>(rows));
    return 0;
}

void BM_ConvertWindowsDatabase(benchmark::State& state) {
    const QString source = QString::fromLocal8Bit(qgetenv("MOX_BENCH_JET"));
    if (source.isEmpty() || !QFileInfo(source).isFile()) {
        state.SkipWithError("no Windows database (MOX_BENCH_JET)");
        return;
    }
    QTemporaryDir dir;
    double peakMiB = 0, readerMiB = 0, rows = 0;
    for (auto _ : state) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(),
                    {QLatin1String(kChildFlag), source, dir.filePath(QStringLiteral("VXCV.MDB"))});
        const bool finished = child.waitForFinished(600'000);
        const QStringList fields = QString::fromLatin1(child.readAllStandardOutput()).trimmed().split(QLatin1Char(' '));
        if (!finished || child.exitCode() != 0 || fields.size() != 4) {
            state.SkipWithError("the conversion failed");
            return;
        }
        state.SetIterationTime(fields[0].toDouble() / 1e9);
        peakMiB = std::max(peakMiB, fields[1].toDouble() / 1024.0);
        readerMiB = std::max(readerMiB, fields[2].toDouble() / 1024.0);
        rows = fields[3].toDouble();
    }
    state.counters["peak_MiB"] = peakMiB;
    state.counters["reader_MiB"] = readerMiB;
    state.counters["rows"] = rows;
    state.counters["MB"] = static_cast<double>(QFileInfo(source).size()) / 1e6;
}

BENCHMARK(BM_ConvertWindowsDatabase)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // The Access reader lies in the program folder, not beside the benchmark.
    if (qEnvironmentVariableIsEmpty("MOX_PROGRAM_DIR"))
        qputenv("MOX_PROGRAM_DIR", QFile::encodeName(bench::ProgramDir()));
    if (argc == 4 && qstrcmp(argv[1], kChildFlag) == 0)
        return RunConversion(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
