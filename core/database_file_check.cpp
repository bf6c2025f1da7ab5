#include "core/database_file_check.h"

#include "core/database_layout.h"
#include "core/version.h"
#include "platform/db/database.h"

namespace mox {

namespace {

// Opens the file at `path` and compares its layout: "" and the connection,
// or the sentence for the user.
QString OpenWithOwnLayout(const QString& path, db::ConnectionPtr& conn) {
    try {
        conn = db::Connection::Open(db::DataSourcePart(path));
    } catch (const db::DbError& e) {
        return QStringLiteral("データベースとして開けないファイルです。\r\n\r\n") + e.Description();
    }
    try {
        if (const QString differs = LayoutDifference(*conn); !differs.isEmpty())
            return QStringLiteral("このシステムのデータベースではありません（%1）。").arg(differs);
    } catch (const db::DbError& e) {
        return QStringLiteral("データベースを読み書きできません。\r\n\r\n") + e.Description();
    }
    return {};
}

}  // namespace

QString CheckDatabaseLayout(const QString& path) {
    db::ConnectionPtr conn;
    return OpenWithOwnLayout(path, conn);
}

QString CheckChosenDatabase(const QString& path, bool* diskFull) {
    if (diskFull) *diskFull = false;
    db::ConnectionPtr conn;
    if (QString why = OpenWithOwnLayout(path, conn); !why.isEmpty()) return why;
    try {
        if (!HasAcceptedDbVersion(*conn)) return QStringLiteral("データベースのバージョンが一致しません。");
        // A write that is rolled back: a read-only file, a file in a
        // read-only folder (no room for the journal) or a file only another
        // program can read are refused here rather than at the first save.
        db::Transaction probe(*conn);
        conn->Execute(QStringLiteral("UPDATE TVersion SET ID=ID WHERE ID=1"));
    } catch (const db::DbError& e) {
        if (diskFull) *diskFull = e.Number() == db::kErrDiskFull;
        return QStringLiteral("データベースを読み書きできません。\r\n\r\n") + e.Description();
    }
    return {};
}

}  // namespace mox
