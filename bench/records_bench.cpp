// Route building and walking of the input cursor, and the value and status
// texts of the twelve examination records a patient's screen loads.

#include "records/exam_record.h"
#include "records/record_fields.h"
#include "records/tooth_position.h"

#include <benchmark/benchmark.h>
#include <QTemporaryDir>

namespace {

using namespace mox;

const QString kRows = QStringLiteral("URB8ULB1ULL8URL1LRB8LLB1LLL8LRL1");
const QString kSites = QStringLiteral("BDBCBMLMLCLDBMBCBDLDLCLMBMBCBDLDLCLMBDBCBMLMLCLD");

CToothPosition StaffCursor() {
    CToothPosition c;
    for (int16_t i = 0; i < 6; ++i) c.SetbPocketPosition(i, true);
    return c;
}

// What the screen builds for one staff member: the site route by rows, the
// furcation route, the gap route, the plaque route and a site-code route.
void BM_BuildAllRoutes(benchmark::State& state) {
    CToothPosition c = StaffCursor();
    for (auto _ : state) {
        c.MakeMove(1, 0, kRows);
        c.MakeMove(1, 0, kRows, true);
        c.MakeMove(1, 0, kRows, false, true);
        c.MakeMove(1, 0, kRows, false, false, kRows);
        c.MakeMove(1, 1, kSites);
        benchmark::DoNotOptimize(c.nPos6Tooth(191));
    }
}
BENCHMARK(BM_BuildAllRoutes);

void BM_WalkFullSiteRoute(benchmark::State& state) {
    CToothPosition c = StaffCursor();
    c.MakeMove(1, 0, kRows);
    c.SetnBuiStatus(3, static_cast<int16_t>(0x8000));
    c.SetnBuiStatus(20, 0x2000);
    for (auto _ : state) {
        int visited = 0;
        for (bool ok = c.MoveFirst6(); ok; ok = c.MoveNext6()) ++visited;
        benchmark::DoNotOptimize(visited);
    }
}
BENCHMARK(BM_WalkFullSiteRoute);

std::vector<CExamData> TwelveRecords() {
    std::vector<CExamData> records(12);
    for (int r = 0; r < 12; ++r) {
        records[r].ClearBuffer();
        records[r].ID = 10'000'000 + r;
        records[r].PatientID = 1;
        records[r].Row = r % 6;
        for (int16_t i = 0; i < 192; ++i) records[r].SetbData(i, static_cast<int16_t>((i * 7 + r) % 13));
        for (int16_t t = 0; t < 32; ++t) records[r].SetnBui(t, t % 9 == 0 ? static_cast<int16_t>(0x8000) : 0);
    }
    return records;
}

void BM_EncodeTwelveRecords(benchmark::State& state) {
    const std::vector<CExamData> records = TwelveRecords();
    for (auto _ : state) {
        for (const CExamData& r : records) {
            benchmark::DoNotOptimize(r.ValueText());
            benchmark::DoNotOptimize(r.StatusText());
        }
    }
}
BENCHMARK(BM_EncodeTwelveRecords);

void BM_DecodeTwelveRecords(benchmark::State& state) {
    std::vector<QString> values, statuses;
    for (const CExamData& r : TwelveRecords()) {
        values.push_back(r.ValueText());
        statuses.push_back(r.StatusText());
    }
    std::array<uint8_t, 192> data;
    std::array<int16_t, 32> bui;
    for (auto _ : state) {
        for (size_t k = 0; k < values.size(); ++k) {
            DecodeFixedWidth(values[k], 3, std::span<uint8_t>(data));
            DecodeFixedWidth(statuses[k], 6, std::span<int16_t>(bui));
        }
        benchmark::DoNotOptimize(data);
        benchmark::DoNotOptimize(bui);
    }
}
BENCHMARK(BM_DecodeTwelveRecords);

// The whole read of a loaded examination: twelve rows through RecSetGet.
void BM_RecSetGetTwelveRows(benchmark::State& state) {
    QTemporaryDir dir;
    auto conn = db::Connection::CreateFile(dir.filePath(QStringLiteral("bench.mdb")));
    conn->Execute(QStringLiteral(
        "CREATE TABLE TExamData (ID LONG PRIMARY KEY, PatientID LONG, ExamDate DATETIME, Row LONG, "
        "Examination LONG, SubExam LONG, Data1 TEXT(144), Data2 TEXT(144), Data3 TEXT(144), Data4 TEXT(144), "
        "Bui TEXT(192), PocketFree INTEGER, StartTime DATETIME, EndTime DATETIME, ChargeID LONG, IsPrinted BIT, "
        "\"UpDate\" DATETIME, CommentID INTEGER, Comment TEXT(50))"));
    {
        auto rs = conn->OpenRecordset(QStringLiteral("SELECT * FROM TExamData"));
        for (const CExamData& r : TwelveRecords()) {
            rs->AddNew();
            r.RecSetPut(*rs);
            rs->Update();
        }
    }
    auto rs = conn->OpenRecordset(QStringLiteral("SELECT * FROM TExamData ORDER BY ID"));
    std::vector<CExamData> records(12);
    for (auto _ : state) {
        rs->MoveFirst();
        for (CExamData& r : records) {
            r.RecSetGet(*rs);
            rs->MoveNext();
        }
        benchmark::DoNotOptimize(records[11].bData(191));
    }
}
BENCHMARK(BM_RecSetGetTwelveRows);

}  // namespace

BENCHMARK_MAIN();
