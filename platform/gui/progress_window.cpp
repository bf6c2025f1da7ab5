#include "platform/gui/progress_window.h"

#include "platform/clock.h"
#include "platform/gui/screen.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

namespace mox::platform {

namespace {

// Neither Esc nor the close box ends the work: the window goes when it does.
class BusyDialog final : public QDialog {
public:
    BusyDialog() : QDialog(QApplication::activeWindow()) {}
    void reject() override {}

protected:
    void closeEvent(QCloseEvent* event) override { event->ignore(); }
};

constexpr qint64 kRepaintEveryMs = 100;

}  // namespace

ProgressWindow::ProgressWindow(const QString& caption, const QString& what)
    : dialog_(new BusyDialog), pointerBefore_(MousePointer()) {
    dialog_->setObjectName(QLatin1String(kProgressWindowName));
    dialog_->setWindowTitle(caption);
    dialog_->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    dialog_->setWindowModality(Qt::ApplicationModal);
    auto* layout = new QVBoxLayout(dialog_);
    what_ = new QLabel(what, dialog_);
    what_->setObjectName(QLatin1String(kProgressWhatName));
    detail_ = new QLabel(dialog_);
    detail_->setWordWrap(true);
    count_ = new QLabel(dialog_);
    bar_ = new QProgressBar(dialog_);
    bar_->setRange(0, 0);
    for (QWidget* w : {static_cast<QWidget*>(what_), static_cast<QWidget*>(detail_), static_cast<QWidget*>(count_),
                       static_cast<QWidget*>(bar_)})
        layout->addWidget(w);
    dialog_->setMinimumWidth(480);
    SetMousePointer(kHourglassPointer);
    dialog_->show();
    dialog_->raise();
    QApplication::processEvents();
}

ProgressWindow::~ProgressWindow() {
    // Input that arrived while the work ran is dropped now, while the
    // window still blocks the others.
    QApplication::processEvents();
    dialog_->hide();
    delete dialog_;
    // Work that showed the hourglass before the window came goes on with it.
    SetMousePointer(pointerBefore_);
}

void ProgressWindow::Show(const QString& detail, qint64 done, qint64 total) {
    const qint64 now = CurrentClock().MonotonicMs();
    const bool last = total > 0 && done >= total;
    if (lastPaintMs_ >= 0 && now - lastPaintMs_ < kRepaintEveryMs && !last) return;
    lastPaintMs_ = now;
    detail_->setText(detail);
    count_->setText(QStringLiteral("%1 / %2 件")
                        .arg(QLocale(QLocale::Japanese).toString(done), QLocale(QLocale::Japanese).toString(total)));
    if (total > 0) {
        bar_->setRange(0, 1000);
        bar_->setValue(static_cast<int>(std::min<qint64>(1000, done * 1000 / total)));
    }
    QApplication::processEvents();
}

ProgressWindowForLongWork::ProgressWindowForLongWork(QString caption, QString what, qint64 worthAWindow)
    : caption_(std::move(caption)), what_(std::move(what)), worthAWindow_(worthAWindow) {}

ProgressWindowForLongWork::~ProgressWindowForLongWork() = default;

void ProgressWindowForLongWork::Show(const QString& detail, qint64 done, qint64 total) {
    if (!window_) {
        if (total < worthAWindow_) return;
        window_ = std::make_unique<ProgressWindow>(caption_, what_);
    }
    window_->Show(detail, done, total);
}

QString ProgressWindow::Text() const {
    return what_->text() + QLatin1Char('\n') + detail_->text() + QLatin1Char('\n') + count_->text();
}

}  // namespace mox::platform
