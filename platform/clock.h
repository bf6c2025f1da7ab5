#pragma once
// Waits and timers go through one clock so that tests can fast-forward the
// program's 2-second waits instead of sleeping.

#include <QDateTime>
#include <functional>

namespace mox::platform {

class Clock {
public:
    virtual ~Clock() = default;
    // Waits the given time while the window events keep being processed.
    virtual void Wait(int milliseconds) = 0;
    virtual QDateTime Now() const = 0;
    virtual qint64 MonotonicMs() const = 0;
};

// The clock every routine uses; the real one by default.
Clock& CurrentClock();
// Replaces the clock (nullptr restores the real one). The caller keeps ownership.
void SetClock(Clock* clock);

inline void Wait(int milliseconds) { CurrentClock().Wait(milliseconds); }
// DoEvents: processes pending window events once.
void ProcessEvents();

// A clock for tests: Wait() only advances time and records the wait.
class FakeClock : public Clock {
public:
    FakeClock();
    ~FakeClock() override;
    void Wait(int milliseconds) override;
    QDateTime Now() const override;
    qint64 MonotonicMs() const override { return ms_; }
    void Advance(int milliseconds) { ms_ += milliseconds; }
    qint64 TotalWaited() const { return waited_; }
    int WaitCount() const { return waits_; }
    // Sets what Now() reports at the current moment; later waits advance it.
    void SetNow(const QDateTime& now) { start_ = now.addMSecs(-ms_); }

    FakeClock(const FakeClock&) = delete;
    FakeClock& operator=(const FakeClock&) = delete;

private:
    qint64 ms_ = 0;
    qint64 waited_ = 0;
    int waits_ = 0;
    QDateTime start_;
    Clock* previous_ = nullptr;
};

}  // namespace mox::platform
