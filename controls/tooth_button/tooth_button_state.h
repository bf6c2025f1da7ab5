#pragma once
// The tooth button's value table and settings, with the plaque rules and the
// click rules that change them. No widget here: the control and the painter
// read and write this one structure.

#include "platform/gui/colour.h"

#include <array>
#include <cstdint>
#include <optional>

namespace mox::molarix {

inline constexpr int kRows = 4;
inline constexpr int kSites = 6;
inline constexpr int kPlaqueFaces = 4;

// Colours are COLORREF values, 0x00BBGGRR.
inline constexpr uint32_t kGrey = 0xC0C0C0;
inline constexpr uint32_t kWhite = 0xFFFFFF;
inline constexpr uint32_t kFocusCyan = 0xFFFF00;
inline constexpr uint32_t kFocusFlagGreen = 0xC0FFC0;
inline constexpr uint32_t kFocusFrameBlue = 0xFF0000;
inline constexpr uint32_t kPlaqueRed = 0x0000FF;
inline constexpr uint32_t kBlack = 0x000000;

// A brightness is given as one level; its low byte is the grey's.
inline constexpr uint32_t GreyLevel(int32_t value) { return platform::VbRgb(value, value, value); }

struct ToothButtonState {
    std::array<std::array<int32_t, kSites>, kRows> data;  // -1 = no value
    std::array<int32_t, kSites> untreated{};              // plaque faces, 1 = untreated
    std::array<uint32_t, 4> valueColor{0x000000, 0x0000FF, 0xC0FFFF, 0x000000};
    std::array<uint32_t, 4> brightness{0xE0E0E0, 0x909090, 0x404040, 0x000000};
    std::array<int32_t, 3> gradation{4, 8, 12};
    std::array<int32_t, kSites> compData;
    std::array<uint32_t, 2> compValueColor{0x00FF00, 0x0000FF};
    std::array<int16_t, kSites> usePosition;
    int32_t toothIndex = 0;
    int32_t focusItem = -1;
    int16_t root = -1;
    int32_t examMode = -1;
    int32_t examIndex = 0;
    bool enabled = true;
    int32_t systemType = 0;

    ToothButtonState();
    bool operator==(const ToothButtonState&) const = default;

    // Data(nExam, nIndex) put: -1 into row 0 clears the column's flags too.
    void SetData(int row, int site, int32_t value);

    int32_t PlaqueData() const;
    void SetPlaqueData(int32_t v);
    int32_t PlaqueUnTreat() const;
    void SetPlaqueUnTreat(int32_t v);
    void SetPlaqueFace(int face, int32_t value);
};

// Site zone of a point: 0, 1, 2 in the top row, 3, 4, 5 below.
int SiteZone(int x, int y, int w, int h);
// Plaque face of a point by the diagonals: 0 top, 1 left, 2 right, 3 bottom, 4 on a diagonal.
int PlaqueFace(int x, int y, int w, int h);

// Runs the click rule of the current mode for a left press at (x, y) on a
// w × h face. Returns the site to report with ClickData, or nothing when the
// mode reports no click there.
std::optional<int> ApplyClick(ToothButtonState& s, int x, int y, int w, int h);

}  // namespace mox::molarix
