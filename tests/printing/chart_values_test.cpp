#include "printing/chart_values.h"

#include "platform/gui/colour.h"
#include "platform/gui/recording_target.h"
#include "tests/printing/recorded_drawing.h"

#include <gtest/gtest.h>

namespace mox {
namespace {

using platform::RecordingTarget;
using platform::TargetKind;
using test::Drawn;

constexpr uint32_t kRed = platform::VbRgb(255, 0, 0);

class ChartValues : public ::testing::Test {
protected:
    void SetUp() override {
        platform::ApplyDrawingDefaults(printer_);
        slot_.Clear();
        slot_.Loaded = -1;
    }
    void Draw(int16_t slotIndex = 0, int16_t maxValue = 13) {
        printer_.ClearLog();
        PrintChartValues(printer_, layout_, slot_, kRed, slotIndex, maxValue);
    }
    std::vector<Drawn> Lines() const { return test::OfKind(printer_.Log(), QStringLiteral("Line")); }
    std::vector<Drawn> Dots() const { return test::OfKind(printer_.Log(), QStringLiteral("Circle")); }
    // x of site line j (0..2) of column c.
    double SiteX(int column, int j) const { return layout_.Left + 9 * column + 2.25 * (j + 1); }

    ChartLayout layout_ = SetupChartLayout(-1, 44, 57.5f, 1, 0, 13, 33, 64, 84, 144, 13, 7);
    RecordingTarget printer_{TargetKind::Printer};
    ExamSlot slot_;
};

TEST_F(ChartValues, AnEmptySlotTouchesNothing) {
    slot_.Loaded = 0;
    slot_.PD.fill(5);
    printer_.SetDrawWidth(2);
    printer_.SetFillStyle(platform::kFillTransparent);
    Draw();
    EXPECT_TRUE(printer_.Log().isEmpty());
    EXPECT_EQ(printer_.DrawWidth(), 2);
}

TEST_F(ChartValues, AValueStandsOnItsSiteLineAtItsDepth) {
    slot_.PD[0 * 6 + 1] = 4;  // 18, buccal middle site
    slot_.PD[0 * 6 + 2] = 3;  // 18, mesiobuccal site: the first line on the patient's right
    slot_.PD[0 * 6 + 5] = 2;  // 18, palatal: row 1 shows slots 5, 4, 3
    Draw();
    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 1u);  // row 0: site 2 to site 1; row 1's single value is a dot
    EXPECT_NEAR(lines[0].at[0], layout_.Left + 2.25, 1e-3);
    EXPECT_NEAR(lines[0].at[1], layout_.BandY[0] - 0.12 - 3, 1e-3);
    EXPECT_NEAR(lines[0].at[2], layout_.Left + 4.5, 1e-3);
    EXPECT_NEAR(lines[0].at[3], layout_.BandY[0] - 4.12, 1e-3);
    EXPECT_EQ(lines[0].width, 7);  // 0.3 mm on a 600-dpi printer
    EXPECT_EQ(lines[0].colour, QStringLiteral("0000FF"));
    const auto dots = Dots();
    ASSERT_EQ(dots.size(), 1u);
    EXPECT_NEAR(dots[0].at[0], layout_.Left + 2.25, 1e-3);
    EXPECT_NEAR(dots[0].at[1], layout_.BandY[1] - 0.12 + 2, 1e-3);  // depths grow downwards in row 1
    EXPECT_NEAR(dots[0].at[2], 0.5, 1e-9);
    EXPECT_EQ(dots[0].width, 1);
    EXPECT_EQ(dots[0].fill, QStringLiteral("0000FF/0"));
    EXPECT_EQ(printer_.FillStyle(), platform::kFillTransparent);
    EXPECT_EQ(printer_.DrawWidth(), 7);
}

TEST_F(ChartValues, TheLineBreaksOnlyAtAToothSideWithoutAnyValue) {
    // Row 3 (lower buccal, slots 2, 1, 0 on the right side): 48 full, 47 with
    // its middle site missing, 46 without a buccal value, 45 full again.
    for (int s : {0, 1, 2}) slot_.PD[16 * 6 + s] = 3;
    slot_.PD[17 * 6 + 0] = 4;
    slot_.PD[17 * 6 + 2] = 5;
    slot_.PD[18 * 6 + 3] = 6;  // 46 lingual: another row
    for (int s : {0, 1, 2}) slot_.PD[19 * 6 + s] = 2;
    Draw();
    std::vector<std::pair<double, double>> spans;
    for (const Drawn& d : Lines())
        if (d.at[1] > layout_.BandY[3]) spans.emplace_back(d.at[0], d.at[2]);
    const std::vector<std::pair<double, double>> expected = {
        {SiteX(0, 0), SiteX(0, 1)}, {SiteX(0, 1), SiteX(0, 2)},
        {SiteX(0, 2), SiteX(1, 0)}, {SiteX(1, 0), SiteX(1, 2)},  // straight over 47's missing middle site
        {SiteX(3, 0), SiteX(3, 1)}, {SiteX(3, 1), SiteX(3, 2)},  // nothing joins 47 to 45
    };
    ASSERT_EQ(spans.size(), expected.size());
    for (size_t i = 0; i < spans.size(); ++i) {
        EXPECT_NEAR(spans[i].first, expected[i].first, 1e-3) << i;
        EXPECT_NEAR(spans[i].second, expected[i].second, 1e-3) << i;
    }
    // 46's lingual value is alone in row 2: a dot; no dot in row 3.
    const auto dots = Dots();
    ASSERT_EQ(dots.size(), 1u);
    EXPECT_LT(dots[0].at[1], layout_.BandY[2]);
}

TEST_F(ChartValues, LonelyValuesGetDotsAtTheEdgesAndBetweenEmptyNeighbours) {
    slot_.PD[8 * 6 + 0] = 2;   // 21: alone on its buccal side, neighbours empty
    slot_.PD[15 * 6 + 2] = 3;  // 28, at the chart's edge
    slot_.PD[0 * 6 + 2] = 4;   // 18, at the other edge...
    slot_.PD[1 * 6 + 2] = 4;   // ...but 17 next to it: joined, no dot
    Draw();
    std::vector<double> dotX;
    for (const Drawn& d : Dots()) dotX.push_back(d.at[0]);
    ASSERT_EQ(dotX.size(), 2u);
    EXPECT_NEAR(dotX[0], SiteX(8, 0), 1e-3);
    EXPECT_NEAR(dotX[1], SiteX(15, 2), 1e-3);
    ASSERT_EQ(Lines().size(), 1u);
}

TEST_F(ChartValues, DepthsAreCappedAndNoValueIsNeverDrawn) {
    slot_.PD[8 * 6 + 0] = 15;
    slot_.PD[8 * 6 + 1] = 200;  // converted data: beyond any probe
    slot_.PD[8 * 6 + 2] = 128;
    Draw(0, 13);
    ASSERT_EQ(Lines().size(), 1u);
    EXPECT_NEAR(Lines()[0].at[1], layout_.BandY[0] - 0.12 - 13, 1e-3);
    EXPECT_NEAR(Lines()[0].at[3], layout_.BandY[0] - 0.12 - 13, 1e-3);
    Draw(0, -1);
    ASSERT_EQ(Lines().size(), 1u);
    EXPECT_NEAR(Lines()[0].at[1], layout_.BandY[0] - 0.12 - 15, 1e-3);  // beyond the scale
    EXPECT_NEAR(Lines()[0].at[3], layout_.BandY[0] - 0.12 - 200, 1e-3);
    // A value of 0 lies on the band line.
    slot_.PD.fill(128);
    slot_.PD[8 * 6 + 0] = 0;
    Draw(1, 13);
    ASSERT_EQ(Dots().size(), 1u);
    EXPECT_NEAR(Dots()[0].at[1], layout_.BandY[0] + 0.12, 1e-3);
}

TEST_F(ChartValues, EvenSlotsDrawHigherThanOddOnesByPointTwentyFour) {
    slot_.PD[9 * 6 + 0] = 5;
    slot_.PD[9 * 6 + 1] = 5;
    std::map<int, double> y;
    for (int16_t index : {0, 1, 2, 3, 7}) {
        Draw(index);
        ASSERT_EQ(Lines().size(), 1u);
        y[index] = Lines()[0].at[1];
    }
    EXPECT_NEAR(y[1] - y[0], 0.24, 1e-4);
    EXPECT_NEAR(y[2], y[0], 1e-6);
    EXPECT_NEAR(y[3], y[1], 1e-6);
    EXPECT_NEAR(y[7], layout_.BandY[0] - 5, 1e-3);  // any other index: no shift
}

}  // namespace
}  // namespace mox
