#pragma once
// OLE colours as the colour button stores them: 0x00BBGGRR for a plain RGB
// value, 0x800000nn for system colour nn. The system colours are the
// Windows 7 defaults the clinic's forms were designed against.

#include "platform/gui/colour.h"

#include <QColor>
#include <cstdint>

namespace mox::prismet {

using OleColor = uint32_t;

enum SystemColour : int {
    kColorWindow = 5,
    kColorWindowText = 8,
    kColorBtnFace = 15,
    kColorBtnShadow = 16,
    kColorBtnText = 18,
    kColorBtnHighlight = 20,
    kColor3dDkShadow = 21,
    kColor3dLight = 22,
};

constexpr OleColor SystemOleColor(int index) { return 0x80000000u | static_cast<uint32_t>(index); }

// The RGB value a colour is drawn in; unknown system colours draw black.
QColor TranslateOleColor(OleColor colour);
// The plain OLE colour (system colours resolved) of a colour.
OleColor ResolveOleColor(OleColor colour);

}  // namespace mox::prismet
