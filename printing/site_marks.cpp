#include "printing/site_marks.h"

#include "core/tooth_tables.h"
#include "platform/gui/colour.h"

namespace mox {

using platform::DrawTarget;

namespace {

constexpr float kBoxWidth = 2.25f;
constexpr float kBoxHeight = 1.8f;
constexpr float kCircleRadius = 0.6f;
constexpr float kFirstBox = 1.125f;
constexpr uint32_t kYellow = platform::VbRgb(255, 255, 0);

using MarkGrid = std::array<std::array<uint8_t, 6>, 32>;

}  // namespace

void PrintSiteMarks(DrawTarget& target, float x, float upperTop, float upperBottom, float lowerTop, float lowerBottom,
                    float pitch, const ToothStatusWords& toothStatus, const std::array<uint8_t, kSiteCount>& bleeding,
                    const std::array<uint8_t, kSiteCount>& suppuration, int16_t slot, uint32_t circleColour) {
    float offset = 0;
    if (slot == 0 || slot == 2)
        offset = 0.25f;
    else if (slot == 1 || slot == 3)
        offset = 1.8f;
    else
        return;

    target.SetDrawWidth(3);
    target.SetDrawStyle(platform::kSolid);
    target.SetFillStyle(platform::kFillSolid);

    MarkGrid bleedingGrid;
    MarkGrid suppurationGrid;
    for (auto& tooth : bleedingGrid) tooth.fill(kNoSiteValue);
    for (auto& tooth : suppurationGrid) tooth.fill(kNoSiteValue);
    for (int t = 0; t < 32; ++t) {
        if (static_cast<uint16_t>(toothStatus[t]) & (kToothMissing | kToothPontic)) continue;
        for (int p = 0; p < 6; ++p) {
            const int site = t * 6 + kChartSiteOrder[t / 8][p];
            if (bleeding[site] != kNoSiteValue) bleedingGrid[t][p] = bleeding[site];
            if (suppuration[site] != kNoSiteValue) suppurationGrid[t][p] = suppuration[site];
        }
    }

    struct MarkRow {
        int firstTooth;
        int firstPosition;
        float top;
    };
    const MarkRow rows[4] = {
        {0, 0, upperTop + offset},
        {0, 3, upperBottom - offset - kBoxHeight},
        {16, 3, lowerTop + offset},
        {16, 0, lowerBottom - offset - kBoxHeight},
    };
    for (const MarkRow& row : rows) {
        for (int t = row.firstTooth; t < row.firstTooth + 16; ++t) {
            for (int k = 0; k < 3; ++k) {
                const int p = row.firstPosition + k;
                const float left = x + (t % 16) * pitch + k * kBoxWidth + kFirstBox;
                if (suppurationGrid[t][p] == 1) {
                    target.SetFillStyle(platform::kFillSolid);
                    target.Line(left, row.top, left + kBoxWidth, row.top + kBoxHeight, kYellow,
                                platform::LineBox::FilledBox);
                }
                if (bleedingGrid[t][p] == 1) {
                    target.SetFillColor(circleColour);
                    target.SetFillStyle(platform::kFillSolid);
                    target.Circle(left + kBoxWidth / 2, row.top + kBoxHeight / 2, kCircleRadius, circleColour);
                }
            }
        }
    }

    target.SetFillStyle(platform::kFillTransparent);
}

}  // namespace mox
