#include "printing/chart_layout.h"

#include "platform/gui/recording_target.h"
#include "tests/printing/recorded_drawing.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <map>
#include <set>

namespace mox {
namespace {

using platform::RecordingTarget;
using platform::TargetKind;
using test::Drawn;

// The chart screen's block at (bx, by).
ChartLayout ScreenLayout(float bx = 25, float by = 40) {
    return SetupChartLayout(-1, bx + 19, by + 17.5f, 1, 0, 13, 33, 64, 84, 144, 13, 7);
}

TEST(ChartLayoutTest, ChartScreenBlockFitsPicturesToTheRootBand) {
    const ChartLayout layout = ScreenLayout();
    EXPECT_FLOAT_EQ(layout.Left, 25 + 19);
    EXPECT_FLOAT_EQ(layout.BandY[0], 40 + 30.5f);
    EXPECT_FLOAT_EQ(layout.BandY[1], 40 + 50.5f);
    EXPECT_FLOAT_EQ(layout.BandY[2], 40 + 81.5f);
    EXPECT_FLOAT_EQ(layout.BandY[3], 40 + 101.5f);
    EXPECT_FLOAT_EQ(layout.ColumnWidth, 9);
    EXPECT_FLOAT_EQ(layout.ScaleBandHeight, 13);
    // The root band allows 7.0159 mm, the crown band 7.6774: the root band wins.
    EXPECT_NEAR(layout.PicWidth, 7.0159, 1e-4);
    EXPECT_NEAR(layout.PicOffset, 0.9921, 1e-4);
    EXPECT_NEAR(layout.RootPicHeight, 13, 1e-4);
    EXPECT_NEAR(layout.CrownPicHeight, 6.3968, 1e-4);
}

TEST(ChartLayoutTest, NarrowOrLowBandsLimitThePictures) {
    // Columns of 6 mm: the pictures take the whole column and keep their proportions.
    const ChartLayout narrow = SetupChartLayout(-1, 0, 0, 1, 0, 13, 33, 64, 84, 96, 13, 7);
    EXPECT_FLOAT_EQ(narrow.PicWidth, 6);
    EXPECT_FLOAT_EQ(narrow.PicOffset, 0);
    EXPECT_NEAR(narrow.RootPicHeight, 6 * 63.0 / 34, 1e-4);
    EXPECT_NEAR(narrow.CrownPicHeight, 6 * 31.0 / 34, 1e-4);
    // A crown band of 5 mm is the tighter limit.
    const ChartLayout low = SetupChartLayout(-1, 0, 0, 1, 0, 13, 33, 64, 84, 144, 13, 5);
    EXPECT_NEAR(low.PicWidth, 5 * 34.0 / 31, 1e-4);
    EXPECT_NEAR(low.CrownPicHeight, 5, 1e-4);
    // The scale multiplies every offset and size but not the origin.
    const ChartLayout doubled = SetupChartLayout(-1, 10, 20, 2, 3, 13, 33, 64, 84, 144, 13, 7);
    EXPECT_FLOAT_EQ(doubled.Left, 16);
    EXPECT_FLOAT_EQ(doubled.BandY[1], 86);
    EXPECT_FLOAT_EQ(doubled.ColumnWidth, 18);
    EXPECT_NEAR(doubled.RootPicHeight, 26, 1e-4);
}

// The lines of a grid, merged back from their dashes: key (x or y) -> lines.
struct GridLines {
    std::map<double, std::vector<Drawn>> vertical;
    std::map<double, std::vector<Drawn>> horizontal;
};

double Key(double value) { return std::round(value * 1000) / 1000; }

GridLines Lines(const QStringList& log) {
    GridLines lines;
    for (const Drawn& d : test::OfKind(log, QStringLiteral("Line"))) {
        if (d.at[0] == d.at[2])
            lines.vertical[Key(d.at[0])].push_back(d);
        else
            lines.horizontal[Key(d.at[1])].push_back(d);
    }
    return lines;
}

TEST(ChartGridTest, ARowIs63VerticalsAnd13HorizontalsStyledByDistance) {
    const ChartLayout layout = ScreenLayout();
    RecordingTarget printer(TargetKind::Printer);
    platform::ApplyDrawingDefaults(printer);
    PrintChartGrid(printer, layout, 1, 0, 0, 0);
    const GridLines lines = Lines(printer.Log());

    ASSERT_EQ(lines.vertical.size(), 63u);
    ASSERT_EQ(lines.horizontal.size(), 13u);
    const double top = layout.BandY[0] - 13;
    for (const auto& [x, dashes] : lines.vertical) {
        const int k = static_cast<int>(std::lround((x - layout.Left) / 2.25));
        EXPECT_TRUE(k >= 1 && k <= 63);
        // Between teeth one solid line; on the site lines 0.55 mm dashes over 13 mm.
        EXPECT_EQ(dashes.size(), k % 4 == 0 ? 1u : 12u) << x;
        EXPECT_NEAR(dashes.front().at[1], top, 1e-3);
        for (const Drawn& d : dashes) {
            EXPECT_EQ(d.colour, QStringLiteral("C0C0C0"));
            EXPECT_EQ(d.width, 5);  // 0.2 mm on a 600-dpi printer
            EXPECT_EQ(d.style, k % 4 == 0 ? platform::kSolid : platform::kDot);
        }
    }
    for (const auto& [y, dashes] : lines.horizontal) {
        const int d = static_cast<int>(std::lround(layout.BandY[0] - y));  // 1 mm steps, upwards
        ASSERT_TRUE(d >= 0 && d <= 12) << y;
        const Drawn& first = dashes.front();
        EXPECT_NEAR(first.at[0], layout.Left, 1e-3);
        if (d == 0) {
            EXPECT_EQ(first.colour, QStringLiteral("000000"));
            EXPECT_EQ(dashes.size(), 1u);
            EXPECT_NEAR(first.at[2], layout.Left + 144, 1e-3);
        } else if (d == 3 || d == 6 || d == 10) {
            EXPECT_EQ(first.colour, QStringLiteral("707070"));
            EXPECT_EQ(first.style, platform::kDot);
        } else {
            EXPECT_EQ(first.colour, QStringLiteral("C0C0C0"));
            EXPECT_EQ(first.style, d % 2 == 0 ? platform::kSolid : platform::kDot) << d;
        }
    }
    // The scale's far edge (13 steps) belongs to no line.
    EXPECT_EQ(lines.horizontal.count(Key(layout.BandY[0] - 13)), 0u);
    EXPECT_EQ(printer.DrawStyle(), platform::kSolid);
    // Where they cross, the dark rows and the band line lie over the light columns.
    const auto drawn = test::OfKind(printer.Log(), QStringLiteral("Line"));
    size_t lastColumn = 0, firstDarkRow = drawn.size();
    for (size_t i = 0; i < drawn.size(); ++i) {
        if (drawn[i].at[0] == drawn[i].at[2]) lastColumn = i;
        if (drawn[i].at[1] == drawn[i].at[3] && drawn[i].colour != QStringLiteral("C0C0C0"))
            firstDarkRow = std::min(firstDarkRow, i);
    }
    EXPECT_LT(lastColumn, firstDarkRow);
}

TEST(ChartGridTest, OnlyFlagOneDrawsARowOnItsSideOfTheBandLine) {
    const ChartLayout layout = ScreenLayout();
    RecordingTarget printer(TargetKind::Printer);
    platform::ApplyDrawingDefaults(printer);
    PrintChartGrid(printer, layout, 1, 0, 1, 0);
    double lowest = 1e9, highest = -1e9;
    std::set<int> rows;
    for (const Drawn& d : test::OfKind(printer.Log(), QStringLiteral("Line"))) {
        const double y = std::min(d.at[1], d.at[3]);
        for (int r = 0; r < 4; ++r)
            if (std::abs(y - layout.BandY[r]) <= 13.001) rows.insert(r);
        lowest = std::min(lowest, std::min(d.at[1], d.at[3]));
        highest = std::max(highest, std::max(d.at[1], d.at[3]));
    }
    EXPECT_EQ(rows, (std::set<int>{0, 2}));
    EXPECT_NEAR(lowest, layout.BandY[0] - 13, 1e-3);  // rows 0 and 2 lie above their band lines
    EXPECT_NEAR(highest, layout.BandY[2], 1e-3);

    // Rows 1 and 3 lie below theirs; flags 0 and 2 draw nothing and change nothing.
    printer.ClearLog();
    PrintChartGrid(printer, layout, 0, 2, 2, 1);
    const GridLines lines = Lines(printer.Log());
    ASSERT_EQ(lines.horizontal.size(), 13u);
    EXPECT_NEAR(lines.horizontal.begin()->first, layout.BandY[3], 1e-3);
    EXPECT_NEAR(lines.horizontal.rbegin()->first, layout.BandY[3] + 12, 1e-3);
    printer.ClearLog();
    printer.SetDrawWidth(3);
    PrintChartGrid(printer, layout, 0, 2, -1, 0);
    EXPECT_TRUE(printer.Log().isEmpty());
    EXPECT_EQ(printer.DrawWidth(), 3);
}

TEST(ChartGridTest, ATallerScaleKeepsThirteenStepsAndItsDarkLines) {
    const ChartLayout layout = SetupChartLayout(-1, 10, 10, 1, 0, 30, 50, 80, 100, 144, 26, 7);
    RecordingTarget printer(TargetKind::Printer, 210, 297, 300);
    platform::ApplyDrawingDefaults(printer);
    PrintChartGrid(printer, layout, 0, 1, 0, 0);
    const GridLines lines = Lines(printer.Log());
    ASSERT_EQ(lines.horizontal.size(), 13u);
    std::set<int> dark;
    for (const auto& [y, dashes] : lines.horizontal) {
        EXPECT_EQ(dashes.front().width, 2);  // 0.2 mm at 300 dpi
        if (dashes.front().colour == QStringLiteral("707070")) dark.insert(int(std::lround((y - 60) / 2)));
    }
    EXPECT_EQ(dark, (std::set<int>{3, 6, 10}));
    EXPECT_NEAR(lines.horizontal.rbegin()->first, 60 + 24, 1e-3);
}

}  // namespace
}  // namespace mox
