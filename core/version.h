#pragma once
// The program's version against its surroundings: the version row of the
// main database, the version text of the windows, and VersionMOX.txt, from
// which the version-up program learns what is installed.

#include "platform/db/database.h"

#include <QString>
#include <cstdint>
#include <optional>

namespace mox {

// The least version number a database must carry for this program.
inline constexpr int64_t kLeastDbVersion = 1000;

// Major*10000 + Minor*1000 + Revision of TVersion's row ID 1 on `conn`;
// nothing when there is no such row. A database error passes on.
std::optional<int64_t> ReadDbVersion(db::Connection& conn);
// True when that number is there and kLeastDbVersion or more. A database
// error passes on.
bool HasAcceptedDbVersion(db::Connection& conn);

// True when the main database's version number is kLeastDbVersion or
// more. Uses the main slot (counted).
bool CheckDbVersion();
// "Ver.4.0.6"
QString GetVersionText();
// Writes "Version=4.0.6\r\n" to VersionMOX.txt in the program folder.
// False when the file could not be written completely.
bool WriteVersionFile();

}  // namespace mox
