#include "printing/chart_figures.h"

#include "core/exam_lookups.h"
#include "core/pocket_stats.h"
#include "core/text_format.h"
#include "core/tooth_tables.h"
#include "platform/gui/colour.h"
#include "records/exam_vocabulary.h"

namespace mox {

using platform::VbRgb;

namespace {

constexpr uint32_t kWhite = VbRgb(255, 255, 255);
constexpr uint32_t kGrey = VbRgb(192, 192, 192);

bool Loaded(const ExamSlot& slot) { return slot.Loaded == -1; }

}  // namespace

bool IsToothPresent(const ExamSlot& slot, int t) { return Loaded(slot) && IsRestTooth(slot.ToothState[t]); }

bool GetToothSiteInfo(const ExamSlot& slot, int t, int16_t implantFlag) {
    if (!Loaded(slot)) return false;
    const auto state = static_cast<uint16_t>(slot.ToothState[t]);
    if (state & (kToothMissing | kToothPontic)) return false;
    return !(state & kToothImplant) || implantFlag == 1;
}

QString CalcBopRate(const ExamSlot& slot, int16_t includeImplant) {
    int measured = 0;
    int bleeding = 0;
    for (int t = 0; t < 32; ++t) {
        if (!GetToothSiteInfo(slot, t, includeImplant)) continue;
        for (int s = 0; s < 6; ++s) {
            const int site = t * 6 + s;
            if (slot.PD[site] == kNoSiteValue) continue;
            ++measured;
            if (slot.BOP[site] == 1) ++bleeding;
        }
    }
    if (measured == 0) return {};
    return QString::number(bleeding) + QStringLiteral(" (") +
           FormatOneDecimal(static_cast<double>(bleeding) / measured * 100.0) + QStringLiteral("%)");
}

SummaryFigures SummaryFiguresOf(const ExamSlot& slot, int16_t lo, int16_t hi, int16_t includeImplant) {
    SummaryFigures f;
    if (!Loaded(slot)) return f;
    f.date = slot.ExamDate.toString(QStringLiteral("yyyy/MM/dd"));
    int present = 0;
    for (int t = 0; t < 32; ++t)
        if (IsToothPresent(slot, t)) ++present;
    f.teeth = QString::number(present);

    std::array<uint8_t, kSiteCount> depths;
    depths.fill(kNoSiteValue);
    for (int t = 0; t < 32; ++t) {
        if (!GetToothSiteInfo(slot, t, includeImplant)) continue;
        for (int s = 0; s < 6; ++s) depths[t * 6 + s] = slot.PD[t * 6 + s];
    }
    PocketStatisticsTexts texts;
    FormatPocketStatistics(depths, lo, hi, 1, texts);
    f.total = texts.count;
    f.bands = {texts.band1, texts.band2, texts.band3};
    f.bleeding = CalcBopRate(slot, includeImplant);
    // With no measured site there is no mean, and no unit without a number.
    if (!texts.mean.isEmpty()) f.mean = texts.mean + QStringLiteral("㎜");
    return f;
}

std::array<QString, 3> BandLegendCaptions(int16_t g1, int16_t g2) {
    return {QStringLiteral("1-") + QString::number(g1 - 1) + QStringLiteral("㎜"),
            QString::number(g1) + QStringLiteral("-") + QString::number(g2 - 1) + QStringLiteral("㎜"),
            QString::number(g2) + QStringLiteral("㎜以上")};
}

QString MobilityCaption(const ExamSlot& a, const ExamSlot& b, int t) {
    auto text = [t](const ExamSlot& slot) {
        return Loaded(slot) && slot.Mobility[t] != kNoSiteValue ? QString::number(slot.Mobility[t])
                                                                : QStringLiteral(" ");
    };
    const QString sa = text(a);
    const QString sb = text(b);
    if (sa == QStringLiteral(" ") && sb == QStringLiteral(" ")) return {};
    return sa + QStringLiteral("→") + sb;
}

uint32_t MobilityLabelBack(int16_t toothState) {
    const auto state = static_cast<uint16_t>(toothState);
    return (state & kToothMissing) && !(state & kToothPontic) ? kGrey : kWhite;
}

int DisplayedSlot(const ExamSlots& exams, int page) {
    const int preferred = page == 0 ? 0 : 3;
    const int other = page == 0 ? 1 : 2;
    if (Loaded(exams[preferred])) return preferred;
    if (Loaded(exams[other])) return other;
    return -1;
}

std::array<int32_t, 6> ButtonFurcationValues(const ExamSlot& slot, int t) {
    std::array<int32_t, 6> values{};
    for (int s = 0; s < 6; ++s) {
        const uint8_t v = slot.Furcation[t * 6 + s];
        values[ButtonSiteOfSlot(t, s)] = ButtonValueOf(v);
    }
    return values;
}

uint32_t SlotColour(int slot) {
    static constexpr uint32_t kColours[kSlotCount] = {VbRgb(255, 0, 0), VbRgb(0, 128, 0), VbRgb(0, 0, 255),
                                                      VbRgb(255, 0, 255)};
    return kColours[slot & 3];
}

}  // namespace mox
