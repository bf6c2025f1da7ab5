#pragma once
// Which sound devices the computer has and which playback device is
// preferred. The sound window asks once, when it loads: a playback list that
// is not empty is its test that any output exists, and the preferred name
// picks the output by the start of its description (the default otherwise).
// The devices come from a list behind a seam; tests install a fixed one.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace mox {

struct SoundDevice {
    QByteArray id;        // what the output opens the device by
    QString description;  // the name the user sees
};

class SoundDeviceList {
public:
    virtual ~SoundDeviceList() = default;
    virtual QList<SoundDevice> Outputs() const = 0;
    virtual QList<SoundDevice> Inputs() const = 0;
};

// The devices of the sound server, as Qt Multimedia lists them.
class QtSoundDeviceList : public SoundDeviceList {
public:
    QList<SoundDevice> Outputs() const override;
    QList<SoundDevice> Inputs() const override;
};

// The list every routine uses; Qt's by default.
SoundDeviceList& CurrentSoundDevices();
// Replaces the list (nullptr restores Qt's). The caller keeps ownership.
void SetSoundDevices(SoundDeviceList* devices);

// Description prefixes that mark the preferred devices (names of the
// speakers and microphone endpoints on a Japanese desktop).
inline constexpr const char* kPlaybackPrefix = "スピーカー";
inline constexpr const char* kRecordingPrefix = "マイク";

// Fills the names of the playback and recording devices, trimmed, in the
// order the server lists them. Returns True when neither kind was found.
bool EnumMixerDevices(QStringList& playbackNames, QStringList& recordingNames);

// Gives the preferred playback and recording device names ("" when none).
// Returns True when either name was not found.
bool FindPlaybackMixer(QString& playbackName, QString& recordingName);

// The output whose trimmed description begins with preferredName, compared
// exactly; an empty id (the default output) when the name is empty or no
// output matches.
QByteArray ChooseOutputDevice(const QString& preferredName);

}  // namespace mox
