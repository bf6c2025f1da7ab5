#include "core/database_integrity.h"
#include "core/program_log.h"
#include "platform/db/sql_text.h"
#include "platform/db/sqlite_file.h"

namespace mox {

namespace {

void LogCheck(const QString& path, const QString& cause) {
    LogFailure(QStringLiteral("integrity_check %1").arg(path), cause);
}

}  // namespace

bool IsDamagedDatabase(db::Connection& conn, const QString& path) {
    QString report;
    try {
        report = db::IntegrityCheck(conn);
        if (report == QStringLiteral("ok")) return false;
        LogCheck(path, report);
    } catch (const db::DbError& e) {
        LogCheck(path, FailureLogText(e.GetFailure()));
        if (e.Number() != db::kErrDamaged) throw;
        return true;
    }
    if (db::ReportsUnreadPages(report)) {
        Failure unchecked;
        unchecked.step = FailureStep::Check;
        unchecked.kind = FailureKind::Unchecked;
        unchecked.number = db::kErrSql;
        unchecked.file = path;
        throw db::DbError(unchecked);
    }
    return true;
}

bool IsSoundDatabase(db::Connection& conn, const QString& path) {
    try {
        return !IsDamagedDatabase(conn, path);
    } catch (const db::DbError&) {
        return false;
    }
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
