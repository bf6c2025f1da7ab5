#include <QApplication>
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    mox::test::InitTestEnvironment();
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
