#pragma once
// The geometry of a chart block and its millimetre scales. A chart block has
// four rows of 16 tooth columns: row 0 the upper jaw from the buccal side,
// row 1 from the palatal side, row 2 the lower jaw from the lingual side,
// row 3 from the buccal side. Each row has a band line (the cemento-enamel
// junction) with a 13-step scale on the root side: above the line in rows 0
// and 2, below it in rows 1 and 3.
//
// SetupChartLayout works the geometry out once per block; the tooth pictures,
// the grid and the value graph of that block are drawn from the layout it
// returns.

#include "platform/gui/draw_target.h"

#include <array>
#include <cstdint>

namespace mox {

// Lengths in millimetres on the printer, single precision as laid out.
struct ChartLayout {
    int16_t PrintFlag = 0;  // kept as given; nothing reads it
    float Scale = 0;
    float Left = 0;                // left edge of column 0
    std::array<float, 5> BandY{};  // band line of rows 0..3; slot 4 unused
    float Width = 0;               // 16 columns
    float ColumnWidth = 0;
    float ScaleBandHeight = 0;  // also the band the root pictures fit in
    float CrownBandHeight = 0;
    float RootAspect = 0;   // 34 : 63, width to height of a root picture
    float CrownAspect = 0;  // 34 : 31, of a crown picture
    float PicOffset = 0;    // column's left edge to its picture
    float PicWidth = 0;
    float RootPicHeight = 0;
    float CrownPicHeight = 0;
};

// Offsets and sizes are multiplied by scale. The picture width is the
// widest that fits both the scale band (roots) and the crown band, at most
// one column, centred in it; both picture heights follow from that width.
ChartLayout SetupChartLayout(int16_t printFlag, float originX, float originY, float scale, float leftOffset,
                             float bandOffset0, float bandOffset1, float bandOffset2, float bandOffset3, float width,
                             float scaleHeight, float crownBandHeight);

// The scales of the rows whose flag (GridRowFlag) is 1: light grey verticals
// every quarter column, solid between teeth and dotted on the site lines;
// horizontals 0..12 steps from the band line, the band line black, steps 3,
// 6 and 10 dark grey dotted, other even steps light grey solid, odd ones
// light grey dotted. Lines are 0.2 mm wide on this target.
void PrintChartGrid(platform::DrawTarget& target, const ChartLayout& layout, int16_t rowFlag0, int16_t rowFlag1,
                    int16_t rowFlag2, int16_t rowFlag3);

}  // namespace mox
