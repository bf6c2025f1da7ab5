#include "core/database_file_check.h"

#include "core/database_layout.h"
#include "core/version.h"
#include "platform/db/database.h"

namespace mox {

namespace {

Failure Refused(FailureKind kind, const QString& path, const QString& said = {}) {
    Failure f;
    f.doing = Doing::UseChosen;
    f.kind = kind;
    f.file = path;
    f.said = said;
    return f;
}

// Opens the file at `path` and compares its layout: empty and the
// connection, or why not.
Failure OpenWithOwnLayout(const QString& path, db::ConnectionPtr& conn) {
    try {
        conn = db::Connection::Open(db::DataSourcePart(path));
    } catch (const db::DbError& e) {
        return e.GetFailure().As(Doing::OpenChosen);
    }
    try {
        if (const QString differs = LayoutDifference(*conn); !differs.isEmpty())
            return Refused(FailureKind::Foreign, path, differs);
    } catch (const db::DbError& e) {
        return e.GetFailure().As(Doing::UseChosen);
    }
    return {};
}

}  // namespace

Failure CheckDatabaseLayout(const QString& path) {
    db::ConnectionPtr conn;
    return OpenWithOwnLayout(path, conn);
}

Failure CheckChosenDatabase(const QString& path) {
    db::ConnectionPtr conn;
    if (Failure f = OpenWithOwnLayout(path, conn)) return f;
    try {
        if (!HasAcceptedDbVersion(*conn)) return Refused(FailureKind::OldVersion, path);
        // A write that is rolled back: a read-only file, a file in a
        // read-only folder (no room for the journal) or a file only another
        // program can read are refused here rather than at the first save.
        db::Transaction probe(*conn);
        conn->Execute(QStringLiteral("UPDATE TVersion SET ID=ID WHERE ID=1"));
    } catch (const db::DbError& e) {
        return e.GetFailure().As(Doing::UseChosen);
    }
    return {};
}

}  // namespace mox
