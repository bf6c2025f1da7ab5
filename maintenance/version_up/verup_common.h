#pragma once
// The version-up program's general routines: its log, its work folders,
// versions and the key=value reader. Paths use '/'; the program folder is
// G().ProgramDir.
//
// Log_MOX.txt (core/program_log.h) is the record a support desk asks for
// after a failed update.

#include "core/program_log.h"

#include <QString>
#include <array>
#include <cstdint>

namespace mox::verup {

// The log is the programs' one log.
using mox::AppendLog;
using mox::ClearLog;
using mox::kLogRotateAbove;
using mox::LogPath;
using mox::WriteLog;

// Where a run makes its private work folder: a place on the disk that this
// user may write to, the user's cache folder ($XDG_CACHE_HOME, else
// ~/.cache), else $TMPDIR, else /var/tmp. Never in $XDG_RUNTIME_DIR: desktop
// Linux keeps it in memory, capped at a tenth of it, which refuses an
// ordinary update on a small PC.
QString GetTempFolder();
// Windows needed an inbound rule for passive FTP's data channel; Linux
// needs none. The step is kept as a log line. Returns 0.
int AddFirewallRules();
// This computer's host name.
QString GetPcName();

// Copies source over target, keeping the old target until the copy is
// complete. False when the texts are equal or the copy failed.
bool CopyFileOver(const QString& source, const QString& target);

// Deletes the folder with its content. A link at the path is removed as a
// link: nothing outside the folder is ever followed. True when nothing is
// left at the path.
bool RemoveFolder(const QString& path);
// Makes a fresh folder only this user can enter (0700). False when
// anything, even an empty folder or a link, is already at the path.
bool MakePrivateFolder(const QString& path);

// Major, minor, revision and fourth part of a dotted version. Each part is
// its leading number as the original run-time read it, rounded and held to
// the 16-bit range; missing parts are 0.
std::array<int16_t, 4> SplitVersion(const QString& version);
// 0 when equal; else the position (1..4) of the first differing part,
// positive when A is newer than B.
int CompareVersions(const QString& versionA, const QString& versionB);

// True when the text holds a C0 control character or DEL: no plain name of
// a file, remote or unpacked, holds one.
bool HasControlCharacter(const QString& text);

// The value after the first "=" of the first trimmed line whose key (the
// text before that "=") is exactly `key`. Empty lines, lines starting with
// an apostrophe and lines without "=" are passed over. The file is read as
// code page 932. "" when the file or the key is missing.
QString ReadKeyValue(const QString& path, const QString& key);

}  // namespace mox::verup
