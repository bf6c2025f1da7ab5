#include "printing/primitives.h"

#include "platform/gui/colour.h"
#include "platform/gui/japanese_ui.h"
#include "platform/gui/painter_target.h"
#include "platform/gui/recording_target.h"
#include "tests/printing/recorded_drawing.h"

#include <gtest/gtest.h>
#include <cmath>

namespace mox {
namespace {

using platform::RecordingTarget;
using platform::TargetKind;
using test::Drawn;
using test::OfKind;

constexpr uint32_t kRed = platform::VbRgb(255, 0, 0);

class Primitives : public ::testing::Test {
protected:
    static void SetUpTestSuite() { platform::RegisterFontSubstitutes(); }
    void SetUp() override { platform::ApplyDrawingDefaults(printer_); }

    // The size the target gives for a requested size.
    static double Quantised(platform::DrawTarget& target, double points) {
        const double saved = target.FontSize();
        target.SetFontSize(points);
        const double size = target.FontSize();
        target.SetFontSize(saved);
        return size;
    }
    static bool Fits(platform::DrawTarget& target, double points, double maxWidth, double maxHeight,
                     const QString& text) {
        const double saved = target.FontSize();
        target.SetFontSize(points);
        const bool fits = target.TextHeight(text) < maxHeight && target.TextWidth(text) < maxWidth;
        target.SetFontSize(saved);
        return fits;
    }
    // Non-blank characters printed, as (character, x).
    std::vector<std::pair<QString, double>> PrintedCharacters() const {
        std::vector<std::pair<QString, double>> printed;
        for (const Drawn& d : OfKind(printer_.Log(), QStringLiteral("Text")))
            if (!d.text.trimmed().isEmpty()) printed.emplace_back(d.text, d.at[0]);
        return printed;
    }

    RecordingTarget printer_{TargetKind::Printer};
};

TEST_F(Primitives, CellModePutsOneCharacterInEachCellPaddedByAlignment) {
    using Cells = std::vector<std::pair<QString, double>>;
    PrintTextInBox(printer_, 10, 20, 50, 0, QStringLiteral("123"), false, 10, kAlignRight, kRed, 5);
    EXPECT_EQ(PrintedCharacters(), (Cells{{"1", 30}, {"2", 40}, {"3", 50}}));
    for (int16_t alignment : {kAlignLeft, kAlignCentre}) {
        printer_.ClearLog();
        PrintTextInBox(printer_, 10, 20, 50, 0, QStringLiteral("123"), false, 10, alignment, kRed, 5);
        EXPECT_EQ(PrintedCharacters(), (Cells{{"1", 10}, {"2", 20}, {"3", 30}})) << alignment;
    }
    // No fitting in cell mode, whatever fit says; the size stays set.
    PrintTextInBox(printer_, 10, 20, 50, 8, QStringLiteral("12"), true, 14, kAlignLeft, kRed, 5);
    EXPECT_DOUBLE_EQ(printer_.FontSize(), Quantised(printer_, 14));
    EXPECT_EQ(printer_.ForeColor(), kRed);
    const Drawn last = OfKind(printer_.Log(), QStringLiteral("Text")).back();
    EXPECT_NEAR(last.at[1], 20 + (8 - printer_.TextHeight(QStringLiteral("12   "))) / 2, 1e-3);
}

TEST_F(Primitives, TextLongerThanItsCellsOrWithoutCellsIsOneRun) {
    PrintTextInBox(printer_, 10, 20, 50, 0, QStringLiteral("123456"), false, 10, kAlignRight, 0, 5);
    PrintTextInBox(printer_, 10, 30, 50, 0, QStringLiteral("12"), false, 10, kAlignLeft, 0, 0);
    const auto texts = OfKind(printer_.Log(), QStringLiteral("Text"));
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].text, QStringLiteral("123456"));
    EXPECT_NEAR(texts[0].at[0], 60 - printer_.TextWidth(QStringLiteral("123456")), 1e-3);
    EXPECT_EQ(texts[1].text, QStringLiteral("12"));
    EXPECT_NEAR(texts[1].at[0], 10, 1e-3);
}

TEST_F(Primitives, NormalModePlacesByAlignmentAndCentresOrHangs) {
    const QString text = QStringLiteral("歯周検査");
    PrintTextInBox(printer_, 10, 20, 60, 10, text, false, 12, kAlignRight, kRed, 0);
    PrintTextInBox(printer_, 10, 20, 60, 10, text, false, 12, kAlignCentre, kRed, 0);
    PrintTextInBox(printer_, 10, 20, 60, 0, text, false, 12, kAlignLeft, kRed, 0);
    const double width = printer_.TextWidth(text);
    const double height = printer_.TextHeight(text);
    const auto texts = OfKind(printer_.Log(), QStringLiteral("Text"));
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_NEAR(texts[0].at[0], 70 - width, 1e-3);
    EXPECT_NEAR(texts[0].at[1], 20 + (10 - height) / 2, 1e-3);
    EXPECT_NEAR(texts[1].at[0], 10 + (60 - width) / 2, 1e-3);
    EXPECT_NEAR(texts[2].at[0], 10, 1e-3);
    EXPECT_NEAR(texts[2].at[1], 20, 1e-3);  // height 0: the text hangs from y
    EXPECT_EQ(texts[2].colour, QStringLiteral("0000FF"));
    EXPECT_DOUBLE_EQ(texts[2].size, Quantised(printer_, 12));
    // A text wider than its box is not cut: right-aligned, it starts left of x.
    printer_.ClearLog();
    PrintTextInBox(printer_, 10, 20, 2, 0, text, false, 12, kAlignRight, 0, 0);
    EXPECT_LT(OfKind(printer_.Log(), QStringLiteral("Text")).at(0).at[0], 10);
}

// A title fitted into a narrow ruled column keeps its side margin: the
// fitting works in whole millimetres and may round the room up.
TEST_F(Primitives, TitleInANarrowCellKeepsClearOfTheDividers) {
    const double x = 10, width = 12;
    QStringList titles;
    for (int n = 1; n <= 24; ++n)
        titles << QString(n, QChar(u'検')) << QString(n, QLatin1Char('8')) << QStringLiteral("動揺度 Mobility").left(n);
    for (const QString& title : titles) {
        // A title the fitting's smallest size cannot hold overruns at it.
        printer_.SetFontSize(4 - 0.7);
        if (printer_.TextWidth(title) > width - kCellSideMargin) continue;
        for (const double height : {3.4, 8.0}) {
            printer_.ClearLog();
            PrintTextInCell(printer_, x, 20, width, height, title, 12, kAlignLeft);
            const auto texts = OfKind(printer_.Log(), QStringLiteral("Text"));
            ASSERT_EQ(texts.size(), 1u);
            const double left = texts[0].at[0];
            const double right = left + printer_.TextWidth(title);
            EXPECT_GE(left, x - 1e-9) << title.toStdString();
            EXPECT_LE(right, x + width - kCellSideMargin + 1e-9) << title.toStdString() << " at " << height;
        }
    }
}

TEST_F(Primitives, EmptyOrNullTextMovesAndSetsButPrintsNothing) {
    for (const QString& text : {QString(), QString(QLatin1String(""))}) {
        printer_.SetCurrentX(0);
        printer_.SetCurrentY(0);
        PrintTextInBox(printer_, 10, 20, 30, 0, text, false, 14, kAlignRight, kRed, 0);
        EXPECT_TRUE(printer_.Log().isEmpty());
        EXPECT_NEAR(printer_.CurrentX(), 40, 1e-9);
        EXPECT_NEAR(printer_.CurrentY(), 20, 1e-9);
        EXPECT_EQ(printer_.ForeColor(), kRed);
        EXPECT_DOUBLE_EQ(printer_.FontSize(), Quantised(printer_, 14));
    }
}

TEST_F(Primitives, FittedTextUsesTheFittedSizeAndGivesTheEarlierSizeBack) {
    printer_.SetFontSize(10);
    const double before = printer_.FontSize();
    const QString text = QStringLiteral("12");
    const double fitted = FitFontSizeCapped(printer_, 3.0, text, 9);
    ASSERT_LT(fitted, 9);
    PrintTextInBox(printer_, 0, 0, 3.0, 0, text, true, 9, kAlignLeft, 0, 0);
    EXPECT_DOUBLE_EQ(OfKind(printer_.Log(), QStringLiteral("Text")).at(0).size, fitted);
    EXPECT_DOUBLE_EQ(printer_.FontSize(), before);
    // Under the cap: a wide box gives the cap itself.
    EXPECT_DOUBLE_EQ(FitFontSizeCapped(printer_, 40.0, text, 9), 9);
}

TEST_F(Primitives, FittingFindsTheLastFittingStepLessATenth) {
    const QString text = QStringLiteral("88");
    printer_.SetFontSize(10);
    const double before = printer_.FontSize();
    const double fitted = FitFontSize(printer_, 5, 3, text);
    EXPECT_DOUBLE_EQ(printer_.FontSize(), before);
    EXPECT_GT(fitted, 4);
    EXPECT_TRUE(Fits(printer_, fitted + 0.1, 5, 3, text));   // the last step that fitted
    EXPECT_FALSE(Fits(printer_, fitted + 0.7, 5, 3, text));  // the step that did not
    // Not even 4 points fits: 4 less 0.7 as the target quantises them.
    EXPECT_DOUBLE_EQ(FitFontSize(printer_, 1, 1, text), Quantised(printer_, Quantised(printer_, 4) - 0.7));
    EXPECT_LT(FitFontSize(printer_, 1, 1, text), 4);
}

TEST_F(Primitives, CappedFittingMeasuresASquareOfTheWidthInWholeMillimetres) {
    const QString text = QStringLiteral("8");
    // Halves go to the even millimetre: 2.5 -> 2, 3.5 -> 4.
    EXPECT_DOUBLE_EQ(FitFontSizeCapped(printer_, 2.5, text, 72), FitFontSize(printer_, 2, 2, text));
    EXPECT_DOUBLE_EQ(FitFontSizeCapped(printer_, 3.5, text, 72), FitFontSize(printer_, 4, 4, text));
    EXPECT_DOUBLE_EQ(FitFontSizeCapped(printer_, 2.6, text, 72), FitFontSize(printer_, 3, 3, text));
    // The height of the box plays no part: a square of the width.
    EXPECT_LT(FitFontSizeCapped(printer_, 3, text, 72), FitFontSize(printer_, 3, 30, text));
    // An empty text: the cap, or the current size when the cap is not above 0.
    printer_.SetFontSize(10);
    EXPECT_DOUBLE_EQ(FitFontSizeCapped(printer_, 3, QString(), 7), 7);
    EXPECT_DOUBLE_EQ(FitFontSizeCapped(printer_, 3, QString(), 0), printer_.FontSize());
}

TEST_F(Primitives, FittingEndsOnAHugeBoxAndOnACoarseTarget) {
    const double huge = FitFontSize(printer_, 1000000, 1000000, QStringLiteral("8"));
    EXPECT_GT(huge, 2000);  // grew up to the target's largest size, then stopped
    // A target so coarse that 0.6 points is less than half a pixel never
    // grows by a step: fitting gives what it has instead of looping.
    RecordingTarget coarse(TargetKind::Picture, 210, 297, 30);
    platform::ApplyDrawingDefaults(coarse);
    const double fitted = FitFontSize(coarse, 50, 50, QStringLiteral("8"));
    EXPECT_DOUBLE_EQ(fitted, Quantised(coarse, Quantised(coarse, 4) - 0.7));
}

TEST_F(Primitives, FittingMeasuresOnTheTargetBeingDrawn) {
    // The same box on the printer and on a screen-resolution preview: each
    // fits in its own size steps, with no preview needed for the printer.
    platform::ImageTarget preview(QSize(800, 600), 96);
    platform::ApplyDrawingDefaults(preview);
    const double onPrinter = FitFontSize(printer_, 3, 3, QStringLiteral("12"));
    const double onPreview = FitFontSize(preview, 3, 3, QStringLiteral("12"));
    EXPECT_DOUBLE_EQ(onPrinter, Quantised(printer_, onPrinter));
    EXPECT_DOUBLE_EQ(onPreview, Quantised(preview, onPreview));
    EXPECT_NEAR(std::fmod(onPreview, 0.75), 0, 1e-9);  // whole pixels at 96 dpi
    EXPECT_NE(onPrinter, onPreview);
}

TEST_F(Primitives, DottedLinesComeAsDashesOfPointFiftyFiveMillimetres) {
    printer_.SetDrawStyle(platform::kDot);
    printer_.SetDrawWidth(5);
    auto dashes = [&](double x1, double y1, double x2, double y2) {
        printer_.ClearLog();
        DrawBrokenLine(printer_, x1, y1, x2, y2, kRed);
        std::vector<std::vector<double>> ends;
        for (const Drawn& d : OfKind(printer_.Log(), QStringLiteral("Line"))) {
            EXPECT_EQ(d.colour, QStringLiteral("0000FF"));
            EXPECT_EQ(d.width, 5);
            EXPECT_EQ(d.style, printer_.DrawStyle());
            ends.push_back(d.at);
        }
        return ends;
    };
    using Ends = std::vector<std::vector<double>>;
    EXPECT_EQ(dashes(10, 20, 10, 21.1), (Ends{{10, 20, 10, 20.55}}));
    EXPECT_EQ(dashes(10, 20, 10, 21.2), (Ends{{10, 20, 10, 20.55}, {10, 21.1, 10, 21.2}}));
    EXPECT_EQ(dashes(30, 5, 31.2, 5), (Ends{{30, 5, 30.55, 5}, {31.1, 5, 31.2, 5}}));
    EXPECT_TRUE(dashes(10, 20, 10, 20).empty());
    EXPECT_TRUE(dashes(10, 20, 10, 19).empty());          // an end before its start
    EXPECT_EQ(dashes(0, 0, 3, 4), (Ends{{0, 0, 3, 4}}));  // slanting: whole
    EXPECT_EQ(printer_.DrawStyle(), platform::kDot);
    EXPECT_EQ(printer_.DrawWidth(), 5);
    printer_.SetDrawStyle(platform::kSolid);
    EXPECT_EQ(dashes(10, 20, 10, 21.2), (Ends{{10, 20, 10, 21.2}}));
}

TEST_F(Primitives, MillimetresBecomeThisTargetsPixels) {
    EXPECT_EQ(ScaleXToPixels(printer_, 0.3), 7);  // 600 dpi
    EXPECT_EQ(ScaleXToPixels(printer_, 0.2), 5);
    EXPECT_EQ(ScaleXToPixels(printer_, 0.0001), 1);  // below half a pixel
    EXPECT_EQ(ScaleXToPixels(printer_, 0), 1);
    EXPECT_EQ(ScaleXToPixels(printer_, -0.3), -7);
    RecordingTarget tenPerMm(TargetKind::Picture, 100, 100, 254);
    EXPECT_EQ(ScaleXToPixels(tenPerMm, 0.25), 2);  // halves to even
    EXPECT_EQ(ScaleYToPixels(tenPerMm, 0.35), 4);
    platform::ImageTarget preview(QSize(100, 100), 96);
    EXPECT_EQ(ScaleXToPixels(preview, 0.3), 1);
    EXPECT_EQ(ScaleYToPixels(preview, 1.0), 4);
    EXPECT_EQ(ScaleXToPixels(printer_, 1e9), 32767);  // no overflow into nonsense
}

}  // namespace
}  // namespace mox
