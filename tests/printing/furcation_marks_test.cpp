#include "printing/furcation_marks.h"

#include "platform/gui/japanese_ui.h"
#include "platform/gui/recording_target.h"
#include "printing/primitives.h"
#include "tests/printing/recorded_drawing.h"

#include <gtest/gtest.h>

namespace mox {
namespace {

using platform::RecordingTarget;
using platform::TargetKind;
using test::Drawn;
using test::OfKind;

constexpr float kX = 44, kY = 62.5f, kW = 9, kH = 6;

class FurcationMarks : public ::testing::Test {
protected:
    static void SetUpTestSuite() { platform::RegisterFontSubstitutes(); }
    void SetUp() override {
        platform::ApplyDrawingDefaults(printer_);
        platform::ApplyDrawingDefaults(preview_);
        values_.fill(kNoSiteValue);
    }
    std::vector<Drawn> Row(RecordingTarget& target, int16_t upper = -1, bool blank = false, float w = kW,
                           float h = kH) {
        target.ClearLog();
        (blank ? PrintFurcationMarksBlank : PrintFurcationMarks)(target, kX, kY, w, h, values_, upper);
        return test::ParseDrawing(target.Log());
    }
    // What is drawn inside cell `cell` (by its left edge), by kind.
    static std::vector<Drawn> InCell(const std::vector<Drawn>& drawn, const QString& kind, int cell) {
        std::vector<Drawn> inside;
        for (const Drawn& d : OfKind(drawn, kind))
            if (d.at[0] > kX + cell * kW - 1e-3 && d.at[0] < kX + (cell + 1) * kW - 1e-3) inside.push_back(d);
        return inside;
    }
    static QStringList Grades(const std::vector<Drawn>& drawn) {
        QStringList grades;
        for (const Drawn& d : OfKind(drawn, QStringLiteral("Text")))
            if (d.text != QStringLiteral(" ")) grades << d.text;
        return grades;
    }

    RecordingTarget printer_{TargetKind::Printer};
    RecordingTarget preview_{TargetKind::Picture, 210, 455, 96};
    std::array<uint8_t, kSiteCount> values_{};
};

TEST_F(FurcationMarks, UpperMolarShadesTheRegionsWithoutAFinding) {
    values_[0 * 6 + 1] = 2;  // 18, buccal furcation (drawing order: the top middle)
    const auto drawn = Row(printer_);
    // Two grey regions, left and right of the lines; the triangle above the junction stays white.
    const auto grey = OfKind(drawn, QStringLiteral("Polygon"));
    ASSERT_EQ(grey.size(), 2u);
    const double px = 600 / 25.4;  // the polygons are in the printer's pixels
    for (const Drawn& p : grey) {
        ASSERT_EQ(p.at.size(), 8u);  // four corners each
        EXPECT_EQ(p.fill, QStringLiteral("D0D0D0/0"));
        for (size_t i = 0; i < 8; i += 2) {
            EXPECT_NEAR(p.at[i], std::nearbyint(p.at[i]), 1e-9);
            EXPECT_GE(p.at[i], std::floor(kX * px));
            EXPECT_LE(p.at[i], std::ceil((kX + kW) * px));
        }
    }
    EXPECT_NEAR(grey[0].at[3], std::nearbyint((kY + 0.6 * kH) * px), 1e-9);  // the junction
    const auto texts = InCell(drawn, QStringLiteral("Text"), 0);
    ASSERT_EQ(texts.size(), 6u);
    const QStringList grades = Grades(drawn);
    ASSERT_EQ(grades, QStringList{QStringLiteral("Ⅱ")});
    for (const Drawn& t : texts) {
        if (t.text != QStringLiteral("Ⅱ")) continue;
        EXPECT_GT(t.at[0], kX + kW / 3 - 0.5);
        EXPECT_LT(t.at[0], kX + 2 * kW / 3);
        EXPECT_LT(t.at[1], kY + kH / 2);
        EXPECT_EQ(t.font, QStringLiteral("ＭＳ 明朝"));
    }
    // The lines from the corners to the junction 0.6 of the height down, and down to the bottom.
    const auto lines = InCell(drawn, QStringLiteral("Line"), 0);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_NEAR(lines[0].at[3], kY + 0.6 * kH, 1e-3);
}

TEST_F(FurcationMarks, LowerMolarAndUpperPremolarSplitTheirCells) {
    values_[16 * 6 + 1] = 3;  // 48: slot 1 is drawn in the lower half, slot 4 (empty) in the upper
    values_[19 * 6 + 0] = 1;  // 45: no furcation kind; shows v[4] only
    const auto lower = Row(printer_, 0);
    const auto greyHalves = InCell(lower, QStringLiteral("FilledBox"), 0);
    ASSERT_EQ(greyHalves.size(), 1u);  // the upper half: no finding there
    EXPECT_NEAR(greyHalves[0].at[1], kY, 1e-3);
    EXPECT_NEAR(greyHalves[0].at[3], kY + kH / 2, 1e-3);
    const auto grades0 = Grades(InCell(lower, QStringLiteral("Text"), 0));
    EXPECT_EQ(grades0, QStringList{QStringLiteral("Ⅲ")});
    // Centred in the lower half: it starts well below the upper half's text.
    EXPECT_GT(InCell(lower, QStringLiteral("Text"), 0).back().at[1], kY + kH / 4);
    // 45 has no furcation kind: its cell shows site slot 1's grade only, unshaded.
    EXPECT_TRUE(InCell(lower, QStringLiteral("FilledBox"), 3).empty());
    EXPECT_TRUE(Grades(InCell(lower, QStringLiteral("Text"), 3)).isEmpty());
    values_[19 * 6 + 1] = 1;
    EXPECT_EQ(Grades(InCell(Row(printer_, 0), QStringLiteral("Text"), 3)), QStringList{QStringLiteral("Ⅰ")});

    // 15, an upper premolar with only its middle value: both halves grey, "Ⅰ" in
    // the middle third, the dividing line drawn over it.
    values_[3 * 6 + 1] = 1;
    const auto upper = Row(printer_, -1);
    const auto cell = [&] {
        std::vector<Drawn> all;
        for (const Drawn& d : upper)
            if (d.at.size() >= 2 && d.at[0] > kX + 3 * kW - 1e-3 && d.at[0] < kX + 4 * kW - 1e-3) all.push_back(d);
        return all;
    }();
    ASSERT_GE(cell.size(), 5u);
    EXPECT_EQ(cell[0].kind, QStringLiteral("FilledBox"));
    EXPECT_EQ(cell[1].kind, QStringLiteral("FilledBox"));
    int gradeAt = -1, lineAt = -1;
    for (size_t i = 0; i < cell.size(); ++i) {
        if (cell[i].kind == QStringLiteral("Text") && cell[i].text == QStringLiteral("Ⅰ")) gradeAt = int(i);
        if (cell[i].kind == QStringLiteral("Line") && cell[i].at[0] == cell[i].at[2]) lineAt = int(i);
    }
    EXPECT_GE(gradeAt, 0);
    EXPECT_GT(lineAt, gradeAt);
    EXPECT_NEAR(cell[lineAt].at[0], kX + 3 * kW + kW / 2, 1e-3);
}

TEST_F(FurcationMarks, ValuesOutsideTheGradesAreBlankAndOnlyMinusOneMeansUpper) {
    values_[0 * 6 + 1] = 0;
    values_[0 * 6 + 3] = 4;
    values_[0 * 6 + 5] = 127;
    values_[1 * 6 + 0] = 200;  // 17: all values empty (bit 0x80)
    const auto drawn = Row(printer_);
    EXPECT_TRUE(Grades(drawn).isEmpty());
    EXPECT_TRUE(OfKind(drawn, QStringLiteral("Polygon")).empty()) << "present values are never shaded";
    ASSERT_EQ(InCell(drawn, QStringLiteral("FilledBox"), 1).size(), 1u);  // 17: one grey cell
    values_[16 * 6 + 4] = 2;
    for (int16_t upper : {int16_t(0), int16_t(1), int16_t(7)})
        EXPECT_EQ(Grades(Row(printer_, upper)), QStringList{QStringLiteral("Ⅱ")}) << upper;
}

TEST_F(FurcationMarks, GradesStayWithinTheCap) {
    values_[5 * 6 + 4] = 3;  // 13, palatal middle: the one grade of a tooth without furcation
    // A tall cell would fit a big grade: it prints at the cap, 8 points.
    auto sizeIn = [&](const std::vector<Drawn>& drawn) {
        for (const Drawn& d : OfKind(drawn, QStringLiteral("Text")))
            if (d.text == QStringLiteral("Ⅲ")) return d.size;
        return -1.0;
    };
    EXPECT_NEAR(sizeIn(Row(printer_, -1, false, 30, 30)), 8, 0.07);
    // A small cell fits the grade to the print box, below the cap, and
    // smaller still to keep clear of the cell's lines.
    const auto small = Row(printer_, -1, false, 2, 2);
    printer_.SetFontName(QStringLiteral("ＭＳ 明朝"));
    EXPECT_LE(sizeIn(small), FitFontSizeCapped(printer_, 2, QStringLiteral("Ⅲ"), 8));
    EXPECT_LT(sizeIn(small), 8);
}

TEST_F(FurcationMarks, TheBlankFormPrintsFindingsAsNumbersAndShadesOnlyEmptyTeeth) {
    values_.fill(2);
    for (int s = 0; s < 6; ++s) values_[2 * 6 + s] = kNoSiteValue;  // 16 without any value
    values_[0 * 6 + 1] = kNoSiteValue;
    values_[5 * 6 + 4] = 3;  // 13: the one value of a tooth without furcation
    const auto drawn = Row(printer_, -1, true);
    const QStringList numbers = Grades(drawn);
    EXPECT_EQ(numbers.count(QStringLiteral("3")), 1);
    EXPECT_GT(numbers.count(QStringLiteral("2")), 0);
    EXPECT_EQ(numbers.count(QStringLiteral("2")) + 1, numbers.size()) << numbers.join(u',').toStdString();
    for (const Drawn& t : OfKind(drawn, QStringLiteral("Text"))) EXPECT_LE(t.size, 9 + 0.07);
    EXPECT_TRUE(OfKind(drawn, QStringLiteral("Polygon")).empty());
    const auto grey = OfKind(drawn, QStringLiteral("FilledBox"));
    ASSERT_EQ(grey.size(), 1u);
    EXPECT_NEAR(grey[0].at[0], kX + 2 * kW, 1e-3);
    for (const Drawn& t : OfKind(drawn, QStringLiteral("Text"))) EXPECT_EQ(t.font, QStringLiteral("ＭＳ ゴシック"));
    // Midlines: 4 pixels on the blank form, 5 on the printed sheet, 2 on the preview.
    EXPECT_EQ(OfKind(drawn, QStringLiteral("Line")).back().width, 4);
    EXPECT_EQ(OfKind(Row(printer_), QStringLiteral("Line")).back().width, 5);
    EXPECT_EQ(OfKind(Row(preview_), QStringLiteral("Line")).back().width, 2);
    EXPECT_NEAR(OfKind(Row(preview_), QStringLiteral("Line")).back().at[0], kX + 8 * kW, 1e-3);
}

}  // namespace
}  // namespace mox
