#pragma once
// What a database engine offers to Connection and Recordset. Recordsets keep
// their rows in memory; to change a row they address it by a key the back end
// chose when it read the rows (SQLite: the rowid; ODBC: the primary key, or
// every column when there is none). The SQL of the edits is the back end's
// own, so each engine quotes names and addresses rows in its own dialect.

#include "platform/db/database.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

namespace mox::db {

using Row = std::vector<Value>;

struct Rowset {
    QStringList columns;      // names as the statement returns them
    QStringList baseColumns;  // column of `table` behind each result column (updatable only)
    std::vector<Row> rows;
    std::vector<Row> keys;  // one per row when updatable
    QString table;          // the one table read; empty when not updatable
};

class Backend {
public:
    virtual ~Backend() = default;

    virtual bool IsOpen() const = 0;
    virtual void Close() = 0;
    // Writing refused by the engine itself (a Jet file read through mdbtools).
    virtual bool IsReadOnly() const { return false; }
    // What the log should hear of the file the engine opened ("" for nothing).
    virtual QString Notes() const { return {}; }

    virtual long Execute(const QString& sql, const std::vector<Value>& params) = 0;
    // By default each run compiles the statement anew.
    virtual std::unique_ptr<PreparedStatement> Prepare(const QString& sql);
    // Reads every row; when `wantKeys` and the statement reads one table,
    // fills `table`, `baseColumns` and `keys`.
    virtual Rowset Select(const QString& sql, const std::vector<Value>& params, bool wantKeys) = 0;

    // Transactions nest: level 1 is the real transaction, deeper levels are
    // savepoints where the engine has them.
    virtual void Begin(int level) = 0;
    virtual void Commit(int level) = 0;
    virtual void Rollback(int level) = 0;

    virtual bool TableExists(const QString& table) = 0;
    virtual QStringList ColumnNames(const QString& table) = 0;
    // Declared types as stored; Connection upper-cases them.
    virtual QStringList ColumnTypes(const QString& table) = 0;

    // Row edits of an updatable rowset. Insert returns the new row's key;
    // Update and Delete throw kErrRowNotFound when the key no longer finds
    // exactly one row. Update replaces the key when the edit changed it.
    virtual Row InsertRow(const QString& table, const QStringList& columns, const Row& values) = 0;
    virtual void UpdateRow(const QString& table, Row* key, const QStringList& columns, const Row& values) = 0;
    virtual void DeleteRow(const QString& table, const Row& key) = 0;
    // The row as stored now (the `columns` of `table`), after an insert or
    // update; empty when the key finds no row. May also give a new key.
    virtual Row FetchRow(const QString& table, Row* key, const QStringList& columns) = 0;
};

// The engines take what the façade keeps (the busy timeout) as arguments:
// they never read the façade, which opens them.
std::unique_ptr<Backend> OpenSqliteBackend(const QString& path, bool create, int busyTimeoutMs);
// CopyDatabaseContent (sqlite_file.h) on the engine, waiting at most
// `busyTimeoutMs` for another connection's lock.
void CopySqliteFile(const QString& source, const QString& target, int busyTimeoutMs);
// A write-ahead log beside the database file at `path` (open as `fd`) is
// rolled into it by the engine at its first read, whichever database wrote
// the log. Only a file that keeps its changes in a log has one of its own;
// this system's files never do, and beside such a file a log is another
// database's: it is set aside under a dated name and the user is told.
// Throws DbError when it cannot be moved.
void SetForeignLogAside(const QString& path, int fd);
// A private database in memory (the tables of a Jet file are read into one).
std::unique_ptr<Backend> OpenSqliteMemory();
std::unique_ptr<Backend> OpenOdbcBackend(const ConnectionInfo& info);
std::unique_ptr<Backend> OpenJetBackend(const QString& path);

}  // namespace mox::db
