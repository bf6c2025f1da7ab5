#include "core/database_integrity.h"
#include "core/program_log.h"
#include "platform/db/sql_text.h"
#include "platform/db/sqlite_file.h"

namespace mox {

namespace {

// SQLite's own default page cache, in KiB.
constexpr int kCheckCacheKiB = 2000;

void LogDamage(const QString& path, const QString& report) {
    LogFailure(QStringLiteral("integrity_check %1").arg(path), report);
}

}  // namespace

bool IsSoundDatabase(db::Connection& conn, const QString& path) {
    try {
        // The check reads every page once: a large cache only slows it.
        conn.Execute(QStringLiteral("PRAGMA cache_size=-%1").arg(kCheckCacheKiB));
        const QString report = db::IntegrityCheck(conn);
        if (report == QStringLiteral("ok")) return true;
        LogDamage(path, report);
    } catch (const db::DbError& e) {
        // Some damage stops the check itself.
        LogDamage(path, e.Description());
    }
    return false;
}

std::map<QString, int64_t> TableRowCounts(db::Connection& conn) {
    std::map<QString, int64_t> counts;
    auto tables = conn.OpenRecordset(QStringLiteral("SELECT name FROM sqlite_master WHERE type='table'"));
    for (; !tables->IsEOF(); tables->MoveNext()) counts[tables->Field(0).ToText()] = 0;
    tables->Close();
    for (auto& [table, count] : counts) {
        count = conn.Scalar(QStringLiteral("SELECT COUNT(*) FROM %1 NOT INDEXED").arg(db::QuoteIdentifier(table)))
                    .ToInt64();
    }
    return counts;
}

}  // namespace mox
