#pragma once
// Compaction of the main database at the end of a run. The main database is
// checked first (PRAGMA integrity_check): a damaged database is never
// compacted, because the copy would keep what the damage hides or garbles
// and make the loss permanent; the user is told once what to do. A sound
// database is copied compacted into VXCP.MDB beside it (VACUUM INTO), the
// copy is checked in the same way and must hold every row of every table,
// and only then takes the main file's place in one atomic rename, with the
// main file's mode and group without any access for others. The main file is never
// deleted: until the rename it is the complete database, and a failed or
// interrupted attempt leaves it untouched.
//
// From before the check until after the rename the attempt holds the main
// file's write lock, so no other program can commit a row (or advance a
// counter) that the copy would miss. Another program's connection that was
// opened on the replaced file cannot write into it afterwards: SQLite
// refuses a write to a database file that has been moved away.
//
// The copy carries a stamp of the main file it was made from (which file,
// its size, time and change counter). A copy left by an attempt that was
// killed before its rename is finished only when its stamp names the main
// file as it is now; after a restore, an open of another file or a
// conversion it names nothing in place and goes.

#include <QString>
#include <cstdint>
#include <functional>

namespace mox {

// The points of an attempt before the compacted copy is put in place, for
// the failure seam of the tests; the placing itself is counted by
// platform::FileStepFault.
enum class CompactionStep { RemoveLeftover, Lock, CheckSource, Compact, Check };

// Called before each step; a test throws from it to fail the step, or ends
// the process there.
using CompactionStepHook = std::function<void(CompactionStep)>;

// One compaction attempt (n = 1..10) on AppPath + MainDbFile. Closes every
// connection slot first. True when the compacted copy has replaced the main
// file. On failure the main file is as it was; only the tenth attempt shows
// the error ("最適化エラー"). A main file that its user cannot write is never
// replaced (the attempt fails). A damaged main file is reported at once and
// sets `damaged`: further attempts cannot mend it. `step` is told each step.
bool CompactDatabase(const int16_t& attempt, bool* damaged = nullptr, const CompactionStepHook& step = {});

// A VXCP.MDB beside a missing main database may hold the only copy of the
// data: a run of the Windows release that removed the main file before its
// rename failed leaves it so. When it opens, passes the integrity check and
// holds the patient table, it is put in the main file's place and the user is
// told. True when it was. Start-up calls it before it makes a missing main
// database from the template; each compaction attempt calls it first.
bool RecoverLeftoverCompaction();

// Removes the compaction copy (and the engine's files) beside the database at
// `mainPath`, which is being replaced: the copy holds the replaced data. A
// restore calls it under the main file's lock.
void RemovePendingCompaction(const QString& mainPath);

// The compaction target beside the main database.
QString CompactTargetPath();

}  // namespace mox
