#pragma once

class QWidget;

namespace mox {

// Fills the start-up hooks with the parts this program is built from: the
// control modules of the program folder, the sound window, the input screen
// as the main window, and the windows of the end of the program.
void InstallVxmoxParts();

// What the input screen's chart button runs: the chart screen opens beside
// it, for the patient chosen there.
void OpenChartScreenFromInput(QWidget* inputScreen);

}  // namespace mox
