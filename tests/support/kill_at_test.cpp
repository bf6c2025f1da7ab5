// The kill tests' child: how it ended is told apart, so that a child that
// failed in another way is never taken for a killed one, and a hook kills it
// only at its own step.

#include "tests/support/kill_at.h"

#include <gtest/gtest.h>
#include <cstdlib>
#include <stdexcept>

namespace mox::test {
namespace {

TEST(KillAt, TheChildsEndIsToldApart) {
    EXPECT_EQ(RunInChild([] {}), ChildEnd::RanThrough);
    EXPECT_EQ(RunInChild([] { KillThisProcess(); }), ChildEnd::Killed);
    EXPECT_EQ(RunInChild([] { throw std::runtime_error("disk full"); }), ChildEnd::Otherwise);
    EXPECT_EQ(RunInChild([] { std::abort(); }), ChildEnd::Otherwise);

    EXPECT_EQ(RunInChild([] {
                  const auto hook = KillAt(3);
                  hook(1);
                  hook(2);
              }),
              ChildEnd::RanThrough);
    EXPECT_EQ(RunInChild([] {
                  const auto hook = KillAt(3);
                  hook(3);
              }),
              ChildEnd::Killed);
    EXPECT_EQ(RunInChild([] {
                  auto hook = KillAtStepNumber<char>(2);
                  hook('a');
                  hook('a');
              }),
              ChildEnd::Killed);
    EXPECT_EQ(RunInChild([] {
                  KillAtFileStep fault(2);
                  fault.Take(platform::FileStep::Create);
                  fault.Take(platform::FileStep::Write);
              }),
              ChildEnd::Killed);
}

}  // namespace
}  // namespace mox::test
