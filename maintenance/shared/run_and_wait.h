#pragma once
// Running another program and waiting for its end, as the version-up
// program runs the archiver and the remover runs the uninstaller. The
// program gets an argument list, never a command line for a shell, so no
// name or password is ever parsed twice. Its exit code comes back: a
// program that runs and fails is told apart from one that succeeded. The
// wait has a limit measured on the clock seam and lets the windows repaint
// meanwhile. The program runs in a process group of its own, so that a
// time-out or the user's cancel ends whatever it started, not only itself.

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <functional>

namespace mox {

// Results of RunAndWait besides an exit code (0 and up).
enum RunFailure : int { kRunNotStarted = -1, kRunTimedOut = -2, kRunCrashed = -3, kRunCancelled = -4 };

struct RunOptions {
    // Written to the program's standard input, which is then closed: a
    // password given there never shows in the process list.
    QByteArray standardInput;
    // The program is killed when it has not ended after this long.
    int timeoutMs = 10 * 60 * 1000;
    // How often the wait looks at the clock (and lets windows repaint).
    int pollMs = 50;
    // Asked at every look; true ends the program's group (kRunCancelled).
    std::function<bool()> cancelled;
    QString workingDirectory;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
};

// The exit code of the program, or a RunFailure. `output` receives what the
// program wrote to its standard output and error, when given.
int RunAndWait(const QString& program, const QStringList& arguments, const RunOptions& options,
               QByteArray* output = nullptr);

}  // namespace mox
