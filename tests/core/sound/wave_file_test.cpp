#include "core/sound/wave_file.h"
#include "tests/core/sound/wave_writer.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

using namespace mox;
using namespace mox::test;

TEST(SoundWaveFile, ReadsFormatAndSamplesOfAPlainClip) {
    const QByteArray bytes = SimpleWave(44100, 77);
    ASSERT_EQ(bytes.size(), 44144);
    const auto clip = ParseWave(bytes);
    ASSERT_TRUE(clip);
    EXPECT_EQ(clip->format.formatTag, 1);
    EXPECT_EQ(clip->format.channels, 1);
    EXPECT_EQ(clip->format.samplesPerSec, 44100u);
    EXPECT_EQ(clip->format.avgBytesPerSec, 88200u);
    EXPECT_EQ(clip->samples.size(), 44100);
    EXPECT_EQ(clip->fileSize, 44144);
    EXPECT_EQ(clip->DurationUs(), 500000);
}

TEST(SoundWaveFile, WalksPastOtherChunksIncludingOddSizedOnes) {
    const QByteArray bytes = Riff(Chunk("LIST", QByteArray("abc")) + FmtChunk({}) + Chunk("fact", QByteArray(4, 'x')) +
                                  Chunk("data", TaggedSamples(200, 5)));
    const auto clip = ParseWave(bytes);
    ASSERT_TRUE(clip);
    EXPECT_EQ(clip->samples, TaggedSamples(200, 5));
}

TEST(SoundWaveFile, ToleratesAWrongRiffSizeAndPlaysWhatATruncatedFileHolds) {
    QByteArray bytes = SimpleWave(1000);
    bytes[4] = '\xff';  // RIFF size far beyond the file
    EXPECT_TRUE(ParseWave(bytes));

    const QByteArray truncated = Riff(FmtChunk({}) + Chunk("data", TaggedSamples(101, 3), 5000));
    const auto clip = ParseWave(truncated);
    ASSERT_TRUE(clip);
    EXPECT_EQ(clip->samples.size() % 2, 0) << "only whole frames reach the device";
}

TEST(SoundWaveFile, RefusesBrokenHeaders) {
    const QByteArray data = Chunk("data", TaggedSamples(400, 1));
    auto spec = [](auto change) {
        WaveSpec s;
        change(s);
        return s;
    };
    struct Case {
        const char* what;
        QByteArray bytes;
    } cases[] = {
        {"empty", QByteArray()},
        {"not RIFF", QByteArray("RIFX") + SimpleWave(100).mid(4)},
        {"not WAVE", SimpleWave(100).replace(8, 4, "AVI ")},
        {"only the RIFF header", Riff(QByteArray())},
        {"no fmt chunk", Riff(data)},
        {"data before fmt", Riff(data + FmtChunk({}))},
        {"fmt chunk too short", Riff(Chunk("fmt ", QByteArray(10, '\0')) + data)},
        {"fmt chunk cut off by the end of file", Riff(FmtChunk({})).left(30)},
        {"zero byte rate", Riff(FmtChunk(spec([](WaveSpec& s) { s.avgBytesPerSec = 0; })) + data)},
        {"byte rate disagrees with the frames", Riff(FmtChunk(spec([](WaveSpec& s) { s.avgBytesPerSec = 1; })) + data)},
        {"block align disagrees", Riff(FmtChunk(spec([](WaveSpec& s) {
                                           s.blockAlign = 3;
                                           s.avgBytesPerSec = 132300;
                                       })) +
                                       data)},
        {"no channels", Riff(FmtChunk(spec([](WaveSpec& s) { s.channels = 0; })) + data)},
        {"compressed", Riff(FmtChunk(spec([](WaveSpec& s) { s.formatTag = 2; })) + data)},
        {"24-bit", Riff(FmtChunk(spec([](WaveSpec& s) { s.bitsPerSample = 24; })) + data)},
        {"no data chunk", Riff(FmtChunk({}))},
        {"empty data chunk", Riff(FmtChunk({}) + Chunk("data", QByteArray()))},
        {"chunk size overflowing", Riff(FmtChunk({}) + Chunk("junk", QByteArray(), 0xFFFFFFF0) + data)},
    };
    for (const Case& c : cases) EXPECT_FALSE(ParseWave(c.bytes)) << c.what;
}

TEST(SoundWaveFile, FindsAClipWhoseNameDiffersOnlyInCase) {
    // Clips copied from a Windows machine keep whatever case they had.
    Sandbox box;
    ASSERT_TRUE(WriteFile(box.Path() + "/Click1.WAV", SimpleWave(400)));
    EXPECT_TRUE(ReadWaveFile(box.Path() + "/click1.wav"));
    EXPECT_FALSE(ReadWaveFile(box.Path() + "/click2.wav"));
    EXPECT_FALSE(ReadWaveFile(box.Path())) << "a folder";
}

TEST(SoundWaveFile, HoldTimeCountsTheWholeFileRoundedHalfToEvenPlus50) {
    EXPECT_EQ(ClipHoldMs(44144, 88200), 550);
    EXPECT_EQ(ClipHoldMs(1, 2000), 50);  // 0.5 ms
    EXPECT_EQ(ClipHoldMs(3, 2000), 52);  // 1.5 ms
    EXPECT_EQ(ClipHoldMs(88200, 88200), 1050);
}
