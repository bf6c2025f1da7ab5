#pragma once
// The one error of the database layer, below the engines and the façade
// alike: both throw it, so neither depends on the other for it.

#include "platform/failure.h"

#include <QString>
#include <stdexcept>

namespace mox::db {

// An error of the database layer: the failure it carries up to the function
// that owns the transaction it unwinds (platform/failure.h). `Number` follows
// the original error numbers where a caller shows them ("[Error:" boxes);
// `Description` is the text shown after it.
class DbError : public std::runtime_error {
public:
    // A failure met on a file or in the engine.
    explicit DbError(const Failure& failure);
    // The layer's refusal of a misuse (no current row, a field it does not
    // have, a value that does not convert), worded where it is raised.
    DbError(long number, const QString& description);
    long Number() const { return failure_.number; }
    QString Description() const { return FailureText(failure_); }
    const Failure& GetFailure() const { return failure_; }

private:
    Failure failure_;
};

// The kind of the engine's result code.
FailureKind KindOfSqlite(int rc);

// The failure a DbError carries, or what any other exception tells
// (FromException).
Failure FailureOf(const std::exception& e);

// Common error numbers (the Jet/ADO numbers the messages show).
constexpr long kErrCannotOpen = -2147467259;   // 0x80004005, file missing/locked/not a database
constexpr long kErrNoCurrentRow = 3021;        // BOF or EOF is true
constexpr long kErrItemNotFound = 3265;        // no such field
constexpr long kErrInvalidUse = 94;            // invalid use of Null
constexpr long kErrReadOnly = 3251;            // operation not allowed (recordset not updatable)
constexpr long kErrSql = 3709;                 // statement failed
constexpr long kErrClosed = 3704;              // the connection or recordset is closed
constexpr long kErrNoTransaction = 3034;       // commit or rollback without BeginTrans
constexpr long kErrTypeMismatch = 13;          // value does not convert
constexpr long kErrOverflow = 6;               // value out of range
constexpr long kErrRowNotFound = -2147217864;  // 0x80040E38, the row to update or delete is gone
constexpr long kErrDamaged = 3049;             // the file is damaged or not a database
constexpr long kErrDiskFull = 3026;            // not enough space on the disk

}  // namespace mox::db
