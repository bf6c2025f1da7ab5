#pragma once
// The database layer that stands in for ADO. A Connection is shared: the
// connection slots hand out shared pointers, and every Recordset keeps its
// connection alive, so a slot may drop a connection while an outer caller
// still reads through a recordset made on it. Back ends (SQLite files, ODBC
// catalogs) sit behind the abstract Backend; callers see only Connection,
// Recordset and Transaction.

#include "platform/db/value.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <stdexcept>
#include <vector>

namespace mox::db {

// An error of the database layer. `Number` follows the original error
// numbers where a caller shows them ("[Error:" boxes); `Description` is the
// text shown after it.
class DbError : public std::runtime_error {
public:
    DbError(long number, const QString& description);
    long Number() const { return number_; }
    QString Description() const { return description_; }

private:
    long number_;
    QString description_;
};

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

// The parts of an ADO-style connection string that matter here.
struct ConnectionInfo {
    QString provider;    // "Microsoft.Jet.OLEDB.4.0", "SQLOLEDB.1", ... (may be empty)
    QString dataSource;  // file path, or server name for SQL Server
    QString catalog;     // Initial Catalog (SQL Server)
    QString userId;
    QString password;          // login password or the Jet database password (unused for SQLite)
    QString driver;            // explicit ODBC "Driver=" when given
    QString connectionString;  // the whole string as given
    static ConnectionInfo Parse(const QString& connectionString);
    bool IsFile() const;  // Jet provider or no provider: a file on disk
};

// "Data Source=" and a location (file path or server name), as one part of
// a connection string. A location holding what the string's grammar reads
// as its own (a ';', a leading quote or brace, blanks at either end) is
// quoted, so that any name Linux allows for a folder or file reaches the
// parser intact; other locations are written as they are.
QString DataSourcePart(const QString& location);

class Backend;
class FileHold;
class Recordset;

// A statement compiled once and run again and again with new values (the
// copy of a whole table). It belongs to the connection that made it and
// must be gone before that connection closes.
class PreparedStatement {
public:
    virtual ~PreparedStatement() = default;
    // Runs the statement once, `params` bound to its '?' in order.
    virtual void Run(const std::vector<Value>& params) = 0;
};

class Connection : public std::enable_shared_from_this<Connection> {
public:
    // Opens the database the string names. Throws DbError (kErrCannotOpen)
    // for a missing, locked or foreign file; never creates a missing file.
    static std::shared_ptr<Connection> Open(const QString& connectionString);
    // Opens (creating when missing, mode 0600) an SQLite file; used for the
    // template build, new databases and compaction targets.
    static std::shared_ptr<Connection> CreateFile(const QString& path);

    // How long a statement waits for another connection's lock before it
    // fails (connections opened afterwards). Default 5000 ms; tests shorten it.
    static void SetBusyTimeout(int milliseconds);
    static int BusyTimeout();

    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    bool IsOpen() const;
    void Close();
    const ConnectionInfo& Info() const { return info_; }

    // Runs a statement that returns no rows; values bind to '?' in order.
    // Returns the number of rows changed.
    long Execute(const QString& sql, const std::vector<Value>& params = {});

    // Compiles a statement that returns no rows, for many runs.
    std::unique_ptr<PreparedStatement> Prepare(const QString& sql);

    // Opens a recordset over a SELECT. When the statement reads one table,
    // the recordset is updatable (AddNew/Update/Delete on the current row).
    std::unique_ptr<Recordset> OpenRecordset(const QString& sql, const std::vector<Value>& params = {});

    // A single value of the first column of the first row, or Null.
    Value Scalar(const QString& sql, const std::vector<Value>& params = {});

    void BeginTrans();  // immediate: takes the write lock at once
    void CommitTrans();
    void RollbackTrans();
    bool InTransaction() const;

    bool TableExists(const QString& table);
    QStringList ColumnNames(const QString& table);
    // Declared type of each column of a table, upper case ("LONG", "TEXT", ...).
    QStringList ColumnTypes(const QString& table);

    Backend& Impl() { return *backend_; }

private:
    Connection(ConnectionInfo info, std::unique_ptr<Backend> backend, FileHold hold);
    void EnsureOpen() const;
    ConnectionInfo info_;
    std::unique_ptr<FileHold> hold_;  // the file's descriptor, kept until the engine has closed it
    std::unique_ptr<Backend> backend_;
    int transLevel_ = 0;
    friend class Recordset;
};

using ConnectionPtr = std::shared_ptr<Connection>;

// Move-only guard: rolls back unless Commit() was called.
class Transaction {
public:
    explicit Transaction(Connection& conn);
    ~Transaction();
    Transaction(Transaction&& other) noexcept;
    Transaction& operator=(Transaction&&) = delete;
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void Commit();

private:
    Connection* conn_;
};

// A recordset keeps its rows and its connection. Fields are read by name,
// case-insensitively; writing a field changes the edit buffer of the
// current row (or of the row being added) until Update().
class Recordset {
public:
    ~Recordset();
    bool IsEOF() const;
    bool IsBOF() const;
    void MoveFirst();
    void MoveNext();
    void MovePrevious();
    void MoveLast();
    long RecordCount() const;

    bool HasField(const QString& name) const;
    QStringList FieldNames() const;
    Value Field(const QString& name) const;  // throws kErrItemNotFound / kErrNoCurrentRow
    Value Field(int index) const;
    void SetField(const QString& name, const Value& v);  // into the edit buffer

    void AddNew();
    void Update();  // writes the edit buffer (insert after AddNew, else update of the current row)
    void CancelUpdate();
    void Delete();  // removes the current row
    void Close();
    bool IsUpdatable() const;

    struct State;
    explicit Recordset(std::unique_ptr<State> state);

private:
    std::unique_ptr<State> s_;
};

// Writes a new file `target` holding the database at `source` as the engine
// reads it, under a shared lock: a transaction that a killed program left
// in a journal is rolled back and rows committed into a write-ahead log are
// included, which a copy of the main file's bytes alone would get wrong.
// Where the main file then holds the whole database its bytes are copied,
// verified as platform::CopyDescriptorAtomically verifies, and `target` is
// synced; a file that keeps a write-ahead log is copied page by page by the
// engine. The copy keeps its changes in a rollback journal, as every file of
// this system does. Throws DbError; `target` is then removed.
void CopyDatabaseContent(const QString& source, const QString& target);

// The engine's own check of a whole file ("ok" when sound), on an open connection.
QString IntegrityCheck(Connection& conn);
// The file opens as a database, passes the integrity check and holds every
// named table. An empty file also opens, so callers name a table they rely on.
bool IsIntactDatabaseFile(const QString& path, const QStringList& tables = {});

}  // namespace mox::db
