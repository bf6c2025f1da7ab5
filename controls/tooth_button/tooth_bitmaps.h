#pragma once
// The three 32 × 32 pictures of the tooth button, drawn once per process.

#include <QImage>

namespace mox::molarix {

struct ToothBitmaps {
    QImage check;       // 203: a check mark (modes 0 and 5)
    QImage unexamined;  // 204: a check cell without a finding (mode 5, value -1)
    QImage focus;       // 205: the focus overlay, drawn with a raster AND
};

const ToothBitmaps& Bitmaps();

}  // namespace mox::molarix
