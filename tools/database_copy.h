#pragma once
// Backup and restore of the main database file.
//
// A backup is the checked copy of core/checked_copy.h: made under the
// database's write lock, checked first, never a damaged database over an
// existing file, read back from the medium before it takes the target's
// place, readable by its owner only. An existing target is replaced only
// after the user said Yes.
//
// A restore never lets the main file go before its replacement is complete
// and checked. The chosen file is copied beside the main file as the
// database engine reads it (a Windows file is converted as it is copied),
// and that copy must be whole and a database of this system
// (core/database_file_check.h: this system's layout, a version row the
// version check passes, and a write): any other file is refused. Then every
// connection slot is closed and, under the main file's write lock, the main
// file gets a second name as the safety copy (a hard link, or a copy where
// the file system has none) that never replaces an earlier one, and the
// checked copy takes the main file's name in one rename: the old file lives
// on, untouched, under the safety copy's name. Any failure before that
// rename leaves the main file byte-identical.
//
// Both report every refusal and failure in a box that names the file, and
// show the hourglass while they copy.

#include "core/backup_folder.h"

#include <QDateTime>
#include <QString>
#include <functional>

namespace mox {

// A name the user may give a backup file: not empty, no "/", not "." or
// "..", and no control characters.
bool IsPlainFileName(const QString& name);

// What the window that asks for the backup lets the user change, so that a
// refusal advises only what can be done there: the tools window takes a
// file name, the backup window at the program's end a folder only.
enum class BackUpTargetChoice { FileName, Folder };

// Copies the database at mainPath to target (see above). True when target
// now holds the checked copy; false when both paths name one file, the user
// kept an existing file or the copy failed (reported).
bool BackUpDatabase(const QString& mainPath, const QString& target,
                    BackUpTargetChoice choice = BackUpTargetChoice::FileName);

// The safety copy's path in `folder`: the backup name of `now`, or, when a
// file of that name exists, the same name with "_2", "_3", ... before
// ".MDB", so that an earlier safety copy is never replaced.
QString SafetyCopyPath(const QString& folder, const QString& baseName, const QDateTime& now);

// The points of a restore, for the failure seam of the tests; the file
// writes inside them are counted by platform::FileStepFault.
enum class RestoreStep { CheckSource, Stage, CheckStaged, CloseSlots, Lock, SafetyCopy, Place };
using RestoreStepHook = std::function<void(RestoreStep)>;
// Called before each step; a test throws from it to fail the step, or ends
// the process there.

struct RestoreResult {
    bool restored = false;
    // The safety copy made; empty when none was made or the restore stopped
    // while it was still the main file under a second name.
    QString safetyCopy;
};

// Restores `source` over the database at mainPath; the safety copy goes
// into safetyFolder under the backup name of baseName. A source under a name
// the programs keep for their own work files is refused, as a backup target
// under such a name is. `step` is told each step.
RestoreResult RestoreDatabase(const QString& source, const QString& mainPath, const QString& safetyFolder,
                              const QString& baseName, const RestoreStepHook& step = {});

}  // namespace mox
