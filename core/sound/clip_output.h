#pragma once
// Where the sound window sends its clips. The real output keeps one Qt audio
// sink per sample format for as long as the output is open, and feeds it clip
// after clip through a source of its own: a clip that is still sounding when
// the next one comes is played to its end first, so clips never cut each
// other off. Tests use an output that records what it was asked to play.
//
// Why: Qt 6.4's PulseAudio sink answers a source that reports its end by
// asking the server to drain the stream, and takes the server's answer on the
// server's thread, also after the sink was stopped; a sink freed before that
// answer came took the program down. The source here never reports an end,
// so no answer is ever owed, and a sink is still freed only when the output
// closes, never between two clips.

#include "core/sound/wave_file.h"

#include <QAudioDevice>
#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <memory>
#include <vector>

class QTimer;

namespace mox {

class ClipOutput {
public:
    virtual ~ClipOutput() = default;
    // Opens the output with this id ("" for the default output). False when
    // there is no such device.
    virtual bool Open(const QByteArray& deviceId) = 0;
    // Stops every clip and lets go of the device.
    virtual void Close() = 0;
    // Starts the clip once, after any clip of its format still sounding.
    // False when the device cannot take it.
    virtual bool Play(const WaveClip& clip) = 0;
    // Stops the clip that started last.
    virtual void Stop() = 0;
};

class QtClipOutput : public QObject, public ClipOutput {
    Q_OBJECT
public:
    QtClipOutput();
    ~QtClipOutput() override;
    bool Open(const QByteArray& deviceId) override;
    void Close() override;
    bool Play(const WaveClip& clip) override;
    void Stop() override;

    QAudioDevice Device() const { return device_; }

signals:
    // A clip has been played to its end; playedUs is what the device reports.
    void ClipFinished(qint64 playedUs, qint64 durationUs);

private:
    struct Lane;
    void Poll();
    void StopLane(Lane& lane);

    QAudioDevice device_;
    std::vector<std::unique_ptr<Lane>> lanes_;
    Lane* last_ = nullptr;
    QTimer* poll_;
    QElapsedTimer clock_;
};

}  // namespace mox
