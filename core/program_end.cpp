#include "core/program_end.h"

#include <cstdio>
#include <cstdlib>

namespace mox {

namespace {
EndProgramHandler& Handler() {
    static EndProgramHandler handler;
    return handler;
}
}  // namespace

void SetEndProgramHandler(EndProgramHandler handler) { Handler() = std::move(handler); }

void EndProgram() {
    // Copy first: the handler may replace itself while it runs.
    if (EndProgramHandler handler = Handler()) handler();
    std::fflush(nullptr);
    std::_Exit(0);
}

}  // namespace mox
