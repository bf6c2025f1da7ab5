#include "core/next_number.h"

#include "core/connections.h"
#include "core/messages.h"
#include "core/program_end.h"
#include "core/text_format.h"
#include "platform/message_box.h"

#include <limits>
#include <optional>

namespace mox {

namespace {

struct CounterColumn {
    const char* tableName;
    const char* column;
    int32_t CNextAutoNumber::*member;
};

constexpr CounterColumn kCounters[] = {
    {"TPatient", "Patient", &CNextAutoNumber::Patient}, {"TAttend", "Attend", &CNextAutoNumber::Attend},
    {"TTreat", "Treat", &CNextAutoNumber::Treat},       {"TComment", "Comment", &CNextAutoNumber::Comment},
    {"TSubExam", "SubExam", &CNextAutoNumber::SubExam}, {"TMainExam", "MainExam", &CNextAutoNumber::MainExam},
    {"TCharge", "Charge", &CNextAutoNumber::Charge},    {"TExamData", "ExamData", &CNextAutoNumber::ExamData},
    {"TPlan", "Plan", &CNextAutoNumber::Plan},          {"TDoctor", "Doctor", &CNextAutoNumber::Doctor},
    {"TDisease", "Disease", &CNextAutoNumber::Disease}, {"TTreatment", "Treatment", &CNextAutoNumber::Treatment},
};

constexpr double kBlockSize = 10'000'000.0;

[[noreturn]] void ThrowOverflow() { throw db::DbError(db::kErrOverflow, QStringLiteral("オーバーフローしました。")); }

int32_t ReadCounter(const db::Recordset& rs, const char* column) {
    const int64_t value = rs.Field(QString::fromLatin1(column)).AsInt64();
    if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max()) ThrowOverflow();
    return static_cast<int32_t>(value);
}

const QString kCounterRowQuery = QStringLiteral("SELECT * FROM TNextAutoNumber WHERE ID=0");

// Counters for a counter row that has gone missing: each starts after the
// largest identifier of the block that its table already holds, so that
// new identifiers cannot meet old ones.
CNextAutoNumber SeedCounters(db::Connection& conn, double block) {
    CNextAutoNumber counters;
    const double low = block * kBlockSize;
    for (const CounterColumn& c : kCounters) {
        const QString table = QString::fromLatin1(c.tableName);
        if (!conn.TableExists(table) || !conn.ColumnNames(table).contains(QStringLiteral("ID"), Qt::CaseInsensitive))
            continue;
        const db::Value largest = conn.Scalar(QStringLiteral("SELECT MAX(ID) FROM %1 WHERE ID>=? AND ID<?").arg(table),
                                              {low, low + kBlockSize});
        if (largest.IsNull()) continue;
        const double next = largest.ToDouble() - low + 1.0;
        if (next > std::numeric_limits<int32_t>::max()) ThrowOverflow();
        counters.*c.member = static_cast<int32_t>(next);
    }
    return counters;
}

}  // namespace

void CNextAutoNumber::ClearBuffer() {
    for (const CounterColumn& c : kCounters) this->*c.member = 0;
}

void CNextAutoNumber::RecSetGet(const db::Recordset& rs) {
    for (const CounterColumn& c : kCounters) this->*c.member = ReadCounter(rs, c.column);
}

void CNextAutoNumber::RecSetPut(db::Recordset& rs) const {
    for (const CounterColumn& c : kCounters) rs.SetField(QString::fromLatin1(c.column), this->*c.member);
}

int32_t* CNextAutoNumber::CounterFor(const QString& tableName) {
    for (const CounterColumn& c : kCounters)
        if (tableName == QLatin1String(c.tableName)) return &(this->*c.member);
    return nullptr;
}

int32_t GetNextAutoNumber(const QString& tableName, bool update) {
    MainDbUse use;
    if (!use) return 0;
    const db::ConnectionPtr conn = MainDbConn();

    CNextAutoNumber counters;
    if (!counters.CounterFor(tableName)) {
        platform::MsgBox(QStringLiteral("次番号マスタのテーブル指定エラー."), 0);
        ShowMessage(9000);
        EndProgram();
    }
    const double block = GetIdBaseText().toDouble();

    // Read and advance under one write lock. Inside a caller's transaction
    // (a save of several rows) the caller's lock already covers it.
    std::optional<db::Transaction> transaction;
    if (update && !conn->InTransaction()) transaction.emplace(*conn);

    auto rs = conn->OpenRecordset(kCounterRowQuery);
    const bool rowExists = !rs->IsEOF();
    if (rowExists)
        counters.RecSetGet(*rs);
    else
        counters = SeedCounters(*conn, block);

    int32_t& counter = *counters.CounterFor(tableName);
    const double identifier = block * kBlockSize + counter;
    if (identifier > std::numeric_limits<int32_t>::max() || identifier < std::numeric_limits<int32_t>::min())
        ThrowOverflow();
    if (counter == std::numeric_limits<int32_t>::max()) ThrowOverflow();

    if (update) {
        ++counter;
        if (!rowExists) {
            rs->AddNew();
            rs->SetField(QStringLiteral("ID"), 0);
        }
        counters.RecSetPut(*rs);
        rs->Update();
        rs->Close();
        if (transaction) transaction->Commit();
    } else {
        rs->Close();
    }
    return static_cast<int32_t>(identifier);
}

}  // namespace mox
