#include "platform/db/db_error.h"

#include <sqlite3.h>

namespace mox::db {

DbError::DbError(const Failure& failure) : std::runtime_error(FailureText(failure).toStdString()), failure_(failure) {}

namespace {

Failure Refusal(long number, const QString& description) {
    Failure f;
    f.kind = FailureKind::Program;
    f.number = number;
    f.said = description;
    return f;
}

}  // namespace

DbError::DbError(long number, const QString& description) : DbError(Refusal(number, description)) {}

Failure FailureOf(const std::exception& e) {
    if (const auto* error = dynamic_cast<const DbError*>(&e)) return error->GetFailure();
    return FromException(e);
}

FailureKind KindOfSqlite(int rc) {
    switch (rc & 0xff) {
        case SQLITE_OK:
        case SQLITE_DONE:
        case SQLITE_ROW:
            return FailureKind::None;
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return FailureKind::Busy;
        case SQLITE_READONLY:
            return FailureKind::ReadOnly;
        case SQLITE_PERM:
            return FailureKind::NoAccess;
        case SQLITE_FULL:
            return FailureKind::DiskFull;
        case SQLITE_IOERR:
            return FailureKind::ReadError;
        case SQLITE_CORRUPT:
            return FailureKind::Damaged;
        case SQLITE_NOTADB:
            return FailureKind::NotDatabase;
        case SQLITE_CONSTRAINT:
            return FailureKind::Constraint;
        case SQLITE_NOMEM:
            return FailureKind::NoMemory;
        default:
            return FailureKind::Other;
    }
}

}  // namespace mox::db
