#pragma once
// The sound window of the program on a private sound server, once for each
// kind of server (PulseAudio, PipeWire): keys typed as PlayWave calls, the
// window's thread watched for stalls, and what the server played judged from
// a recording of its sink.

#include "core/settings.h"
#include "core/sound/play_wave.h"
#include "core/sound/server_output.h"
#include "tests/core/sound/private_sound_server.h"
#include "tests/core/sound/sink_recording.h"
#include "tests/core/sound/wave_writer.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QFile>
#include <QTimer>
#include <algorithm>
#include <map>
#include <memory>
#include <optional>

namespace mox::test {

class SoundOnServer : public ::testing::TestWithParam<SoundServerKind> {
protected:
    void SetUp() override {
        server_ = std::make_unique<PrivateSoundServer>(GetParam());
        const QString why = server_->Start();
        if (!why.isEmpty()) MOX_COMPONENT_MISSING(why.toStdString());
        savedDir_ = G().ProgramDir;
        G().ProgramDir = ProgramDir();
        G().SoundOn = true;
    }
    void TearDown() override {
        SetPlayWaveWindow(nullptr);
        // What the server played, for a look at a failure.
        const QString keep = qEnvironmentVariable("MOX_SOUND_RECORDINGS");
        if (HasFailure() && !keep.isEmpty()) {
            const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
            for (size_t i = 0; i < recorders_.size(); ++i) {
                const std::vector<int16_t> samples = recorders_[i]->Samples();
                const QByteArray data(reinterpret_cast<const char*>(samples.data()), qsizetype(samples.size() * 2));
                WriteFile(QString("%1/%2_%3_%4.wav")
                              .arg(keep, QString(info->name()).replace('/', '_'))
                              .arg(QCoreApplication::applicationPid())
                              .arg(i),
                          Riff(FmtChunk({1, 1, uint32_t(kRecordingRate), 16}) + Chunk("data", data)));
            }
        }
        recorders_.clear();
        server_.reset();
        G().ProgramDir = savedDir_;
    }

    PrivateSoundServer& Server() { return *server_; }

    // The program's sound window, loaded as at start-up; or with an output
    // that closes an idle stream sooner.
    PFrmPlayWave& LoadWindow(std::optional<std::chrono::milliseconds> idleClose = std::nullopt) {
        SetPlayWaveWindow(nullptr);
        if (!idleClose) {
            LoadPlayWaveWindow();
        } else {
            auto window = std::make_unique<PFrmPlayWave>(std::make_unique<ServerClipOutput>(*idleClose));
            window->Form_Load();
            SetPlayWaveWindow(std::move(window));
        }
        return PlayWaveWindow();
    }

    // Starts recording a sink's monitor; null (and the test failed) when
    // it cannot.
    SinkRecorder* Record(const QString& sink = "test_null") {
        auto recorder = std::make_unique<SinkRecorder>(*server_, sink + ".monitor");
        const QString why = recorder->Start();
        if (!why.isEmpty()) {
            ADD_FAILURE() << "no recording of " << sink.toStdString() << ": " << why.toStdString();
            return nullptr;
        }
        recorders_.push_back(std::move(recorder));
        return recorders_.back().get();
    }

    // A key that queues a clip; when it was typed.
    double Key(const QString& clip) {
        PlayWave(clip);
        return SteadyMs();
    }

    // Lets the window's thread run for a while; the longest it did not
    // answer (a timer of 10 ms that comes late by that much). Time the
    // machine gave the thread no processor does not count: a machine busy
    // with other work is not a window that waits for the sound server.
    double RunFor(double ms) {
        double longest = 0;
        double last = SteadyMs();
        double lastQueued = QueuedMs();
        const auto beat = [&] {
            const double now = SteadyMs();
            const double queued = QueuedMs();
            longest = std::max(longest, now - last - 10 - (queued - lastQueued));
            last = now;
            lastQueued = queued;
        };
        QTimer timer;
        timer.setTimerType(Qt::PreciseTimer);
        timer.setInterval(10);
        QObject::connect(&timer, &QTimer::timeout, beat);
        timer.start();
        const double until = SteadyMs() + ms;
        while (SteadyMs() < until) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        beat();
        return longest;
    }

    // How long this thread has waited for a processor, in milliseconds (the
    // scheduler's own account; 0 where the kernel keeps none).
    static double QueuedMs() {
        QFile stat("/proc/thread-self/schedstat");
        if (!stat.open(QIODevice::ReadOnly)) return 0;
        const QList<QByteArray> fields = stat.readAll().split(' ');
        return fields.size() >= 2 ? fields[1].toDouble() / 1e6 : 0;
    }

    const ClipPrint& Print(const QString& name) {
        auto it = prints_.find(name);
        if (it == prints_.end()) {
            const std::optional<WaveClip> clip = ReadWaveFile(ProgramDir() + "/wave/" + name);
            it = prints_.emplace(name, clip ? ClipPrint::Of(name, *clip) : ClipPrint{name, {}}).first;
        }
        return it->second;
    }

    // The clip as the recording holds it after the key, within ms; when its
    // sound reached the sink, in milliseconds after the key, is set in
    // `delayMs`.
    HeardClip Heard(const SinkRecorder& recorder, const QString& name, double keyMs, double withinMs,
                    double* delayMs = nullptr) {
        const ClipFinder finder(recorder.Samples());
        const qint64 from = recorder.SampleAt(keyMs - 20);
        const qint64 to = recorder.SampleAt(keyMs + withinMs) + qint64(Print(name).samples.size());
        HeardClip heard = finder.Find(Print(name), from, to);
        if (delayMs && heard.found) *delayMs = recorder.TimeOfSample(finder.Onset(heard.start)) - keyMs;
        return heard;
    }

    // Whether anything sounds in the recording between two moments.
    double SoundBetween(const SinkRecorder& recorder, double fromMs, double toMs) {
        const ClipFinder finder(recorder.Samples());
        return finder.SoundOutside({}, recorder.SampleAt(fromMs), recorder.SampleAt(toMs));
    }

private:
    std::unique_ptr<PrivateSoundServer> server_;
    std::vector<std::unique_ptr<SinkRecorder>> recorders_;
    std::map<QString, ClipPrint> prints_;
    QString savedDir_;
};

inline std::string ServerName(const ::testing::TestParamInfo<SoundServerKind>& info) { return NameOf(info.param); }

#define MOX_ON_EVERY_SOUND_SERVER(suite)                                                                     \
    INSTANTIATE_TEST_SUITE_P(                                                                                \
        Servers, suite,                                                                                      \
        ::testing::Values(::mox::test::SoundServerKind::PulseAudio, ::mox::test::SoundServerKind::PipeWire), \
        ::mox::test::ServerName)

}  // namespace mox::test
