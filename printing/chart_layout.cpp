#include "printing/chart_layout.h"

#include "platform/gui/colour.h"
#include "printing/primitives.h"

namespace mox {

using platform::DrawTarget;
using platform::VbRgb;

namespace {

constexpr int kScaleSteps = 13;
constexpr uint32_t kLightGrey = VbRgb(192, 192, 192);
constexpr uint32_t kDarkGrey = VbRgb(112, 112, 112);

// Rows 0 and 2 have their scale above the band line.
bool ScaleAbove(int row) { return row == 0 || row == 2; }

// A line as DrawBrokenLine draws it with the style.
void AddGridLine(GridPaths& grid, uint32_t colour, int style, double x1, double y1, double x2, double y2) {
    if (style == platform::kDot)
        grid.AddDashes(colour, style, x1, y1, x2, y2, kDashMillimetres);
    else
        grid.Add(colour, style, x1, y1, x2, y2);
}

// The columns come before the rows, so that where they cross a darker row
// lies on top.
void AddRowScale(GridPaths& grid, const ChartLayout& layout, int row) {
    const float top = ScaleAbove(row) ? layout.BandY[row] - layout.ScaleBandHeight : layout.BandY[row];
    const float step = layout.ScaleBandHeight / kScaleSteps;
    const float subColumn = layout.Width / 64;

    for (int k = 1; k <= 63; ++k) {
        const float x = layout.Left + k * subColumn;
        AddGridLine(grid, kLightGrey, k % 4 == 0 ? platform::kSolid : platform::kDot, x, top, x,
                    top + layout.ScaleBandHeight);
    }

    for (int i = 0; i < kScaleSteps; ++i) {
        const int d = ScaleAbove(row) ? kScaleSteps - 1 - i : i;
        uint32_t colour = kLightGrey;
        int style = d % 2 == 0 ? platform::kSolid : platform::kDot;
        if (d == 0) {
            colour = 0;
            style = platform::kSolid;
        } else if (d == 3 || d == 6 || d == 10) {
            colour = kDarkGrey;
            style = platform::kDot;
        }
        const float y = ScaleAbove(row) ? layout.BandY[row] - d * step : layout.BandY[row] + d * step;
        AddGridLine(grid, colour, style, layout.Left, y, layout.Left + layout.Width, y);
    }
}

}  // namespace

ChartLayout SetupChartLayout(int16_t printFlag, float originX, float originY, float scale, float leftOffset,
                             float bandOffset0, float bandOffset1, float bandOffset2, float bandOffset3, float width,
                             float scaleHeight, float crownBandHeight) {
    ChartLayout layout;
    layout.PrintFlag = printFlag;
    layout.Scale = scale;
    layout.Left = originX + leftOffset * scale;
    const float offsets[4] = {bandOffset0, bandOffset1, bandOffset2, bandOffset3};
    for (int r = 0; r < 4; ++r) layout.BandY[r] = originY + offsets[r] * scale;
    layout.Width = width * scale;
    layout.ColumnWidth = layout.Width / 16;
    layout.ScaleBandHeight = scaleHeight * scale;
    layout.CrownBandHeight = crownBandHeight * scale;
    layout.RootAspect = 34.0f / 63.0f;
    layout.CrownAspect = 34.0f / 31.0f;
    const float rootFit = layout.ScaleBandHeight * layout.RootAspect;
    const float crownFit = layout.CrownBandHeight * layout.CrownAspect;
    layout.PicWidth = rootFit < crownFit ? rootFit : crownFit;
    if (layout.ColumnWidth < layout.PicWidth) {
        layout.PicWidth = layout.ColumnWidth;
        layout.PicOffset = 0;
    } else {
        layout.PicOffset = (layout.ColumnWidth - layout.PicWidth) / 2;
    }
    layout.RootPicHeight = layout.PicWidth / layout.RootAspect;
    layout.CrownPicHeight = layout.PicWidth / layout.CrownAspect;
    return layout;
}

void PrintChartGrid(DrawTarget& target, const ChartLayout& layout, int16_t rowFlag0, int16_t rowFlag1, int16_t rowFlag2,
                    int16_t rowFlag3) {
    const int16_t flags[4] = {rowFlag0, rowFlag1, rowFlag2, rowFlag3};
    // The rows of different bands never touch, so all four go out together.
    GridPaths grid;
    bool any = false;
    for (int r = 0; r < 4; ++r) {
        if (flags[r] != 1) continue;
        AddRowScale(grid, layout, r);
        any = true;
    }
    if (!any) return;
    target.SetDrawWidth(ScaleXToPixels(target, 0.2));
    grid.Draw(target);
}

}  // namespace mox
