#include "core/database_file_check.h"

#include "core/database_layout.h"
#include "core/version.h"
#include "platform/db/database.h"

namespace mox {

QString CheckChosenDatabase(const QString& path, bool* diskFull) {
    if (diskFull) *diskFull = false;
    db::ConnectionPtr conn;
    try {
        conn = db::Connection::Open(db::DataSourcePart(path));
    } catch (const db::DbError& e) {
        return QStringLiteral("データベースとして開けないファイルです。\r\n\r\n") + e.Description();
    }
    try {
        if (const QString differs = LayoutDifference(*conn); !differs.isEmpty())
            return QStringLiteral("このシステムのデータベースではありません（%1）。").arg(differs);
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
