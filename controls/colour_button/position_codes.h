#pragma once
// Position codes of the image and the caption, horizontal and vertical:
// -1 left (top) edge, -2 centred, -3 right (bottom) edge, anything else an
// offset in pixels from the left (top) edge of the area.

namespace mox::prismet {

inline constexpr int kAlignStart = -1;
inline constexpr int kAlignCentre = -2;
inline constexpr int kAlignEnd = -3;

inline bool IsAlignCode(int code) { return code >= kAlignEnd && code <= kAlignStart; }

// A computed position must not be read as an alignment code later.
inline int NotACode(int position) { return IsAlignCode(position) ? 0 : position; }

// Start of an item of `length` placed by `code` along an area.
inline int PlaceAlong(int code, int areaStart, int areaLength, int length) {
    switch (code) {
        case kAlignStart:
            return NotACode(areaStart);
        case kAlignCentre:
            return NotACode(areaStart + (areaLength - length) / 2);
        case kAlignEnd:
            return NotACode(areaStart + areaLength - length);
        default:
            return NotACode(areaStart + code);
    }
}

}  // namespace mox::prismet
