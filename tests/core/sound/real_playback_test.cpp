// Real clips through the sound window to a private sound server with a null
// sink (PulseAudio, and PipeWire with its PulseAudio service), judged from a
// recording of the sink's monitor: what the server really played.

#include "tests/core/sound/server_test_support.h"
#include "tests/core/sound/wave_writer.h"

#include <cmath>
#include <numbers>

using namespace mox;
using namespace mox::test;

namespace {

class SoundRealPlayback : public SoundOnServer {};
MOX_ON_EVERY_SOUND_SERVER(SoundRealPlayback);

// A rising, pulsing tone of 300 ms at any rate, channel count and sample
// layout, and what it becomes at the recording's rate: one clip for each
// format the reader takes, each recognisable in the recording.
struct Tone {
    static double At(double t) {
        constexpr double kSeconds = 0.3, kFrom = 300, kTo = 1500;
        const double fade = std::min({1.0, t / 0.005, (kSeconds - t) / 0.005});
        const double pulse = 0.3 + 0.2 * std::sin(2 * std::numbers::pi * 7 * t);
        return pulse * fade * std::sin(2 * std::numbers::pi * (kFrom * t + (kTo - kFrom) * t * t / (2 * kSeconds)));
    }
    static QByteArray Wave(uint16_t tag, uint16_t bits, uint16_t channels, uint32_t rate) {
        QByteArray data;
        const int frames = int(rate * 0.3);
        for (int i = 0; i < frames; ++i) {
            const double v = At(double(i) / rate);
            for (int c = 0; c < channels; ++c) {
                if (tag == 3) {
                    const float f = float(v);
                    data.append(reinterpret_cast<const char*>(&f), 4);
                } else if (bits == 8) {
                    data.append(char(uint8_t(std::lround(128 + v * 127))));
                } else if (bits == 16) {
                    PutU16(data, uint16_t(int16_t(std::lround(v * 32767))));
                } else {
                    PutU32(data, uint32_t(int32_t(std::lround(v * 2147483647.0))));
                }
            }
        }
        return Riff(FmtChunk({tag, channels, rate, bits}) + Chunk("data", data));
    }
    static ClipPrint Print() {
        ClipPrint print{"tone", {}};
        for (int i = 0; i < int(kRecordingRate * 0.3); ++i)
            print.samples.push_back(float(At(double(i) / kRecordingRate) * 32767));
        return print;
    }
};

TEST_P(SoundRealPlayback, TheServersDevicesAreListedAndClipsAreHeardWholeInTheirOrder) {
    SinkRecorder* recorder = Record();
    ASSERT_TRUE(recorder);
    PFrmPlayWave& window = LoadWindow();
    const double key = Key("click1.wav");
    for (const char* name : {"12.wav", "無.wav", "click1.wav", "1.wav"}) Key(QString::fromUtf8(name));
    EXPECT_LT(RunFor(3500), 100);
    EXPECT_EQ(window.Count(), 0);
    EXPECT_EQ(window.TimerInterval(), 0) << "the timer stops itself when the queue is empty";

    const SoundDeviceList& devices = window.Output().Devices();
    ASSERT_TRUE(devices.Known());
    QStringList outputs;
    for (const SoundDevice& d : devices.Outputs()) outputs << d.description;
    EXPECT_TRUE(outputs.contains("TestSink")) << outputs.join(", ").toStdString();
    for (const SoundDevice& d : devices.Inputs())
        EXPECT_FALSE(d.id.endsWith(".monitor")) << "a sink's monitor is no input";

    const ClipFinder finder(recorder->Samples());
    std::vector<const ClipPrint*> clips;
    for (const char* name : {"click1.wav", "12.wav", "無.wav", "click1.wav", "1.wav"})
        clips.push_back(&Print(QString::fromUtf8(name)));
    const qint64 from = recorder->SampleAt(key - 20);
    const std::vector<HeardClip> heard = finder.FindInOrder(clips, from);
    std::vector<std::pair<qint64, qint64>> spans;
    for (size_t i = 0; i < heard.size(); ++i) {
        EXPECT_TRUE(heard[i].Whole()) << i << " " << heard[i].name.toStdString() << " match " << heard[i].match
                                      << ", weakest quarter " << heard[i].weakest;
        spans.push_back({heard[i].start, heard[i].start + qint64(clips[i]->samples.size())});
    }
    EXPECT_LT(finder.SoundOutside(spans, from, qint64(finder.Recording().size())), 20)
        << "nothing else sounds: no clip twice, none cut into another";
}

TEST_P(SoundRealPlayback, EveryFormatTheReaderTakesIsHeardAndOneTheServerRefusesIsPassedOver) {
    Sandbox box;
    const QList<std::tuple<uint16_t, uint16_t, uint16_t, uint32_t>> formats = {
        {1, 16, 1, 22050}, {1, 8, 1, 11025}, {1, 16, 2, 44100}, {1, 32, 1, 16000}, {3, 32, 2, 48000}};
    QStringList paths;
    for (const auto& [tag, bits, channels, rate] : formats) {
        paths << box.Path() + QString("/tone_%1_%2_%3_%4.wav").arg(tag).arg(bits).arg(channels).arg(rate);
        ASSERT_TRUE(WriteFile(paths.back(), Tone::Wave(tag, bits, channels, rate)));
    }
    // A rate the reader takes and no server can.
    const QString refused = box.Path() + "/tone_too_fast.wav";
    ASSERT_TRUE(WriteFile(refused, Tone::Wave(1, 16, 1, 700000)));

    SinkRecorder* recorder = Record();
    ASSERT_TRUE(recorder);
    PFrmPlayWave& window = LoadWindow();
    const double key = SteadyMs();
    for (int i = 0; i < paths.size(); ++i) {
        window.StockWaveFile(paths[i]);
        if (i == 2) window.StockWaveFile(refused);
    }
    RunFor(3000);

    const ClipPrint tone = Tone::Print();
    const ClipFinder finder(recorder->Samples());
    const std::vector<HeardClip> heard =
        finder.FindInOrder(std::vector<const ClipPrint*>(paths.size(), &tone), recorder->SampleAt(key - 20));
    for (int i = 0; i < paths.size(); ++i)
        EXPECT_TRUE(heard[size_t(i)].Whole()) << paths[i].toStdString() << " match " << heard[size_t(i)].match;
}

TEST_P(SoundRealPlayback, QuittingWhileAClipSoundsReleasesTheWindowCleanly) {
    LoadWindow();
    PlayWave("16.wav");
    PlayWave("subetenashi.wav");

    // Let the first clip start, then end the event loop as the program does.
    QTimer::singleShot(300, QCoreApplication::instance(), [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
    EXPECT_FALSE(PlayWaveWindowLoaded());
}

}  // namespace
