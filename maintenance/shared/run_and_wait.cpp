#include "maintenance/shared/run_and_wait.h"

#include "platform/clock.h"

#include <QProcess>

#include <signal.h>
#include <unistd.h>

namespace mox {

namespace {

// Ends the program and everything it started in its group.
void EndGroup(QProcess& process) {
    const qint64 pid = process.processId();
    if (pid > 0) ::kill(-static_cast<pid_t>(pid), SIGKILL);
    process.kill();
    process.waitForFinished(5000);
}

}  // namespace

int RunAndWait(const QString& program, const QStringList& arguments, const RunOptions& options, QByteArray* output) {
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    if (!options.workingDirectory.isEmpty()) process.setWorkingDirectory(options.workingDirectory);
    process.setProcessEnvironment(options.environment);
    if (output) {
        process.setProcessChannelMode(QProcess::MergedChannels);
    } else {
        process.setProcessChannelMode(QProcess::ForwardedChannels);
    }
    process.setChildProcessModifier([] { ::setpgid(0, 0); });
    process.start(QIODevice::ReadWrite);
    if (!process.waitForStarted(30000)) return kRunNotStarted;
    if (!options.standardInput.isEmpty()) process.write(options.standardInput);
    process.closeWriteChannel();

    platform::Clock& clock = platform::CurrentClock();
    const qint64 started = clock.MonotonicMs();
    // A short look at the process, then a wait on the clock: with the real
    // clock the windows repaint meanwhile; a test clock moves time on.
    constexpr int kLookMs = 5;
    while (!process.waitForFinished(kLookMs)) {
        if (process.state() == QProcess::NotRunning) break;
        const bool cancelled = options.cancelled && options.cancelled();
        if (cancelled || clock.MonotonicMs() - started >= options.timeoutMs) {
            EndGroup(process);
            if (output) *output += process.readAll();
            return cancelled ? kRunCancelled : kRunTimedOut;
        }
        if (output) *output += process.readAll();
        platform::Wait(options.pollMs);
    }
    if (output) *output += process.readAll();
    if (process.exitStatus() == QProcess::CrashExit) return kRunCrashed;
    return process.exitCode();
}

}  // namespace mox
