// What the chart screen shows of a slot besides its drawing.

#include "printing/chart_figures.h"

#include "platform/gui/colour.h"

#include <gtest/gtest.h>

inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace mox {
namespace {

ExamSlot Loaded() {
    ExamSlot slot = EmptyExamSlot();
    slot.Loaded = -1;
    slot.ExamDate = QDateTime(QDate(2024, 5, 7), QTime(0, 0));
    return slot;
}

TEST(SummaryFigures, DepthsAtTheBandLimitsFallIntoTheDeeperBand) {
    ExamSlot slot = Loaded();
    slot.PD[0] = 3;
    slot.PD[1] = 4;  // lo
    slot.PD[2] = 5;
    slot.PD[3] = 6;  // hi
    const SummaryFigures f = SummaryFiguresOf(slot, 4, 6, 0);
    EXPECT_EQ(f.date, QStringLiteral("2024/05/07"));
    EXPECT_EQ(f.teeth, QStringLiteral("32"));
    EXPECT_EQ(f.total, QStringLiteral("4"));
    EXPECT_EQ(f.mean, QStringLiteral("4.5㎜"));
    EXPECT_EQ(f.bands[0], QStringLiteral("1 (25.0%)"));
    EXPECT_EQ(f.bands[1], QStringLiteral("2 (50.0%)"));
    EXPECT_EQ(f.bands[2], QStringLiteral("1 (25.0%)"));
}

TEST(SummaryFigures, ImplantsCountOnlyWhenIncludedAndPonticsNever) {
    ExamSlot slot = Loaded();
    slot.ToothState[0] = int16_t(kToothMissing);
    slot.ToothState[15] = int16_t(kToothMissing);
    slot.ToothState[18] = int16_t(kToothImplant);
    slot.ToothState[29] = int16_t(kToothImplant);
    slot.ToothState[3] = int16_t(kToothPontic);
    slot.ToothState[4] = int16_t(kToothDeciduous);
    for (int t : {1, 18, 29, 3, 0, 4}) {
        slot.PD[t * 6] = 8;
        slot.BOP[t * 6] = 1;
    }
    const SummaryFigures without = SummaryFiguresOf(slot, 4, 7, 0);
    EXPECT_EQ(without.teeth, QStringLiteral("27")) << "implants, the pontic and missing teeth are not present";
    EXPECT_EQ(without.total, QStringLiteral("2")) << "teeth 1 and 4 (a deciduous tooth counts)";
    EXPECT_EQ(without.bleeding, QStringLiteral("2 (100.0%)"));
    const SummaryFigures with = SummaryFiguresOf(slot, 4, 7, 1);
    EXPECT_EQ(with.teeth, QStringLiteral("27")) << "the teeth figure never counts implants";
    EXPECT_EQ(with.total, QStringLiteral("4"));
    EXPECT_EQ(with.bands[2], QStringLiteral("4 (100.0%)"));
    EXPECT_EQ(with.bleeding, QStringLiteral("4 (100.0%)"));
    EXPECT_FALSE(GetToothSiteInfo(slot, 3, 1)) << "a pontic counts under no setting";
    EXPECT_TRUE(GetToothSiteInfo(slot, 18, 1));
    EXPECT_FALSE(IsToothPresent(slot, 18));
}

TEST(SummaryFigures, SharesRoundHalvesAwayFromZero) {
    ExamSlot slot = Loaded();
    for (int s = 0; s < 16; ++s) slot.PD[s] = 2;
    slot.PD[0] = 8;
    slot.BOP[5] = 1;
    const SummaryFigures f = SummaryFiguresOf(slot, 4, 7, 0);
    EXPECT_EQ(f.bleeding, QStringLiteral("1 (6.3%)"));
    EXPECT_EQ(f.bands[2], QStringLiteral("1 (6.3%)"));
    EXPECT_EQ(f.bands[0], QStringLiteral("15 (93.8%)"));
    EXPECT_EQ(f.mean, QStringLiteral("2.4㎜"));  // 38 / 16 = 2.375
}

TEST(SummaryFigures, EmptyAndUnmeasuredSlotsShowNoNumbersThatAreNotThere) {
    ExamSlot empty = EmptyExamSlot();
    empty.PD[0] = 3;  // values of a slot that is not loaded count nowhere
    const SummaryFigures none = SummaryFiguresOf(empty, 4, 7, 0);
    for (const QString& text : {none.date, none.teeth, none.total, none.bleeding, none.mean, none.bands[0]})
        EXPECT_TRUE(text.isEmpty()) << text.toStdString();
    EXPECT_FALSE(IsToothPresent(empty, 0));

    ExamSlot unmeasured = Loaded();
    unmeasured.BOP[0] = 1;
    const SummaryFigures f = SummaryFiguresOf(unmeasured, 4, 7, 0);
    EXPECT_EQ(f.total, QStringLiteral("0"));
    EXPECT_EQ(f.mean, QString()) << "no lone unit";
    EXPECT_EQ(f.bleeding, QString());
    EXPECT_EQ(f.bands[1], QString());

    unmeasured.PD[6] = 3;
    EXPECT_EQ(CalcBopRate(unmeasured, 0), QStringLiteral("0 (0.0%)")) << "a mark without a depth counts nowhere";
}

TEST(ChartCaptions, BandLegendAndMobilityRow) {
    const auto legend = BandLegendCaptions(4, 7);
    EXPECT_EQ(legend[0], QStringLiteral("1-3㎜"));
    EXPECT_EQ(legend[1], QStringLiteral("4-6㎜"));
    EXPECT_EQ(legend[2], QStringLiteral("7㎜以上"));

    ExamSlot a = Loaded();
    ExamSlot b = Loaded();
    a.Mobility[0] = 2;
    a.Mobility[1] = 0;
    b.Mobility[1] = 1;
    EXPECT_EQ(MobilityCaption(a, b, 0), QStringLiteral("2→ "));
    EXPECT_EQ(MobilityCaption(a, b, 1), QStringLiteral("0→1"));
    EXPECT_EQ(MobilityCaption(a, b, 2), QString());
    a.Loaded = 0;
    EXPECT_EQ(MobilityCaption(a, b, 1), QStringLiteral(" →1"));

    const uint32_t grey = platform::VbRgb(192, 192, 192);
    const uint32_t white = platform::VbRgb(255, 255, 255);
    EXPECT_EQ(MobilityLabelBack(int16_t(kToothMissing)), grey);
    EXPECT_EQ(MobilityLabelBack(int16_t(kToothMissing | kToothImplant)), grey);
    EXPECT_EQ(MobilityLabelBack(int16_t(kToothPontic)), white);
    EXPECT_EQ(MobilityLabelBack(int16_t(kToothPontic | kToothMissing)), white);
    EXPECT_EQ(MobilityLabelBack(0), white);
}

TEST(ChartCaptions, PagesShowTheirPreferredSlotElseTheOther) {
    ExamSlots exams = EmptyExamSlots();
    EXPECT_EQ(DisplayedSlot(exams, 0), -1);
    EXPECT_EQ(DisplayedSlot(exams, 1), -1);
    exams[1].Loaded = -1;
    exams[2].Loaded = -1;
    EXPECT_EQ(DisplayedSlot(exams, 0), 1);
    EXPECT_EQ(DisplayedSlot(exams, 1), 2);
    exams[0].Loaded = 1;  // only -1 holds an examination
    exams[3].Loaded = -1;
    EXPECT_EQ(DisplayedSlot(exams, 0), 1);
    EXPECT_EQ(DisplayedSlot(exams, 1), 3);
    exams[0].Loaded = -1;
    EXPECT_EQ(DisplayedSlot(exams, 0), 0);
}

TEST(ChartCaptions, ButtonSitesFollowTheQuadrantTable) {
    ExamSlot slot = Loaded();
    // Site slot s of a tooth carries 10 + s; which button site takes it?
    for (int t : {1, 9, 17, 25})
        for (int s = 0; s < 6; ++s) slot.Furcation[t * 6 + s] = uint8_t(10 + s);
    const int expected[4][6] = {{2, 1, 0, 5, 4, 3}, {0, 1, 2, 3, 4, 5}, {5, 4, 3, 2, 1, 0}, {3, 4, 5, 0, 1, 2}};
    for (int q = 0; q < 4; ++q) {
        const auto values = ButtonFurcationValues(slot, q * 8 + 1);
        for (int s = 0; s < 6; ++s) EXPECT_EQ(values[expected[q][s]], 10 + s) << "quadrant " << q << " slot " << s;
    }
    const auto none = ButtonFurcationValues(slot, 0);
    for (int32_t v : none) EXPECT_EQ(v, -1);
}

}  // namespace
}  // namespace mox
