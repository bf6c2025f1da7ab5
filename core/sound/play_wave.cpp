#include "core/sound/play_wave.h"

#include "core/settings.h"
#include "core/sound/server_output.h"
#include "core/sound/sound_devices.h"
#include "core/sound/wave_file.h"
#include "platform/clock.h"

#include <QCoreApplication>
#include <QPointer>
#include <cmath>
#include <limits>

namespace mox {
namespace {

QPointer<PFrmPlayWave>& Installed() {
    static QPointer<PFrmPlayWave> window;
    return window;
}

}  // namespace

bool IsClipEntry(const QString& entry) { return entry.right(4).toLower() == QLatin1String(".wav"); }

bool PauseOfEntry(const QString& entry, int& milliseconds) {
    bool ok = false;
    const double value = entry.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value)) return false;
    const double rounded = std::nearbyint(value);  // halves to even
    // A pause of 0 would stop the timer with entries still waiting, and a
    // negative or huge one is no time at all: those take the plain step.
    if (rounded < 1 || rounded > double(std::numeric_limits<int>::max()))
        milliseconds = PFrmPlayWave::kStepMs;
    else
        milliseconds = int(rounded);
    return true;
}

PFrmPlayWave::PFrmPlayWave(std::unique_ptr<ClipOutput> output, std::unique_ptr<TickSource> ticks, QObject* parent)
    : QObject(parent), output_(std::move(output)), ticks_(std::move(ticks)) {
    setObjectName(QStringLiteral("PlayWaveFileVX"));
    if (!output_) output_ = std::make_unique<ServerClipOutput>();
    if (!ticks_) ticks_ = std::make_unique<QtTickSource>();
    ticks_->SetHandler([this] { TimerPlay_Timer(); });
}

PFrmPlayWave::~PFrmPlayWave() {
    ticks_->SetHandler(nullptr);
    ticks_->SetInterval(0);
}

void PFrmPlayWave::EmptyQueue() {
    queue_.fill(QString());
    writeIndex_ = 0;
    readIndex_ = 0;
    upperIndex_ = kQueueUpper;
    count_ = 0;
    busy_ = false;
}

void PFrmPlayWave::Form_Load() {
    EmptyQueue();
    SetDirectSound();
}

void PFrmPlayWave::Form_Unload() {
    ticks_->SetInterval(0);
    output_->Close();
    deviceOpen_ = false;
    platform::ProcessEvents();
    platform::Wait(500);
}

void PFrmPlayWave::SetDirectSound() {
    const SoundDeviceList& devices = output_->Devices();
    EnumMixerDevices(devices, playbackNames_, recordingNames_);
    QString recordingName;
    FindPlaybackMixer(devices, preferredPlayback_, recordingName);
    // Opened even when no output is listed now: a speaker plugged in later
    // is heard, and while none exists every request is dropped anyway.
    output_->Close();
    deviceOpen_ = output_->Open();
}

bool PFrmPlayWave::HasPlaybackDevice() const {
    const SoundDeviceList& devices = output_->Devices();
    return !devices.Known() || !devices.Outputs().isEmpty();
}

void PFrmPlayWave::StockWaveFile(const QString& entry) {
    if (!HasPlaybackDevice()) return;
    if (count_ < kMaxWaiting) {
        queue_[writeIndex_] = entry;
        writeIndex_ = writeIndex_ < upperIndex_ ? writeIndex_ + 1 : 0;
        ++count_;
    }
    if (ticks_->Interval() == 0) ticks_->SetInterval(kStepMs);
}

void PFrmPlayWave::ClearWaveFile() {
    ticks_->SetInterval(0);
    EmptyQueue();
    output_->Stop();
}

void PFrmPlayWave::TimerPlay_Timer() { PlayNextWave(); }

int PFrmPlayWave::TakeEntry(const QString& entry) {
    if (IsClipEntry(entry)) {
        // A missing or broken file, or one the device refuses, plays nothing
        // and is passed over in one step.
        if (!deviceOpen_) return kStepMs;
        const std::optional<WaveClip> clip = ReadWaveFile(entry);
        if (!clip || !output_->Play(*clip)) return kStepMs;
        return ClipHoldMs(clip->fileSize, clip->format.avgBytesPerSec);
    }
    int pause = kStepMs;
    if (PauseOfEntry(entry, pause)) return pause;
    return kStepMs;
}

void PFrmPlayWave::PlayNextWave() {
    // Entries were queued while an output existed; should it go meanwhile,
    // they play nothing and the timer still stops when they are taken.
    if (busy_) return;
    busy_ = true;
    if (count_ < 1) {
        ticks_->SetInterval(0);
        busy_ = false;
        return;
    }
    // Other handlers may queue entries here; a tick meanwhile finds busy set.
    platform::ProcessEvents();
    if (count_ < 1) {  // emptied meanwhile
        busy_ = false;
        return;
    }
    const QString entry = queue_[readIndex_];
    const int interval = TakeEntry(entry);
    queue_[readIndex_].clear();
    readIndex_ = readIndex_ < upperIndex_ ? readIndex_ + 1 : 0;
    --count_;
    ticks_->SetInterval(interval);
    platform::ProcessEvents();
    busy_ = false;
}

PFrmPlayWave& PlayWaveWindow() {
    QPointer<PFrmPlayWave>& window = Installed();
    if (!window) {
        QCoreApplication* app = QCoreApplication::instance();
        window = new PFrmPlayWave(nullptr, nullptr, app);
        static bool releasedAtQuit = false;
        if (app && !releasedAtQuit) {
            // The output's thread is stopped while the application still
            // stands, not from a static destructor after it.
            QObject::connect(app, &QCoreApplication::aboutToQuit, app, [] { SetPlayWaveWindow(nullptr); });
            releasedAtQuit = true;
        }
        window->Form_Load();
    }
    return *window;
}

void LoadPlayWaveWindow() { PlayWaveWindow(); }

bool PlayWaveWindowLoaded() { return !Installed().isNull(); }

void SetPlayWaveWindow(std::unique_ptr<PFrmPlayWave> window) {
    QPointer<PFrmPlayWave>& installed = Installed();
    delete installed.data();
    installed = nullptr;
    if (!window) return;
    window->setParent(QCoreApplication::instance());
    installed = window.release();
}

void PlayWave(const QString& name) {
    if (!G().SoundOn) return;
    const QString entry = name.isEmpty() ? QString() : G().ProgramDir + QStringLiteral("/wave/") + name;
    PlayWaveWindow().StockWaveFile(entry);
}

}  // namespace mox
