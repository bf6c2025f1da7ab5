#include "printing/exam_data_block.h"

#include "core/tooth_tables.h"
#include "platform/gui/japanese_ui.h"
#include "platform/gui/recording_target.h"
#include "records/shared_records.h"
#include "tests/printing/recorded_drawing.h"

#include <gtest/gtest.h>

namespace mox {
namespace {

using platform::RecordingTarget;
using platform::TargetKind;
using test::Drawn;
using test::OfKind;

constexpr float kX = 12, kY = 21.5f;

class ExamDataBlock : public ::testing::Test {
protected:
    static void SetUpTestSuite() { platform::RegisterFontSubstitutes(); }
    void SetUp() override {
        CreateGlobalObjects();
        platform::ApplyDrawingDefaults(printer_);
        platform::ApplyDrawingDefaults(preview_);
        slot_.Clear();
        slot_.Loaded = -1;
    }
    void TearDown() override { ReleaseGlobalObjects(); }
    std::vector<Drawn> Draw(RecordingTarget& target) {
        target.ClearLog();
        PrintExamDataBlock(target, kX, kY, slot_, DataSheetItemOf(Globals().SubExamRows[0].get()));
        return test::ParseDrawing(target.Log());
    }
    static const Drawn* FindText(const std::vector<Drawn>& drawn, const QString& text, double x) {
        for (const Drawn& d : drawn)
            if (d.kind == QStringLiteral("Text") && d.text == text && std::abs(d.at[0] - x) < 1e-3) return &d;
        return nullptr;
    }

    RecordingTarget printer_{TargetKind::Printer};
    RecordingTarget preview_{TargetKind::Picture, 210, 455, 96};
    ExamSlot slot_;
};

TEST_F(ExamDataBlock, PrinterAndPreviewLayTheBlockOutEachTheirWay) {
    struct Expected {
        RecordingTarget* target;
        double h, right, divider, firstSiteLine;
        int frameWidth;
    };
    for (const Expected& e : {Expected{&printer_, 6.8, 187, 163.3, 0.2, 7}, Expected{&preview_, 7, 184, 161, 0.6, 2}}) {
        const auto drawn = Draw(*e.target);
        const Drawn* lowerPcr = FindText(drawn, QStringLiteral("PCR"), kX + 1);
        ASSERT_NE(lowerPcr, nullptr);
        const Drawn* bLabel = FindText(drawn, QStringLiteral("B"), kX + 17);
        ASSERT_NE(bLabel, nullptr);
        EXPECT_NEAR(bLabel->at[1], kY + 3 * e.h + e.firstSiteLine, 1e-3);
        // Index table: eleven lines across it, pitch 9 h / 11, and its column divider.
        std::vector<double> across;
        bool divider = false;
        for (const Drawn& d : OfKind(drawn, QStringLiteral("Line"))) {
            if (std::abs(d.at[0] - (kX + 148)) < 1e-3 && std::abs(d.at[2] - (kX + e.right)) < 1e-3)
                across.push_back(d.at[1]);
            if (std::abs(d.at[0] - (kX + e.divider)) < 1e-3 && std::abs(d.at[3] - (kY + 9 * e.h)) < 1e-3)
                divider = true;
        }
        ASSERT_EQ(across.size(), 11u);
        for (size_t i = 0; i < across.size(); ++i) EXPECT_NEAR(across[i], kY + i * 9 * e.h / 11, 2e-3);
        EXPECT_TRUE(divider);
        // The frames come last: the whole block, then the chart area.
        const auto boxes = OfKind(drawn, QStringLiteral("Box"));
        ASSERT_GE(boxes.size(), 2u);
        const Drawn& block = boxes[boxes.size() - 2];
        const Drawn& chart = boxes.back();
        const std::vector<double> corners = {kX, kY, kX + e.right, kY + 9 * e.h};
        for (size_t i = 0; i < 4; ++i) EXPECT_NEAR(block.at[i], corners[i], 1e-3);
        EXPECT_NEAR(chart.at[0], kX + 20, 1e-3);
        EXPECT_NEAR(chart.at[2], kX + 148, 1e-3);
        EXPECT_EQ(block.width, e.frameWidth);
        EXPECT_EQ(chart.width, e.frameWidth);
    }
}

TEST_F(ExamDataBlock, ThePreviewPutsItsToothNumbersDownFirst) {
    const auto previewed = Draw(preview_);
    ASSERT_FALSE(previewed.empty());
    EXPECT_EQ(previewed[0].kind, QStringLiteral("Box"));
    EXPECT_NEAR(previewed[0].at[1], kY + 4 * 7, 1e-3);
    const auto printed = Draw(printer_);
    EXPECT_EQ(printed[0].kind, QStringLiteral("Text"));
    EXPECT_EQ(printed[0].text, QStringLiteral("PCR"));
}

TEST_F(ExamDataBlock, ToothNumbersTakeTheirColourByTheFirstStatusThatHolds) {
    slot_.ToothState[0] = int16_t(kToothImplant | kToothMissing);
    slot_.ToothState[3] = int16_t(kToothImplant | kToothDeciduous);  // 15, deciduous E
    slot_.ToothState[5] = int16_t(kToothPontic | kToothMissing);
    slot_.ToothState[6] = int16_t(kToothFourthState | kToothMissing);
    slot_.ToothState[7] = int16_t(kToothMissing);
    slot_.ToothState[20] = int16_t(kToothDeciduous);  // 44, deciduous D
    const auto drawn = Draw(printer_);
    const double h = 6.8, top = kY + 4 * h;
    std::map<int, QString> colour;  // by tooth index
    for (const Drawn& d : OfKind(drawn, QStringLiteral("FilledBox"))) {
        if (std::abs(d.at[1] - top) > 1e-3 && std::abs(d.at[1] - (top + h / 2)) > 1e-3) continue;
        if (d.at[3] - d.at[1] > h / 2 + 1e-3) continue;  // a grey cell of another row
        const int column = static_cast<int>(std::lround((d.at[0] - kX - 20) / 8));
        colour[column + (d.at[1] > top + 1e-3 ? 16 : 0)] = d.colour;
    }
    ASSERT_EQ(colour.size(), 32u);
    EXPECT_EQ(colour[0], QStringLiteral("80FFFF"));  // implant before missing
    EXPECT_EQ(colour[3], QStringLiteral("80FFFF"));
    EXPECT_EQ(colour[5], QStringLiteral("C0C0FF"));  // pontic
    EXPECT_EQ(colour[6], QStringLiteral("E080E0"));
    EXPECT_EQ(colour[7], QStringLiteral("FF8080"));  // missing
    EXPECT_EQ(colour[1], QStringLiteral("FFFFFF"));
    QStringList upper, lower;
    for (const Drawn& d : OfKind(drawn, QStringLiteral("Text"))) {
        if (!d.bold) continue;
        (d.at[1] < top + h / 2 - 0.5 ? upper : lower) << d.text;
    }
    EXPECT_EQ(upper.join(QString()), QStringLiteral("876E4321") + QStringLiteral("12345678"));
    EXPECT_EQ(lower.join(QString()), QStringLiteral("8765D321") + QStringLiteral("12345678"));
}

TEST_F(ExamDataBlock, ConvertedDataOfAnyByteDrawsByTheRules) {
    // Old databases converted into this one hold bytes no probe gives.
    uint32_t seed = 4711;
    auto next = [&] { return static_cast<uint8_t>((seed = seed * 1103515245u + 12345u) >> 16); };
    for (auto& word : slot_.ToothState) word = static_cast<int16_t>(next() << 8 | next());
    for (auto* values : {&slot_.PD, &slot_.BOP, &slot_.Suppuration, &slot_.Furcation})
        for (auto& v : *values) v = next();
    for (auto* values : {&slot_.Mobility, &slot_.PlaqueFaces, &slot_.PlaqueUnexamined})
        for (auto& v : *values) v = next();
    for (RecordingTarget* target : {&printer_, &preview_}) {
        const auto drawn = Draw(*target);
        const double h = target == &printer_ ? 6.8 : 7;
        for (const Drawn& d : OfKind(drawn, QStringLiteral("Text"))) {
            bool isNumber = false;
            const int number = d.text.toInt(&isNumber);
            // Numbers in the tooth rows are values below 128; anything else is no value.
            if (isNumber && d.at[0] > kX + 20 && d.at[0] < kX + 148 && std::abs(d.at[1] - (kY + 4 * h)) > h)
                EXPECT_LT(number, 128) << d.text.toStdString();
        }
        EXPECT_EQ(target->DrawWidth(), target == &printer_ ? 7 : 2);
    }
}

}  // namespace
}  // namespace mox
