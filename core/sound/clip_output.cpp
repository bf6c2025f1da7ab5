#include "core/sound/clip_output.h"

#include <QAudioFormat>
#include <QAudioSink>
#include <QIODevice>
#include <QMediaDevices>
#include <QTimer>
#include <algorithm>
#include <cstring>
#include <deque>
#include <utility>

namespace mox {
namespace {

// While a clip sounds, how often the device's position is read.
constexpr int kPlayingPollMs = 10;
// With nothing left to play, how often a lane is looked at.
constexpr int kIdlePollMs = 250;
// A lane that has played nothing for this long lets go of its server stream.
constexpr qint64 kIdleStopMs = 5000;
// A clip that never reaches its end is given up this long after it should
// have ended, so that a stalled server cannot hold a lane for ever.
constexpr qint64 kStallGraceMs = 5000;
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

// Stream time of a byte position, rounded as the sound server rounds it.
qint64 UsOfBytes(const QAudioFormat& format, qint64 bytes) {
    return bytes / format.bytesPerFrame() * 1000000 / format.sampleRate();
}

// The samples of the clips of one lane, in the order they came, for its sink
// to pull. It is never at its end (see the header): with nothing to give it
// reads empty, and the sink waits for readyRead.
class ClipFeed final : public QIODevice {
public:
    ClipFeed() { open(QIODevice::ReadOnly | QIODevice::Unbuffered); }

    void Append(const QByteArray& samples) {
        if (offset_ > 0) {
            pending_.remove(0, offset_);
            offset_ = 0;
        }
        pending_.append(samples);
        emit readyRead();
    }
    void Clear() {
        pending_.clear();
        offset_ = 0;
    }

    bool isSequential() const override { return true; }
    // Called from the server's thread as well: it must touch nothing.
    bool atEnd() const override { return false; }
    qint64 bytesAvailable() const override { return pending_.size() - offset_ + QIODevice::bytesAvailable(); }

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        const qint64 n = std::min<qint64>(maxSize, pending_.size() - offset_);
        if (n <= 0) return 0;
        std::memcpy(data, pending_.constData() + offset_, size_t(n));
        offset_ += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray pending_;
    qint64 offset_ = 0;
};

}  // namespace

struct QtClipOutput::Lane {
    struct Clip {
        qint64 endBytes;  // stream position of its last sample
        qint64 durationUs;
        qint64 notBeforeMs;  // it cannot have ended before this (output clock)
    };

    QAudioFormat format;
    // Declared before the sink, so that the sink, which reads it, goes first.
    std::unique_ptr<ClipFeed> feed;
    std::unique_ptr<QAudioSink> sink;
    std::deque<Clip> clips;    // appended and not yet heard to their end
    qint64 appendedBytes = 0;  // since the sink started
    qint64 busyUntilMs = 0;    // when the last clip appended can end at the earliest

    bool Running() const { return sink->state() != QAudio::StoppedState; }
};

QtClipOutput::QtClipOutput() : poll_(new QTimer(this)) {
    clock_.start();
    connect(poll_, &QTimer::timeout, this, &QtClipOutput::Poll);
}

QtClipOutput::~QtClipOutput() { Close(); }

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
    // Taken out first: freeing a sink runs the event loop, and whatever runs
    // there finds the output already closed.
    device_ = QAudioDevice();
    last_ = nullptr;
    poll_->stop();
    std::vector<std::unique_ptr<Lane>> lanes = std::exchange(lanes_, {});
    for (auto& lane : lanes) lane->sink->stop();
    // A stopped sink has taken back its callbacks from the server, and its
    // feed never let it leave a drain answer open: nothing reaches it now.
    lanes.clear();
}

bool QtClipOutput::Play(const WaveClip& clip) {
    if (device_.isNull()) return false;
    const std::optional<QAudioFormat> format = QtFormat(clip.format);
    if (!format) return false;

    Lane* lane = nullptr;
    for (auto& l : lanes_)
        if (l->format == *format) lane = l.get();
    if (!lane) {
        if (!device_.isFormatSupported(*format)) return false;
        auto made = std::make_unique<Lane>();
        made->format = *format;
        made->feed = std::make_unique<ClipFeed>();
        made->sink = std::make_unique<QAudioSink>(device_, *format);
        lane = made.get();
        lanes_.push_back(std::move(made));
    }

    if (!lane->Running()) {
        StopLane(*lane);
        lane->appendedBytes = 0;
        lane->sink->start(lane->feed.get());
        if (lane->sink->error() != QAudio::NoError) {
            lane->sink->stop();
            return false;
        }
    }

    const qint64 durationUs = clip.DurationUs();
    lane->busyUntilMs = std::max(lane->busyUntilMs, clock_.elapsed()) + durationUs / 1000;
    lane->appendedBytes += clip.samples.size();
    lane->clips.push_back({lane->appendedBytes, durationUs, lane->busyUntilMs});
    lane->feed->Append(clip.samples);
    last_ = lane;
    poll_->start(kPlayingPollMs);
    return true;
}

void QtClipOutput::Stop() {
    if (last_) StopLane(*last_);
}

void QtClipOutput::StopLane(Lane& lane) {
    lane.sink->stop();
    lane.feed->Clear();
    lane.clips.clear();
}

void QtClipOutput::Poll() {
    const qint64 nowMs = clock_.elapsed();
    // Signals go out last: a receiver may close the output.
    std::vector<std::pair<qint64, qint64>> finished;
    bool playing = false;
    bool running = false;
    for (auto& lane : lanes_) {
        if (!lane->Running()) continue;
        const qint64 processedUs = lane->sink->processedUSecs();
        while (!lane->clips.empty()) {
            const Lane::Clip& c = lane->clips.front();
            const qint64 endUs = UsOfBytes(lane->format, c.endBytes);
            if (processedUs + kEndToleranceUs < endUs || nowMs < c.notBeforeMs) break;
            finished.emplace_back(processedUs - (endUs - c.durationUs), c.durationUs);
            lane->clips.pop_front();
        }
        if (!lane->clips.empty() && nowMs > lane->clips.front().notBeforeMs + kStallGraceMs)
            StopLane(*lane);
        else if (lane->clips.empty() && nowMs >= lane->busyUntilMs + kIdleStopMs)
            StopLane(*lane);
        playing = playing || !lane->clips.empty();
        running = running || lane->Running();
    }
    if (!running)
        poll_->stop();
    else
        poll_->setInterval(playing ? kPlayingPollMs : kIdlePollMs);
    for (const auto& [playedUs, durationUs] : finished) emit ClipFinished(playedUs, durationUs);
}

}  // namespace mox
