#pragma once
// The timer of the sound window. Interval 0 means it does not fire; setting
// any other interval (re)starts the countdown. Tests drive the queue through
// their own source instead of waiting for a real timer.

#include <QObject>
#include <functional>

class QTimer;

namespace mox {

class TickSource {
public:
    virtual ~TickSource() = default;
    virtual void SetInterval(int milliseconds) = 0;
    virtual int Interval() const = 0;
    void SetHandler(std::function<void()> handler) { handler_ = std::move(handler); }

protected:
    void Tick() {
        if (handler_) handler_();
    }

private:
    std::function<void()> handler_;
};

class QtTickSource : public QObject, public TickSource {
    Q_OBJECT
public:
    QtTickSource();
    void SetInterval(int milliseconds) override;
    int Interval() const override { return interval_; }

private:
    QTimer* timer_;
    int interval_ = 0;
};

}  // namespace mox
