#include "shell/empty_main_window.h"

#include "core/settings.h"
#include "platform/gui/forms.h"
#include "platform/gui/screen.h"

#include <QCloseEvent>

namespace mox {

EmptyMainWindow::EmptyMainWindow(std::function<void()> endRun, QWidget* parent)
    : QMainWindow(parent), endRun_(std::move(endRun)) {
    setWindowTitle(QStringLiteral("MOX-Chart"));
    resize(1024, 700);
    platform::CenterFormTop(this, G().FormBackColor);
}

void EmptyMainWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    if (ending_) return;
    ending_ = true;
    hide();
    if (endRun_) endRun_();
}

}  // namespace mox
