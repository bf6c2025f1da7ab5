#pragma once
// Tables indexed by the tooth index (0..31: FDI 18..11, 21..28, 48..41,
// 31..38) that the cursor, the screens and the drawing routines read instead
// of working out tooth numbers, picture names and furcation kinds themselves.
// They hold their contents from the start; the Make functions fill them
// again whole, as start-up does.

#include <QString>
#include <array>
#include <cstdint>

namespace mox {

inline constexpr int kToothCount = 32;

extern std::array<QString, kToothCount> ToothLabels;
extern std::array<QString, kToothCount> ToothLabelsDeciduous;
extern std::array<QString, kToothCount> HeadPicBuccal;
extern std::array<QString, kToothCount> HeadPicLingual;
extern std::array<QString, kToothCount> RootPicBuccal;
extern std::array<QString, kToothCount> RootPicLingual;
// -1 none, 3 upper molar, 21 upper premolar, 22 lower molar.
extern std::array<int16_t, kToothCount> FurcationType;

// The order in which the six site slots of a tooth are laid out, by the
// quadrant of the tooth index (0: 18..11, 1: 21..28, 2: 48..41, 3: 31..38).
// On the patient's right side the sites run mirrored, so that mesial sites
// always face the midline.
using SiteOrderTable = std::array<std::array<int16_t, 6>, 4>;

// Record site slot s of a tooth in quadrant q is shown at site SiteOrder[q][s]
// of its tooth button; the screen reads values back through the same table.
// Read the other way, it lays out a data-sheet cell and a furcation row:
// positions 0..2 the upper line of a cell, 3..5 the lower line, left to
// right.
inline constexpr SiteOrderTable SiteOrder{{
    {2, 1, 0, 5, 4, 3},
    {0, 1, 2, 3, 4, 5},
    {5, 4, 3, 2, 1, 0},
    {3, 4, 5, 0, 1, 2},
}};

// The chart block (graph and site marks): entries 0..2 the buccal sites,
// 3..5 the palatal or lingual ones, left to right.
inline constexpr SiteOrderTable kChartSiteOrder{{
    {2, 1, 0, 5, 4, 3},
    {0, 1, 2, 3, 4, 5},
    {2, 1, 0, 5, 4, 3},
    {0, 1, 2, 3, 4, 5},
}};

// The button site of record slot 0..5 of tooth index 0..31.
inline int16_t ButtonSiteOfSlot(int tooth, int slot) { return SiteOrder[tooth / 8][slot]; }

void MakeToothLabels();
void MakeToothPictureNames();
void MakeToothNumberTable();

// The furcation kind of a tooth index; -1 for an index outside 0..31.
int16_t FurcationKindOf(int tooth);

}  // namespace mox
