// The sound path against a real server of each kind (PulseAudio, and PipeWire
// with its PulseAudio service), started privately for each benchmark:
// - from a key (PlayWave) to the clip's first sample at the sink, with the
//   queue empty, while the output's stream is still open and after it was
//   closed for being idle, measured from a recording of the sink's monitor;
// - while the server is stopped (SIGSTOP) or its sink is gone and keys keep
//   coming, how late the window answers X events another X client sends it
//   every 10 ms (on Qt's xcb platform only): the longest of 4 s of typing.
// Each iteration's figure is its manual time; the counters median_ms and
// max_ms over the iterations are what scripts/bench.sh reports.

#include "bench/bench_main.h"
#include "core/settings.h"
#include "core/sound/play_wave.h"
#include "tests/core/sound/private_sound_server.h"
#include "tests/core/sound/sink_recording.h"

#include <xcb/xcb.h>
#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <atomic>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>

using namespace mox;
using namespace mox::test;

namespace {

void RunFor(double ms) {
    const double until = SteadyMs() + ms;
    while (SteadyMs() < until) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
}

void Report(benchmark::State& state, std::vector<double> figures) {
    if (figures.empty()) return;
    std::sort(figures.begin(), figures.end());
    state.counters["median_ms"] = figures[figures.size() / 2];
    state.counters["max_ms"] = figures.back();
}

struct Session {
    explicit Session(SoundServerKind kind) : server(kind) {}
    ~Session() {
        SetPlayWaveWindow(nullptr);
        server.Continue();
    }
    // Empty when the server runs and the window is loaded.
    QString Start() {
        QString why = server.Start();
        if (!why.isEmpty()) return why;
        G().ProgramDir = bench::ProgramDir();
        G().SoundOn = true;
        SetPlayWaveWindow(nullptr);
        LoadPlayWaveWindow();
        return {};
    }
    PrivateSoundServer server;
};

// Key to the clip's first sample at the sink.
void KeyToSink(benchmark::State& state, SoundServerKind kind, bool afterIdleClose) {
    Session session(kind);
    if (const QString why = session.Start(); !why.isEmpty()) return state.SkipWithError(qPrintable(why));
    SinkRecorder recorder(session.server);
    if (const QString why = recorder.Start(); !why.isEmpty()) return state.SkipWithError(qPrintable(why));
    const std::optional<WaveClip> clip = ReadWaveFile(bench::ProgramDir() + "/wave/click1.wav");
    if (!clip) return state.SkipWithError("no click1.wav");
    const ClipPrint print = ClipPrint::Of("click1.wav", *clip);
    PlayWave("1.wav");  // the connection is up and the server has made its sink ready
    RunFor(1000);
    std::vector<double> delays;
    for (auto _ : state) {
        // Longer than the output keeps an idle stream open, or well within it.
        RunFor(afterIdleClose ? 5600 : 600);
        PlayWave("click1.wav");
        const double key = SteadyMs();
        RunFor(400);
        const ClipFinder finder(recorder.Samples());
        const HeardClip heard = finder.Find(print, recorder.SampleAt(key - 20),
                                            recorder.SampleAt(key + 300) + qint64(print.samples.size()));
        if (!heard.Whole()) return state.SkipWithError("the click was not heard whole");
        delays.push_back(recorder.TimeOfSample(finder.Onset(heard.start)) - key);
        state.SetIterationTime(delays.back() / 1000.0);
    }
    Report(state, delays);
}

// ClientMessages from a connection of its own, each noted when sent; the
// window's thread notes when each arrives.
class XProbe : public QAbstractNativeEventFilter {
public:
    explicit XProbe(uint32_t window) : window_(window) {
        qApp->installNativeEventFilter(this);
        sender_ = std::thread([this] { Send(); });
    }
    ~XProbe() override {
        quit_ = true;
        sender_.join();
        qApp->removeNativeEventFilter(this);
    }
    // The latest any message has come since the last call.
    double TakeLongestMs() {
        std::lock_guard lock(mutex_);
        double longest = longest_;
        // Messages sent and not come yet count as late as they are now.
        for (const auto& [serial, sent] : sent_) longest = std::max(longest, SteadyMs() - sent);
        longest_ = 0;
        return longest;
    }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (type != "xcb_generic_event_t") return false;
        auto* event = static_cast<xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7f) != XCB_CLIENT_MESSAGE) return false;
        auto* client = reinterpret_cast<xcb_client_message_event_t*>(event);
        if (client->window != window_ || client->data.data32[0] != kMagic) return false;
        std::lock_guard lock(mutex_);
        const auto it = sent_.find(client->data.data32[1]);
        if (it != sent_.end()) {
            longest_ = std::max(longest_, SteadyMs() - it->second);
            sent_.erase(it);
        }
        return true;
    }

private:
    static constexpr uint32_t kMagic = 0x4d4f5821;

    void Send() {
        xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(connection)) {
            xcb_disconnect(connection);
            return;
        }
        for (uint32_t serial = 1; !quit_; ++serial) {
            xcb_client_message_event_t event;
            std::memset(&event, 0, sizeof event);
            event.response_type = XCB_CLIENT_MESSAGE;
            event.format = 32;
            event.window = window_;
            event.type = XCB_ATOM_STRING;
            event.data.data32[0] = kMagic;
            event.data.data32[1] = serial;
            {
                std::lock_guard lock(mutex_);
                sent_[serial] = SteadyMs();
            }
            xcb_send_event(connection, 0, window_, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&event));
            xcb_flush(connection);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        xcb_disconnect(connection);
    }

    uint32_t window_;
    std::thread sender_;
    std::atomic<bool> quit_{false};
    std::mutex mutex_;
    std::map<uint32_t, double> sent_;
    double longest_ = 0;
};

enum class Fault { ServerStopped, SinkGone };

// How late the window answers while keys come and the server fails.
void XEventAnswer(benchmark::State& state, SoundServerKind kind, Fault fault) {
    if (QGuiApplication::platformName() != "xcb") return state.SkipWithError("needs Qt's xcb platform");
    Session session(kind);
    if (const QString why = session.Start(); !why.isEmpty()) return state.SkipWithError(qPrintable(why));
    QWidget window;
    window.resize(200, 100);
    window.show();
    RunFor(300);
    PlayWave("1.wav");
    RunFor(1000);
    if (fault == Fault::SinkGone) {
        if (!session.server.UnloadModule(session.server.ModuleOfSink("test_null")))
            return state.SkipWithError("the sink could not be unloaded");
    } else {
        session.server.Stop();
    }
    XProbe probe(uint32_t(window.winId()));
    std::vector<double> delays;
    for (auto _ : state) {
        // Past the output's idle close, then keys at typing speed.
        RunFor(5600);
        probe.TakeLongestMs();
        for (int k = 0; k < 20; ++k) {
            PlayWave(QString::number(k % 10) + ".wav");
            RunFor(200);
        }
        delays.push_back(probe.TakeLongestMs());
        state.SetIterationTime(delays.back() / 1000.0);
    }
    Report(state, delays);
}

}  // namespace

BENCHMARK_CAPTURE(KeyToSink, PulseAudio_StreamOpen, SoundServerKind::PulseAudio, false)
    ->UseManualTime()
    ->Iterations(9)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(KeyToSink, PulseAudio_AfterIdleClose, SoundServerKind::PulseAudio, true)
    ->UseManualTime()
    ->Iterations(7)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(KeyToSink, PipeWire_StreamOpen, SoundServerKind::PipeWire, false)
    ->UseManualTime()
    ->Iterations(9)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(KeyToSink, PipeWire_AfterIdleClose, SoundServerKind::PipeWire, true)
    ->UseManualTime()
    ->Iterations(7)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(XEventAnswer, PulseAudio_ServerStopped, SoundServerKind::PulseAudio, Fault::ServerStopped)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(XEventAnswer, PulseAudio_SinkGone, SoundServerKind::PulseAudio, Fault::SinkGone)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(XEventAnswer, PipeWire_ServerStopped, SoundServerKind::PipeWire, Fault::ServerStopped)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(XEventAnswer, PipeWire_SinkGone, SoundServerKind::PipeWire, Fault::SinkGone)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    return bench::RunDrawingBenchmarks(argc, argv, [] {});
}
