#pragma once
// The engine's full check of a database, run before a database file is put
// in the place of another (a restore, a backup over an older one, the exit
// compaction). PRAGMA integrity_check reads every page and compares every
// index entry with its row; quick_check would pass an index entry that
// names the wrong row or day, and rows hidden by a damaged page.

#include "platform/db/database.h"

#include <QString>
#include <cstdint>
#include <map>

namespace mox {

// True when the check of the database on `conn` finds damage (a report other
// than "ok", or damage that stops the check itself). Throws db::DbError when
// the check could not be run to its end for another cause (the file in use,
// a page it could not read, no memory; a page is Unchecked): that is no sign
// of damage. The report or the cause is
// the engine's text: it goes to the log under `path`, never to the user. The
// connection is left with a small page cache.
bool IsDamagedDatabase(db::Connection& conn, const QString& path);

// True only when the database on `conn` is proven sound: damage and a check
// that could not be run both answer false (logged as above).
bool IsSoundDatabase(db::Connection& conn, const QString& path);

// The number of rows of every table, counted in the tables themselves (an
// index counts the rows it holds, which a damaged table may have lost).
std::map<QString, int64_t> TableRowCounts(db::Connection& conn);

}  // namespace mox
