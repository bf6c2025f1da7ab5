#include "shell/test_seams.h"

#include "platform/clock.h"
#include "platform/gui/file_dialog.h"
#include "platform/gui/progress_window.h"
#include "platform/message_box.h"
#include "shell/timing.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <optional>
#include <vector>

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

// The answer that lets a box's caller give up: Cancel, else No, else Abort,
// else the only button.
int CancelLikeAnswer(int style) {
    const std::vector<int> answers = platform::ButtonAnswers(style);
    for (const int answer : {platform::kCancel, platform::kNo, platform::kAbort})
        if (std::find(answers.begin(), answers.end(), answer) != answers.end()) return answer;
    return answers.front();
}

[[noreturn]] void EndRunWithoutAnswer() {
    AppendLog(QStringLiteral("END\tno scripted answer left"));
    std::fflush(nullptr);
    std::_Exit(kScriptedAnswersUsedUp);
}

// What the log calls a dialog's kind.
QString KindName(platform::FileDialogRequest::Kind kind) {
    switch (kind) {
        case platform::FileDialogRequest::Kind::Open:
            return QStringLiteral("open");
        case platform::FileDialogRequest::Kind::Save:
            return QStringLiteral("save");
        case platform::FileDialogRequest::Kind::Folder:
            return QStringLiteral("folder");
    }
    return {};
}

// A file dialog of a logged run waits for nobody: it takes the next scripted
// answer, and with none left the run ends as a box's would, since a dialog
// has no default a script could rely on.
void AnswerFileDialogsFromScript() {
    static std::deque<QString> answers;
    const QString script = qEnvironmentVariable("VXMOX_FILEDIALOG_ANSWERS");
    for (const QString& a : script.split(QLatin1Char(':'), Qt::SkipEmptyParts)) answers.push_back(a);
    platform::SetFileDialogAnswerer([](const platform::FileDialogRequest& request) -> std::optional<QString> {
        const bool scripted = !answers.empty();
        const QString answer = scripted ? answers.front() : QStringLiteral("-");
        if (scripted) answers.pop_front();
        AppendLog(QStringLiteral("FILEDIALOG\t%1\t%2\t%3\t%4\t%5")
                      .arg(request.title, KindName(request.kind), answer, request.folder, request.fileName));
        if (!scripted) EndRunWithoutAnswer();
        if (answer == QLatin1String("-")) return std::nullopt;
        return answer;
    });
}

// Logs each progress window of the program as it shows: its caption and
// what it says is being done.
class ProgressWindowLog final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Show || watched->objectName() != QLatin1String(platform::kProgressWindowName))
            return false;
        const auto* window = qobject_cast<const QWidget*>(watched);
        const auto* what =
            window ? window->findChild<const QLabel*>(QLatin1String(platform::kProgressWhatName)) : nullptr;
        if (window && what) AppendLog(QStringLiteral("PROGRESS\t%1\t%2").arg(window->windowTitle(), what->text()));
        return false;
    }
};

}  // namespace

void InstallTestSeamsFromEnvironment() {
    if (qEnvironmentVariable("VXMOX_INSTANT_WAITS") == QLatin1String("1")) {
        SetInstantWaits(true);
        static InstantClock clock;
        platform::SetClock(&clock);
    }
    if (!LogPath().isEmpty()) {
        const QString script = qEnvironmentVariable("VXMOX_MSGBOX_ANSWERS");
        for (const QString& a : script.split(QLatin1Char(','), Qt::SkipEmptyParts))
            ScriptedAnswers().push_back(a.toInt());
        const bool scripted = !ScriptedAnswers().empty();
        platform::SetMsgBoxResponder([scripted](const platform::ShownBox& box) {
            int answer = platform::DefaultAnswer(box.style);
            bool endRun = false;
            if (!ScriptedAnswers().empty()) {
                answer = ScriptedAnswers().front();
                ScriptedAnswers().pop_front();
            } else if (scripted || answer == platform::kRetry) {
                answer = CancelLikeAnswer(box.style);
                endRun = true;
            }
            AppendLog(
                QStringLiteral("MSGBOX\t%1\t%2\t%3\t%4").arg(box.caption).arg(box.style).arg(answer).arg(box.prompt));
            if (endRun) EndRunWithoutAnswer();
            return answer;
        });
        AnswerFileDialogsFromScript();
        QCoreApplication::instance()->installEventFilter(new ProgressWindowLog(QCoreApplication::instance()));
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
