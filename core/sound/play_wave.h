#pragma once
// The sound window: a queue of clips that plays them one after another, so
// that a value spoken on entry never cuts off the one before it. Callers queue
// a clip by its file name with PlayWave and never wait for it; the window's
// timer takes one entry per tick and holds the queue for the clip's length
// (from its RIFF header) plus 50 ms.
//
// Entries are texts: a clip (ending in ".wav" in any case; the full path), a
// pause (a number: milliseconds), or anything else, which takes a 5 ms step.
// The window has no widget: it is never shown, and the sound server needs no
// window handle. It is created once and lives until the application object
// is destroyed.

#include "core/sound/clip_output.h"
#include "core/sound/tick_source.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <array>
#include <memory>

namespace mox {

class PFrmPlayWave : public QObject {
    Q_OBJECT
public:
    static constexpr int kQueueUpper = 100;  // slots 0..100
    static constexpr int kMaxWaiting = 100;  // a request is taken while fewer wait
    static constexpr int kStepMs = 5;

    // Null arguments give the real timer and the sound server's output.
    explicit PFrmPlayWave(std::unique_ptr<ClipOutput> output = nullptr, std::unique_ptr<TickSource> ticks = nullptr,
                          QObject* parent = nullptr);
    ~PFrmPlayWave() override;

    // Empties the queue and chooses the output device.
    void Form_Load();
    // Stops the timer and lets go of the device; waits 500 ms for the
    // sound server to settle.
    void Form_Unload();

    // Queues one entry and starts the timer. Dropped when the sound server
    // lists no output device or 100 entries wait already.
    void StockWaveFile(const QString& entry);
    // Empties the queue, stops the timer and the clip that plays last.
    void ClearWaveFile();
    // Lists the devices and opens the output (which plays to the preferred
    // device, else the default, each time it starts after a pause).
    void SetDirectSound();

    int Count() const { return count_; }
    int TimerInterval() const { return ticks_->Interval(); }
    // The test every request makes: an output device exists, or none is
    // known not to (while no sound server answers, requests are queued and
    // each clip makes the output look for the server).
    bool HasPlaybackDevice() const;
    // The output could be opened; without it clips take a 5 ms step.
    bool DeviceOpen() const { return deviceOpen_; }
    // The names listed at load (none while the server had not answered yet).
    const QStringList& PlaybackNames() const { return playbackNames_; }
    const QString& PreferredPlayback() const { return preferredPlayback_; }
    ClipOutput& Output() { return *output_; }

private:
    void TimerPlay_Timer();
    void PlayNextWave();
    void EmptyQueue();
    int TakeEntry(const QString& entry);

    std::unique_ptr<ClipOutput> output_;
    std::unique_ptr<TickSource> ticks_;
    std::array<QString, kQueueUpper + 1> queue_{};
    int writeIndex_ = 0;
    int readIndex_ = 0;
    int upperIndex_ = kQueueUpper;
    int count_ = 0;
    bool busy_ = false;
    bool deviceOpen_ = false;
    QStringList playbackNames_;
    QStringList recordingNames_;
    QString preferredPlayback_;
};

// What kind of entry a queued text is.
bool IsClipEntry(const QString& entry);
// The pause of a numeric entry in milliseconds; false when it is not numeric.
bool PauseOfEntry(const QString& entry, int& milliseconds);

// The program's sound window, created and loaded on first use.
PFrmPlayWave& PlayWaveWindow();
// Creates and loads the sound window at start-up (does nothing when loaded).
void LoadPlayWaveWindow();
// Installs a window (tests: one built on fakes, already loaded); nullptr
// destroys the installed one without unloading it.
void SetPlayWaveWindow(std::unique_ptr<PFrmPlayWave> window);
bool PlayWaveWindowLoaded();

// Queues the clip "<program folder>/wave/<name>" while sound is on
// (G().SoundOn); an empty name queues an empty step.
void PlayWave(const QString& name);

}  // namespace mox
