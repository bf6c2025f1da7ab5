#pragma once
// Start-up and end of the main program. `Main` reads the command line and
// the paths, then runs the start every program shares (program_start.h)
// with the main program's own steps: the version file, the shared record
// objects, the database upgrade, the tooth tables and the sound window. The
// input screen then becomes the main window. Fatal refusals end the process
// before any shared record object exists.

#include "shell/program_start.h"

#include <QStringList>
#include <functional>

class QWidget;

namespace mox {

// Hooks for the steps whose windows and routines come from other parts of the
// program. Each may be empty; the program fills the ones it has.
struct StartupHooks {
    // Registers the control modules of the program folder where needed.
    std::function<void()> registerControlModules;
    // Brings the database content up to date (step 8). The upgrade of a
    // file of an earlier release may take seconds before the splash can
    // show: it runs under a window that tells the user what is being done.
    std::function<void()> upgradeDatabaseContent;
    // Loads the hidden sound window (step 9).
    std::function<void()> loadSoundWindow;
    // Makes the window that follows the splash window (the input screen).
    // Its unload calls `endRun`, the normal end of the program.
    std::function<QWidget*(const std::function<void()>& endRun)> makeMainWindow;
    // The windows of the normal end: backup (answer Yes) and compaction.
    std::function<void()> showBackupWindow;
    std::function<void()> showCompactWindow;
};
StartupHooks& Hooks();

// Runs the start-up steps; returns kStarted when the splash window is shown
// and the event loop should run, or the reason start-up stopped.
int Main(const QStringList& arguments);

// The normal end of a run after the main window has closed: release the
// shared objects, ask about a backup, then the backup or compaction window.
void RunEndSequence();

// Whole program: application object, platform set-up, Main, event loop.
int RunVxmox(int argc, char** argv);

}  // namespace mox
