#include "printing/tooth_label_rows.h"

#include "platform/gui/recording_target.h"
#include "tests/printing/recorded_drawing.h"

#include <gtest/gtest.h>

namespace mox {
namespace {

using platform::RecordingTarget;
using platform::TargetKind;
using test::Drawn;

class LabelRows : public ::testing::Test {
protected:
    void SetUp() override { platform::ApplyDrawingDefaults(printer_); }
    RecordingTarget printer_{TargetKind::Printer};
};

TEST_F(LabelRows, LabelRowNumbersTheTeethFromTheBackToTheMidlineAndOn) {
    for (bool blank : {false, true}) {
        printer_.ClearLog();
        printer_.SetFontName(QStringLiteral("ＭＳ 明朝"));  // what an earlier caller left
        (blank ? PrintToothLabelRowBlank : PrintToothLabelRow)(printer_, 19, 63.5f, 9, 5);
        const auto drawn = test::ParseDrawing(printer_.Log());
        QStringList labels;
        for (const Drawn& d : test::OfKind(drawn, QStringLiteral("Text"))) {
            labels << d.text;
            EXPECT_TRUE(d.bold);
            EXPECT_NEAR(d.size, 11, 0.07);
            EXPECT_EQ(d.font, blank ? QStringLiteral("ＭＳ 明朝") : QStringLiteral("ＭＳ Ｐゴシック"));
        }
        EXPECT_EQ(labels.join(QString()), QStringLiteral("8765432112345678"));
        const auto boxes = test::OfKind(drawn, QStringLiteral("Box"));
        ASSERT_EQ(boxes.size(), 17u);  // 16 cells and the row
        EXPECT_NEAR(boxes.back().at[2], 19 + 144, 1e-4);
        const Drawn midline = test::OfKind(drawn, QStringLiteral("Line")).at(0);
        EXPECT_NEAR(midline.at[0], 19 + 72, 1e-4);
        EXPECT_EQ(midline.width, blank ? 4 : 5);
        EXPECT_FALSE(printer_.FontBold());
        EXPECT_EQ(printer_.DrawWidth(), 1);
    }
}

TEST_F(LabelRows, EmptyTextsAreGreyCellsUnderTheirOutlines) {
    ToothTexts texts;
    for (bool blank : {false, true}) {
        printer_.ClearLog();
        printer_.SetFillStyle(platform::kFillSolid);
        (blank ? PrintToothTextRowBlank : PrintToothTextRow)(printer_, 19, 13, 9, 4.5f, texts, -1);
        const auto drawn = test::ParseDrawing(printer_.Log());
        EXPECT_TRUE(test::OfKind(drawn, QStringLiteral("Text")).empty());
        for (int i = 0; i < 16; ++i) {
            const Drawn& grey = drawn[2 * i];
            const Drawn& outline = drawn[2 * i + 1];
            EXPECT_EQ(grey.kind, QStringLiteral("FilledBox"));
            EXPECT_EQ(grey.colour, QStringLiteral("D0D0D0"));
            EXPECT_NEAR(grey.at[0], 19 + 9 * i, 1e-4);
            EXPECT_EQ(outline.kind, QStringLiteral("Box"));
            EXPECT_EQ(outline.colour, QStringLiteral("000000"));
            EXPECT_TRUE(outline.fill.endsWith(QStringLiteral("/1")));  // an outline, not a fill
        }
        EXPECT_EQ(test::OfKind(drawn, QStringLiteral("Line")).at(0).width, blank ? 4 : 5);
        EXPECT_EQ(printer_.FillStyle(), platform::kFillSolid);  // given back
    }
}

TEST_F(LabelRows, OnlyMinusOneSelectsTheUpperTeeth) {
    ToothTexts texts;
    texts[2] = QStringLiteral("2→1");   // 16
    texts[18] = QStringLiteral("1→0");  // 46
    for (int16_t upperRow : {int16_t(-1), int16_t(0), int16_t(1), int16_t(5)}) {
        printer_.ClearLog();
        PrintToothTextRow(printer_, 19, 13, 9, 4.5f, texts, upperRow);
        const auto written = test::OfKind(printer_.Log(), QStringLiteral("Text"));
        ASSERT_EQ(written.size(), 1u) << upperRow;
        EXPECT_EQ(written[0].text, upperRow == -1 ? QStringLiteral("2→1") : QStringLiteral("1→0"));
        EXPECT_EQ(test::OfKind(printer_.Log(), QStringLiteral("FilledBox")).size(), 15u);
    }
}

TEST_F(LabelRows, TextSizesDifferByFormAndAWideTextRunsOverItsCell) {
    ToothTexts texts;
    texts[0] = QStringLiteral("動揺度が大きい");
    PrintToothTextRow(printer_, 19, 13, 9, 4.5f, texts, -1);
    PrintToothTextRowBlank(printer_, 19, 13, 9, 4.5f, texts, -1);
    const auto written = test::OfKind(printer_.Log(), QStringLiteral("Text"));
    ASSERT_EQ(written.size(), 2u);
    EXPECT_NEAR(written[0].size, 10, 0.07);
    EXPECT_NEAR(written[1].size, 8, 0.07);
    EXPECT_EQ(written[0].text, texts[0]);  // not cut
    EXPECT_LT(written[0].at[0], 19);       // centred on its cell, wider than it
    EXPECT_FALSE(written[0].bold);
}

}  // namespace
}  // namespace mox
