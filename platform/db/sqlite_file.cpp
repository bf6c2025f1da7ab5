#include "platform/db/sqlite_file.h"

#include "platform/db/backend.h"

namespace mox::db {

void CopyDatabaseContent(const QString& source, const QString& target) {
    CopySqliteFile(source, target, Connection::BusyTimeout());
}

QString IntegrityCheck(Connection& conn) { return conn.Scalar(QStringLiteral("PRAGMA integrity_check")).ToText(); }

bool IsIntactDatabaseFile(const QString& path, const QStringList& tables) {
    try {
        auto conn = Connection::Open(DataSourcePart(path));
        bool ok = IntegrityCheck(*conn) == QStringLiteral("ok");
        for (const QString& table : tables) ok = ok && conn->TableExists(table);
        conn->Close();
        return ok;
    } catch (const DbError&) {
        return false;
    }
}

}  // namespace mox::db
