#include "core/ui/test_seams.h"

#include "core/ui/timing.h"
#include "platform/clock.h"
#include "platform/message_box.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <QWidget>
#include <deque>

namespace mox {

namespace {

// A clock whose waits only let the window events run.
class InstantClock : public platform::Clock {
public:
    void Wait(int milliseconds) override {
        waited_ += milliseconds;
        platform::ProcessEvents();
    }
    QDateTime Now() const override { return QDateTime::currentDateTime().addMSecs(waited_); }
    qint64 MonotonicMs() const override { return timer_.elapsed() + waited_; }
    InstantClock() { timer_.start(); }

private:
    qint64 waited_ = 0;
    QElapsedTimer timer_;
};

QString LogPath() { return qEnvironmentVariable("VXMOX_TEST_LOG"); }

void AppendLog(const QString& line) {
    QFile f(LogPath());
    if (!f.open(QIODevice::Append | QIODevice::WriteOnly)) return;
    QString escaped = line;
    escaped.replace(QLatin1Char('\r'), QStringLiteral("\\r")).replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    f.write(escaped.toUtf8() + '\n');
}

std::deque<int>& ScriptedAnswers() {
    static std::deque<int> answers;
    return answers;
}

}  // namespace

void InstallTestSeamsFromEnvironment() {
    if (qEnvironmentVariable("VXMOX_INSTANT_WAITS") == QLatin1String("1")) {
        SetInstantWaits(true);
        static InstantClock clock;
        platform::SetClock(&clock);
    }
    if (!LogPath().isEmpty()) {
        for (const QString& a :
             qEnvironmentVariable("VXMOX_MSGBOX_ANSWERS").split(QLatin1Char(','), Qt::SkipEmptyParts))
            ScriptedAnswers().push_back(a.toInt());
        platform::SetMsgBoxResponder([](const platform::ShownBox& box) {
            int answer = platform::DefaultAnswer(box.style);
            if (!ScriptedAnswers().empty()) {
                answer = ScriptedAnswers().front();
                ScriptedAnswers().pop_front();
            }
            AppendLog(
                QStringLiteral("MSGBOX\t%1\t%2\t%3\t%4").arg(box.caption).arg(box.style).arg(answer).arg(box.prompt));
            return answer;
        });
    }
}

void NotifyMainWindowShown(QWidget* window) {
    if (!LogPath().isEmpty()) AppendLog(QStringLiteral("MAINWINDOW\t") + window->windowTitle());
    bool ok = false;
    const int closeAfter = qEnvironmentVariableIntValue("VXMOX_CLOSE_MAIN_AFTER_MS", &ok);
    if (ok) {
        QTimer::singleShot(closeAfter, window, [window] { window->close(); });
    }
}

}  // namespace mox
