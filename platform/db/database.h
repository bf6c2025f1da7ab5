#pragma once
// The database layer that stands in for ADO. A Connection is shared: the
// connection slots hand out shared pointers, and every Recordset keeps its
// connection alive, so a slot may drop a connection while an outer caller
// still reads through a recordset made on it. Back ends (SQLite files, ODBC
// catalogs) sit behind the abstract Backend; callers see only Connection,
// Recordset and Transaction. What only an SQLite file offers (a copy of its
// content, the engine's check) is in sqlite_file.h.

#include "platform/db/db_error.h"
#include "platform/db/value.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

namespace mox::db {

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
    // A private, empty SQLite database in memory, gone when it closes.
    static std::shared_ptr<Connection> OpenInMemory();

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
    // What the log should hear of the opened file ("" for nothing; a Jet
    // file's code page, see jet_reader.h).
    QString Notes() const;

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

}  // namespace mox::db
