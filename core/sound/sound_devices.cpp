#include "core/sound/sound_devices.h"

namespace mox {

bool EnumMixerDevices(const SoundDeviceList& devices, QStringList& playbackNames, QStringList& recordingNames) {
    playbackNames.clear();
    recordingNames.clear();
    for (const SoundDevice& d : devices.Outputs()) playbackNames.append(d.description.trimmed());
    for (const SoundDevice& d : devices.Inputs()) recordingNames.append(d.description.trimmed());
    return playbackNames.isEmpty() && recordingNames.isEmpty();
}

bool FindPlaybackMixer(const SoundDeviceList& devices, QString& playbackName, QString& recordingName) {
    playbackName.clear();
    recordingName.clear();
    const QString playbackPrefix = QString::fromUtf8(kPlaybackPrefix);
    const QString recordingPrefix = QString::fromUtf8(kRecordingPrefix);
    // One scan over every device; a later match replaces an earlier one
    // until both names are known.
    const QList<SoundDevice> all = devices.Outputs() + devices.Inputs();
    for (const SoundDevice& d : all) {
        if (d.description.startsWith(playbackPrefix))
            playbackName = d.description.trimmed();
        else if (d.description.startsWith(recordingPrefix))
            recordingName = d.description.trimmed();
        if (!playbackName.isEmpty() && !recordingName.isEmpty()) break;
    }
    return playbackName.isEmpty() || recordingName.isEmpty();
}

QByteArray ChooseOutputDevice(const SoundDeviceList& devices, const QString& preferredName) {
    if (preferredName.isEmpty()) return {};
    for (const SoundDevice& d : devices.Outputs())
        if (d.description.trimmed().startsWith(preferredName, Qt::CaseSensitive)) return d.id;
    return {};
}

QByteArray PreferredOutputDevice(const SoundDeviceList& devices) {
    QString playback, recording;
    FindPlaybackMixer(devices, playback, recording);
    return ChooseOutputDevice(devices, playback);
}

}  // namespace mox
