#include "controls/colour_button/ole_colour.h"

#include <array>

namespace mox::prismet {

namespace {

using platform::VbRgb;

constexpr std::array<OleColor, 31> kSystemColours = {
    VbRgb(200, 200, 200),  // scroll bar
    VbRgb(0, 0, 0),        // desktop
    VbRgb(153, 180, 209),  // active caption
    VbRgb(191, 205, 219),  // inactive caption
    VbRgb(240, 240, 240),  // menu
    VbRgb(255, 255, 255),  // window
    VbRgb(100, 100, 100),  // window frame
    VbRgb(0, 0, 0),        // menu text
    VbRgb(0, 0, 0),        // window text
    VbRgb(0, 0, 0),        // caption text
    VbRgb(180, 180, 180),  // active border
    VbRgb(244, 247, 252),  // inactive border
    VbRgb(171, 171, 171),  // application workspace
    VbRgb(51, 153, 255),   // highlight
    VbRgb(255, 255, 255),  // highlight text
    VbRgb(240, 240, 240),  // button face
    VbRgb(160, 160, 160),  // button shadow
    VbRgb(109, 109, 109),  // grey text
    VbRgb(0, 0, 0),        // button text
    VbRgb(67, 78, 84),     // inactive caption text
    VbRgb(255, 255, 255),  // button highlight
    VbRgb(105, 105, 105),  // 3-D dark shadow
    VbRgb(227, 227, 227),  // 3-D light
    VbRgb(0, 0, 0),        // tool tip text
    VbRgb(255, 255, 225),  // tool tip back
    VbRgb(0, 0, 0),        // (unused)
    VbRgb(0, 102, 204),    // hot light
    VbRgb(185, 209, 234),  // gradient active caption
    VbRgb(215, 228, 242),  // gradient inactive caption
    VbRgb(51, 153, 255),   // menu highlight
    VbRgb(240, 240, 240),  // menu bar
};

}  // namespace

OleColor ResolveOleColor(OleColor colour) {
    if ((colour & 0xFF000000u) == 0x80000000u) {
        const uint32_t index = colour & 0x00FFFFFFu;
        return index < kSystemColours.size() ? kSystemColours[index] : 0;
    }
    // Palette-index and palette-relative colours carry their RGB below.
    return colour & 0x00FFFFFFu;
}

QColor TranslateOleColor(OleColor colour) { return platform::FromVbColor(ResolveOleColor(colour)); }

}  // namespace mox::prismet
