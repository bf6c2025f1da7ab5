#pragma once
// Kill tests: the work runs in a forked child of the test process and dies
// there where the test says, as a power cut or a kill would end it; the test
// then looks at what the child left. SIGKILL leaves the writer nothing: no
// destructor, no rollback, no exit handler runs after it.

#include "platform/atomic_file.h"

#include <cstddef>
#include <functional>
#include <ostream>

namespace mox::test {

enum class ChildEnd {
    RanThrough,  // the work returned
    Killed,      // SIGKILL ended it
    Otherwise,   // another signal, an exception, a failed check in the child, or no child at all
};
void PrintTo(ChildEnd end, std::ostream* os);

// Runs `work` in a forked child and waits for its end. The child never
// returns into the test runner.
ChildEnd RunInChild(const std::function<void()>& work);

// Ends the calling process at once.
[[noreturn]] void KillThisProcess();

// A step hook that kills the process at `at`.
template <typename Step>
std::function<void(Step)> KillAt(Step at) {
    return [at](Step step) {
        if (step == at) KillThisProcess();
    };
}

// A step hook that kills the process at its n-th step, whichever it is.
template <typename Step>
std::function<void(Step)> KillAtStepNumber(size_t n) {
    return [n, taken = size_t{0}](Step) mutable {
        if (++taken == n) KillThisProcess();
    };
}

// While it lives, the k-th step of the file writes (as
// platform::FileStepFault counts them) kills the process.
class KillAtFileStep : public platform::FileStepFault {
public:
    explicit KillAtFileStep(int k) : FileStepFault(k, [](platform::FileStep) { KillThisProcess(); }) {}
};

}  // namespace mox::test
