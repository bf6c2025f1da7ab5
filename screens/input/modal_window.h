#pragma once
// The input screen's small modal windows are shown through one call, so
// that tests can work a window's own controls where a user would, instead
// of waiting for one.

#include <functional>

class QDialog;

namespace mox {

// Shows the window modally and returns when it has closed.
void RunModal(QDialog& window);

// Tests: `runner` gets the loaded, shown window instead of the event loop
// and closes it through its controls. An empty runner restores the real one.
using ModalRunner = std::function<void(QDialog& window)>;
void SetModalRunner(ModalRunner runner);

}  // namespace mox
