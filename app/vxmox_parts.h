#pragma once

#include <functional>

namespace mox {

// Fills the start-up hooks with the parts this program is built from: the
// control modules of the program folder, the sound window, the input screen
// as the main window, and the windows of the end of the program.
void InstallVxmoxParts();

// The input screen's tools button, after the input screen has unloaded: the
// tools window takes its place, and when it closes a new input screen
// (whose unload runs `endRun`, the end of the program) loads afresh.
void OpenToolsWindow(const std::function<void()>& endRun);

}  // namespace mox
