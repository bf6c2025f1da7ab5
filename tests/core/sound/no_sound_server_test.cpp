// With no sound server there is no output: the real window loads, lists
// nothing, and drops every request without an error.

#include "core/settings.h"
#include "core/sound/play_wave.h"
#include "core/sound/sound_devices.h"
#include "tests/core/sound/wave_writer.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

using namespace mox;

TEST(SoundWithoutServer, NothingIsListedQueuedOrPlayed) {
    test::Sandbox box;
    // Point the client at a server that does not exist, and let it start none.
    ASSERT_TRUE(test::WriteFile(box.Path() + "/client.conf", "autospawn = no\n"));
    qputenv("PULSE_CLIENTCONFIG", (box.Path() + "/client.conf").toLocal8Bit());
    qputenv("PULSE_SERVER", ("unix:" + box.Path() + "/no-such-server").toLocal8Bit());

    QStringList playback, recording;
    EXPECT_TRUE(EnumMixerDevices(playback, recording));

    SetPlayWaveWindow(nullptr);
    LoadPlayWaveWindow();
    EXPECT_FALSE(PlayWaveWindow().HasPlaybackDevice());
    G().ProgramDir = test::ProgramDir();
    G().SoundOn = true;
    PlayWave("1.wav");
    EXPECT_EQ(PlayWaveWindow().Count(), 0);
    EXPECT_EQ(PlayWaveWindow().TimerInterval(), 0);
    SetPlayWaveWindow(nullptr);

    qunsetenv("PULSE_SERVER");
    qunsetenv("PULSE_CLIENTCONFIG");
}
