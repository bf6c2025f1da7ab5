#pragma once
// Which sound devices the computer has and which playback device is
// preferred. A list comes from the sound server's connection of the output
// that plays the clips (tests give a fixed one); while no server answers,
// what exists is not known. The preferred playback device is the one whose
// description starts with "スピーカー" (the speakers of a Japanese desktop).

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace mox {

struct SoundDevice {
    QByteArray id;        // what the server knows the device by
    QString description;  // the name the user sees
};

class SoundDeviceList {
public:
    virtual ~SoundDeviceList() = default;
    virtual QList<SoundDevice> Outputs() const = 0;
    virtual QList<SoundDevice> Inputs() const = 0;
    // False while no sound server answers: the lists are empty then, and
    // that says nothing about the devices.
    virtual bool Known() const = 0;
};

// A list as it stood at one moment (or a test's).
class ListedSoundDevices : public SoundDeviceList {
public:
    QList<SoundDevice> Outputs() const override { return outputs; }
    QList<SoundDevice> Inputs() const override { return inputs; }
    bool Known() const override { return known; }

    QList<SoundDevice> outputs;
    QList<SoundDevice> inputs;
    bool known = true;
};

// Description prefixes that mark the preferred devices (names of the
// speakers and microphone endpoints on a Japanese desktop).
inline constexpr const char* kPlaybackPrefix = "スピーカー";
inline constexpr const char* kRecordingPrefix = "マイク";

// Fills the names of the playback and recording devices, trimmed, in the
// order the server lists them. Returns True when neither kind was found.
bool EnumMixerDevices(const SoundDeviceList& devices, QStringList& playbackNames, QStringList& recordingNames);

// Gives the preferred playback and recording device names ("" when none).
// Returns True when either name was not found.
bool FindPlaybackMixer(const SoundDeviceList& devices, QString& playbackName, QString& recordingName);

// The output whose trimmed description begins with preferredName, compared
// exactly; an empty id (the default output) when the name is empty or no
// output matches.
QByteArray ChooseOutputDevice(const SoundDeviceList& devices, const QString& preferredName);

// The output a stream opened now goes to: the preferred playback device
// while one is listed, else the empty id (the server's default output at
// that moment).
QByteArray PreferredOutputDevice(const SoundDeviceList& devices);

}  // namespace mox
