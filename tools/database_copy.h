#pragma once
// Backup and restore of the main database file.
//
// A backup is taken while this program holds the database's write lock, so
// no program can commit a row into the file while its bytes are read. The
// copy goes to a file beside the target, is synced, must open as a sound
// database, and only then takes the target's place in one rename; it is
// readable by its owner only (0600), because it holds patient data. An
// existing target is replaced only after the user said Yes.
//
// A restore never lets the main file go before its replacement is complete
// and checked. The chosen file is copied beside the main file first, and
// that copy must open as a database of this system (an SQLite file whose
// version row passes the version check and whose integrity check is "ok"):
// a Windows-era Access file or any other file is refused. Then every
// connection slot is closed, the main file is copied under its write lock
// to a safety copy that never replaces an earlier one, and the checked copy
// takes the main file's place in one rename. Any failure before that rename
// leaves the main file byte-identical.
//
// Both report every refusal and failure in a box that names the file, and
// show the hourglass while they copy.

#include <QDateTime>
#include <QString>
#include <functional>

namespace mox {

// The main database's file name without folder and extension ("VXMOX2"):
// DbBaseName as the input screen set it, else taken from MainDbFile.
QString CurrentDbBaseName();

// baseName + "_yyyymmdd_hhnn" + ".MDB" (VXMOX2_20261208_1405.MDB).
QString BackUpFileName(const QString& baseName, const QDateTime& now);

// A name the user may give a backup file: not empty, no "/", not "." or
// "..", and no control characters.
bool IsPlainFileName(const QString& name);

// Copies the database at mainPath to target (see above). True when target
// now holds the checked copy; false when both paths name one file, the user
// kept an existing file or the copy failed (reported).
bool BackUpDatabase(const QString& mainPath, const QString& target);

// The safety copy's path in `folder`: the backup name of `now`, or, when a
// file of that name exists, the same name with "_2", "_3", ... before
// ".MDB", so that an earlier safety copy is never replaced.
QString SafetyCopyPath(const QString& folder, const QString& baseName, const QDateTime& now);

// The points of a restore, for the failure seam of the tests; the file
// writes inside them are counted by platform::FileStepFault.
enum class RestoreStep { CheckSource, Stage, CheckStaged, CloseSlots, Lock, SafetyCopy, CheckSafetyCopy, Place };
using RestoreStepHook = std::function<void(RestoreStep)>;
// Called before each step; a test throws from it to fail the step, or ends
// the process there. Empty by default.
void SetRestoreStepHook(RestoreStepHook hook);

struct RestoreResult {
    bool restored = false;
    // The safety copy made (also when the restore failed after it); empty
    // when none was made.
    QString safetyCopy;
};

// Restores `source` over the database at mainPath; the safety copy goes
// into safetyFolder under the backup name of baseName.
RestoreResult RestoreDatabase(const QString& source, const QString& mainPath, const QString& safetyFolder,
                              const QString& baseName);

}  // namespace mox
