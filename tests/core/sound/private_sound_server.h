#pragma once
// A private sound server with a null sink "test_null" (description
// "TestSink"), started by a test and ended with it: PulseAudio, or PipeWire
// with WirePlumber and its PulseAudio service (the Debian desktop's stack),
// which needs a session bus of its own. The test process (and every child it
// starts afterwards) reaches it through PULSE_SERVER. The test can stop and
// continue it (a server that hangs), kill and start it again (a desktop that
// restarts it), and unload and load sinks (a speaker unplugged).

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
#include <memory>
#include <ostream>
#include <vector>

namespace mox::test {

enum class SoundServerKind { PulseAudio, PipeWire };

inline const char* NameOf(SoundServerKind kind) {
    return kind == SoundServerKind::PulseAudio ? "PulseAudio" : "PipeWire";
}
inline std::ostream& operator<<(std::ostream& out, SoundServerKind kind) { return out << NameOf(kind); }

class PrivateSoundServer {
public:
    explicit PrivateSoundServer(SoundServerKind kind = SoundServerKind::PulseAudio) : kind_(kind) {}
    PrivateSoundServer(const PrivateSoundServer&) = delete;
    PrivateSoundServer& operator=(const PrivateSoundServer&) = delete;

    ~PrivateSoundServer() {
        qunsetenv("PULSE_SERVER");
        qunsetenv("PULSE_COOKIE");
        EndAll();
    }

    SoundServerKind Kind() const { return kind_; }

    // Empty when the server runs with its null sink as the default output;
    // otherwise why it could not start. Also starts it again after Kill.
    QString Start() {
        if (!dir_.isValid()) return "no temporary folder";
        const QString runtime = dir_.filePath("runtime");
        const QString home = dir_.filePath("home");
        QDir().mkpath(runtime);
        QDir().mkpath(home);
        QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        env_ = QProcessEnvironment::systemEnvironment();
        env_.insert("XDG_RUNTIME_DIR", runtime);
        env_.insert("HOME", home);
        env_.insert("XDG_CONFIG_HOME", home + "/.config");
        env_.insert("XDG_STATE_HOME", home + "/.local/state");
        env_.remove("PULSE_SERVER");
        env_.remove("DISPLAY");
        socket_ = runtime + "/pulse/native";
        // A killed server leaves its sockets behind.
        for (const QString& stale : {socket_, runtime + "/pipewire-0", runtime + "/pipewire-0.lock"})
            QFile::remove(stale);

        const QString why = kind_ == SoundServerKind::PulseAudio ? StartPulseAudio() : StartPipeWire();
        if (!why.isEmpty()) return why;
        qputenv("PULSE_SERVER", ServerAddress().toLocal8Bit());
        qputenv("PULSE_COOKIE", (home + "/.config/pulse/cookie").toLocal8Bit());
        env_.insert("PULSE_SERVER", ServerAddress());
        if (kind_ == SoundServerKind::PipeWire) {
            // PipeWire starts without any sink; WirePlumber makes the first
            // one the default.
            if (LoadNullSink("test_null", "TestSink") < 0) return "pipewire-pulse loads no null sink";
        }
        if (!WaitForDefaultSink("test_null")) return QString(NameOf(kind_)) + " has no default sink test_null";
        return {};
    }

    QString ServerAddress() const { return "unix:" + socket_; }

    // The processes that answer a client: stopping them hangs the server.
    void Stop() { SignalAll(SIGSTOP); }
    void Continue() { SignalAll(SIGCONT); }
    // Kills the server at once, as a crash would; Start brings it back.
    void Kill() {
        for (auto it = processes_.rbegin(); it != processes_.rend(); ++it) {
            if (it->get() == bus_) continue;
            ::kill(pid_t((*it)->processId()), SIGCONT);
            (*it)->kill();
            (*it)->waitForFinished(5000);
        }
        std::erase_if(processes_, [this](const auto& p) { return p.get() != bus_; });
    }
    bool Running() const {
        for (const auto& p : processes_)
            if (p->state() != QProcess::Running) {
                return false;
            }
        return !processes_.empty();
    }

    // pactl against this server; its output, or a null string when it failed.
    QString Pactl(const QStringList& arguments, int timeoutMs = 10000) const {
        QProcess pactl;
        pactl.setProcessEnvironment(env_);
        pactl.start("pactl", arguments);
        if (!pactl.waitForFinished(timeoutMs)) {
            pactl.kill();
            pactl.waitForFinished();
            return {};
        }
        if (pactl.exitStatus() != QProcess::NormalExit || pactl.exitCode() != 0) return {};
        return QString::fromUtf8(pactl.readAllStandardOutput()) + QLatin1String("");
    }
    // Loads a null sink; its module index, or -1.
    int LoadNullSink(const QString& name, const QString& description) const {
        const QString out = Pactl({"load-module", "module-null-sink", "sink_name=" + name,
                                   "sink_properties=device.description=\"" + description + "\""});
        bool ok = false;
        const int index = out.trimmed().toInt(&ok);
        return ok ? index : -1;
    }
    bool UnloadModule(int index) const { return !Pactl({"unload-module", QString::number(index)}).isNull(); }
    // The module that made the null sink of this name, or -1.
    int ModuleOfSink(const QString& name) const {
        for (const QString& line : Pactl({"list", "short", "modules"}).split('\n')) {
            const QStringList fields = line.split('\t');
            if (fields.size() >= 3 && fields[1] == "module-null-sink" && fields[2].contains("sink_name=" + name))
                return fields[0].toInt();
        }
        return -1;
    }
    QString DefaultSink() const {
        for (const QString& line : Pactl({"info"}).split('\n'))
            if (line.startsWith("Default Sink: ")) return line.mid(14).trimmed();
        return {};
    }
    bool WaitForDefaultSink(const QString& name, int timeoutMs = 10000) const {
        QDeadlineTimer deadline(timeoutMs);
        while (DefaultSink() != name) {
            if (deadline.hasExpired()) return false;
            QThread::msleep(20);
        }
        return true;
    }
    const QProcessEnvironment& Environment() const { return env_; }

private:
    QProcess& Spawn(const QString& program, const QStringList& arguments) {
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(env_);
        process->setProcessChannelMode(QProcess::MergedChannels);
        process->setStandardOutputFile(dir_.filePath(QFileInfo(program).fileName() + ".log"), QIODevice::Append);
        // Should the test die, the server goes with it.
        process->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        process->start(program, arguments);
        process->waitForStarted(5000);
        processes_.push_back(std::move(process));
        return *processes_.back();
    }

    QString WaitForSocket() {
        QDeadlineTimer deadline(10000);
        while (!QFileInfo::exists(socket_)) {
            for (const auto& p : processes_)
                if (p->state() == QProcess::NotRunning) return p->program() + " ended: " + LogOf(p->program());
            if (deadline.hasExpired()) return "no server socket in 10 s";
            QThread::msleep(10);
        }
        return {};
    }

    QString LogOf(const QString& program) const {
        QFile log(dir_.filePath(QFileInfo(program).fileName() + ".log"));
        return log.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(log.readAll().right(2000)) : QString();
    }

    QString StartPulseAudio() {
        const QString program = QStandardPaths::findExecutable("pulseaudio");
        if (program.isEmpty()) return "pulseaudio is not installed";
        // Not daemonized, so that the test owns the process and ends it by
        // its own handle. As root it must not run as the system instance.
        const QProcess& server =
            Spawn(program,
                  {"-n", "--daemonize=no", "--system=no", "--exit-idle-time=-1", "--use-pid-file=no", "--realtime=no",
                   "--high-priority=no", "--log-target=stderr", "--load=module-native-protocol-unix auth-anonymous=1",
                   "--load=module-null-sink sink_name=test_null sink_properties=device.description=TestSink"});
        if (server.state() != QProcess::Running) return "pulseaudio did not start: " + server.errorString();
        return WaitForSocket();
    }

    QString StartPipeWire() {
        for (const char* program : {"pipewire", "wireplumber", "pipewire-pulse", "dbus-daemon", "pactl"})
            if (QStandardPaths::findExecutable(program).isEmpty()) return QString(program) + " is not installed";
        if (!bus_) {
            // WirePlumber needs a session bus; a private one, as a child of
            // the test (not forked off), so that it ends with the test. It
            // prints its address into its log.
            bus_ = &Spawn("dbus-daemon", {"--session", "--nofork", "--nopidfile", "--print-address=1"});
            QDeadlineTimer deadline(5000);
            QByteArray address;
            while (!address.contains('\n') && !deadline.hasExpired()) {
                QFile out(dir_.filePath("dbus-daemon.log"));
                if (out.open(QIODevice::ReadOnly)) address = out.readAll();
                if (!address.contains('\n')) QThread::msleep(10);
            }
            if (!address.contains('\n')) return "dbus-daemon gave no address";
            busAddress_ = QString::fromUtf8(address.left(address.indexOf('\n')));
        }
        env_.insert("DBUS_SESSION_BUS_ADDRESS", busAddress_);
        const QProcess& core = Spawn("pipewire", {});
        if (core.state() != QProcess::Running) return "pipewire did not start";
        // The session manager and the PulseAudio service connect to the core
        // once its socket is there.
        QDeadlineTimer deadline(10000);
        while (!QFileInfo::exists(dir_.filePath("runtime/pipewire-0"))) {
            if (deadline.hasExpired() || core.state() != QProcess::Running) return "pipewire made no socket";
            QThread::msleep(10);
        }
        Spawn("wireplumber", {});
        Spawn("pipewire-pulse", {});
        return WaitForSocket();
    }

    void SignalAll(int signal) {
        for (const auto& p : processes_)
            if (p.get() != bus_ && p->state() == QProcess::Running) ::kill(pid_t(p->processId()), signal);
    }

    void EndAll() {
        SignalAll(SIGCONT);
        for (auto it = processes_.rbegin(); it != processes_.rend(); ++it) {
            QProcess& p = **it;
            if (p.state() == QProcess::NotRunning) continue;
            p.terminate();
            if (!p.waitForFinished(5000)) {
                p.kill();
                p.waitForFinished(5000);
            }
        }
        processes_.clear();
        bus_ = nullptr;
    }

    SoundServerKind kind_;
    QTemporaryDir dir_;
    QProcessEnvironment env_;
    QString socket_;
    std::vector<std::unique_ptr<QProcess>> processes_;
    QProcess* bus_ = nullptr;
    QString busAddress_;
};

}  // namespace mox::test
