#include "printing/site_marks.h"

#include "platform/gui/colour.h"
#include "platform/gui/recording_target.h"
#include "tests/printing/recorded_drawing.h"

#include <gtest/gtest.h>

namespace mox {
namespace {

using platform::RecordingTarget;
using platform::TargetKind;
using test::Drawn;

constexpr uint32_t kGreen = platform::VbRgb(0, 128, 0);
constexpr float kX = 44, kUpperTop = 70.5f, kUpperBottom = 90.5f, kLowerTop = 121.5f, kLowerBottom = 141.5f;

class SiteMarks : public ::testing::Test {
protected:
    void SetUp() override {
        platform::ApplyDrawingDefaults(printer_);
        states_.fill(0);
        bleeding_.fill(kNoSiteValue);
        suppuration_.fill(kNoSiteValue);
    }
    std::vector<Drawn> Draw(int16_t slot) {
        printer_.ClearLog();
        PrintSiteMarks(printer_, kX, kUpperTop, kUpperBottom, kLowerTop, kLowerBottom, 9, states_, bleeding_,
                       suppuration_, slot, kGreen);
        return test::ParseDrawing(printer_.Log());
    }

    RecordingTarget printer_{TargetKind::Printer};
    ToothStatusWords states_{};
    std::array<uint8_t, kSiteCount> bleeding_{};
    std::array<uint8_t, kSiteCount> suppuration_{};
};

TEST_F(SiteMarks, BoxesLieAlongTheBandEdgesInMirroredSiteOrder) {
    suppuration_[0 * 6 + 2] = 1;   // 18 mesiobuccal: first box of the upper band's top edge
    suppuration_[0 * 6 + 3] = 1;   // 18 palatal: last box of its bottom edge
    suppuration_[8 * 6 + 0] = 1;   // 21 buccal site 0: first box of its column
    suppuration_[16 * 6 + 5] = 1;  // 48 lingual: the lower band's top edge, first box
    suppuration_[31 * 6 + 1] = 1;  // 38 buccal middle: the lower band's bottom edge
    for (int16_t slot : {0, 2}) {
        const auto boxes = test::OfKind(Draw(slot), QStringLiteral("FilledBox"));
        ASSERT_EQ(boxes.size(), 5u);
        auto expect = [&](const Drawn& box, double left, double top) {
            EXPECT_NEAR(box.at[0], left, 1e-4);
            EXPECT_NEAR(box.at[1], top, 1e-4);
            EXPECT_NEAR(box.at[2] - box.at[0], 2.25, 1e-4);
            EXPECT_NEAR(box.at[3] - box.at[1], 1.8, 1e-4);
            EXPECT_EQ(box.colour, QStringLiteral("00FFFF"));  // yellow
        };
        expect(boxes[0], kX + 1.125, kUpperTop + 0.25);
        expect(boxes[1], kX + 72 + 1.125, kUpperTop + 0.25);
        expect(boxes[2], kX + 1.125 + 4.5, kUpperBottom - 0.25 - 1.8);
        expect(boxes[3], kX + 1.125, kLowerTop + 0.25);
        expect(boxes[4], kX + 15 * 9 + 1.125 + 2.25, kLowerBottom - 0.25 - 1.8);
    }
    // Odd slots one box height further in: 1.8 to 3.6 mm from the edge.
    const auto inner = test::OfKind(Draw(1), QStringLiteral("FilledBox"));
    EXPECT_NEAR(inner[0].at[1], kUpperTop + 1.8, 1e-4);
    EXPECT_NEAR(inner[2].at[3], kUpperBottom - 1.8, 1e-4);
}

TEST_F(SiteMarks, BleedingIsACircleOverTheSuppurationBox) {
    bleeding_[9 * 6 + 1] = 1;
    suppuration_[9 * 6 + 1] = 1;
    bleeding_[10 * 6 + 1] = 1;
    const auto drawn = Draw(3);
    ASSERT_EQ(drawn.size(), 3u);
    EXPECT_EQ(drawn[0].kind, QStringLiteral("FilledBox"));
    EXPECT_EQ(drawn[1].kind, QStringLiteral("Circle"));
    EXPECT_NEAR(drawn[1].at[0], drawn[0].at[0] + 1.125, 1e-4);
    EXPECT_NEAR(drawn[1].at[1], drawn[0].at[1] + 0.9, 1e-4);
    EXPECT_NEAR(drawn[1].at[2], 0.6, 1e-6);
    EXPECT_EQ(drawn[1].colour, QStringLiteral("008000"));
    EXPECT_EQ(drawn[1].fill, QStringLiteral("008000/0"));
    EXPECT_EQ(drawn[1].width, 3);
    EXPECT_EQ(printer_.FillStyle(), platform::kFillTransparent);
}

TEST_F(SiteMarks, MissingTeethAndPonticsGetNoMarksImplantsDo) {
    for (int t : {4, 5, 6}) {
        bleeding_[t * 6 + 1] = 1;
        suppuration_[t * 6 + 4] = 1;
    }
    states_[4] = int16_t(kToothMissing);
    states_[5] = int16_t(kToothPontic);
    states_[6] = int16_t(kToothImplant);
    const auto drawn = Draw(0);
    ASSERT_EQ(drawn.size(), 2u);
    for (const Drawn& d : drawn) {
        const double left = d.kind == QStringLiteral("Circle") ? d.at[0] - 1.125 : d.at[0];
        EXPECT_EQ(static_cast<int>((left - kX) / 9), 6) << d.kind.toStdString();
    }
}

TEST_F(SiteMarks, OnlyAMarkOfOneIsDrawnAndOnlyForSlotsZeroToThree) {
    bleeding_[0] = 0;
    bleeding_[1] = 2;
    suppuration_[2] = 129;
    bleeding_[20] = 255;
    EXPECT_TRUE(Draw(0).empty());
    bleeding_[1] = 1;
    printer_.SetDrawWidth(2);
    printer_.SetFillStyle(platform::kFillTransparent);
    printer_.SetDrawStyle(platform::kDot);
    for (int16_t slot : {-1, 4, 9}) {
        EXPECT_TRUE(Draw(slot).empty()) << slot;
        EXPECT_EQ(printer_.DrawWidth(), 2);
        EXPECT_EQ(printer_.DrawStyle(), platform::kDot);
        EXPECT_EQ(printer_.FillStyle(), platform::kFillTransparent);
    }
}

}  // namespace
}  // namespace mox
