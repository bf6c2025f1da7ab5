#include "core/surface_area.h"

#include <gtest/gtest.h>

#include <array>

namespace mox {
namespace {

constexpr int kTooth11 = 7;
constexpr int kTooth18 = 0;

struct Exam {
    std::array<uint8_t, 192> depths;
    std::array<uint8_t, 192> bleeding{};
    SurfaceAreas pesa;
    SurfaceAreas pisa;
    Exam() {
        depths.fill(128);
        pesa.fill(-1.0);
        pisa.fill(-1.0);
    }
    void SetTooth(int tooth, uint8_t depth, int bleedingSites = 0) {
        for (int s = 0; s < 6; ++s) {
            depths[tooth * 6 + s] = depth;
            bleeding[tooth * 6 + s] = s < bleedingSites ? 1 : 0;
        }
    }
    void Compute() { ASSERT_TRUE(ComputeSurfaceArea(depths, bleeding, pesa, pisa)); }
};

TEST(SurfaceArea, UpperCentralIncisorAtThreeMillimetres) {
    Exam e;
    e.SetTooth(kTooth11, 3, 6);
    e.Compute();
    EXPECT_NEAR(e.pesa[kTooth11], 47.2812693, 1e-7);
    EXPECT_DOUBLE_EQ(e.pisa[kTooth11], e.pesa[kTooth11]);
    // Tooth 21 mirrors 11.
    e.SetTooth(8, 3, 0);
    e.Compute();
    EXPECT_DOUBLE_EQ(e.pesa[8], e.pesa[kTooth11]);
    EXPECT_EQ(e.pisa[8], 0.0);
}

TEST(SurfaceArea, MeanDividesBySixAndCapsDeepSites) {
    Exam e;
    // Third molars take the mean itself: three sites of 4 mm give x = 2.
    for (int s = 0; s < 3; ++s) e.depths[kTooth18 * 6 + s] = 4;
    // 15 mm counts as 12.
    e.SetTooth(15, 15);
    e.Compute();
    EXPECT_DOUBLE_EQ(e.pesa[kTooth18], 2.0);
    EXPECT_DOUBLE_EQ(e.pesa[15], 12.0);
}

TEST(SurfaceArea, OnlyAMarkOfOneOnAMeasuredSiteBleeds) {
    Exam e;
    e.SetTooth(16, 3, 2);  // tooth 48: PESA 3, two of six sites bleed
    e.SetTooth(31, 3);
    e.bleeding[31 * 6] = 2;
    e.bleeding[31 * 6 + 1] = 1;
    e.depths[31 * 6 + 1] = 128;  // the mark of an unmeasured site
    e.SetTooth(5, 128, 6);       // no depth at all
    e.Compute();
    EXPECT_DOUBLE_EQ(e.pesa[16], 3.0);
    EXPECT_DOUBLE_EQ(e.pisa[16], 1.0);
    EXPECT_EQ(e.pisa[31], 0.0);
    EXPECT_EQ(e.pesa[5], 0.0);
    EXPECT_EQ(e.pisa[5], 0.0);
}

TEST(SurfaceArea, MouthTotalIsTheSumOfAllTeeth) {
    Exam empty;
    empty.Compute();
    EXPECT_EQ(empty.pesa[32], 0.0);
    EXPECT_EQ(empty.pisa[32], 0.0);

    Exam e;
    for (int t = 0; t < 32; ++t) e.SetTooth(t, static_cast<uint8_t>(2 + t % 5), t % 7);
    e.Compute();
    double pesa = 0, pisa = 0;
    for (int t = 0; t < 32; ++t) {
        EXPECT_GT(e.pesa[t], 0.0) << t;
        pesa += e.pesa[t];
        pisa += e.pisa[t];
    }
    EXPECT_DOUBLE_EQ(e.pesa[32], pesa);
    EXPECT_DOUBLE_EQ(e.pisa[32], pisa);
}

TEST(SurfaceArea, EachToothTypeUsesItsOwnPolynomialOnBothSides) {
    Exam e;
    for (int t = 0; t < 32; ++t) e.SetTooth(t, 1);
    e.Compute();
    // At x = 1 the polynomial is the sum of its coefficients.
    EXPECT_NEAR(e.pesa[1], 25.4265 + 4.6241 - 3.0787 + 0.95774 - 0.10923 + 0.0040876, 1e-9);      // 17
    EXPECT_NEAR(e.pesa[17], 46.6148 - 43.1558 + 16.75778 - 2.48858 + 0.16174 - 0.0038873, 1e-9);  // 47
    EXPECT_NEAR(e.pesa[24], 21.46 - 6.6888 + 2.4638 - 0.39094 + 0.02743 - 0.0007116, 1e-9);       // 31
    for (int k = 0; k < 8; ++k) {
        EXPECT_DOUBLE_EQ(e.pesa[k], e.pesa[15 - k]) << k;
        EXPECT_DOUBLE_EQ(e.pesa[16 + k], e.pesa[31 - k]) << k;
    }
}

}  // namespace
}  // namespace mox
