#pragma once
// Seams the end-to-end tests switch on through the environment of a started
// program, because a separate process cannot take a test's responder:
//   VXMOX_INSTANT_WAITS=1        fixed waits and window timers pass at once
//   VXMOX_TEST_LOG=<file>        every message box and the main window are
//                                logged there instead of being shown, and
//                                every progress window as it shows
//   VXMOX_MSGBOX_ANSWERS=<list>  with the log: comma list of answer codes,
//                                one per box in order (1 OK, 2 Cancel,
//                                4 Retry, 6 Yes, 7 No)
//   VXMOX_FILEDIALOG_ANSWERS=<list>  with the log: ":"-separated answers of
//                                the file and folder dialogs in order, each
//                                the path chosen or "-" for Cancel; every
//                                dialog is logged
//   VXMOX_CLOSE_MAIN_AFTER_MS=N  the main window closes itself N ms after it
//                                is shown, as if the user closed it
// A logged box with no scripted answer takes its default, except when a
// list was given and is used up, or when its default is Retry (a failure
// that persists would ask for ever): then it takes its cancel-like answer
// (Cancel, else No, else Abort) and the run ends at once with
// kScriptedAnswersUsedUp. A logged file dialog with no scripted answer
// cancels and ends the run the same way.

class QWidget;

namespace mox {

inline constexpr int kScriptedAnswersUsedUp = 8;

void InstallTestSeamsFromEnvironment();
void NotifyMainWindowShown(QWidget* window);

}  // namespace mox
