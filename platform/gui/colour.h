#pragma once
// VB colour numbers (&HBBGGRR: red in the low byte, the COLORREF and OLE
// colour layout too) and Qt colours: the one conversion of the programs and
// the control modules.

#include <QColor>
#include <cstdint>

namespace mox::platform {

constexpr uint32_t VbRgb(int red, int green, int blue) {
    return static_cast<uint32_t>(red & 0xFF) | (static_cast<uint32_t>(green & 0xFF) << 8) |
           (static_cast<uint32_t>(blue & 0xFF) << 16);
}

// The top byte (system colour numbers such as &H8000000F) is not a colour;
// it is ignored and only the RGB part is used.
inline QColor FromVbColor(uint32_t vbColor) {
    return QColor(vbColor & 0xFF, (vbColor >> 8) & 0xFF, (vbColor >> 16) & 0xFF);
}

inline uint32_t ToVbColor(const QColor& color) { return VbRgb(color.red(), color.green(), color.blue()); }

}  // namespace mox::platform
