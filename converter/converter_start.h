#pragma once
// Start and end of the converter, MOXConvert: a separate program in the
// main program's folder that works on the same main database. It runs the
// start every program shares (single instance, never beside the main
// program, the database from the template, the version check, the splash
// with its short version text) with its own paths and back colour; the
// convert window follows the splash and its unload ends the program.

#include "shell/program_start.h"

#include <QString>
#include <QStringList>

namespace mox::convert {

// "Ver.4.00" for version 4.0.x; with `full` "Ver.4.0.0006".
QString GetConverterVersionText(bool full = false);

// AppPath (the program folder), IdPrefix, the main database's source and the
// two sources of the older release.
void SetupConverterPaths(const QString& programDir);

// Drops the counter record; called by the end of the program and by the
// convert window's unload.
void ReleaseConverterObjects();

// The converter's part of the shared start: its lock, back colour, splash
// texts, own steps (the colour buttons' module, the counter record) and the
// convert window after the splash.
ProgramStart ConverterProgramStart();

// The start routine; kStarted when the splash window shows.
int Main(const QStringList& arguments);

// Whole program: application object, platform set-up, Main, event loop.
int RunMoxConvert(int argc, char** argv);

}  // namespace mox::convert
