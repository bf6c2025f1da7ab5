#pragma once
// The order in which the six site slots of a tooth are laid out, by the
// quadrant of the tooth index (0: 18..11, 1: 21..28, 2: 48..41, 3: 31..38).
// On the patient's right side the sites run mirrored, so that mesial sites
// always face the midline of the sheet.

#include <array>

namespace mox {

using SiteOrderTable = std::array<std::array<int, 6>, 4>;

// The chart block (graph and site marks): entries 0..2 the buccal sites,
// 3..5 the palatal or lingual ones, left to right.
inline constexpr SiteOrderTable kChartSiteOrder = {{
    {2, 1, 0, 5, 4, 3},
    {0, 1, 2, 3, 4, 5},
    {2, 1, 0, 5, 4, 3},
    {0, 1, 2, 3, 4, 5},
}};

// The data sheet and the furcation rows: positions 0..2 the upper line of a
// cell, 3..5 the lower line, left to right.
inline constexpr SiteOrderTable kSheetSiteOrder = {{
    {2, 1, 0, 5, 4, 3},
    {0, 1, 2, 3, 4, 5},
    {5, 4, 3, 2, 1, 0},
    {3, 4, 5, 0, 1, 2},
}};

}  // namespace mox
