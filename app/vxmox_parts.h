#pragma once

namespace mox {

// Fills the start-up hooks with the parts this program is built from: the
// control modules of the program folder, the sound window, the input screen
// as the main window with its chart and tools windows, and the windows of
// the end of the program.
void InstallVxmoxParts();

}  // namespace mox
