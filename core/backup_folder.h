#pragma once
// MOX.INI in the program folder: where the user keeps the backups, one line
// "BackUpPath=<folder>". Read here for every program part that looks for a
// backup; the windows that set the folder write it (tools/backup_path.h).

#include <QDateTime>
#include <QString>
#include <optional>

namespace mox {

inline constexpr char kBackUpPathKey[] = "BackUpPath";

// "MOX.INI" in the program folder.
QString BackUpPathFile();

// The folder of the last "BackUpPath=" line; std::nullopt when the file has
// none, cannot be read or is no plain file (a pipe is never waited on). Lines are trimmed; empty lines, comment lines
// (first character "'"), lines of another key (compared exactly, so
// "backuppath=" and "BackUpPath =" do not count) and lines without "=" are
// skipped. Everything after the first "=" is the folder.
std::optional<QString> ReadBackUpPath(const QString& iniPath);

// baseName + "_yyyymmdd_hhnn" + ".MDB" (VXMOX2_20261208_1405.MDB), the name
// of a backup and of a restore's safety copy.
QString BackUpFileName(const QString& baseName, const QDateTime& now);
// folder + "/" + baseName + "_yyyymmdd_hhnn" + extension, with "_2", "_3",
// ... before the extension when a file already has that name: a safety copy
// or a kept original never replaces an earlier one of the same minute.
QString UniqueDatedPath(const QString& folder, const QString& baseName, const QDateTime& now, const QString& extension);

// For such a name of baseName's database (a second copy of one minute has
// "_2", "_3", ... before ".MDB"), a text that sorts the copies from the
// oldest to the newest; "" for any other name.
QString BackUpAgeKey(const QString& fileName, const QString& baseName);

}  // namespace mox
