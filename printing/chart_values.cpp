#include "printing/chart_values.h"

#include "core/tooth_tables.h"
#include "printing/primitives.h"

#include <QPointF>
#include <array>

namespace mox {

using platform::DrawTarget;

namespace {

constexpr double kDotRadius = 0.5;

}  // namespace

void PrintChartValues(DrawTarget& target, const ChartLayout& layout, const ExamSlot& slot, uint32_t lineColour,
                      int16_t slotIndex, int16_t maxValue) {
    if (slot.Loaded == 0) return;

    const int16_t w = ScaleXToPixels(target, 0.3);
    const float unit = layout.ScaleBandHeight / 13;
    const float siteSpacing = layout.Width / 64;
    float shift = 0;
    if (slotIndex == 0 || slotIndex == 2) shift = -0.12f;
    if (slotIndex == 1 || slotIndex == 3) shift = 0.12f;

    target.SetDrawWidth(w);
    target.SetDrawStyle(platform::kSolid);
    target.SetFillStyle(platform::kFillSolid);

    std::array<std::array<int16_t, 6>, 32> value{};
    for (int p = 0; p < 32; ++p) {
        for (int k = 0; k < 6; ++k) {
            int16_t v = slot.PD[p * 6 + kChartSiteOrder[p / 8][k]];
            if (maxValue != -1 && v != kNoSiteValue && v > maxValue) v = maxValue;
            value[p][k] = v;
        }
    }

    for (int row = 0; row < 4; ++row) {
        const float base = layout.BandY[row] + shift;
        const bool upward = row == 0 || row == 2;  // depths grow towards the top of the page
        const int firstTooth = row < 2 ? 0 : 16;
        const int firstEntry = row == 0 || row == 3 ? 0 : 3;
        auto pointOf = [&](int column, int j) {
            const int16_t v = value[firstTooth + column][firstEntry + j];
            const float x = layout.Left + column * layout.ColumnWidth + (j + 1) * siteSpacing;
            const float y = upward ? base - v * unit : base + v * unit;
            return QPointF(x, y);
        };

        std::array<bool, 16> segmentDrawn{};
        std::array<QPointF, 2> points;
        int count = 0;
        for (int c = 0; c < 16; ++c) {
            int missing = 0;
            for (int j = 0; j < 3; ++j) {
                if (value[firstTooth + c][firstEntry + j] != kNoSiteValue) {
                    points[count++] = pointOf(c, j);
                } else if (++missing == 3) {
                    count = 0;
                }
                if (count == 2) {
                    target.SetDrawWidth(w);
                    target.Line(points[0].x(), points[0].y(), points[1].x(), points[1].y(), lineColour);
                    points[0] = points[1];
                    count = 1;
                    segmentDrawn[c] = true;
                }
            }
        }

        for (int c = 0; c < 16; ++c) {
            if (segmentDrawn[c]) continue;
            const bool leftEmpty = c == 0 || !segmentDrawn[c - 1];
            const bool rightEmpty = c == 15 || !segmentDrawn[c + 1];
            if (!leftEmpty || !rightEmpty) continue;
            for (int j = 0; j < 3; ++j) {
                if (value[firstTooth + c][firstEntry + j] == kNoSiteValue) continue;
                const QPointF dot = pointOf(c, j);
                target.SetDrawWidth(1);
                target.SetFillColor(lineColour);
                target.Circle(dot.x(), dot.y(), kDotRadius, lineColour);
                target.SetDrawWidth(w);
            }
        }
    }

    target.SetFillStyle(platform::kFillTransparent);
}

}  // namespace mox
