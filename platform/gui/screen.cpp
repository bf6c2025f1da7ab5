#include "platform/gui/screen.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace mox::platform {
namespace {

int pointer = kDefaultPointer;

double LogicalDpi(bool horizontal) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return 96.0;
    const double dpi = horizontal ? screen->logicalDotsPerInchX() : screen->logicalDotsPerInchY();
    return dpi > 0 ? dpi : 96.0;
}

}  // namespace

double TwipsPerPixelX() { return 1440.0 / LogicalDpi(true); }
double TwipsPerPixelY() { return 1440.0 / LogicalDpi(false); }
int TwipsToPixelsX(double twips) { return static_cast<int>(std::lround(twips / TwipsPerPixelX())); }
int TwipsToPixelsY(double twips) { return static_cast<int>(std::lround(twips / TwipsPerPixelY())); }
double PixelsToTwipsX(int pixels) { return pixels * TwipsPerPixelX(); }

QRect TwipsRect(int x, int y, int width, int height) {
    return {TwipsToPixelsX(x), TwipsToPixelsY(y), TwipsToPixelsX(width), TwipsToPixelsY(height)};
}

void SetMousePointer(int code) {
    const int wanted = code == kHourglassPointer ? kHourglassPointer : kDefaultPointer;
    if (wanted == pointer) return;
    pointer = wanted;
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return;
    if (wanted == kHourglassPointer) {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        while (QGuiApplication::overrideCursor()) QGuiApplication::restoreOverrideCursor();
    }
}

int MousePointer() { return pointer; }

}  // namespace mox::platform
