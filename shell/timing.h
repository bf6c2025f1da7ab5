#pragma once
// Timer intervals of the core's windows (splash, compaction countdown). The
// program runs them for real; the end-to-end tests start the program with
// VXMOX_INSTANT_WAITS=1 so that the fixed waits and timers pass at once.

namespace mox {

void SetInstantWaits(bool instant);
// The interval a timer of `milliseconds` really gets.
int TimerInterval(int milliseconds);

}  // namespace mox
