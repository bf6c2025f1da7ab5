#pragma once
// The program's version against its surroundings: the version row of the
// main database, the version text of the windows, and VersionMOX.txt, from
// which the version-up program learns what is installed.

#include <QString>

namespace mox {

// True when TVersion's row ID 1 gives Major*10000 + Minor*1000 + Revision
// of 1000 or more. Uses the main slot (counted).
bool CheckDbVersion();
// "Ver.4.0.6"
QString GetVersionText();
// Writes "Version=4.0.6\r\n" to VersionMOX.txt in the program folder.
// False when the file could not be written completely.
bool WriteVersionFile();

}  // namespace mox
