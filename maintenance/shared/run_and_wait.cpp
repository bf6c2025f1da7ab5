#include "maintenance/shared/run_and_wait.h"

#include "platform/clock.h"

#include <QProcess>

namespace mox {

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
        if (clock.MonotonicMs() - started >= options.timeoutMs) {
            process.kill();
            process.waitForFinished(5000);
            if (output) *output += process.readAll();
            return kRunTimedOut;
        }
        if (output) *output += process.readAll();
        platform::Wait(options.pollMs);
    }
    if (output) *output += process.readAll();
    if (process.exitStatus() == QProcess::CrashExit) return kRunCrashed;
    return process.exitCode();
}

}  // namespace mox
