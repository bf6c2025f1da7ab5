// With no sound server, whether an output exists is not known: the real
// window queues requests without an error, each clip makes the output look
// for a server (none answers), and the timer stops itself when the queue is
// empty.

#include "core/settings.h"
#include "core/sound/play_wave.h"
#include "tests/core/sound/wave_writer.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>

using namespace mox;

TEST(SoundWithoutServer, RequestsAreQueuedPlayNothingAndTheTimerStops) {
    test::Sandbox box;
    // Point the client at a server that does not exist, and let it start none.
    ASSERT_TRUE(test::WriteFile(box.Path() + "/client.conf", "autospawn = no\n"));
    qputenv("PULSE_CLIENTCONFIG", (box.Path() + "/client.conf").toLocal8Bit());
    qputenv("PULSE_SERVER", ("unix:" + box.Path() + "/no-such-server").toLocal8Bit());
    G().ProgramDir = test::ProgramDir();
    G().SoundOn = true;

    SetPlayWaveWindow(nullptr);
    LoadPlayWaveWindow();
    PFrmPlayWave& window = PlayWaveWindow();
    EXPECT_TRUE(window.HasPlaybackDevice());
    EXPECT_TRUE(window.DeviceOpen());
    QElapsedTimer queuing;
    queuing.start();
    PlayWave("1.wav");
    PlayWave("click1.wav");
    EXPECT_LT(queuing.elapsed(), 50);
    EXPECT_EQ(window.Count(), 2);

    QDeadlineTimer deadline(5000);
    while (window.TimerInterval() != 0 && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    EXPECT_EQ(window.Count(), 0);
    EXPECT_EQ(window.TimerInterval(), 0);
    EXPECT_FALSE(window.Output().Devices().Known());
    SetPlayWaveWindow(nullptr);

    qunsetenv("PULSE_SERVER");
    qunsetenv("PULSE_CLIENTCONFIG");
}
