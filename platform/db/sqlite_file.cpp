#include "platform/db/sqlite_file.h"

#include "platform/atomic_file.h"
#include "platform/db/backend.h"

#include <sqlite3.h>
#include <QFile>
#include <QRegularExpression>

#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

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

Failure CheckIntactDatabaseFile(const QString& path, const QStringList& tables) {
    Failure f;
    f.file = path;
    try {
        auto conn = Connection::Open(DataSourcePart(path));
        const QString report = IntegrityCheck(*conn);
        if (report != QStringLiteral("ok")) {
            f.kind = FailureKind::Damaged;
            f.detail = QStringLiteral("integrity_check: ") + report;
        }
        for (const QString& table : tables) {
            if (f || conn->TableExists(table)) continue;
            f.kind = FailureKind::Foreign;
            f.table = table;
            f.detail = QStringLiteral("no table ") + table;
        }
        conn->Close();
    } catch (const DbError& e) {
        f.kind = FailureKind::Other;
        f.detail = FailureLogText(e.GetFailure());
    }
    return f;
}

bool HoldsChanges(const QString& enginePath) {
    // The index holds nothing its log does not; a file that cannot be read
    // may hold anything.
    if (enginePath.endsWith(QLatin1String("-shm"))) return false;
    QFile file(enginePath);
    if (!file.open(QIODevice::ReadOnly)) return true;
    // The engine's own tests: a journal whose first byte is zero is finished
    // (or was never begun); a log holds frames after its 32-byte header.
    if (enginePath.endsWith(QLatin1String("-journal"))) {
        char first = 0;
        return file.read(&first, 1) == 1 && first != 0;
    }
    return file.size() > 32;
}

Failure MakeWayForDatabase(const QString& path) {
    for (const char* suffix : kEngineFileSuffixes) {
        const QString engineFile = path + QLatin1String(suffix);
        const QByteArray native = QFile::encodeName(engineFile);
        struct stat st {};
        if (::lstat(native.constData(), &st) != 0) continue;
        int err = 0;
        if (S_ISREG(st.st_mode) && !HoldsChanges(engineFile)) {
            if (::unlink(native.constData()) != 0 && errno != ENOENT) err = errno;
        } else if (const Expected<QString> aside = platform::SetAside(engineFile);
                   !aside && aside.error().code != ENOENT) {
            err = aside.error().code;
        }
        if (err != 0) {
            Failure f = FromErrno(FailureStep::SetAside, err, path);
            f.place = engineFile;
            return f;
        }
    }
    return {};
}

void RemoveEngineFiles(const QString& path) {
    for (const char* suffix : kEngineFileSuffixes) QFile::remove(path + QLatin1String(suffix));
}

bool HoldsTables(const QString& path, const QStringList& tables) {
    // As a URI with immutable=1 the engine neither locks the file nor looks
    // for its journal or log.
    QByteArray uri = "file:";
    for (const char c : QFile::encodeName(path)) {
        if (c == '%' || c == '?' || c == '#')
            uri += '%' + QByteArray::number(static_cast<unsigned char>(c), 16).rightJustified(2, '0');
        else
            uri += c;
    }
    uri += "?immutable=1";
    sqlite3* db = nullptr;
    bool holds = sqlite3_open_v2(uri.constData(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr) == SQLITE_OK;
    for (const QString& table : tables) {
        if (!holds) break;
        sqlite3_stmt* statement = nullptr;
        holds = sqlite3_prepare_v2(db, "SELECT 1 FROM sqlite_master WHERE type='table' AND name=?", -1, &statement,
                                   nullptr) == SQLITE_OK &&
                sqlite3_bind_text(statement, 1, table.toUtf8().constData(), -1, SQLITE_TRANSIENT) == SQLITE_OK &&
                sqlite3_step(statement) == SQLITE_ROW;
        sqlite3_finalize(statement);
    }
    sqlite3_close_v2(db);
    return holds;
}

}  // namespace mox::db
