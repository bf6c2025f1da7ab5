// The recordset patterns of the record classes: reading a whole table into a
// recordset, and storing rows one add-new and update at a time, as saving an
// examination and the conversions do.

#include "platform/db/database.h"

#include <benchmark/benchmark.h>
#include <QTemporaryDir>

namespace {

using mox::db::Connection;
using mox::db::ConnectionPtr;

ConnectionPtr MakeTable(const QTemporaryDir& dir, int rows) {
    auto conn = Connection::CreateFile(dir.filePath(QStringLiteral("bench.db")));
    conn->Execute(
        QStringLiteral("CREATE TABLE TExamData (ID LONG PRIMARY KEY, PatientID LONG, Row SHORT, "
                       "ExamDate DATETIME, Bui TEXT, Data TEXT)"));
    mox::db::Transaction tx(*conn);
    for (int i = 0; i < rows; ++i)
        conn->Execute(QStringLiteral("INSERT INTO TExamData VALUES (?, ?, ?, ?, ?, ?)"),
                      {10000000 + i, i % 30, i % 6, QStringLiteral("2024-01-01 00:00:00"),
                       QString(96, QLatin1Char(' ')), QString(576, QLatin1Char('1'))});
    tx.Commit();
    return conn;
}

void BM_OpenWholeTable(benchmark::State& state) {
    QTemporaryDir dir;
    auto conn = MakeTable(dir, static_cast<int>(state.range(0)));
    for (auto _ : state) {
        auto rs = conn->OpenRecordset(QStringLiteral("SELECT * FROM TExamData"));
        benchmark::DoNotOptimize(rs->RecordCount());
    }
}
BENCHMARK(BM_OpenWholeTable)->Arg(500)->Arg(1500)->Arg(3000);

void BM_AddNewUpdate(benchmark::State& state) {
    QTemporaryDir dir;
    auto conn = MakeTable(dir, 0);
    int next = 0;
    for (auto _ : state) {
        auto rs = conn->OpenRecordset(QStringLiteral("SELECT * FROM TExamData WHERE PatientID = ?"), {-1});
        for (int row = 0; row < 6; ++row) {  // one examination
            rs->AddNew();
            rs->SetField(QStringLiteral("ID"), next++);
            rs->SetField(QStringLiteral("Row"), row);
            rs->SetField(QStringLiteral("Data"), QString(576, QLatin1Char('2')));
            rs->Update();
        }
    }
}
BENCHMARK(BM_AddNewUpdate);

}  // namespace

BENCHMARK_MAIN();
