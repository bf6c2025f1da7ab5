// The start-up work without its fixed waits: making the main database from
// the template, the version check, and creating the shared record objects.

#include "bench/bench_main.h"
#include "core/connections.h"
#include "core/files.h"
#include "core/settings.h"
#include "core/version.h"
#include "records/shared_records.h"

#include <benchmark/benchmark.h>
#include <QFile>
#include <QTemporaryDir>

namespace {

void BM_TemplateCopy(benchmark::State& state) {
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("VXMOX2.MDB"));
    for (auto _ : state) {
        QFile::remove(target);
        benchmark::DoNotOptimize(mox::CopyFile(mox::bench::TemplatePath(), target));
    }
}
BENCHMARK(BM_TemplateCopy);

void BM_VersionCheck(benchmark::State& state) {
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("VXMOX2.MDB"));
    QFile::copy(mox::bench::TemplatePath(), target);
    mox::G().SetMainDatabase(target);
    for (auto _ : state) benchmark::DoNotOptimize(mox::CheckDbVersion());
    mox::ResetAllSlots();
}
BENCHMARK(BM_VersionCheck);

void BM_SharedObjects(benchmark::State& state) {
    for (auto _ : state) {
        mox::CreateGlobalObjects();
        mox::ReleaseGlobalObjects();
    }
}
BENCHMARK(BM_SharedObjects);

}  // namespace

int main(int argc, char** argv) { return mox::bench::RunConsoleBenchmarks(argc, argv); }
