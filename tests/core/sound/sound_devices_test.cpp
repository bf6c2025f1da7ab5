#include "core/sound/sound_devices.h"

#include <gtest/gtest.h>

using namespace mox;

namespace {
const QString kSpeakers = QStringLiteral("スピーカー");
const QString kMic = QStringLiteral("マイク");
}  // namespace

TEST(SoundDevices, ListsPlaybackAndRecordingNamesTrimmed) {
    ListedSoundDevices devices;
    devices.outputs = {{"hdmi", "  HDMI Output "}, {"usb", "USB Headset"}};
    devices.inputs = {{"mic", " Built-in Microphone"}};

    QStringList playback, recording;
    EXPECT_FALSE(EnumMixerDevices(devices, playback, recording));
    EXPECT_EQ(playback, (QStringList{"HDMI Output", "USB Headset"}));
    EXPECT_EQ(recording, QStringList{"Built-in Microphone"});

    devices.outputs.clear();
    EXPECT_FALSE(EnumMixerDevices(devices, playback, recording)) << "a recording device alone still counts";
    EXPECT_TRUE(playback.isEmpty());
}

TEST(SoundDevices, AComputerWithoutDevicesReportsNoneFound) {
    ListedSoundDevices devices;
    QStringList playback{"stale"}, recording{"stale"};
    EXPECT_TRUE(EnumMixerDevices(devices, playback, recording));
    EXPECT_TRUE(playback.isEmpty());
    EXPECT_TRUE(recording.isEmpty());

    QString play = "x", rec = "y";
    EXPECT_TRUE(FindPlaybackMixer(devices, play, rec));
    EXPECT_TRUE(play.isEmpty());
    EXPECT_TRUE(rec.isEmpty());
    EXPECT_TRUE(ChooseOutputDevice(devices, QString()).isEmpty());
}

TEST(SoundDevices, PreferredNamesComeFromSpeakerAndMicrophonePrefixes) {
    ListedSoundDevices devices;
    devices.outputs = {{"a", "Line Out"}, {"b", kSpeakers + " (Realtek) "}};
    devices.inputs = {{"c", kMic + " (Realtek)"}, {"d", kSpeakers + " (late)"}};

    QString play, rec;
    EXPECT_FALSE(FindPlaybackMixer(devices, play, rec));
    EXPECT_EQ(play, kSpeakers + " (Realtek)");
    EXPECT_EQ(rec, kMic + " (Realtek)");
    // The scan stopped when the pair was complete: the later speaker was not seen.
}

TEST(SoundDevices, ALaterSpeakerReplacesAnEarlierOneWhileTheScanGoesOn) {
    ListedSoundDevices devices;
    devices.outputs = {{"a", kSpeakers + " A"}, {"b", kSpeakers + " B"}};

    QString play, rec;
    EXPECT_TRUE(FindPlaybackMixer(devices, play, rec)) << "no microphone found";
    EXPECT_EQ(play, kSpeakers + " B");
    EXPECT_TRUE(rec.isEmpty());
}

TEST(SoundDevices, OutputIsChosenByDescriptionPrefixElseTheDefault) {
    ListedSoundDevices devices;
    devices.outputs = {{"hdmi", "HDMI"}, {"spk1", "  " + kSpeakers + " (USB)"}, {"spk2", kSpeakers + " (USB) 2"}};

    EXPECT_EQ(ChooseOutputDevice(devices, kSpeakers + " (USB)"), QByteArray("spk1"))
        << "first match, description trimmed";
    EXPECT_EQ(ChooseOutputDevice(devices, "HDMI"), QByteArray("hdmi"));
    EXPECT_TRUE(ChooseOutputDevice(devices, "hdmi").isEmpty()) << "the comparison is exact";
    EXPECT_TRUE(ChooseOutputDevice(devices, "Bluetooth").isEmpty());
    EXPECT_TRUE(ChooseOutputDevice(devices, QString()).isEmpty());
}

TEST(SoundDevices, AStreamGoesToThePreferredSpeakerWhileOneIsListedElseToTheDefault) {
    ListedSoundDevices devices;
    devices.outputs = {{"hdmi", "HDMI"}, {"usb", kSpeakers + " (USB)"}};
    EXPECT_EQ(PreferredOutputDevice(devices), QByteArray("usb"));
    devices.outputs.removeLast();
    EXPECT_TRUE(PreferredOutputDevice(devices).isEmpty()) << "unplugged: the server's default";
    devices.inputs = {{"usb-in", kSpeakers + " (USB)"}};
    EXPECT_TRUE(PreferredOutputDevice(devices).isEmpty()) << "an input of that name is no output";
}
