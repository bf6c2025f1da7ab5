// Plays real clips through Qt Multimedia to a private PulseAudio server with
// a null sink, started by the test itself and ended at its close. Qt connects
// to the sound server once per process, so one server serves every test here.

#include "core/settings.h"
#include "core/sound/play_wave.h"
#include "core/sound/sound_devices.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <csignal>

using namespace mox;

namespace {

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
                                "--load=module-native-protocol-unix",
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

// Waits, bounded, for a signal count: the one place in the tests that lets
// real time pass, for real audio to play.
bool WaitFor(QSignalSpy& spy, int count, int timeoutMs = 15000) {
    QDeadlineTimer deadline(timeoutMs);
    while (spy.count() < count && !deadline.hasExpired()) spy.wait(100);
    return spy.count() >= count;
}

class SoundRealPlayback : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        server_ = new PrivateSoundServer;
        whyNot_ = new QString(server_->Start());
    }
    static void TearDownTestSuite() {
        SetPlayWaveWindow(nullptr);
        delete server_;
        delete whyNot_;
    }
    void SetUp() override {
        if (!whyNot_->isEmpty()) MOX_COMPONENT_MISSING(whyNot_->toStdString());
    }

    static PrivateSoundServer* server_;
    static QString* whyNot_;
};

PrivateSoundServer* SoundRealPlayback::server_ = nullptr;
QString* SoundRealPlayback::whyNot_ = nullptr;

TEST_F(SoundRealPlayback, QtListsTheNullSinkAndAClipPlaysToItsEnd) {
    QStringList playback, recording;
    EnumMixerDevices(playback, recording);
    ASSERT_TRUE(playback.contains("TestSink")) << playback.join(", ").toStdString();

    QtClipOutput output;
    ASSERT_TRUE(output.Open(ChooseOutputDevice(QString())));
    EXPECT_EQ(output.Device().description(), "TestSink");

    const auto clip = ReadWaveFile(test::ProgramDir() + "/wave/1.wav");
    ASSERT_TRUE(clip);
    QSignalSpy finished(&output, &QtClipOutput::ClipFinished);
    ASSERT_TRUE(output.Play(*clip));
    ASSERT_TRUE(WaitFor(finished, 1));
    EXPECT_GE(finished[0][0].toLongLong() + 2000, clip->DurationUs()) << "played to its end";
    EXPECT_EQ(finished[0][1].toLongLong(), clip->DurationUs());
}

TEST_F(SoundRealPlayback, PlayWaveClipsFinishOneAfterAnotherAndTheQueueStops) {
    const QString savedDir = G().ProgramDir;
    G().ProgramDir = test::ProgramDir();
    G().SoundOn = true;
    SetPlayWaveWindow(nullptr);
    LoadPlayWaveWindow();
    PFrmPlayWave& window = PlayWaveWindow();
    ASSERT_TRUE(window.DeviceOpen());
    auto* output = dynamic_cast<QtClipOutput*>(&window.Output());
    ASSERT_NE(output, nullptr);
    QSignalSpy finished(output, &QtClipOutput::ClipFinished);

    PlayWave("click1.wav");
    PlayWave("12.wav");
    ASSERT_TRUE(WaitFor(finished, 2));
    const auto click = ReadWaveFile(test::ProgramDir() + "/wave/click1.wav");
    const auto twelve = ReadWaveFile(test::ProgramDir() + "/wave/12.wav");
    ASSERT_TRUE(click && twelve);
    EXPECT_EQ(finished[0][1].toLongLong(), click->DurationUs()) << "the first clip ended first";
    EXPECT_EQ(finished[1][1].toLongLong(), twelve->DurationUs());

    QDeadlineTimer deadline(5000);
    while (window.TimerInterval() != 0 && !deadline.hasExpired())
        QThread::msleep(10), QCoreApplication::processEvents();
    EXPECT_EQ(window.Count(), 0);
    EXPECT_EQ(window.TimerInterval(), 0) << "the timer stops itself when the queue is empty";

    SetPlayWaveWindow(nullptr);
    G().ProgramDir = savedDir;
}

TEST_F(SoundRealPlayback, QuittingWhileAClipSoundsReleasesTheWindowCleanly) {
    G().ProgramDir = test::ProgramDir();
    G().SoundOn = true;
    SetPlayWaveWindow(nullptr);
    LoadPlayWaveWindow();
    ASSERT_TRUE(PlayWaveWindow().DeviceOpen());
    PlayWave("16.wav");
    PlayWave("subetenashi.wav");

    // Let the first clip start, then end the event loop as the program does.
    QTimer::singleShot(300, QCoreApplication::instance(), [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
    EXPECT_FALSE(PlayWaveWindowLoaded());
}

}  // namespace
