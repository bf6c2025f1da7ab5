#include "core/sound/wave_file.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QHash>
#include <QtEndian>
#include <algorithm>
#include <cstdlib>
#include <vector>

using namespace mox;

namespace {

// Every clip a caller queues: one per value button (0 to 16) and the sounds
// of the buttons and the refused key.
QStringList ClipNames() {
    QStringList names;
    for (int i = 0; i <= 16; ++i) names << QString::number(i) + ".wav";
    names << QStringLiteral("無.wav") << "subeteari.wav"
          << "subetenashi.wav"
          << "click1.wav"
          << "phone1.wav"
          << "warp.wav";
    return names;
}

bool IsVoice(const QString& name) { return name != "click1.wav" && name != "phone1.wav" && name != "warp.wav"; }

// Morae of the word each voice clip speaks (ぜろ, いち, ... じゅうろくいじょう;
// なし, すべてあり, すべてなし).
int MoraeOf(const QString& name) {
    static const QHash<QString, int> morae{{"0.wav", 2},  {"1.wav", 2},  {"2.wav", 1},         {"3.wav", 2},
                                           {"4.wav", 2},  {"5.wav", 1},  {"6.wav", 2},         {"7.wav", 2},
                                           {"8.wav", 2},  {"9.wav", 2},  {"10.wav", 2},        {"11.wav", 4},
                                           {"12.wav", 3}, {"13.wav", 4}, {"14.wav", 4},        {"15.wav", 3},
                                           {"16.wav", 7}, {"無.wav", 2}, {"subeteari.wav", 5}, {"subetenashi.wav", 5}};
    return morae.value(name);
}

// Largest sample magnitude of a stretch of 16-bit samples, as a fraction of full scale.
double PeakOf(const QByteArray& samples) {
    int peak = 0;
    for (qsizetype i = 0; i + 1 < samples.size(); i += 2)
        peak = std::max(peak, std::abs(int(qFromLittleEndian<qint16>(samples.constData() + i))));
    return peak / 32768.0;
}

// The queue's lag behind the keys: a key every intervalMs queues the clip of
// the next value (taken round-robin); a clip starts at its key or when the one
// before has held the queue for its hold, whichever is later. Gives the
// largest lag of any of the keys, in milliseconds.
double WorstLagMs(const std::vector<int>& values, int keys, double intervalMs, const QHash<int, int>& holdMs) {
    double freeAt = 0, worst = 0;
    for (int k = 0; k < keys; ++k) {
        const double key = k * intervalMs;
        const double start = std::max(key, freeAt);
        worst = std::max(worst, start - key);
        freeAt = start + holdMs.value(values[size_t(k) % values.size()]);
    }
    return worst;
}

QByteArray Bytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

TEST(SoundClipSet, EveryClipIsAShortAudible16BitMonoWave) {
    const QString folder = test::SourceDir() + "/data/wave/";
    for (const QString& name : ClipNames()) {
        SCOPED_TRACE(name.toStdString());
        const auto clip = ReadWaveFile(folder + name);
        ASSERT_TRUE(clip) << "missing or not a playable wave file";
        EXPECT_EQ(clip->format.formatTag, 1);
        EXPECT_EQ(clip->format.channels, 1);
        EXPECT_EQ(clip->format.bitsPerSample, 16);
        EXPECT_EQ(clip->format.samplesPerSec, 22050u);
        const double seconds = clip->DurationUs() / 1e6;
        EXPECT_LE(seconds, 1.5) << "a clip holds the queue for its whole length";
        const double peak = PeakOf(clip->samples);
        EXPECT_GE(peak, 0.25) << "silent or nearly silent";
        if (!IsVoice(name)) {
            EXPECT_GE(seconds, 0.02);
            continue;
        }
        // Faster than even hurried speech (14 morae a second), syllables run
        // together and the value is no longer heard for sure.
        EXPECT_GE(seconds, 0.07 * MoraeOf(name)) << "spoken too fast to keep every syllable";
        // The word fades in and dies away: a clip that starts or stops at
        // full level clicks, or was cut inside its word.
        const qsizetype oneMs = clip->format.avgBytesPerSec / 1000;
        EXPECT_LT(PeakOf(clip->samples.first(oneMs)), peak / 4) << "starts at full level";
        EXPECT_LT(PeakOf(clip->samples.last(oneMs)), peak / 4) << "stops at full level";
    }
}

// The voice keeps up with a practised examiner typing pocket depths at 3 keys
// a second: over 100 keys no value's clip sounds more than 3 s after its key,
// for the values 1 to 9 in turn and for a mouth of mostly 2, 3 and 4 (in 20
// keys seven 2s, seven 3s, four 4s, a 5 and a 6).
TEST(SoundClipSet, TheValueClipsKeepUpWithThreeKeysASecond) {
    const QString folder = test::SourceDir() + "/data/wave/";
    QHash<int, int> holdMs;
    for (int value = 1; value <= 9; ++value) {
        const auto clip = ReadWaveFile(folder + QString::number(value) + ".wav");
        ASSERT_TRUE(clip) << value;
        holdMs[value] = ClipHoldMs(clip->fileSize, clip->format.avgBytesPerSec);
    }
    const double everyKeyMs = 1000.0 / 3;
    EXPECT_LE(WorstLagMs({1, 2, 3, 4, 5, 6, 7, 8, 9}, 100, everyKeyMs, holdMs), 3000);
    EXPECT_LE(WorstLagMs({3, 2, 3, 4, 2, 3, 2, 4, 3, 2, 3, 5, 2, 3, 4, 2, 3, 6, 2, 4}, 100, everyKeyMs, holdMs), 3000);
}

TEST(SoundClipSet, TheBuildPutsTheClipsIntoTheProgramFolder) {
    for (const QString& name : ClipNames()) {
        SCOPED_TRACE(name.toStdString());
        const QByteArray copy = Bytes(test::ProgramDir() + "/wave/" + name);
        ASSERT_FALSE(copy.isEmpty());
        EXPECT_EQ(copy, Bytes(test::SourceDir() + "/data/wave/" + name));
    }
}
