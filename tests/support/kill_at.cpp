#include "tests/support/kill_at.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <cstdio>

namespace mox::test {

namespace {

int FailedParts() {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    if (!test) return 0;
    int failed = 0;
    for (int i = 0; i < test->result()->total_part_count(); ++i)
        failed += test->result()->GetTestPartResult(i).failed() ? 1 : 0;
    return failed;
}

}  // namespace

void PrintTo(ChildEnd end, std::ostream* os) {
    switch (end) {
        case ChildEnd::RanThrough:
            *os << "ran through";
            return;
        case ChildEnd::Killed:
            *os << "killed";
            return;
        case ChildEnd::Otherwise:
            *os << "ended otherwise";
            return;
    }
}

ChildEnd RunInChild(const std::function<void()>& work) {
    // What the test has written so far is not the child's to write again.
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child < 0) return ChildEnd::Otherwise;
    if (child == 0) {
        const int failedBefore = FailedParts();
        int code = 0;
        try {
            work();
            code = FailedParts() > failedBefore ? 1 : 0;
        } catch (...) {
            std::fprintf(stderr, "the work in the child process threw\n");
            code = 2;
        }
        std::fflush(nullptr);
        ::_exit(code);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0)
        if (errno != EINTR) return ChildEnd::Otherwise;
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return ChildEnd::RanThrough;
    if (WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) return ChildEnd::Killed;
    return ChildEnd::Otherwise;
}

void KillThisProcess() {
    ::raise(SIGKILL);
    ::_exit(3);  // never reached: SIGKILL cannot be caught
}

}  // namespace mox::test
