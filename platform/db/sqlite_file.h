#pragma once
// What only an SQLite file offers: a copy of its content as the engine reads
// it, and the engine's check of the whole file. The database layer itself
// (database.h) is the same for every engine; these are not.

#include "platform/db/database.h"

#include <QString>
#include <QStringList>

namespace mox::db {

// Writes a new file `target` holding the database at `source` as the engine
// reads it, under a shared lock: a transaction that a killed program left
// in a journal is rolled back and rows committed into a write-ahead log are
// included, which a copy of the main file's bytes alone would get wrong.
// Where the main file then holds the whole database its bytes are copied,
// verified as platform::CopyDescriptorAtomically verifies, and `target` is
// synced; a file that keeps a write-ahead log is copied page by page by the
// engine. The copy keeps its changes in a rollback journal, as every file of
// this system does. Waits for a lock as long as Connection::BusyTimeout().
// Throws DbError; `target` is then removed.
void CopyDatabaseContent(const QString& source, const QString& target);

// The engine's own check of a whole file on an open connection: "ok" when
// sound, else the engine's report of the damage. The connection is left with
// a small page cache. Throws DbError: kErrDamaged when damage stops the check
// itself, another number when the check could not be run (the file in use, a
// read error, no memory), which says nothing of the file's soundness.
QString IntegrityCheck(Connection& conn);
// Whether a report of IntegrityCheck tells of pages the check could not read
// (an I/O error, no memory): the check then did not run to its end, and the
// report says nothing of the file's soundness.
bool ReportsUnreadPages(const QString& report);
// Whether the file opens as a database, passes the integrity check and holds
// every named table (an empty file also opens, so callers name a table they
// rely on): empty when it does. The failure's detail is the engine's words
// or the check's report, for the log.
Failure CheckIntactDatabaseFile(const QString& path, const QStringList& tables);

// The engine keeps files of its own beside a database, under the database's
// name and a suffix: its rollback journal, its write-ahead log and that
// log's shared-memory index. It reads them into whatever file has that name
// when it opens it, so they belong to the name, not to a file.
inline constexpr const char* kEngineFileSuffixes[] = {"-journal", "-wal", "-shm"};

// Makes way for a database file that is to take the name `path`, a new file
// or one that replaces another: the engine's files of that name would be
// rolled into it at its first open and spoil it. One that holds changes (a
// journal of an unfinished write, a log with frames) is set aside under a
// dated name (platform::SetAside), so that nothing in it is lost; one that
// holds none goes. A failure names the file that could not be moved in
// `place`.
Failure MakeWayForDatabase(const QString& path);

// Removes the engine's files of a work file of the programs.
void RemoveEngineFiles(const QString& path);

// Whether the engine file `path` (one of kEngineFileSuffixes) holds changes
// it would roll into a database, as above; one that cannot be read counts
// as holding some.
bool HoldsChanges(const QString& enginePath);

// Whether the file at `path`, read as it lies (no journal rolled back, no
// lock taken, nothing written), is a database holding every named table.
bool HoldsTables(const QString& path, const QStringList& tables);

}  // namespace mox::db
