#pragma once
// The VB Screen object's parts in use: twips, screen size and the mouse
// pointer.

#include <QRect>
#include <QSize>

class QWidget;

namespace mox::platform {

// Twips per pixel: 15 at 96 dpi, scaled by the screen's logical dpi.
double TwipsPerPixelX();
double TwipsPerPixelY();
int TwipsToPixelsX(double twips);
int TwipsToPixelsY(double twips);
double PixelsToTwipsX(int pixels);
// A form control's rectangle given in twips, in pixels.
QRect TwipsRect(int x, int y, int width, int height);

enum MousePointerCode : int { kDefaultPointer = 0, kHourglassPointer = 11 };
// Screen.MousePointer: one setting for the whole program (not a stack):
// hourglass (11) shows the busy cursor over every window, default (0) ends it
// however often the hourglass was set. Other codes count as default.
void SetMousePointer(int code);
int MousePointer();

// The hourglass for the length of a scope, back to the default pointer on
// every way out.
class Hourglass {
public:
    Hourglass() { SetMousePointer(kHourglassPointer); }
    ~Hourglass() { SetMousePointer(kDefaultPointer); }
    Hourglass(const Hourglass&) = delete;
    Hourglass& operator=(const Hourglass&) = delete;
};

}  // namespace mox::platform
