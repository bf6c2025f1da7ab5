#include "core/sound/sound_devices.h"

#include <QAudioDevice>
#include <QMediaDevices>

namespace mox {
namespace {

QList<SoundDevice> FromQt(const QList<QAudioDevice>& devices) {
    QList<SoundDevice> list;
    list.reserve(devices.size());
    for (const QAudioDevice& d : devices) list.append({d.id(), d.description()});
    return list;
}

SoundDeviceList*& Installed() {
    static SoundDeviceList* devices = nullptr;
    return devices;
}

}  // namespace

QList<SoundDevice> QtSoundDeviceList::Outputs() const { return FromQt(QMediaDevices::audioOutputs()); }
QList<SoundDevice> QtSoundDeviceList::Inputs() const { return FromQt(QMediaDevices::audioInputs()); }

SoundDeviceList& CurrentSoundDevices() {
    static QtSoundDeviceList qtDevices;
    return Installed() ? *Installed() : qtDevices;
}

void SetSoundDevices(SoundDeviceList* devices) { Installed() = devices; }

bool EnumMixerDevices(QStringList& playbackNames, QStringList& recordingNames) {
    playbackNames.clear();
    recordingNames.clear();
    const SoundDeviceList& devices = CurrentSoundDevices();
    for (const SoundDevice& d : devices.Outputs()) playbackNames.append(d.description.trimmed());
    for (const SoundDevice& d : devices.Inputs()) recordingNames.append(d.description.trimmed());
    return playbackNames.isEmpty() && recordingNames.isEmpty();
}

bool FindPlaybackMixer(QString& playbackName, QString& recordingName) {
    playbackName.clear();
    recordingName.clear();
    const QString playbackPrefix = QString::fromUtf8(kPlaybackPrefix);
    const QString recordingPrefix = QString::fromUtf8(kRecordingPrefix);
    const SoundDeviceList& devices = CurrentSoundDevices();
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

QByteArray ChooseOutputDevice(const QString& preferredName) {
    if (preferredName.isEmpty()) return {};
    for (const SoundDevice& d : CurrentSoundDevices().Outputs())
        if (d.description.trimmed().startsWith(preferredName, Qt::CaseSensitive)) return d.id;
    return {};
}

}  // namespace mox
