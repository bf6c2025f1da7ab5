#include "printing/sheet_rows.h"

#include "platform/gui/colour.h"
#include "platform/gui/japanese_ui.h"
#include "platform/gui/recording_target.h"
#include "printing/primitives.h"
#include "records/exam_item.h"
#include "records/shared_records.h"
#include "tests/printing/recorded_drawing.h"

#include <gtest/gtest.h>

namespace mox {
namespace {

using platform::RecordingTarget;
using platform::TargetKind;
using test::Drawn;
using test::OfKind;

constexpr float kX = 32, kY = 40, kW = 8, kH = 6.8f;

class SheetRows : public ::testing::Test {
protected:
    static void SetUpTestSuite() { platform::RegisterFontSubstitutes(); }
    void SetUp() override {
        CreateGlobalObjects();
        Globals().SubExamRows[0]->SetValueColor(2, int32_t(platform::VbRgb(255, 255, 192)));
        platform::ApplyDrawingDefaults(printer_);
        platform::ApplyDrawingDefaults(preview_);
        depths_.fill(kNoSiteValue);
        bleeding_.fill(kNoSiteValue);
        suppuration_.fill(kNoSiteValue);
    }
    void TearDown() override { ReleaseGlobalObjects(); }

    std::vector<Drawn> PocketRow(RecordingTarget& target, bool upper = true, bool blank = false, float w = kW,
                                 float h = kH) {
        target.ClearLog();
        PrintPocketDepthRow(target, kX, kY, w, h, depths_, bleeding_, suppuration_, upper, blank,
                            static_cast<uint32_t>(Globals().SubExamRows[0]->GetColorByValue(0, 2)));
        return test::ParseDrawing(target.Log());
    }
    // Texts other than the blank of an empty site, with the cell they stand in.
    static std::vector<Drawn> Numbers(const std::vector<Drawn>& drawn) {
        std::vector<Drawn> numbers;
        for (const Drawn& d : OfKind(drawn, QStringLiteral("Text")))
            if (d.text != QStringLiteral(" ")) numbers.push_back(d);
        return numbers;
    }

    RecordingTarget printer_{TargetKind::Printer};
    RecordingTarget preview_{TargetKind::Picture, 210, 455, 96};
    std::array<uint8_t, kSiteCount> depths_{}, bleeding_{}, suppuration_{};
};

TEST_F(SheetRows, AToothWithoutDepthsIsOneGreyCellOtherwiseOnlyItsEmptySitesAre) {
    depths_[1 * 6 + 0] = 3;  // 17: one site measured
    const auto drawn = PocketRow(printer_);
    auto greyIn = [&](int cell) {
        std::vector<Drawn> grey;
        for (const Drawn& d : OfKind(drawn, QStringLiteral("FilledBox")))
            if (d.colour == QStringLiteral("D0D0D0") && d.at[0] >= kX + cell * kW - 1e-3 &&
                d.at[0] < kX + (cell + 1) * kW - 1e-3)
                grey.push_back(d);
        return grey;
    };
    ASSERT_EQ(greyIn(0).size(), 1u);
    EXPECT_NEAR(greyIn(0)[0].at[2] - greyIn(0)[0].at[0], kW, 1e-4);
    EXPECT_NEAR(greyIn(0)[0].at[3] - greyIn(0)[0].at[1], kH, 1e-4);
    EXPECT_EQ(greyIn(1).size(), 5u);  // the five empty sites of 17
    const auto numbers = Numbers(drawn);
    ASSERT_EQ(numbers.size(), 1u);
    EXPECT_EQ(numbers[0].text, QStringLiteral("3"));
    // Slot 0 of a tooth on the patient's right is the last of the buccal line.
    EXPECT_GT(numbers[0].at[0], kX + kW + 2 * kW / 3);
    EXPECT_LT(numbers[0].at[1], kY + kH / 2);
}

TEST_F(SheetRows, BleedingIsRedAndSuppurationTintsTheSubCellUnderTheNumber) {
    depths_[8 * 6 + 0] = 4;  // 21: bled
    bleeding_[8 * 6 + 0] = 1;
    depths_[8 * 6 + 1] = 5;  // suppurated
    suppuration_[8 * 6 + 1] = 1;
    depths_[8 * 6 + 2] = 6;  // both
    bleeding_[8 * 6 + 2] = 1;
    suppuration_[8 * 6 + 2] = 1;
    bleeding_[8 * 6 + 3] = 1;  // a mark without a depth: a grey sub-cell
    const auto drawn = PocketRow(printer_);
    std::map<QString, QString> colourOf;
    for (const Drawn& d : Numbers(drawn)) colourOf[d.text] = d.colour;
    EXPECT_EQ(colourOf[QStringLiteral("4")], QStringLiteral("0000FF"));
    EXPECT_EQ(colourOf[QStringLiteral("5")], QStringLiteral("000000"));
    EXPECT_EQ(colourOf[QStringLiteral("6")], QStringLiteral("0000FF"));
    int tints = 0;
    for (size_t i = 0; i < drawn.size(); ++i) {
        if (drawn[i].colour != QStringLiteral("C0FFFF") || drawn[i].kind != QStringLiteral("FilledBox")) continue;
        ++tints;
        ASSERT_LT(i + 1, drawn.size());
        EXPECT_EQ(drawn[i + 1].kind, QStringLiteral("Text"));  // the number comes over the tint
        EXPECT_NEAR(drawn[i].at[2] - drawn[i].at[0], kW / 3, 1e-3);
    }
    EXPECT_EQ(tints, 2);
}

TEST_F(SheetRows, TheLowerRowRunsFrom48To38WithItsSitesInTheirPlaces) {
    depths_[16 * 6 + 5] = 1;  // 48, lingual distal: the first place of the upper line
    depths_[24 * 6 + 0] = 2;  // 31, buccal: the lower line, first place
    depths_[31 * 6 + 2] = 7;  // 38
    const auto numbers = Numbers(PocketRow(printer_, false));
    ASSERT_EQ(numbers.size(), 3u);
    std::map<QString, std::pair<int, int>> place;  // text -> (cell, position 0..5)
    for (const Drawn& d : numbers) {
        const int cell = static_cast<int>((d.at[0] - kX) / kW);
        const int column = static_cast<int>((d.at[0] - kX - cell * kW) / (kW / 3));
        place[d.text] = {cell, (d.at[1] > kY + kH / 2 - 0.5 ? 3 : 0) + column};
    }
    EXPECT_EQ(place[QStringLiteral("1")], std::make_pair(0, 0));
    EXPECT_EQ(place[QStringLiteral("2")], std::make_pair(8, 3));
    EXPECT_EQ(place[QStringLiteral("7")], std::make_pair(15, 5));
}

TEST_F(SheetRows, PrinterAndPreviewSizeTheDepthsEachByTheirRule) {
    depths_[0 * 6 + 2] = 7;
    depths_[0 * 6 + 1] = 12;
    // Measured in the row's font, on a sub-cell of 3 x 3 whole millimetres.
    printer_.SetFontName(QStringLiteral("ＭＳ ゴシック"));
    preview_.SetFontName(QStringLiteral("ＭＳ ゴシック"));
    const double fittedOne = FitFontSize(printer_, 3, 3, QStringLiteral("7"));
    const double fittedTwo = FitFontSize(printer_, 3, 3, QStringLiteral("12"));
    ASSERT_LE(fittedTwo, 9);
    auto sizeOf = [](const std::vector<Drawn>& drawn, const QString& text) {
        for (const Drawn& d : drawn)
            if (d.kind == QStringLiteral("Text") && d.text == text) return d.size;
        return -1.0;
    };
    const auto printed = PocketRow(printer_);
    // One digit fitted (to the sub-cell's width); two digits at their fitted size less half a point.
    EXPECT_DOUBLE_EQ(sizeOf(printed, QStringLiteral("7")),
                     FitFontSizeCapped(printer_, kW / 3, QStringLiteral("7"), fittedOne));
    EXPECT_NEAR(sizeOf(printed, QStringLiteral("12")), fittedTwo - 0.5, 0.07);
    // The preview fits every number, at most 9 points, on its own pixels.
    const auto previewed = PocketRow(preview_, true, false, kW, 7);
    EXPECT_DOUBLE_EQ(sizeOf(previewed, QStringLiteral("12")),
                     FitFontSizeCapped(preview_, kW / 3, QStringLiteral("12"), 9));
    // Cells so big that the fit exceeds 9 points print at 9 on both.
    for (RecordingTarget* target : {&printer_, &preview_}) {
        const auto big = PocketRow(*target, true, false, 40, 30);
        EXPECT_NEAR(sizeOf(big, QStringLiteral("12")), 9, 0.4);
        EXPECT_NEAR(sizeOf(big, QStringLiteral("7")), 9, 0.4);
    }
}

TEST_F(SheetRows, BlankRowsAndFramesAndTheMidlineOfEachTwin) {
    depths_.fill(4);
    for (RecordingTarget* target : {&printer_, &preview_}) {
        const auto drawn = PocketRow(*target, true, true);
        EXPECT_TRUE(OfKind(drawn, QStringLiteral("Text")).empty());
        EXPECT_TRUE(OfKind(drawn, QStringLiteral("FilledBox")).empty());
        const auto lines = OfKind(drawn, QStringLiteral("Line"));
        ASSERT_EQ(lines.size(), 16u * 4 + 1);
        for (size_t i = 0; i + 1 < lines.size(); ++i) EXPECT_EQ(lines[i].width, 1);
        EXPECT_NEAR(lines.back().at[0], kX + 8 * kW, 1e-4);
        EXPECT_EQ(lines.back().width, target == &printer_ ? 5 : 2);
        EXPECT_EQ(target->DrawWidth(), 1);
    }
}

TEST_F(SheetRows, ValueRowCentresANumberPerToothAndGreysTheRest) {
    std::array<uint8_t, 32> mobility;
    mobility.fill(kNoSiteValue);
    mobility[3] = 2;
    mobility[4] = 200;  // converted data: no value
    PrintToothValueRow(printer_, kX, kY, kW, kH, mobility, true, false);
    const auto drawn = test::ParseDrawing(printer_.Log());
    const auto texts = OfKind(drawn, QStringLiteral("Text"));
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text, QStringLiteral("2"));
    EXPECT_NEAR(texts[0].at[1], kY + kH / 6, 1e-3);
    EXPECT_EQ(texts[0].font, QStringLiteral("ＭＳ ゴシック"));
    EXPECT_NEAR(texts[0].size, 12, 0.07);
    EXPECT_EQ(OfKind(drawn, QStringLiteral("FilledBox")).size(), 15u);
}

class PlaqueRow : public SheetRows {
protected:
    std::vector<Drawn> Draw(RecordingTarget& target) {
        target.ClearLog();
        PrintPlaqueRow(target, kX, kY, kW, kH, faces_, notExamined_, true);
        return test::ParseDrawing(target.Log());
    }
    std::array<uint8_t, 32> faces_{}, notExamined_{};
};

TEST_F(PlaqueRow, FacesAreTrianglesInThisTargetsPixelsUnderACross) {
    faces_.fill(kNoSiteValue);
    notExamined_.fill(kNoSiteValue);
    faces_[1] = 1 | 8;    // 17: top and bottom
    notExamined_[1] = 8;  // the bottom not examined: grey though it has plaque
    faces_[2] = 0;        // 16: examined, no plaque: the cross alone
    notExamined_[2] = 0;
    const auto drawn = Draw(printer_);
    const auto polygons = OfKind(drawn, QStringLiteral("Polygon"));
    ASSERT_EQ(polygons.size(), 2u);
    // Top face of 17: (left, top), centre, (right, top) in 600-dpi pixels.
    const double px = 600 / 25.4;
    const std::vector<double> top = {std::nearbyint((kX + kW) * px),       std::nearbyint(kY * px),
                                     std::nearbyint((kX + 1.5 * kW) * px), std::nearbyint((kY + kH / 2) * px),
                                     std::nearbyint((kX + 2 * kW) * px),   std::nearbyint(kY * px)};
    EXPECT_EQ(polygons[0].at, top);
    EXPECT_EQ(polygons[0].colour, QStringLiteral("0000FF"));
    EXPECT_EQ(polygons[0].fill, QStringLiteral("0000FF/0"));
    EXPECT_EQ(polygons[1].colour, QStringLiteral("D0D0D0"));
    EXPECT_EQ(printer_.FillStyle(), platform::kFillTransparent);
    // Every tooth has its cross: 16 cells, two diagonals each.
    int diagonals = 0;
    for (const Drawn& d : OfKind(drawn, QStringLiteral("Line")))
        if (d.at[0] != d.at[2] && d.at[1] != d.at[3]) ++diagonals;
    EXPECT_EQ(diagonals, 32);
    // Teeth without a finding (14 of them) are grey cells.
    EXPECT_EQ(OfKind(drawn, QStringLiteral("FilledBox")).size(), 14u);
    // On the preview the same triangle is in the preview's pixels.
    const auto previewed = OfKind(Draw(preview_), QStringLiteral("Polygon"));
    ASSERT_EQ(previewed.size(), 2u);
    EXPECT_NEAR(previewed[0].at[0], std::nearbyint((kX + kW) * 96 / 25.4), 1e-9);
}

}  // namespace
}  // namespace mox
