#pragma once
// Seams the end-to-end tests switch on through the environment of a started
// program, because a separate process cannot take a test's responder:
//   VXMOX_INSTANT_WAITS=1        fixed waits and window timers pass at once
//   VXMOX_TEST_LOG=<file>        every message box and the main window are
//                                logged there instead of being shown; boxes
//                                answer from VXMOX_MSGBOX_ANSWERS (comma
//                                list of answer codes), else their default
//   VXMOX_CLOSE_MAIN_AFTER_MS=N  the main window closes itself N ms after it
//                                is shown, as if the user closed it

class QWidget;

namespace mox {

void InstallTestSeamsFromEnvironment();
void NotifyMainWindowShown(QWidget* window);

}  // namespace mox
