#pragma once
// The input screen's windows are laid out in twips, as their forms were.

#include "platform/gui/screen.h"

#include <QRect>

namespace mox {

inline QRect TwipsRect(int x, int y, int w, int h) {
    return {platform::TwipsToPixelsX(x), platform::TwipsToPixelsY(y), platform::TwipsToPixelsX(w),
            platform::TwipsToPixelsY(h)};
}

}  // namespace mox
