#pragma once
// The windows the input screen opens that belong to other parts of the
// program: the chart and data-sheet screen and the tools window. The
// program fills these in; a button whose window is not there says so and
// leaves the screen as it is.

#include <functional>

class QWidget;

namespace mox {

struct InputScreenHooks {
    // Shows the chart and data-sheet screen for CurPatientId without making
    // it modal (making it first when it does not exist). The input screen
    // stays loaded beneath it.
    std::function<void(QWidget* inputScreen)> showChartScreen;
    // Shows the tools window. The input screen has already unloaded without
    // ending the program; when the tools window closes it calls
    // `reopenInputScreen`, which makes and loads the input screen again.
    std::function<void(std::function<void()> reopenInputScreen)> showToolsWindow;
};

InputScreenHooks& InputHooks();

}  // namespace mox
