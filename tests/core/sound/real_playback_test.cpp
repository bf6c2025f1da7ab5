// Plays real clips through Qt Multimedia to a private PulseAudio server with
// a null sink, started by the test itself and ended at its close. Qt connects
// to the sound server once per process, so one server serves every test here.

#include "core/settings.h"
#include "core/sound/play_wave.h"
#include "core/sound/sound_devices.h"
#include "tests/core/sound/private_sound_server.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <QDeadlineTimer>
#include <QSignalSpy>
#include <QThread>
#include <QTimer>

using namespace mox;
using mox::test::PrivateSoundServer;

namespace {

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

TEST_F(SoundRealPlayback, QtListsTheNullSinkAndEveryClipPlaysToItsEnd) {
    QStringList playback, recording;
    EnumMixerDevices(playback, recording);
    ASSERT_TRUE(playback.contains("TestSink")) << playback.join(", ").toStdString();

    QtClipOutput output;
    ASSERT_TRUE(output.Open(ChooseOutputDevice(QString())));
    EXPECT_EQ(output.Device().description(), "TestSink");

    const auto one = ReadWaveFile(test::ProgramDir() + "/wave/1.wav");
    const auto click = ReadWaveFile(test::ProgramDir() + "/wave/click1.wav");
    const auto twelve = ReadWaveFile(test::ProgramDir() + "/wave/12.wav");
    ASSERT_TRUE(one && click && twelve);
    QSignalSpy finished(&output, &QtClipOutput::ClipFinished);
    const auto expectPlayedToItsEnd = [&finished](int i, const WaveClip& clip) {
        EXPECT_GE(finished[i][0].toLongLong() + 2000, clip.DurationUs()) << "clip " << i << " played to its end";
        EXPECT_EQ(finished[i][1].toLongLong(), clip.DurationUs()) << "clip " << i;
    };
    ASSERT_TRUE(output.Play(*one));
    ASSERT_TRUE(WaitFor(finished, 1));
    expectPlayedToItsEnd(0, *one);

    // A click alone, far shorter than what the server buffers before it starts
    // a stream, after the stream ran empty; then two clips at once, the second
    // after the first and not over it.
    ASSERT_TRUE(output.Play(*click));
    ASSERT_TRUE(WaitFor(finished, 2)) << "a short clip after a silence is heard";
    expectPlayedToItsEnd(1, *click);
    ASSERT_TRUE(output.Play(*click));
    ASSERT_TRUE(output.Play(*twelve));
    ASSERT_TRUE(WaitFor(finished, 4));
    expectPlayedToItsEnd(2, *click);
    expectPlayedToItsEnd(3, *twelve);

    // A stopped clip is not reported; the next one plays as before.
    ASSERT_TRUE(output.Play(*twelve));
    output.Stop();
    ASSERT_TRUE(output.Play(*one));
    ASSERT_TRUE(WaitFor(finished, 5));
    expectPlayedToItsEnd(4, *one);

    output.Close();
    EXPECT_FALSE(output.Play(*one)) << "a closed output plays nothing";
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
