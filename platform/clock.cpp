#include "platform/clock.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <thread>

namespace mox::platform {
namespace {

class RealClock : public Clock {
public:
    RealClock() { started_.start(); }

    // The event loop keeps windows painting and timers (the sound queue)
    // running through the wait, as the original's waits did.
    void Wait(int milliseconds) override {
        if (milliseconds <= 0) {
            ProcessEvents();
            return;
        }
        if (!QCoreApplication::instance()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
            return;
        }
        QEventLoop loop;
        QTimer::singleShot(milliseconds, Qt::PreciseTimer, &loop, &QEventLoop::quit);
        loop.exec();
    }

    QDateTime Now() const override { return QDateTime::currentDateTime(); }
    qint64 MonotonicMs() const override { return started_.elapsed(); }

private:
    QElapsedTimer started_;
};

RealClock& TheRealClock() {
    static RealClock clock;
    return clock;
}

Clock*& Installed() {
    static Clock* clock = nullptr;
    return clock;
}

}  // namespace

Clock& CurrentClock() { return Installed() ? *Installed() : TheRealClock(); }

void SetClock(Clock* clock) { Installed() = clock; }

void ProcessEvents() {
    if (QCoreApplication::instance()) QCoreApplication::processEvents();
}

FakeClock::FakeClock() : start_(QDateTime::currentDateTime()), previous_(Installed()) { SetClock(this); }

FakeClock::~FakeClock() { SetClock(previous_); }

void FakeClock::Wait(int milliseconds) {
    if (milliseconds > 0) {
        ms_ += milliseconds;
        waited_ += milliseconds;
    }
    ++waits_;
}

QDateTime FakeClock::Now() const { return start_.addMSecs(ms_); }

}  // namespace mox::platform
