#pragma once
// Before a file becomes the database (the database-file menu's open entry)
// or takes its place (a restore), the file is tried on a connection of its
// own: it must open as a database, have this system's layout
// (core/database_layout.h), carry a version this program accepts, and take a
// write (the journal beside it included). Until it passes, the database in
// use is left alone.

#include "platform/failure.h"

#include <QString>

namespace mox {

// Empty when the file at `path` may become the main database; otherwise why
// not: it does not open (OpenChosen), or its layout is another's (Foreign,
// the difference in `said`), its version is refused (OldVersion) or it
// cannot be read and written (UseChosen; DiskFull when its disk is full:
// the file itself may be sound).
Failure CheckChosenDatabase(const QString& path);

// The first half of that check, for a file that becomes the database before
// the start-up's own version check and upgrade run on it (a database under
// another letter case): it opens, and its layout is this system's.
Failure CheckDatabaseLayout(const QString& path);

}  // namespace mox
