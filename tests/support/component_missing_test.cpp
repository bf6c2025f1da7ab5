// A test whose real component is missing is skipped on a developer's
// machine and fails under CI, where a skip would hide a missing install step.

#include "tests/support/test_support.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>
#include <optional>

namespace {

void NeedsTheDriver() { MOX_COMPONENT_MISSING("SQLite ODBC driver"); }

// The one result NeedsTheDriver reports, kept out of this test's own.
::testing::TestPartResult Outcome() {
    ::testing::TestPartResultArray results;
    {
        ::testing::ScopedFakeTestPartResultReporter reporter(
            ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &results);
        NeedsTheDriver();
    }
    EXPECT_EQ(results.size(), 1);
    return results.GetTestPartResult(0);
}

class ComponentMissing : public ::testing::Test {
protected:
    ComponentMissing() {
        if (qEnvironmentVariableIsSet("CI")) saved_ = qgetenv("CI");
    }
    ~ComponentMissing() override {
        if (saved_)
            qputenv("CI", *saved_);
        else
            qunsetenv("CI");
    }
    std::optional<QByteArray> saved_;
};

TEST_F(ComponentMissing, FailsUnderCiNamingTheComponent) {
    for (const char* value : {"true", "TRUE", "1", "yes"}) {
        SCOPED_TRACE(value);
        qputenv("CI", value);
        const auto result = Outcome();
        EXPECT_TRUE(result.fatally_failed());
        EXPECT_TRUE(QByteArray(result.message()).contains("SQLite ODBC driver"));
        EXPECT_TRUE(QByteArray(result.message()).contains("install-deps.sh"));
    }
}

TEST_F(ComponentMissing, SkipsOutsideCi) {
    for (const char* value : std::initializer_list<const char*>{"false", "0", "", nullptr}) {
        SCOPED_TRACE(value ? value : "unset");
        if (value)
            qputenv("CI", value);
        else
            qunsetenv("CI");
        const auto result = Outcome();
        EXPECT_TRUE(result.skipped());
        EXPECT_TRUE(QByteArray(result.message()).contains("SQLite ODBC driver"));
    }
}

}  // namespace
