// The judge of the recorded sound tests: clips found where they lie, a clip
// with a piece missing not taken for whole, a clip played twice noticed.

#include "tests/core/sound/sink_recording.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

using namespace mox;
using namespace mox::test;

namespace {

ClipPrint PrintOf(const QString& name) {
    const std::optional<WaveClip> clip = ReadWaveFile(ProgramDir() + "/wave/" + name);
    return clip ? ClipPrint::Of(name, *clip) : ClipPrint{name, {}};
}

void Append(std::vector<int16_t>& recording, const std::vector<float>& samples, size_t from = 0,
            size_t to = size_t(-1)) {
    for (size_t i = from; i < std::min(to, samples.size()); ++i) recording.push_back(int16_t(samples[i]));
}

void Silence(std::vector<int16_t>& recording, int ms) { recording.insert(recording.end(), ms * 22050 / 1000, 0); }

}  // namespace

TEST(SoundClipFinder, FindsWholeClipsAndTellsACutOrDoubledOneApart) {
    const ClipPrint click = PrintOf("click1.wav"), twelve = PrintOf("12.wav"), one = PrintOf("1.wav");
    ASSERT_FALSE(click.samples.empty() || twelve.samples.empty() || one.samples.empty());

    std::vector<int16_t> recording;
    Silence(recording, 300);
    const qint64 clickAt = qint64(recording.size());
    Append(recording, click.samples);
    Silence(recording, 100);
    // 12 with 10 ms missing from its middle, as a stream that ran short.
    const size_t middle = twelve.samples.size() / 2;
    Append(recording, twelve.samples, 0, middle);
    Append(recording, twelve.samples, middle + 220);
    Silence(recording, 100);
    const qint64 oneAt = qint64(recording.size());
    Append(recording, one.samples);
    Silence(recording, 60);
    Append(recording, one.samples);  // played twice
    Silence(recording, 300);

    const ClipFinder finder(recording);
    const std::vector<HeardClip> heard = finder.FindInOrder({&click, &twelve, &one});
    ASSERT_EQ(heard.size(), 3u);
    EXPECT_TRUE(heard[0].Whole());
    EXPECT_NEAR(double(heard[0].start), double(clickAt), 2);
    EXPECT_TRUE(heard[1].found);
    EXPECT_FALSE(heard[1].Whole()) << "a clip with 10 ms missing; weakest quarter " << heard[1].weakest;
    EXPECT_TRUE(heard[2].Whole());
    EXPECT_NEAR(double(heard[2].start), double(oneAt), 2);

    std::vector<std::pair<qint64, qint64>> spans;
    for (size_t i = 0; i < heard.size(); ++i)
        spans.push_back({heard[i].start, heard[i].start + qint64((i == 0   ? click
                                                                  : i == 1 ? twelve
                                                                           : one)
                                                                     .samples.size())});
    EXPECT_GT(finder.SoundOutside(spans, 0, qint64(recording.size())), 200) << "the second 1 is sound of no clip";
    EXPECT_FALSE(finder.Find(twelve, heard[2].start).found) << "no 12 after the 1";
}
