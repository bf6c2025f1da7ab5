#pragma once
// Tables indexed by the tooth index (0..31: FDI 18..11, 21..28, 48..41,
// 31..38) that the cursor, the screens and the drawing routines read instead
// of working out tooth numbers, picture names and furcation kinds themselves.
// They hold their contents from the start; the Make functions fill them
// again whole, as start-up does.

#include <QString>
#include <array>
#include <cstdint>
#include <span>

namespace mox {

inline constexpr int kToothCount = 32;

extern std::array<QString, kToothCount> ToothLabels;
extern std::array<QString, kToothCount> ToothLabelsDeciduous;
extern std::array<QString, kToothCount> HeadPicBuccal;
extern std::array<QString, kToothCount> HeadPicLingual;
extern std::array<QString, kToothCount> RootPicBuccal;
extern std::array<QString, kToothCount> RootPicLingual;
// The furcation kind of each tooth (see below).
extern std::array<int16_t, kToothCount> FurcationType;

// Furcation kinds: FurcationType, and the root form a tooth button is given
// (its Root). Stored nowhere, but the tooth buttons take these numbers.
inline constexpr int16_t kNoFurcation = -1;
inline constexpr int16_t kUpperMolarFurcation = 3;
inline constexpr int16_t kUpperPremolarFurcation = 21;
inline constexpr int16_t kLowerMolarFurcation = 22;

// Where a tooth of a kind has its furcation entrances, as tooth-button sites
// (0..2 the buccal line of the button, 3..5 the palatal or lingual line, as
// the site codes "BM" .. "LD" run): an upper molar's buccal one and its two
// palatal ones, an upper premolar's mesial and distal ones, a lower molar's
// buccal and lingual ones; none for any other kind. The tooth button keeps a
// copy of its own (controls/tooth_button/furcation_roots.h).
inline std::span<const int> FurcationEntrances(int16_t kind) {
    static constexpr std::array<int, 3> kUpperMolar{1, 3, 5};
    static constexpr std::array<int, 2> kUpperPremolar{0, 2};
    static constexpr std::array<int, 2> kLowerMolar{1, 4};
    switch (kind) {
        case kUpperMolarFurcation:
            return kUpperMolar;
        case kUpperPremolarFurcation:
            return kUpperPremolar;
        case kLowerMolarFurcation:
            return kLowerMolar;
        default:
            return {};
    }
}

inline bool IsFurcationEntrance(int16_t kind, int site) {
    for (const int entrance : FurcationEntrances(kind))
        if (entrance == site) return true;
    return false;
}

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

// The furcation kind of a tooth index; kNoFurcation for an index outside 0..31.
int16_t FurcationKindOf(int tooth);

}  // namespace mox
