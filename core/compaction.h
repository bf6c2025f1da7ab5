#pragma once
// Compaction of the main database at the end of a run. The database is
// copied compacted into VXCP.MDB beside it (VACUUM INTO), the copy is checked
// (PRAGMA quick_check) and then put in the main file's place in one
// atomic rename. The main file is never deleted: until the rename it is the
// complete database, and a failed or interrupted attempt leaves it untouched.
//
// From before the copy until after the rename the attempt holds the main
// file's write lock, so no other program can commit a row (or advance a
// counter) that the copy would miss. Another program's connection that was
// opened on the replaced file cannot write into it afterwards: SQLite
// refuses a write to a database file that has been moved away.

#include <QString>
#include <cstdint>
#include <functional>

namespace mox {

// The points of an attempt before the compacted copy is put in place, for
// the failure seam of the tests; the placing itself is counted by
// platform::FileStepFault.
enum class CompactionStep { RemoveLeftover, Lock, Compact, Check };

// Called before each step; a test throws from it to fail the step, or ends
// the process there. Empty by default.
using CompactionStepHook = std::function<void(CompactionStep)>;
void SetCompactionStepHook(CompactionStepHook hook);

// One compaction attempt (n = 1..10) on AppPath + MainDbFile. Closes every
// connection slot first. True when the compacted copy has replaced the main
// file. On failure the main file is as it was; only the tenth attempt shows
// the error ("最適化エラー"). A main file that its user cannot write is never
// replaced (the attempt fails); the replacement keeps the main file's mode.
bool CompactDatabase(const int16_t& attempt);

// A VXCP.MDB beside the main database may hold the only copy of the data: a
// run (of this program or of the Windows one) that removed the main file
// before its rename failed leaves it so. When the main file is missing, or
// is still a bare copy of the template, and the leftover opens, passes its
// integrity check and holds the patient table, the leftover is put in the
// main file's place and the user is told. True when it was. Start-up calls
// it before it makes a missing main database from the template; each
// compaction attempt calls it before anything else.
bool RecoverLeftoverCompaction();

// The compaction target beside the main database.
QString CompactTargetPath();

}  // namespace mox
