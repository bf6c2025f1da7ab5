#include "printing/index_table.h"

#include "core/exam_lookups.h"
#include "core/pocket_stats.h"
#include "core/surface_area.h"
#include "core/text_format.h"
#include "printing/primitives.h"
#include "printing/sheet_item.h"

#include <array>
#include <bit>

namespace mox {

using platform::DrawTarget;

namespace {

constexpr int kRows = 11;
constexpr int kAreaRow = 9;

// Where the twins differ, in millimetres from the table's corner and the row's top.
struct TableGeometry {
    double pitch;
    double titleX, titleY, titleSize;
    double areaTitleY1, areaTitleY2;
    double valueX, valueY, valueWidth, valueSize;
    double areaSize;
};

TableGeometry GeometryOf(const DrawTarget& target) {
    if (target.Kind() == platform::TargetKind::Printer)
        return {61.2 / kRows, 0.7, 1.4, 8, 0.1, 2.7, 16, 1.4, 24, 9, 8.5};
    return {63.0 / kRows, 1, 1.7, 7, 0.4, 2.9, 14, 1.7, 23, 8, 8};
}

void Hanging(DrawTarget& target, double x, double y, double width, const QString& text, double size) {
    PrintTextInBox(target, x, y, width, 0, text, false, size, kAlignLeft, 0, 0);
}

// A title or a value, hanging from `top` in its column of the row from `row`.
void InColumn(DrawTarget& target, double x, double top, double right, double row, double pitch, const QString& text,
              double size) {
    PrintTextInCell(target, x, top, right - x, 0, text, size, kAlignLeft, 0, row + pitch - top);
}

}  // namespace

IndexTableRules IndexTableRulesOf(const DrawTarget& target) {
    if (target.Kind() == platform::TargetKind::Printer) return {15.3, 39};
    return {13, 36};
}

QString IndexAreaText(double squareMillimetres) {
    // A wider figure keeps its leading digits (the original cut them off).
    return FormatOneDecimal(squareMillimetres).rightJustified(6, QLatin1Char(' '), false);
}

void PrintIndexTable(DrawTarget& target, float x, float y, const ExamSlot& slot,
                     const std::optional<DataSheetItem>& item) {
    if (slot.Loaded != -1 || !item) return;
    const auto [b0, b1, b2] = item->bands;

    int present = 0;
    int implants = 0;
    std::array<uint8_t, kSiteCount> depths;
    std::array<uint8_t, kSiteCount> bleeding;
    depths.fill(kNoSiteValue);
    bleeding.fill(kNoSiteValue);
    int probed = 0;
    int bled = 0;
    int facesExamined = 0;
    int plaqueFaces = 0;
    for (int t = 0; t < 32; ++t) {
        if (static_cast<uint16_t>(slot.ToothState[t]) & kToothImplant) ++implants;
        if (!IsRestTooth(slot.ToothState[t])) continue;
        ++present;
        for (int s = t * 6; s < t * 6 + 6; ++s) {
            depths[s] = slot.PD[s];
            if (slot.PD[s] == kNoSiteValue) continue;
            ++probed;
            if (slot.BOP[s] == 1) ++bled;
            bleeding[s] = slot.BOP[s];
        }
        // A tooth with a finding counts all four faces, the ones not examined too.
        if (!(slot.PlaqueFaces[t] & 0x80)) {
            facesExamined += 4;
            plaqueFaces += std::popcount(static_cast<unsigned>(slot.PlaqueFaces[t] & 0x0F));
        }
    }

    PocketStatisticsTexts pockets;
    FormatPocketStatistics(depths, b1, b2, 1, pockets);
    SurfaceAreas pesa{};
    SurfaceAreas pisa{};
    ComputeSurfaceArea(depths, bleeding, pesa, pisa);

    const QString titles[kRows] = {
        QStringLiteral("ステージ"),
        QStringLiteral("検査日"),
        QStringLiteral("現在歯数"),
        QStringLiteral("ｲﾝﾌﾟﾗﾝﾄ数"),
        QStringLiteral("PPD平均"),
        QStringLiteral("%1-%2mm").arg(b0).arg(b1 - 1),
        QStringLiteral("%1-%2mm").arg(b1).arg(b2 - 1),
        QStringLiteral("%1mm以上").arg(b2),
        QStringLiteral("BOP(+)率"),
        QString(),
        QStringLiteral("PCR"),
    };
    const QString values[kRows] = {
        slot.KindName,
        slot.ExamDate.toString(QStringLiteral("yyyy/MM/dd")),
        QString::number(present),
        QString::number(implants),
        pockets.mean + QStringLiteral("㎜(") + pockets.count + QStringLiteral("点)"),
        pockets.band1,
        pockets.band2,
        pockets.band3,
        probed >= 1 ? QStringLiteral("%1 (%2%)").arg(bled).arg(FormatOneDecimal(100.0 * bled / probed)) : QString(),
        QString(),
        facesExamined >= 1 ? FormatOneDecimal(100.0 * plaqueFaces / facesExamined) + QStringLiteral("%")
                           : QStringLiteral("0%"),
    };

    const TableGeometry g = GeometryOf(target);
    const IndexTableRules rules = IndexTableRulesOf(target);
    const double divider = x + rules.divider;
    const double right = x + rules.width;
    const bool printer = target.Kind() == platform::TargetKind::Printer;
    for (int i = 0; i < kRows; ++i) {
        const double t = y + i * g.pitch;
        target.SetFontName(QStringLiteral("ＭＳ Ｐゴシック"));
        if (i == kAreaRow) {
            target.SetFontName(QStringLiteral("ＭＳ ゴシック"));
            InColumn(target, x + g.titleX, t + g.areaTitleY1, divider, t, g.pitch, QStringLiteral("PISA"), g.titleSize);
            InColumn(target, x + g.titleX, t + g.areaTitleY2, divider, t, g.pitch, QStringLiteral("PESA"), g.titleSize);
        } else {
            InColumn(target, x + g.titleX, t + g.titleY, divider, t, g.pitch, titles[i], g.titleSize);
        }
        target.SetFontName(i == 0 ? QStringLiteral("ＭＳ Ｐゴシック") : QStringLiteral("ＭＳ ゴシック"));
        if (i != kAreaRow) {
            InColumn(target, x + g.valueX, t + g.valueY, right, t, g.pitch, values[i], g.valueSize);
            continue;
        }
        const double lines[2] = {t + g.areaTitleY1, t + g.areaTitleY2};
        const double areas[2] = {pisa[32], pesa[32]};
        for (int k = 0; k < 2; ++k) {
            // The unit takes the size its figure was given.
            InColumn(target, x + g.valueX, lines[k], right, t, g.pitch, IndexAreaText(areas[k]), g.areaSize);
            const double size = target.FontSize();
            if (printer) {
                Hanging(target, x + 25.6, lines[k], g.valueWidth, QStringLiteral("m"), size);
                Hanging(target, x + 27.3, lines[k], g.valueWidth, QStringLiteral("m"), size);
                Hanging(target, x + 29.1, lines[k], g.valueWidth, QStringLiteral("2"), 4);
            } else {
                Hanging(target, x + 23.6, lines[k], g.valueWidth, QStringLiteral("mm"), size);
                Hanging(target, x + 26.8, lines[k], g.valueWidth, QStringLiteral("2"), 4);
            }
        }
    }
}

}  // namespace mox
