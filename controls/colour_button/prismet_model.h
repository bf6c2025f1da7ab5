#pragma once
// The colour button's state without its window: the properties with their
// put rules, the pressed and mouse-over flags, and the state look the painter
// asks for. The window (CPrismetCtrl) carries out the follow-ups a put asks
// for, because only it knows its size, region and event sink.

#include "controls/colour_button/prismet_properties.h"

namespace mox::prismet {

// What a put asks the window to do afterwards.
struct PutEffects {
    bool redraw = false;  // also "marked modified"
    bool rebuildShape = false;
    bool resize = false;
    bool fireClick = false;
    bool enabledChanged = false;
};

struct StateLook {
    OleColor back;
    OleColor fore;
    short imageIndex;
};

class PrismetModel {
public:
    const PrismetProps& Props() const { return props_; }
    bool Pressed() const { return pressed_; }
    bool MouseOver() const { return mouseOver_; }
    void SetMouseOver(bool over) { mouseOver_ = over; }

    HRESULT Get(DISPID id, Variant* result) const;
    HRESULT Put(DISPID id, const Variant& value, com::ExceptionInfo* exception, PutEffects* effects);

    // The colours and image of the current state.
    StateLook Look() const;

    // Left button down: the pressed state flips; a check button's Value follows.
    void LeftButtonDown();
    // Left button up: a pressed push button comes up. True when it changed.
    bool LeftButtonUp();
    // A size change that did not come through Width/Height.
    void StoreSize(int width, int height);

private:
    PrismetProps props_;
    bool pressed_ = false;
    bool mouseOver_ = false;
};

}  // namespace mox::prismet
