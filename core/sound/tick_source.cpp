#include "core/sound/tick_source.h"

#include <QTimer>

namespace mox {

QtTickSource::QtTickSource() : timer_(new QTimer(this)) {
    // Clips are paced to the millisecond; a coarse timer would drift by 5 %.
    timer_->setTimerType(Qt::PreciseTimer);
    connect(timer_, &QTimer::timeout, this, [this] { Tick(); });
}

void QtTickSource::SetInterval(int milliseconds) {
    interval_ = milliseconds > 0 ? milliseconds : 0;
    if (interval_ == 0)
        timer_->stop();
    else
        timer_->start(interval_);
}

}  // namespace mox
