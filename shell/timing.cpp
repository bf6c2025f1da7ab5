#include "shell/timing.h"

namespace mox {

namespace {
bool instant = false;
}

void SetInstantWaits(bool value) { instant = value; }
int TimerInterval(int milliseconds) { return instant ? 0 : milliseconds; }

}  // namespace mox
