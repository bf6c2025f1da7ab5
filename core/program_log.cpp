#include "core/program_log.h"

#include "core/settings.h"
#include "platform/atomic_file.h"
#include "platform/clock.h"

#include <QFile>
#include <QFileInfo>

namespace mox {

namespace {

QString Stamp() { return platform::CurrentClock().Now().toString(QStringLiteral("yyyy/MM/dd HH:mm")); }

// A text of several lines as one line of the log.
QString OneLine(QString text) {
    return text.replace(QStringLiteral("\r\n"), QStringLiteral(" "))
        .replace(QLatin1Char('\n'), QLatin1Char(' '))
        .replace(QLatin1Char('\r'), QLatin1Char(' '));
}

}  // namespace

// No program folder, no log: a routine used outside a program (a test)
// writes nowhere rather than into the root folder.
QString LogPath() { return G().ProgramDir.isEmpty() ? QString() : G().ProgramDir + QStringLiteral("/Log_MOX.txt"); }

void WriteLog(const QString& text, int stampFlag) {
    const QString log = LogPath();
    if (log.isEmpty()) return;
    const QFileInfo info(log);
    if (info.exists() && info.size() > kLogRotateAbove) {
        const QString kept = G().ProgramDir + QStringLiteral("/Log_MOX_") +
                             platform::CurrentClock().Now().toString(QStringLiteral("yyyyMMdd")) +
                             QStringLiteral(".txt");
        // The log is emptied only once its copy exists: a failed copy keeps
        // the lines in the growing file rather than losing them.
        if (!platform::CopyFileAtomically(log, kept)) ClearLog();
    }
    AppendLog(stampFlag == 1 ? Stamp() + QLatin1Char(' ') + text : text, 0);
}

void ClearLog() {
    if (LogPath().isEmpty()) return;
    QFile file(LogPath());
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) file.close();
}

void AppendLog(const QString& line, int stampFlag) {
    if (LogPath().isEmpty()) return;
    QFile file(LogPath());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) return;
    const QString text = stampFlag == 1 ? Stamp() + QLatin1Char(' ') + line : line;
    file.write(text.toUtf8() + "\r\n");
}

void LogFailure(const QString& what, const QString& cause) {
    WriteLog(what + QStringLiteral("：") + OneLine(cause), 1);
}

void LogFailure(const Failure& failure) {
    if (!failure.detail.isEmpty()) LogFailure(OneLine(FailureText(failure)), failure.detail);
}

}  // namespace mox
