#pragma once
// Wires the start-up upgrade and the compaction window into the start-up
// hooks. The program calls it once before Main.

namespace mox {

void InstallUpgradeAndCompaction();

// Shows the compaction window; its timer ends the process.
void ShowCompactWindow();

}  // namespace mox
