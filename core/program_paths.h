#pragma once
// Start-up steps 1 and 2: the command line, the program's paths, the sibling
// product found in the registry and the program path left for it there.
// Registry keys live under "HKEY_LOCAL_MACHINE/Software/..." in the registry
// stand-in.

#include <QString>
#include <QStringList>
#include <cstdint>

namespace mox {

// Stores the arguments (argv[1..]) in G().CmdLineArgs[1..10] and their
// number in G().CmdLineArgCount; arguments beyond the tenth are ignored.
// Windows handed over one command text that had to be cut at blanks and
// joined again inside quotes, and folded unquoted pieces to lower case on a
// file system that ignores case. Here a launcher passes each argument apart,
// and file names are case-sensitive: every argument is kept as given, blanks
// and case included.
void ParseCommandLine(const QStringList& arguments);
// The same on the running program's arguments.
void ParseCommandLine();

// Registry wrappers: "Software/QD NORVALE/" + product + "/" + section, and
// for ReadMakerRegSetting "Software/HLX/" + product + "/" + section.
void WriteRegSetting(const QString& product, const QString& section, const QString& valueName, const QString& value);
QString ReadRegSetting(const QString& product, const QString& section, const QString& valueName,
                       const QString& fallback);
QString ReadMakerRegSetting(const QString& product, const QString& section, const QString& valueName,
                            const QString& fallback);

// -1 none, 1 Access, 2 SQL Server HLX_PRP, 3 SQL Server HLX_VXEX.
int16_t GetSharedDbKind(const QString& makerWord);
// Server name from G().SharedDbFolder: "<host>\HLX", or "".
QString GetSqlServerName();

// The template every new database is made from, in the program folder
// (never the folder of the database in use).
inline constexpr char kTemplateDbName[] = "VXMOX2_ORG.MDB";
QString TemplateDbPath();
// VXMOX2.MDB in the program folder: the main database every start uses.
QString ProgramMainDbPath();

// Sets the paths and the sibling database in G() and writes the program's
// path under the sibling product's keys. The first form takes the folder
// and file name of the running executable.
void SetupDatabasePaths();
void SetupDatabasePaths(const QString& programDir, const QString& programFileName);

}  // namespace mox
