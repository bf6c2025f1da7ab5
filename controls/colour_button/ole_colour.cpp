#include "controls/colour_button/ole_colour.h"

#include <array>

namespace mox::prismet {

namespace {

constexpr std::array<OleColor, 31> kSystemColours = {
    RgbOleColor(200, 200, 200),  // scroll bar
    RgbOleColor(0, 0, 0),        // desktop
    RgbOleColor(153, 180, 209),  // active caption
    RgbOleColor(191, 205, 219),  // inactive caption
    RgbOleColor(240, 240, 240),  // menu
    RgbOleColor(255, 255, 255),  // window
    RgbOleColor(100, 100, 100),  // window frame
    RgbOleColor(0, 0, 0),        // menu text
    RgbOleColor(0, 0, 0),        // window text
    RgbOleColor(0, 0, 0),        // caption text
    RgbOleColor(180, 180, 180),  // active border
    RgbOleColor(244, 247, 252),  // inactive border
    RgbOleColor(171, 171, 171),  // application workspace
    RgbOleColor(51, 153, 255),   // highlight
    RgbOleColor(255, 255, 255),  // highlight text
    RgbOleColor(240, 240, 240),  // button face
    RgbOleColor(160, 160, 160),  // button shadow
    RgbOleColor(109, 109, 109),  // grey text
    RgbOleColor(0, 0, 0),        // button text
    RgbOleColor(67, 78, 84),     // inactive caption text
    RgbOleColor(255, 255, 255),  // button highlight
    RgbOleColor(105, 105, 105),  // 3-D dark shadow
    RgbOleColor(227, 227, 227),  // 3-D light
    RgbOleColor(0, 0, 0),        // tool tip text
    RgbOleColor(255, 255, 225),  // tool tip back
    RgbOleColor(0, 0, 0),        // (unused)
    RgbOleColor(0, 102, 204),    // hot light
    RgbOleColor(185, 209, 234),  // gradient active caption
    RgbOleColor(215, 228, 242),  // gradient inactive caption
    RgbOleColor(51, 153, 255),   // menu highlight
    RgbOleColor(240, 240, 240),  // menu bar
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

QColor TranslateOleColor(OleColor colour) {
    const OleColor rgb = ResolveOleColor(colour);
    return QColor(rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF);
}

OleColor OleColorOf(const QColor& colour) { return RgbOleColor(colour.red(), colour.green(), colour.blue()); }

}  // namespace mox::prismet
