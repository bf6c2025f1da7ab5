#pragma once
// A private PulseAudio server with a null sink, started by a test and ended
// with it. The test process (and every child it starts afterwards) reaches it
// through PULSE_SERVER; Qt connects to the sound server once per process, so
// the server must run before the first Qt Multimedia call.

#include <sys/prctl.h>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>

namespace mox::test {

class PrivateSoundServer {
public:
    // Empty when the server runs; otherwise why it could not start.
    QString Start() {
        const QString program = QStandardPaths::findExecutable("pulseaudio");
        if (program.isEmpty()) return "pulseaudio is not installed";
        if (!dir_.isValid()) return "no temporary folder";
        const QString runtime = dir_.filePath("runtime");
        const QString home = dir_.filePath("home");
        QDir().mkpath(runtime);
        QDir().mkpath(home);
        QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", runtime);
        env.insert("HOME", home);
        env.remove("PULSE_SERVER");
        server_.setProcessEnvironment(env);
        server_.setProcessChannelMode(QProcess::MergedChannels);
        // Should the test die, the server goes with it.
        server_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        // Not daemonized, so that the test owns the process and ends it by
        // its own handle. As root it must not run as the system instance.
        server_.start(program, {"-n", "--daemonize=no", "--system=no", "--exit-idle-time=-1", "--use-pid-file=no",
                                "--realtime=no", "--high-priority=no", "--log-target=stderr",
                                "--load=module-native-protocol-unix auth-anonymous=1",
                                "--load=module-null-sink sink_name=test_null "
                                "sink_properties=device.description=TestSink"});
        if (!server_.waitForStarted(5000)) return "pulseaudio did not start: " + server_.errorString();

        socket_ = runtime + "/pulse/native";
        QDeadlineTimer deadline(10000);
        while (!QFileInfo::exists(socket_)) {
            if (server_.state() == QProcess::NotRunning)
                return "pulseaudio ended: " + QString::fromLocal8Bit(server_.readAll());
            if (deadline.hasExpired()) return "pulseaudio made no socket in 10 s";
            QThread::msleep(20);
        }
        qputenv("PULSE_SERVER", ("unix:" + socket_).toLocal8Bit());
        qputenv("PULSE_COOKIE", (home + "/.config/pulse/cookie").toLocal8Bit());
        return {};
    }

    bool Running() const { return server_.state() == QProcess::Running; }

    ~PrivateSoundServer() {
        qunsetenv("PULSE_SERVER");
        qunsetenv("PULSE_COOKIE");
        if (server_.state() == QProcess::NotRunning) return;
        server_.terminate();
        if (!server_.waitForFinished(5000)) {
            server_.kill();
            server_.waitForFinished(5000);
        }
    }

private:
    QTemporaryDir dir_;
    QProcess server_;
    QString socket_;
};

}  // namespace mox::test
