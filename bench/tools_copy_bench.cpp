// Backup and restore of a clinic's database beside `cp` of the same file on
// the same disk followed by a sync (a backup must be synced), and the
// engine's full check of the file (both check the database whole before it
// replaces anything). The goal: a backup, and a restore, within 1.3 times
// that copy and check.
//
// The database is the template with a busy clinic's generated examination
// rows (bench/clinic_db.h, about 121 MB), made once in one transaction;
// MOX_BENCH_DB=<file> measures a copy of that file instead. The ratios are
// printed after the table.

#include "bench/bench_main.h"
#include "bench/clinic_db.h"
#include "core/connections.h"
#include "core/database_integrity.h"
#include "core/settings.h"
#include "platform/db/database.h"
#include "platform/message_box.h"
#include "tools/database_copy.h"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>

namespace {

using namespace mox;

[[noreturn]] void GiveUp(const QString& why) {
    std::fprintf(stderr, "tools_copy_bench: %s\n", qPrintable(why));
    std::exit(1);
}

struct Clinic {
    Clinic() {
        if (!dir.isValid()) GiveUp(QStringLiteral("no temporary folder"));
        main = dir.filePath(QStringLiteral("VXMOX2.MDB"));
        const QString given = qEnvironmentVariable("MOX_BENCH_DB");
        const QString from = given.isEmpty() ? bench::TemplatePath() : given;
        if (!QFile::copy(from, main)) GiveUp(QStringLiteral("cannot copy %1").arg(from));
        QFile::setPermissions(main, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        try {
            if (given.isEmpty()) bench::AddExaminationRows(main, bench::kClinicRows);
        } catch (const db::DbError& e) {
            GiveUp(e.Description());
        }
        bytes = QFileInfo(main).size();
        source = dir.filePath(QStringLiteral("VXMOX2_source.MDB"));
        QFile::copy(main, source);
        G().ProgramDir = dir.path();
        G().SetMainDatabase(main);
        platform::SetMsgBoxResponder([](const platform::ShownBox& b) {
            std::fprintf(stderr, "%s\n", qPrintable(b.prompt));
            return platform::kYes;
        });
    }
    QTemporaryDir dir;
    QString main, source;
    qint64 bytes = 0;
};

Clinic& TheClinic() {
    static Clinic clinic;
    return clinic;
}

void Report(benchmark::State& state, qint64 bytes) {
    state.SetBytesProcessed(state.iterations() * bytes);
    state.counters["MB"] = static_cast<double>(bytes) / 1e6;
}

// Times `copy` of the main database onto a fresh target in the clinic's
// folder.
void TimeCopies(benchmark::State& state, const char* targetName,
                const std::function<bool(const QString& source, const QString& target)>& copy, const char* failure) {
    Clinic& c = TheClinic();
    const QString target = c.dir.filePath(QString::fromLatin1(targetName));
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(target);
        state.ResumeTiming();
        if (!copy(c.main, target)) state.SkipWithError(failure);
    }
    Report(state, c.bytes);
}

// `cp` itself, as a user would run it; then synced, as a backup is.
void Cp(benchmark::State& state, bool synced) {
    TimeCopies(
        state, "cp.MDB",
        [synced](const QString& source, const QString& target) {
            if (QProcess::execute(QStringLiteral("cp"), {source, target}) != 0) return false;
            if (synced) {
                const int fd = ::open(QFile::encodeName(target).constData(), O_RDONLY | O_CLOEXEC);
                ::fsync(fd);
                ::close(fd);
            }
            return true;
        },
        "cp failed");
}
void BM_Cp(benchmark::State& state) { Cp(state, false); }
void BM_CpSynced(benchmark::State& state) { Cp(state, true); }
BENCHMARK(BM_Cp)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CpSynced)->Unit(benchmark::kMillisecond)->UseRealTime();

// The engine's full check of the same file (PRAGMA integrity_check).
void BM_Check(benchmark::State& state) {
    Clinic& c = TheClinic();
    for (auto _ : state) {
        auto conn = db::Connection::Open(db::DataSourcePart(c.main));
        if (!IsSoundDatabase(*conn, c.main)) state.SkipWithError("the database is damaged");
        conn->Close();
    }
    Report(state, c.bytes);
}
BENCHMARK(BM_Check)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_BackUp(benchmark::State& state) {
    TimeCopies(
        state, "backup.MDB",
        [](const QString& source, const QString& target) { return BackUpDatabase(source, target); }, "backup failed");
}
BENCHMARK(BM_BackUp)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Restore(benchmark::State& state) {
    Clinic& c = TheClinic();
    for (auto _ : state) {
        state.PauseTiming();
        for (const QString& f : QDir(c.dir.path()).entryList({QStringLiteral("VXMOX2_2*.MDB")}, QDir::Files))
            QFile::remove(c.dir.filePath(f));
        state.ResumeTiming();
        if (!RestoreDatabase(c.source, c.main, c.dir.path(), QStringLiteral("VXMOX2")).restored)
            state.SkipWithError("restore failed");
    }
    Report(state, c.bytes);
}
// The database layer keeps a descriptor of every file it has opened for the
// life of the process, so each run's replaced database stays on the disk
// however the loop removes its safety copy; a few runs keep that pile from
// growing into the figure (a clinic restores once, not hundreds of times).
BENCHMARK(BM_Restore)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// Keeps each benchmark's time (the median where repetitions give one) for
// the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            const std::string name = run.run_name.function_name;
            if (run.run_type == Run::RT_Aggregate) {
                if (run.aggregate_name == "median") medians_[name] = run.GetAdjustedRealTime();
            } else {
                times_[name] = run.GetAdjustedRealTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    double Time(const std::string& name) const {
        if (auto it = medians_.find(name); it != medians_.end()) return it->second;
        auto it = times_.find(name);
        return it == times_.end() ? 0 : it->second;
    }

private:
    std::map<std::string, double> medians_, times_;
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double cp = reporter.Time("BM_Cp"), cpSynced = reporter.Time("BM_CpSynced");
    const double check = reporter.Time("BM_Check");
    for (const char* what : {"BM_BackUp", "BM_Restore"}) {
        const double t = reporter.Time(what);
        if (t <= 0 || cp <= 0 || cpSynced <= 0 || check <= 0) continue;
        std::printf("%-11s %.2f x cp, %.2f x (cp+sync+check) (goal <= 1.3 x (cp+sync+check))\n", what, t / cp,
                    t / (cpSynced + check));
    }
    benchmark::Shutdown();
    return 0;
}
