#include "core/sound/play_wave.h"
#include "core/settings.h"
#include "tests/core/sound/fakes.h"
#include "tests/core/sound/wave_writer.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <QDir>

using namespace mox;
using namespace mox::test;

namespace {

class SoundQueue : public ::testing::Test {
protected:
    void SetUp() override {
        devices.outputs = {{"out", "Speakers"}};
        Load();
    }

    void Load() {
        auto out = std::make_unique<RecordingOutput>();
        auto tk = std::make_unique<SteppedTicks>(clock);
        output = out.get();
        ticks = tk.get();
        window = std::make_unique<PFrmPlayWave>(std::move(out), std::move(tk));
        window->Form_Load();
    }

    // A clip of 44,144 bytes at 88,200 bytes a second: it holds the queue 550 ms.
    QString Clip(const QString& name, int16_t tag, int dataBytes = 44100) {
        const QString path = box.Path() + "/" + name;
        EXPECT_TRUE(WriteFile(path, SimpleWave(dataBytes, tag)));
        return path;
    }

    std::vector<int> Tags() const {
        std::vector<int> tags;
        for (const PlayedClip& p : output->played) tags.push_back(p.tag);
        return tags;
    }

    Sandbox box;
    platform::FakeClock clock;
    FakeSoundDevices devices;
    RecordingOutput* output = nullptr;
    SteppedTicks* ticks = nullptr;
    std::unique_ptr<PFrmPlayWave> window;
};

TEST_F(SoundQueue, ClipsPlayOneAfterAnotherPacedByTheirLengthPlus50) {
    const QString a = Clip("a.wav", 1);
    const QString b = Clip("b.wav", 2, 2000);
    window->StockWaveFile(a);
    window->StockWaveFile(b);
    EXPECT_EQ(window->Count(), 2);
    EXPECT_EQ(window->TimerInterval(), 5) << "a request starts the timer";
    EXPECT_TRUE(output->played.empty()) << "queuing never plays at once";

    ticks->RunUntilIdle();
    ASSERT_EQ(Tags(), (std::vector<int>{1, 2}));
    EXPECT_EQ(output->played[0].atMs, 5);
    EXPECT_EQ(output->played[1].atMs, 5 + 550);
    // b: 2,044 bytes at 88,200 a second = 23.17 ms -> 23 + 50; then the timer stops.
    EXPECT_EQ(ticks->intervals, (std::vector<int>{5, 550, 73, 0}));
    EXPECT_EQ(window->Count(), 0);
    EXPECT_EQ(window->TimerInterval(), 0);
}

TEST_F(SoundQueue, NumericEntriesArePausesAndOtherTextsA5msStep) {
    const QString a = Clip("a.wav", 1);
    const QString b = Clip("b.wav", 2);
    window->StockWaveFile(a);
    window->StockWaveFile("300");
    window->StockWaveFile(b);
    window->StockWaveFile(" 20.5 ");  // rounds half to even: 20
    window->StockWaveFile("");
    window->StockWaveFile("hello");
    window->StockWaveFile("0");  // would stop the timer: a plain step instead
    window->StockWaveFile("-40");
    window->StockWaveFile("1e99");

    ticks->RunUntilIdle();
    ASSERT_EQ(Tags(), (std::vector<int>{1, 2}));
    EXPECT_EQ(output->played[1].atMs - output->played[0].atMs, 550 + 300);
    EXPECT_EQ(ticks->intervals, (std::vector<int>{5, 550, 300, 550, 20, 5, 5, 5, 5, 5, 0}));
}

TEST_F(SoundQueue, AClipNameInCapitalsIsStillAClip) {
    const QString loud = Clip("LOUD.WAV", 7);
    const QString mixed = Clip("Mixed.Wav", 8);
    const QString notClip = Clip("clip.wav.bak", 9);
    window->StockWaveFile(loud);
    window->StockWaveFile(mixed);
    window->StockWaveFile(notClip);
    ticks->RunUntilIdle();
    EXPECT_EQ(Tags(), (std::vector<int>{7, 8}));
    EXPECT_EQ(ticks->intervals, (std::vector<int>{5, 550, 550, 5, 0}));
}

TEST_F(SoundQueue, MissingAndBrokenClipsAreSkippedInOneStepWithoutReplayingTheLastClip) {
    const QString a = Clip("a.wav", 1);
    const QString b = Clip("b.wav", 2);
    QByteArray zeroRate = SimpleWave(1000);
    zeroRate[28] = zeroRate[29] = zeroRate[30] = zeroRate[31] = 0;  // average bytes per second
    ASSERT_TRUE(WriteFile(box.Path() + "/zero.wav", zeroRate));
    ASSERT_TRUE(WriteFile(box.Path() + "/junk.wav", QByteArray(300, 'x')));
    ASSERT_TRUE(WriteFile(box.Path() + "/empty.wav", QByteArray()));

    window->StockWaveFile(a);
    window->StockWaveFile(box.Path() + "/missing.wav");
    window->StockWaveFile(box.Path() + "/zero.wav");
    window->StockWaveFile(box.Path() + "/junk.wav");
    window->StockWaveFile(box.Path() + "/empty.wav");
    window->StockWaveFile(box.Path() + "/");
    window->StockWaveFile(b);
    ticks->RunUntilIdle();

    EXPECT_EQ(Tags(), (std::vector<int>{1, 2}));
    EXPECT_EQ(output->played[1].atMs - output->played[0].atMs, 550 + 5 * 5);
}

TEST_F(SoundQueue, The101stRequestIsDroppedUntilAnEntryIsTaken) {
    for (int i = 1; i <= 101; ++i) window->StockWaveFile(QString::number(i));
    EXPECT_EQ(window->Count(), 100);

    ticks->Fire();  // takes "1"
    EXPECT_EQ(window->Count(), 99);
    window->StockWaveFile("500");
    window->StockWaveFile("600");  // 100 wait again: dropped
    EXPECT_EQ(window->Count(), 100);
    ticks->RunUntilIdle();

    std::vector<int> expected{5};
    for (int i = 1; i <= 100; ++i) expected.push_back(i);
    expected.push_back(500);
    expected.push_back(0);
    EXPECT_EQ(ticks->intervals, expected);

    // The ring wrapped; it keeps its order on the next round.
    ticks->intervals.clear();
    for (int i : {7, 8, 9}) window->StockWaveFile(QString::number(i));
    ticks->RunUntilIdle();
    EXPECT_EQ(ticks->intervals, (std::vector<int>{5, 7, 8, 9, 0}));
}

TEST_F(SoundQueue, ATickDuringATakeDoesNothingButRequestsAreStillQueued) {
    const QString a = Clip("a.wav", 1);
    const QString b = Clip("b.wav", 2);
    const QString c = Clip("c.wav", 3);
    window->StockWaveFile(a);
    window->StockWaveFile(b);
    int nested = 0;
    output->onPlay = [&] {
        if (nested++ > 0) return;
        const int waiting = window->Count();
        ticks->Fire();  // the timer fires while the first clip is being started
        EXPECT_EQ(window->Count(), waiting);
        window->StockWaveFile(c);
    };
    ticks->RunUntilIdle();
    EXPECT_EQ(Tags(), (std::vector<int>{1, 2, 3}));
}

TEST_F(SoundQueue, ClearEmptiesTheQueueStopsTheTimerAndTheClip) {
    window->StockWaveFile(Clip("a.wav", 1));
    window->StockWaveFile("300");
    window->ClearWaveFile();
    EXPECT_EQ(window->Count(), 0);
    EXPECT_EQ(window->TimerInterval(), 0);
    EXPECT_EQ(output->stops, 1);
    ticks->RunUntilIdle();
    EXPECT_TRUE(output->played.empty());

    window->StockWaveFile(Clip("b.wav", 2));
    ticks->RunUntilIdle();
    EXPECT_EQ(Tags(), std::vector<int>{2});
}

TEST_F(SoundQueue, WithoutAnyOutputNothingIsQueuedAndNothingFails) {
    devices.outputs.clear();
    devices.inputs = {{"mic", "Microphone"}};
    Load();
    EXPECT_FALSE(window->HasPlaybackDevice());
    window->StockWaveFile(Clip("a.wav", 1));
    EXPECT_EQ(window->Count(), 0);
    EXPECT_EQ(window->TimerInterval(), 0);
    ticks->Fire();
    EXPECT_TRUE(output->played.empty());

    // A speaker plugged in later is heard.
    devices.outputs = {{"usb", "USB Speaker"}};
    window->StockWaveFile(Clip("a.wav", 1));
    ticks->RunUntilIdle();
    EXPECT_EQ(Tags(), std::vector<int>{1});
}

TEST_F(SoundQueue, WhileNoServerAnswersRequestsAreQueuedAndTheTimerStillStops) {
    devices.known = false;
    devices.outputs.clear();
    Load();
    EXPECT_TRUE(window->HasPlaybackDevice()) << "no server answers: whether an output exists is not known";
    window->StockWaveFile(Clip("a.wav", 1));
    window->StockWaveFile(Clip("b.wav", 2));
    EXPECT_EQ(window->Count(), 2);
    // The server answers meanwhile and lists no output: what waits is still
    // taken, and the timer stops when it is all taken.
    devices.known = true;
    ticks->RunUntilIdle();
    EXPECT_EQ(window->Count(), 0);
    EXPECT_EQ(window->TimerInterval(), 0);
}

TEST_F(SoundQueue, AnOutputThatCannotOpenLeavesClipsSilentAndTheQueueMoving) {
    auto out = std::make_unique<RecordingOutput>();
    out->opens = false;
    output = out.get();
    auto tk = std::make_unique<SteppedTicks>(clock);
    ticks = tk.get();
    window = std::make_unique<PFrmPlayWave>(std::move(out), std::move(tk));
    window->Form_Load();
    EXPECT_TRUE(window->HasPlaybackDevice());
    EXPECT_FALSE(window->DeviceOpen());

    window->StockWaveFile(Clip("a.wav", 1));
    window->StockWaveFile(Clip("b.wav", 2));
    EXPECT_EQ(window->Count(), 2);
    ticks->RunUntilIdle();
    EXPECT_TRUE(output->played.empty());
    EXPECT_EQ(ticks->intervals, (std::vector<int>{5, 5, 5, 0}));
}

TEST_F(SoundQueue, LoadNamesThePreferredSpeakerAndOpensTheOutput) {
    EXPECT_EQ(output->openings, 1);
    EXPECT_TRUE(window->PreferredPlayback().isEmpty());

    devices.outputs = {{"hdmi", "HDMI"}, {"spk", QStringLiteral("スピーカー (USB Audio)")}};
    Load();
    EXPECT_EQ(window->PreferredPlayback(), QStringLiteral("スピーカー (USB Audio)"));
    EXPECT_EQ(window->PlaybackNames().size(), 2);
    EXPECT_EQ(output->openings, 1);
}

class PlayWaveCalls : public SoundQueue {
protected:
    void SetUp() override {
        SoundQueue::SetUp();
        savedDir = G().ProgramDir;
        savedOn = G().SoundOn;
        G().ProgramDir = box.Path();
        G().SoundOn = true;
        QDir(box.Path()).mkdir("wave");
        SetPlayWaveWindow(std::move(window));
    }
    void TearDown() override {
        SetPlayWaveWindow(nullptr);
        G().ProgramDir = savedDir;
        G().SoundOn = savedOn;
    }
    QString savedDir;
    bool savedOn = true;
};

TEST_F(PlayWaveCalls, QueueClipsOfTheProgramsWaveFolder) {
    Clip("wave/3.wav", 3);
    Clip(QStringLiteral("wave/無.wav"), 4);
    PlayWave("3.wav");
    PlayWave(QStringLiteral("無.wav"));
    EXPECT_EQ(PlayWaveWindow().Count(), 2);
    ticks->RunUntilIdle();
    EXPECT_EQ(Tags(), (std::vector<int>{3, 4}));
}

TEST_F(PlayWaveCalls, AnEmptyNameIsAStepAndSoundOffQueuesNothing) {
    PlayWave(QString());
    EXPECT_EQ(PlayWaveWindow().Count(), 1);
    ticks->RunUntilIdle();
    EXPECT_EQ(ticks->intervals, (std::vector<int>{5, 5, 0}));

    G().SoundOn = false;
    PlayWave("click1.wav");
    EXPECT_EQ(PlayWaveWindow().Count(), 0);
}

}  // namespace
