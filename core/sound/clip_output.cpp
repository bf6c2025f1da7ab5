#include "core/sound/clip_output.h"

#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QMediaDevices>
#include <QTimer>
#include <utility>

namespace mox {
namespace {

// After the sink has taken every sample, the server still holds some of them;
// the sink is kept until the device reports them played.
constexpr int kDrainPollMs = 10;
// A sink that never reaches its end is let go this long after its clip's
// length, so that a stalled server cannot pile up sinks.
constexpr int kStallGraceMs = 5000;
// Rounding of the reported position.
constexpr qint64 kEndToleranceUs = 2000;

std::optional<QAudioFormat> QtFormat(const WaveFormat& f) {
    QAudioFormat format;
    format.setSampleRate(int(f.samplesPerSec));
    format.setChannelCount(f.channels);
    if (f.formatTag == 3 && f.bitsPerSample == 32)
        format.setSampleFormat(QAudioFormat::Float);
    else if (f.bitsPerSample == 8)
        format.setSampleFormat(QAudioFormat::UInt8);
    else if (f.bitsPerSample == 16)
        format.setSampleFormat(QAudioFormat::Int16);
    else if (f.bitsPerSample == 32)
        format.setSampleFormat(QAudioFormat::Int32);
    else
        return std::nullopt;
    return format;
}

}  // namespace

QtClipOutput::QtClipOutput() = default;

QtClipOutput::~QtClipOutput() {
    const QList<QAudioSink*> all = std::exchange(sinks_, {}) + std::exchange(retired_, {});
    for (QAudioSink* sink : all) {
        released_.insert(sink);
        Silence(sink);
    }
    for (QAudioSink* sink : all) delete sink;
}

bool QtClipOutput::Open(const QByteArray& deviceId) {
    Close();
    if (deviceId.isEmpty()) {
        device_ = QMediaDevices::defaultAudioOutput();
    } else {
        for (const QAudioDevice& d : QMediaDevices::audioOutputs())
            if (d.id() == deviceId) {
                device_ = d;
                break;
            }
    }
    return !device_.isNull();
}

void QtClipOutput::Close() {
    const QList<QAudioSink*> sinks = sinks_;
    for (QAudioSink* sink : sinks) Release(sink);
    current_.clear();
    device_ = QAudioDevice();
}

bool QtClipOutput::Play(const WaveClip& clip) {
    if (device_.isNull()) return false;
    const std::optional<QAudioFormat> format = QtFormat(clip.format);
    if (!format || !device_.isFormatSupported(*format)) return false;

    auto* sink = new QAudioSink(device_, *format, this);
    auto* buffer = new QBuffer(sink);
    buffer->setData(clip.samples);
    buffer->open(QIODevice::ReadOnly);

    const qint64 durationUs = clip.DurationUs();
    auto* drain = new QTimer(sink);
    drain->setInterval(kDrainPollMs);
    connect(drain, &QTimer::timeout, this, [this, sink, durationUs] {
        const qint64 played = sink->processedUSecs();
        if (played + kEndToleranceUs < durationUs) return;
        emit ClipFinished(played, durationUs);
        Release(sink);
    });
    connect(sink, &QAudioSink::stateChanged, this, [this, sink, drain](QAudio::State state) {
        if (state == QAudio::IdleState)
            drain->start();
        else if (state == QAudio::StoppedState && sink->error() != QAudio::NoError)
            Release(sink);
    });
    QTimer::singleShot(int(durationUs / 1000) + kStallGraceMs, sink, [this, sink] { Release(sink); });

    sink->start(buffer);
    if (sink->error() != QAudio::NoError) {
        Release(sink);
        return false;
    }
    sinks_.append(sink);
    current_ = sink;
    return true;
}

void QtClipOutput::Stop() {
    if (current_) Release(current_);
}

void QtClipOutput::Release(QAudioSink* sink) {
    // The drain poll, the stall guard and an error may all come for one sink.
    if (released_.contains(sink)) return;
    released_.insert(sink);
    Silence(sink);
    sinks_.removeAll(sink);
    if (current_ == sink) current_.clear();
    retired_.append(sink);
    sink->stop();
    QTimer::singleShot(0, this, [this] { Sweep(); });
}

void QtClipOutput::Silence(QAudioSink* sink) {
    // Nothing may reach a sink from its own timers or signals once it goes.
    for (QTimer* timer : sink->findChildren<QTimer*>()) {
        timer->stop();
        timer->disconnect();
    }
    sink->disconnect(this);
}

void QtClipOutput::Sweep() {
    const QList<QAudioSink*> retired = std::exchange(retired_, {});
    for (QAudioSink* sink : retired) {
        delete sink;
        released_.remove(sink);
    }
}

}  // namespace mox
