#pragma once
// Before a file becomes the database (the database-file menu's open entry)
// or takes its place (a restore), the file is tried on a connection of its
// own: it must open as a database, have this system's layout
// (core/database_layout.h), carry a version this program accepts, and take a
// write (the journal beside it included). Until it passes, the database in
// use is left alone.

#include <QString>

namespace mox {

// "" when the file at `path` may become the main database; otherwise why
// not, as a sentence for the user. *diskFull (when given) tells a write that
// failed because the file's disk is full: the file itself may be sound.
QString CheckChosenDatabase(const QString& path, bool* diskFull = nullptr);

// The first half of that check, for a file that becomes the database before
// the start-up's own version check and upgrade run on it (a database under
// another letter case): it opens, and its layout is this system's.
QString CheckDatabaseLayout(const QString& path);

}  // namespace mox
