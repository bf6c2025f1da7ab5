#pragma once
// The hourglass for the length of a scope, back to the default pointer on
// every way out.

#include "platform/gui/screen.h"

namespace mox {

class Hourglass {
public:
    Hourglass() { platform::SetMousePointer(platform::kHourglassPointer); }
    ~Hourglass() { platform::SetMousePointer(platform::kDefaultPointer); }
    Hourglass(const Hourglass&) = delete;
    Hourglass& operator=(const Hourglass&) = delete;
};

}  // namespace mox
