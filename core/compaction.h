#pragma once
// Compaction of the main database at the end of a run. The database is
// copied compacted into VXCP.MDB beside it (VACUUM INTO), the copy is checked
// (PRAGMA integrity_check) and then renamed over the main file in one atomic
// step. The main file is never deleted: until the rename it is the complete
// database, and a failed or interrupted attempt leaves it untouched.

#include <QString>
#include <cstdint>
#include <functional>

namespace mox {

// The points of an attempt, for the failure seam of the tests.
enum class CompactionStep { RemoveLeftover, Compact, Check, Replace };

// Called before each step; a test throws from it to fail the step, or ends
// the process there. Empty by default.
using CompactionStepHook = std::function<void(CompactionStep)>;
void SetCompactionStepHook(CompactionStepHook hook);

// One compaction attempt (n = 1..10) on AppPath + MainDbFile. Closes every
// connection slot first. True when the compacted copy has replaced the main
// file. On failure the main file is as it was; on the tenth attempt the
// error is shown ("最適化エラー").
bool CompactDatabase(const int16_t& attempt);

// The compaction target beside the main database.
QString CompactTargetPath();

}  // namespace mox
