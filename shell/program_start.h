#pragma once
// The start every program of the folder shares, the main program and the
// converter alike: one running instance per program, and never the main
// program and the converter together (each refuses to start while the
// other holds its lock in the program folder), a main database made
// from the template when it is missing (with its two-second wait), the
// version check, and the splash window that gives way to the program's main
// window. What a program does between the accepted database and the splash
// is its own, and so are its paths, set in G() before the start.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>

class QWidget;

namespace mox {

// Exit codes of a start that was refused.
enum StartupResult { kStarted = 0, kSecondInstance = 3, kVersionRefused = 5, kStartupFailed = 6 };

// What the splash window shows.
struct SplashTexts {
    QString windowTitle;
    QString title1;                            // LblTitle1
    QString title2;                            // LblTitle2
    QString version = QStringLiteral("Ver.");  // LblVersion
};

struct ProgramStart {
    // Names the program's lock in the program folder ("VXMOX", "MOXConvert").
    QString lockName;
    // FormBackColor of the program's windows (VB &HBBGGRR), from the splash on.
    uint32_t formBackColor = 0;
    SplashTexts splash;
    // The program's own steps once its database is accepted; kStarted to go
    // on to the splash window, any other code stops the start with it.
    std::function<int()> prepare;
    // The window that follows the splash window.
    std::function<QWidget*()> makeMainWindow;
};

// Runs the shared start on the paths in G() (ProgramDir, AppPath,
// MainDbFile, MainDbSource). Returns kStarted when the splash window shows
// and the event loop should run, or the reason the start stopped.
int StartProgram(const ProgramStart& start);

// A whole program: application object, Japanese boxes and fonts, the
// automation switches of the environment, the immediate end of fatal errors
// (which calls `releaseObjects` first), `main` on the arguments, and the
// event loop.
int RunProgram(int argc, char** argv, const std::function<int(const QStringList& arguments)>& main,
               std::function<void()> releaseObjects);

}  // namespace mox
