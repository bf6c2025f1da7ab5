#pragma once
// The immediate end of the process that fatal errors use (a cancelled
// database open, an unknown counter table). The program installs a handler
// that releases the shared record objects and exits at once, without any
// window running its close handling; tests install one that throws, so that
// the end can be observed without losing the test process.

#include <functional>

namespace mox {

using EndProgramHandler = std::function<void()>;

// Installs the handler EndProgram calls (an empty one restores the default,
// which only ends the process).
void SetEndProgramHandler(EndProgramHandler handler);

// Calls the handler; when the handler returns, the process ends at once.
[[noreturn]] void EndProgram();

}  // namespace mox
