#pragma once
// Paints a tooth button's face for its examination mode. The control paints
// its window with it; tests paint into images.

#include "controls/tooth_button/tooth_button_state.h"

class QPainter;

namespace mox::molarix {

// w, h: the client size in pixels; dpi: the surface's vertical pixels per
// inch, which the mode's font heights are scaled by.
void PaintToothButton(QPainter& painter, const ToothButtonState& state, int w, int h, int dpi);

}  // namespace mox::molarix
