#pragma once
// What a sound server really played: a recording of its sink's monitor
// (parec, a child process read by a thread of its own that notes when each
// piece arrives), and a finder that locates clips in it sample by sample.
// The recording is 16-bit mono at 22,050 Hz, the format of the clips; the
// server converts the sink's format (PipeWire's sink is float at 48 kHz),
// so clips are matched by correlation with a tolerance, not byte for byte.

#include "core/sound/wave_file.h"
#include "tests/core/sound/private_sound_server.h"

#include <QProcess>
#include <QtEndian>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace mox::test {

inline constexpr int kRecordingRate = 22050;

// Milliseconds of the steady clock, the one clock of the recordings and of
// the tests' key times.
inline double SteadyMs() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

class SinkRecorder {
public:
    explicit SinkRecorder(const PrivateSoundServer& server, QString source = "test_null.monitor")
        : env_(server.Environment()), source_(std::move(source)) {}
    ~SinkRecorder() { End(); }
    SinkRecorder(const SinkRecorder&) = delete;
    SinkRecorder& operator=(const SinkRecorder&) = delete;

    // Empty when the recording runs: samples flow as they are played (a
    // server may take a moment before the first arrive).
    QString Start() {
        thread_ = std::thread([this] { Run(); });
        const double until = SteadyMs() + 10000;
        double flowingSince = -1;
        while (SteadyMs() < until) {
            {
                std::lock_guard lock(mutex_);
                if (!error_.isEmpty()) return error_;
                if (!samples_.empty() && flowingSince < 0) flowingSince = SteadyMs();
            }
            if (flowingSince >= 0 && SteadyMs() > flowingSince + 150) return {};
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return "parec recorded nothing in 10 s";
    }
    // Ends the recording; what was recorded stays.
    void End() {
        quit_ = true;
        if (thread_.joinable()) thread_.join();
    }

    std::vector<int16_t> Samples() const {
        std::lock_guard lock(mutex_);
        return samples_;
    }
    qint64 SampleCount() const {
        std::lock_guard lock(mutex_);
        return qint64(samples_.size());
    }

    // When a sample was at the sink, on the steady clock, at the latest: when
    // the piece of the recording that holds it arrived. (A monitor hands a
    // piece on as soon as the sink has mixed it, so this is later than the
    // moment by the transport only, a few milliseconds; it is never early,
    // as an estimate from the sink's clock can be after the sink caught up
    // with a stream.)
    double TimeOfSample(qint64 index) const {
        std::lock_guard lock(mutex_);
        for (const Piece& p : pieces_)
            if (p.end > index) return p.arrivalMs;
        return std::numeric_limits<double>::infinity();
    }
    // The first sample recorded at or after a moment of the steady clock.
    qint64 SampleAt(double steadyMs) const {
        std::lock_guard lock(mutex_);
        for (const Piece& p : pieces_)
            if (p.arrivalMs >= steadyMs)
                return std::max<qint64>(0, p.end - qint64((p.arrivalMs - steadyMs) * kRecordingRate / 1000.0));
        return qint64(samples_.size());
    }

private:
    struct Piece {
        qint64 end;  // samples recorded with it
        double arrivalMs;
    };

    void Run() {
        QProcess parec;
        parec.setProcessEnvironment(env_);
        parec.setProcessChannelMode(QProcess::SeparateChannels);
        parec.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        parec.start("parec", {"-d", source_, "--format=s16le", "--rate=" + QString::number(kRecordingRate),
                              "--channels=1", "--latency-msec=10", "--raw"});
        if (!parec.waitForStarted(5000)) {
            std::lock_guard lock(mutex_);
            error_ = "parec did not start: " + parec.errorString();
            return;
        }
        QByteArray odd;
        while (!quit_ && parec.state() == QProcess::Running) {
            if (!parec.waitForReadyRead(20)) continue;
            const double now = SteadyMs();
            QByteArray bytes = odd + parec.readAllStandardOutput();
            odd = bytes.size() % 2 ? bytes.right(1) : QByteArray();
            const qsizetype whole = bytes.size() - odd.size();
            std::lock_guard lock(mutex_);
            for (qsizetype i = 0; i < whole; i += 2)
                samples_.push_back(qFromLittleEndian<qint16>(bytes.constData() + i));
            pieces_.push_back({qint64(samples_.size()), now});
        }
        if (parec.state() != QProcess::NotRunning) {
            parec.kill();
            parec.waitForFinished(5000);
        }
        std::lock_guard lock(mutex_);
        if (samples_.empty() && error_.isEmpty())
            error_ = "parec ended: " + QString::fromLocal8Bit(parec.readAllStandardError());
    }

    QProcessEnvironment env_;
    QString source_;
    std::thread thread_;
    std::atomic<bool> quit_{false};
    mutable std::mutex mutex_;
    std::vector<int16_t> samples_;
    std::vector<Piece> pieces_;
    QString error_;
};

// A clip as the recording should hold it.
struct ClipPrint {
    QString name;
    std::vector<float> samples;

    static ClipPrint Of(const QString& name, const WaveClip& clip) {
        ClipPrint print{name, {}};
        // The recorded clips are 16-bit mono at the recording's rate.
        if (clip.format.bitsPerSample != 16 || clip.format.channels != 1 ||
            clip.format.samplesPerSec != uint32_t(kRecordingRate))
            return print;
        for (qsizetype i = 0; i + 1 < clip.samples.size(); i += 2)
            print.samples.push_back(qFromLittleEndian<qint16>(clip.samples.constData() + i));
        return print;
    }
};

struct HeardClip {
    QString name;
    bool found = false;
    qint64 start = 0;    // sample of the recording where its first sample lies
    double match = 0;    // correlation with the clip, whole (1 = the same)
    double weakest = 0;  // the lowest correlation of its four quarters
    bool Whole() const { return found && match >= 0.9 && weakest >= 0.75; }
};

// Locates the clips one after another in the recording, each at the
// earliest place after the one before where it sounds. The samples are
// compared below about 4 kHz: the servers' resamplers render the noise of a
// fricative ("s") each their own way.
class ClipFinder {
public:
    explicit ClipFinder(std::vector<int16_t> recording) : recording_(std::move(recording)) {
        envelope_ = EnvelopeOf(recording_);
        smooth_ = Smoothed(std::vector<float>(recording_.begin(), recording_.end()));
    }

    const std::vector<int16_t>& Recording() const { return recording_; }

    HeardClip Find(const ClipPrint& print, qint64 from, qint64 to = -1) const {
        HeardClip heard{print.name};
        const ClipPrint clip{print.name, Smoothed(print.samples)};
        const qint64 length = qint64(clip.samples.size());
        if (length < kBlock * 4) return heard;
        if (to < 0 || to > qint64(recording_.size())) to = qint64(recording_.size());
        std::vector<int16_t> asInt(print.samples.begin(), print.samples.end());
        const std::vector<double> shape = EnvelopeOf(asInt);
        const qint64 blocks = qint64(shape.size());
        const qint64 firstBlock = std::max<qint64>(0, from / kBlock);
        const qint64 lastBlock = std::min<qint64>(to / kBlock, qint64(envelope_.size())) - blocks;
        // The envelope finds where it sounds; the samples then where exactly.
        qint64 best = -1;
        double bestScore = 0;
        for (qint64 b = firstBlock; b <= lastBlock; ++b) {
            const double score = Correlation(envelope_.data() + b, shape.data(), blocks);
            if (score >= kEnvelopeMatch && score > bestScore) {
                best = b;
                bestScore = score;
            } else if (best >= 0 && b > best + blocks / 4 + 2) {
                break;  // past the first place that sounds like it
            }
        }
        if (best < 0) return heard;
        // The envelope is blunt: the samples are compared over ten blocks
        // either side, every fourth sample first, then every sample.
        const auto bestOf = [&](qint64 fromSample, qint64 toSample, int stride) {
            std::pair<qint64, double> found{-1, -2};
            for (qint64 s = std::max<qint64>(0, fromSample); s <= toSample && s + length <= qint64(recording_.size());
                 ++s) {
                const double m = SampleCorrelation(s, clip.samples, 0, length, stride);
                if (m > found.second) found = {s, m};
            }
            return found;
        };
        const auto [near, nearMatch] = bestOf(best * kBlock - 10 * kBlock, best * kBlock + 10 * kBlock, 4);
        if (near < 0) return heard;
        const auto [at, match] = bestOf(near - 4, near + 4, 1);
        if (at < 0) return heard;
        heard.found = match >= 0.5;
        heard.start = at;
        heard.match = match;
        // Each quarter where it should be, give or take 3 ms: a server's
        // monitor may slip a few samples where the sink caught up with a
        // stream (PulseAudio rewinds), which no listener hears.
        heard.weakest = 1;
        for (int q = 0; q < 4; ++q) {
            double quarter = -1;
            for (qint64 slip = -kSlip; slip <= kSlip; ++slip)
                quarter = std::max(
                    quarter, SampleCorrelation(at + q * length / 4 + slip, clip.samples, q * length / 4, length / 4));
            heard.weakest = std::min(heard.weakest, quarter);
        }
        return heard;
    }

    // Finds the clips in their order, each after the one before.
    std::vector<HeardClip> FindInOrder(const std::vector<const ClipPrint*>& clips, qint64 from = 0) const {
        std::vector<HeardClip> heard;
        for (const ClipPrint* clip : clips) {
            heard.push_back(Find(*clip, from));
            if (heard.back().found) from = heard.back().start + qint64(clip->samples.size()) - kBlock;
        }
        return heard;
    }

    // The first sample that sounds from a little before a clip found at
    // `start` (its first samples may be all but silent, and the match may
    // put it a few samples off).
    qint64 Onset(qint64 start) const {
        for (qint64 i = std::max<qint64>(0, start - kSlip); i < qint64(recording_.size()); ++i)
            if (std::abs(recording_[size_t(i)]) > kQuiet) return i;
        return start;
    }

    // Milliseconds between two samples that sound, outside the given spans.
    // A span reaches a few milliseconds past either end of its clip: a clip
    // that starts at full voice rings that much before its first sample
    // through a server's resampler (PipeWire's sink runs at 48 kHz).
    double SoundOutside(const std::vector<std::pair<qint64, qint64>>& spans, qint64 from, qint64 to) const {
        qint64 loud = 0;
        for (qint64 b = from / kBlock; b < std::min<qint64>(to / kBlock, qint64(envelope_.size())); ++b) {
            if (envelope_[size_t(b)] < kQuiet) continue;
            const qint64 s = b * kBlock;
            const bool inside = std::any_of(spans.begin(), spans.end(), [s](const auto& span) {
                return s + kBlock > span.first - kRing && s < span.second + kRing;
            });
            if (!inside) ++loud;
        }
        return loud * kBlock * 1000.0 / kRecordingRate;
    }

private:
    static constexpr int kBlock = 32;
    static constexpr qint64 kSlip = kRecordingRate * 3 / 1000;
    static constexpr qint64 kRing = kRecordingRate * 6 / 1000;
    static constexpr double kEnvelopeMatch = 0.8;
    static constexpr double kQuiet = 200;

    // [1 2 1] / 4 four times: half the level at 3 kHz, a sixteenth at
    // 5.5 kHz, nothing at 11 kHz.
    static std::vector<float> Smoothed(std::vector<float> samples) {
        for (int pass = 0; pass < 4; ++pass) {
            float before = 0;
            for (size_t i = 0; i < samples.size(); ++i) {
                const float here = samples[i];
                const float after = i + 1 < samples.size() ? samples[i + 1] : 0;
                samples[i] = (before + 2 * here + after) / 4;
                before = here;
            }
        }
        return samples;
    }

    static std::vector<double> EnvelopeOf(const std::vector<int16_t>& samples) {
        std::vector<double> envelope(samples.size() / kBlock);
        for (size_t b = 0; b < envelope.size(); ++b) {
            double sum = 0;
            for (int i = 0; i < kBlock; ++i) sum += double(samples[b * kBlock + i]) * samples[b * kBlock + i];
            envelope[b] = std::sqrt(sum / kBlock);
        }
        return envelope;
    }

    static double Correlation(const double* a, const double* b, qint64 n) {
        double ma = 0, mb = 0;
        for (qint64 i = 0; i < n; ++i) ma += a[i], mb += b[i];
        ma /= n, mb /= n;
        double ab = 0, aa = 0, bb = 0;
        for (qint64 i = 0; i < n; ++i) {
            const double x = a[i] - ma, y = b[i] - mb;
            ab += x * y, aa += x * x, bb += y * y;
        }
        // Silence against sound is no match; silence against silence is.
        if (aa < 1e-9 || bb < 1e-9) return aa < 1e-9 && bb < 1e-9 ? 1 : 0;
        return ab / std::sqrt(aa * bb);
    }
    // Correlation of n clip samples from offset with the recording at `at`,
    // every stride-th sample.
    double SampleCorrelation(qint64 at, const std::vector<float>& clip, qint64 offset, qint64 n, int stride = 1) const {
        if (n <= 0 || at < 0 || at + n > qint64(recording_.size())) return 0;
        const qint64 count = (n + stride - 1) / stride;
        double clipEnergy = 0, recEnergy = 0, ma = 0, mb = 0;
        for (qint64 i = 0; i < n; i += stride) {
            const double a = smooth_[size_t(at + i)], b = clip[size_t(offset + i)];
            recEnergy += a * a, clipEnergy += b * b, ma += a, mb += b;
        }
        // A stretch that is silent in the clip must be silent in the recording.
        if (clipEnergy / count < kQuiet * kQuiet) return recEnergy / count < kQuiet * kQuiet ? 1 : 0;
        ma /= count, mb /= count;
        double ab = 0, aa = 0, bb = 0;
        for (qint64 i = 0; i < n; i += stride) {
            const double a = smooth_[size_t(at + i)] - ma, b = clip[size_t(offset + i)] - mb;
            ab += a * b, aa += a * a, bb += b * b;
        }
        if (aa < 1e-9 || bb < 1e-9) return 0;
        return ab / std::sqrt(aa * bb);
    }

    std::vector<int16_t> recording_;
    std::vector<double> envelope_;
    std::vector<float> smooth_;
};

}  // namespace mox::test
