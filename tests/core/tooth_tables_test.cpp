#include "core/tooth_tables.h"
#include "controls/tooth_button/furcation_roots.h"

#include <gtest/gtest.h>
#include <algorithm>

namespace mox {
namespace {

class ToothTables : public ::testing::Test {
protected:
    void SetUp() override {
        MakeToothLabels();
        MakeToothPictureNames();
        MakeToothNumberTable();
    }
};

TEST_F(ToothTables, LeftSideTeethUseTheirRightSideCounterpartsPictures) {
    // Tooth 21 (index 8).
    EXPECT_EQ(ToothLabels[8], "1");
    EXPECT_EQ(ToothLabelsDeciduous[8], "A");
    EXPECT_EQ(HeadPicBuccal[8], "11_b_h.gif");
    EXPECT_EQ(HeadPicLingual[8], "11_l_h.gif");
    EXPECT_EQ(FurcationType[8], -1);
    // Tooth 28 (index 15).
    EXPECT_EQ(HeadPicBuccal[15], "18_b_h.gif");
    EXPECT_EQ(RootPicBuccal[15], "17_b_r.gif");
    // Tooth 35 (index 28).
    EXPECT_EQ(HeadPicLingual[28], "45_l_h.gif");
    EXPECT_EQ(RootPicLingual[28], "45_l_r.gif");
    // Tooth 38 (index 31).
    EXPECT_EQ(ToothLabels[31], "8");
    EXPECT_EQ(HeadPicBuccal[31], "48_b_h.gif");
    EXPECT_EQ(RootPicBuccal[31], "48_b_r.gif");
    EXPECT_EQ(FurcationType[31], 22);
}

TEST_F(ToothTables, UpperRootPicturesShareTheThirdMolarAndSecondPremolar) {
    const char* expected[8] = {"17", "17", "16", "14", "14", "13", "12", "11"};
    for (int k = 0; k < 8; ++k) {
        EXPECT_EQ(RootPicBuccal[k], QString::fromLatin1(expected[k]) + "_b_r.gif") << k;
        EXPECT_EQ(RootPicLingual[k], QString::fromLatin1(expected[k]) + "_l_r.gif") << k;
        EXPECT_EQ(RootPicBuccal[15 - k], RootPicBuccal[k]) << k;
    }
    // Tooth 25 (index 12).
    EXPECT_EQ(ToothLabelsDeciduous[12], "E");
    EXPECT_EQ(RootPicBuccal[12], "14_b_r.gif");
    // The lower jaw has no such sharing.
    EXPECT_EQ(RootPicBuccal[16], "48_b_r.gif");
    EXPECT_EQ(RootPicBuccal[19], "45_b_r.gif");
}

TEST_F(ToothTables, FurcationKindsFollowTheToothTypes) {
    const int expected[32] = {3,  3,  3,  21, 21, -1, -1, -1, -1, -1, -1, 21, 21, 3,  3,  3,
                              22, 22, 22, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 22, 22, 22};
    for (int t = 0; t < 32; ++t) EXPECT_EQ(FurcationType[t], expected[t]) << t;
    EXPECT_EQ(FurcationKindOf(-1), -1);
    EXPECT_EQ(FurcationKindOf(32), -1);
}

// The tooth button, which sees nothing of the tables, keeps its own copy of
// the furcation rule: a button given a tooth's kind as its root draws and
// takes the sites the screen saves and checks.
TEST_F(ToothTables, TheToothButtonsFurcationEntrancesAreTheTables) {
    EXPECT_EQ(molarix::kUpperMolarRoot, kUpperMolarFurcation);
    EXPECT_EQ(molarix::kUpperPremolarRoot, kUpperPremolarFurcation);
    EXPECT_EQ(molarix::kLowerMolarRoot, kLowerMolarFurcation);
    EXPECT_TRUE(std::ranges::equal(molarix::kUpperMolarEntrances, FurcationEntrances(kUpperMolarFurcation)));
    EXPECT_TRUE(std::ranges::equal(molarix::kUpperPremolarEntrances, FurcationEntrances(kUpperPremolarFurcation)));
    EXPECT_TRUE(std::ranges::equal(molarix::kLowerMolarEntrances, FurcationEntrances(kLowerMolarFurcation)));
}

}  // namespace
}  // namespace mox
