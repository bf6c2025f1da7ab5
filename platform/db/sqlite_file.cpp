#include "platform/db/sqlite_file.h"

#include "platform/db/backend.h"

#include <sqlite3.h>
#include <QRegularExpression>

namespace mox::db {

void CopyDatabaseContent(const QString& source, const QString& target) {
    CopySqliteFile(source, target, Connection::BusyTimeout());
}

namespace {

// SQLite's own default page cache, in KiB.
constexpr int kCheckCacheKiB = 2000;

}  // namespace

QString IntegrityCheck(Connection& conn) {
    // The check reads every page once: a large cache only slows it.
    conn.Execute(QStringLiteral("PRAGMA cache_size=-%1").arg(kCheckCacheKiB));
    return conn.Scalar(QStringLiteral("PRAGMA integrity_check")).ToText();
}

bool ReportsUnreadPages(const QString& report) {
    // The engine's words for a page it could not get; where they give the
    // error code, only a read error or want of memory counts.
    static const QRegularExpression unread(
        QStringLiteral(R"(unable to get the page\. error code=(\d+)|failed to get page \d+)"));
    for (auto it = unread.globalMatch(report); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (m.capturedLength(1) == 0) return true;
        const int primary = m.captured(1).toInt() & 0xff;
        if (primary == SQLITE_IOERR || primary == SQLITE_NOMEM) return true;
    }
    return false;
}

bool IsIntactDatabaseFile(const QString& path, const QStringList& tables, QString* why) {
    QString cause;
    try {
        auto conn = Connection::Open(DataSourcePart(path));
        const QString report = IntegrityCheck(*conn);
        if (report != QStringLiteral("ok")) cause = QStringLiteral("integrity_check: ") + report;
        for (const QString& table : tables)
            if (cause.isEmpty() && !conn->TableExists(table)) cause = QStringLiteral("no table ") + table;
        conn->Close();
    } catch (const DbError& e) {
        cause = e.Description();
    }
    if (why) *why = cause;
    return cause.isEmpty();
}

}  // namespace mox::db
