#include <QCoreApplication>
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    mox::test::InitTestEnvironment();
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
