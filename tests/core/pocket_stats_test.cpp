#include "core/pocket_stats.h"

#include <gtest/gtest.h>

#include <array>

namespace mox {
namespace {

struct Depths {
    std::array<uint8_t, 192> d;
    Depths() { d.fill(128); }
    // Puts `count` sites of `depth` after the sites already set.
    Depths& Add(int count, uint8_t depth) {
        for (int i = 0; i < 192 && count > 0; ++i)
            if (d[i] == 128) {
                d[i] = depth;
                --count;
            }
        return *this;
    }
};

TEST(PocketStatistics, ExampleInAllThreeStyles) {
    // 168 sites: 120 below 4 mm, 36 of 4..6 mm, 12 of 7 mm or more; 538 mm.
    Depths e;
    e.Add(100, 3).Add(18, 2).Add(2, 1);  // 120 sites, 338 mm
    e.Add(36, 4);                        // 36 sites, 144 mm
    e.Add(12, 7);                        // 12 sites, 84 mm -> 566 in all
    // Bring the total to 538: move 28 mm out of band 1 without leaving it.
    for (int i = 0; i < 28; ++i) e.d[i] = 2;
    PocketStatisticsTexts t;
    ASSERT_EQ(FormatPocketStatistics(e.d, 4, 7, 0, t), 168);
    EXPECT_EQ(t.count, QStringLiteral("PD総数：168"));
    EXPECT_EQ(t.mean, QStringLiteral("PD平均：3.2"));
    EXPECT_EQ(t.band1, QStringLiteral("1-3㎜：120(71.4%)"));
    EXPECT_EQ(t.band2, QStringLiteral("4-6㎜：36(21.4%)"));
    EXPECT_EQ(t.band3, QStringLiteral("7㎜-：12(7.1%)"));

    ASSERT_EQ(FormatPocketStatistics(e.d, 4, 7, 1, t), 168);
    EXPECT_EQ(t.count, "168");
    EXPECT_EQ(t.mean, "3.2");
    EXPECT_EQ(t.band1, "120 (71.4%)");
    EXPECT_EQ(t.band2, "36 (21.4%)");
    EXPECT_EQ(t.band3, "12 (7.1%)");

    ASSERT_EQ(FormatPocketStatistics(e.d, 4, 7, 2, t), 168);
    EXPECT_EQ(t.band1, "120\r\n(71.4%)");
    EXPECT_EQ(t.band3, "12\r\n(7.1%)");
}

TEST(PocketStatistics, NoValueWritesOnlyTheCount) {
    Depths none;
    PocketStatisticsTexts t;
    t.mean = "stale";
    EXPECT_EQ(FormatPocketStatistics(none.d, 4, 7, 0, t), 0);
    EXPECT_EQ(t.count, QStringLiteral("PD総数：0"));
    EXPECT_TRUE(t.mean.isEmpty() && t.band1.isEmpty() && t.band2.isEmpty() && t.band3.isEmpty());
    EXPECT_EQ(FormatPocketStatistics(none.d, 4, 7, 2, t), 0);
    EXPECT_EQ(t.count, "0");
}

TEST(PocketStatistics, UnknownStyleWritesNothingButCounts) {
    Depths e;
    e.Add(10, 3);
    PocketStatisticsTexts t;
    EXPECT_EQ(FormatPocketStatistics(e.d, 4, 7, 3, t), 10);
    EXPECT_TRUE(t.count.isEmpty() && t.mean.isEmpty() && t.band1.isEmpty());
}

TEST(PocketStatistics, HalvesRoundAwayFromZero) {
    Depths share;  // 1 of 16 sites in band 3: 6.25 %
    share.Add(15, 2).Add(1, 9);
    PocketStatisticsTexts t;
    FormatPocketStatistics(share.d, 4, 7, 1, t);
    EXPECT_EQ(t.band3, "1 (6.3%)");

    Depths mean;  // 9 mm over 4 sites: 2.25
    mean.Add(3, 2).Add(1, 3);
    FormatPocketStatistics(mean.d, 4, 7, 1, t);
    EXPECT_EQ(t.mean, "2.3");
}

TEST(PocketStatistics, BoundsBelongToTheUpperBand) {
    Depths e;
    e.Add(1, 0).Add(1, 4).Add(1, 7).Add(1, 200);
    PocketStatisticsTexts t;
    FormatPocketStatistics(e.d, 4, 7, 1, t);
    EXPECT_EQ(t.band1, "1 (25.0%)");
    EXPECT_EQ(t.band2, "1 (25.0%)");
    EXPECT_EQ(t.band3, "2 (50.0%)");
    // Deep sites count with their full value in the mean: (0+4+7+200)/4.
    EXPECT_EQ(t.mean, "52.8");

    // With U <= L band 2 stays empty.
    FormatPocketStatistics(e.d, 5, 3, 0, t);
    EXPECT_EQ(t.band2, QStringLiteral("5-2㎜：0(0.0%)"));
    EXPECT_EQ(t.band3, QStringLiteral("3㎜-：2(50.0%)"));
}

}  // namespace
}  // namespace mox
