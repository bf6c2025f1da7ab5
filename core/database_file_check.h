#pragma once
// Before the database-file menu's open entry points the program at another
// file, the file is tried on a connection of its own: it must open as a
// database, carry a version this program accepts, hold the tables the
// screens read and write, and take a write (the journal beside it
// included). Until it passes, the database in use is left alone.

#include <QString>

namespace mox {

// "" when the file at `path` may become the main database; otherwise why
// not, as a sentence for the user.
QString CheckChosenDatabase(const QString& path);

}  // namespace mox
