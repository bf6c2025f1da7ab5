#include "core/sound/wave_file.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QtEndian>
#include <cstdlib>

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

double PeakOf(const QByteArray& samples) {
    int peak = 0;
    for (qsizetype i = 0; i + 1 < samples.size(); i += 2)
        peak = std::max(peak, std::abs(int(qFromLittleEndian<qint16>(samples.constData() + i))));
    return peak / 32768.0;
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
        const double seconds = clip->DurationUs() / 1e6;
        EXPECT_GE(seconds, IsVoice(name) ? 0.2 : 0.02);
        EXPECT_LE(seconds, 1.5) << "a clip holds the queue for its whole length";
        EXPECT_GE(PeakOf(clip->samples), 0.25) << "silent or nearly silent";
    }
}

TEST(SoundClipSet, TheBuildPutsTheClipsIntoTheProgramFolder) {
    for (const QString& name : ClipNames()) {
        SCOPED_TRACE(name.toStdString());
        const QByteArray copy = Bytes(test::ProgramDir() + "/wave/" + name);
        ASSERT_FALSE(copy.isEmpty());
        EXPECT_EQ(copy, Bytes(test::SourceDir() + "/data/wave/" + name));
    }
}
