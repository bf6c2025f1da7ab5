#pragma once
// Where the sound window sends its clips. The real output plays each clip on
// its own Qt audio sink on the chosen device; a clip that is still sounding
// when the next one starts is left to finish, so clips never cut each other
// off. Tests use an output that records what it was asked to play.

#include "core/sound/wave_file.h"

#include <QAudioDevice>
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>

class QAudioSink;

namespace mox {

class ClipOutput {
public:
    virtual ~ClipOutput() = default;
    // Opens the output with this id ("" for the default output). False when
    // there is no such device.
    virtual bool Open(const QByteArray& deviceId) = 0;
    // Stops every clip and lets go of the device.
    virtual void Close() = 0;
    // Starts the clip once. False when the device cannot take it.
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
    void Release(QAudioSink* sink);
    void Silence(QAudioSink* sink);
    void Sweep();

    QAudioDevice device_;
    // Qt's pulse sink runs the event loop inside its stop and destructor, so
    // a sink is never deleted by deleteLater (which could then fire inside its
    // own destructor): a finished sink is retired and deleted by a sweep
    // after it has left every list.
    QList<QAudioSink*> sinks_;
    QList<QAudioSink*> retired_;
    QPointer<QAudioSink> current_;
    QSet<QAudioSink*> released_;
};

}  // namespace mox
