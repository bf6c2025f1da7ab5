// The converter's work on twenty patients: ten from each database of the
// older release, each with a number of examinations of six rows, into slots
// 1..20 of a fresh copy of the template. Measured with and without the copy
// of the database that every conversion makes first.

#include "bench/bench_main.h"
#include "converter/conversion_backup.h"
#include "converter/converter_start.h"
#include "converter/patient_copy.h"
#include "core/connections.h"
#include "core/settings.h"
#include "platform/db/database.h"

#include <benchmark/benchmark.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

using namespace mox;

// A source with patients 1..10, each with `exams` examinations of six rows.
void MakeSource(const QString& path, int exams) {
    QFile::copy(bench::TemplatePath(), path);
    auto conn = db::Connection::Open(db::DataSourcePart(path));
    db::Transaction transaction(*conn);
    conn->Execute(QStringLiteral("DELETE FROM TPatient"));
    conn->Execute(QStringLiteral("DELETE FROM TExamData"));
    QString values;
    for (int site = 0; site < 192; ++site) values += QString::number(1 + site % 7).rightJustified(3);
    const QString bui = QString(QStringLiteral("     0")).repeated(32);
    int id = 1;
    for (int patient = 1; patient <= 10; ++patient) {
        conn->Execute(QStringLiteral("INSERT INTO TPatient (ID, KalteNumber, Ruby, Name, BirthDay, Sex) "
                                     "VALUES (?, ?, 'カンジャ', '患者', '1960/01/01', 1)"),
                      {patient, QStringLiteral("K%1").arg(patient)});
        for (int exam = 0; exam < exams; ++exam) {
            for (const int row : {0, 1, 2, 3, 9, 10}) {
                conn->Execute(
                    QStringLiteral("INSERT INTO TExamData (ID, PatientID, ExamDate, Row, Examination, SubExam, "
                                   "Data1, Data2, Data3, Data4, Bui, CommentID, Comment) "
                                   "VALUES (?, ?, ?, ?, 2, 2, ?, ?, ?, ?, ?, ?, '')"),
                    {id++, patient, QStringLiteral("2019-%1-01 00:00:00").arg(1 + exam % 12, 2, 10, QLatin1Char('0')),
                     row, values.mid(0, 144), values.mid(144, 144), values.mid(288, 144), values.mid(432, 144), bui,
                     1 + exam % 4});
            }
        }
    }
    transaction.Commit();
}

std::vector<convert::PatientMapping> TwentyMappings() {
    std::vector<convert::PatientMapping> mappings;
    for (int i = 1; i <= 10; ++i) mappings.push_back({convert::SourceDb::A, i, i});
    for (int i = 1; i <= 10; ++i) mappings.push_back({convert::SourceDb::B, i, 10 + i});
    return mappings;
}

void Convert(benchmark::State& state, bool withBackup) {
    QTemporaryDir dir;
    const int exams = static_cast<int>(state.range(0));
    MakeSource(dir.filePath(QStringLiteral("vexaMOX.MDB")), exams);
    MakeSource(dir.filePath(QStringLiteral("vexaMOXDH.MDB")), exams);
    convert::SetupConverterPaths(dir.path());
    const QString main = dir.filePath(QStringLiteral("VXMOX2.MDB"));
    const auto mappings = TwentyMappings();
    for (auto _ : state) {
        state.PauseTiming();
        ResetAllSlots();
        QFile::remove(main);
        QFile::copy(bench::TemplatePath(), main);
        for (const QString& backup : QDir(dir.path()).entryList({QStringLiteral("VXMOX2_*")}))
            QFile::remove(dir.filePath(backup));
        state.ResumeTiming();
        if (withBackup) benchmark::DoNotOptimize(convert::MakeConversionBackup());
        if (convert::ConvertPatients(mappings)) state.SkipWithError("conversion failed");
    }
    ResetAllSlots();
    state.counters["rows"] = 20.0 * exams * 6;
}

void BM_ConvertTwentyPatients(benchmark::State& state) { Convert(state, false); }
BENCHMARK(BM_ConvertTwentyPatients)->Arg(4)->Arg(20)->Unit(benchmark::kMillisecond);

void BM_BackupAndConvertTwentyPatients(benchmark::State& state) { Convert(state, true); }
BENCHMARK(BM_BackupAndConvertTwentyPatients)->Arg(4)->Arg(20)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return mox::bench::RunConsoleBenchmarks(argc, argv); }
