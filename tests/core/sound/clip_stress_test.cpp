// About a thousand real clips through the sound window's queue to a real
// sound server (PulseAudio, and PipeWire), from several programs at once,
// the way a clinic types values all day. Each program is this test binary
// run again as a child: it plays its share of clips, partly at typing speed
// (a pause before a key) and partly faster (keys ahead of the voice), and
// then ends its process while clips still sound, as the program does after
// the exit compaction, or frees its sound window first, as at a plain quit.
// An output that lets the server's answers reach what it has already freed,
// or whose thread outlives it, crashes one of them. MOX_SOUND_STRESS_CLIPS
// sets the clips per program.

#include "core/settings.h"
#include "core/sound/play_wave.h"
#include "tests/core/sound/server_test_support.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

using namespace mox;

namespace {

constexpr int kPrograms = 8;
constexpr int kDefaultClipsPerProgram = 120;

int ClipsPerProgram() {
    bool ok = false;
    const int clips = qEnvironmentVariableIntValue("MOX_SOUND_STRESS_CLIPS", &ok);
    return ok && clips > 0 ? clips : kDefaultClipsPerProgram;
}

}  // namespace

TEST(SoundStressChild, DISABLED_TypeClipAfterClipThenEndTheProcess) {
    const int clips = ClipsPerProgram();
    G().ProgramDir = test::ProgramDir();
    G().SoundOn = true;
    LoadPlayWaveWindow();
    PFrmPlayWave& window = PlayWaveWindow();
    if (!window.DeviceOpen()) std::_Exit(2);

    // A line per clip the queue took, so that the parent knows how far a
    // program came.
    int queued = 0;
    int finished = 0;
    const auto noteTaken = [&] {
        for (; finished < queued - window.Count(); ++finished) std::printf("PLAYED %d\n", finished + 1);
        std::fflush(stdout);
    };

    // Mostly the short click of a button, with a voiced value now and then.
    const QStringList keys = {"click1.wav", "click1.wav", "click1.wav", "3.wav",      "click1.wav", "click1.wav",
                              "click1.wav", "phone1.wav", "click1.wav", "click1.wav", "click1.wav", "0.wav",
                              "click1.wav", "click1.wav", "click1.wav", "無.wav"};
    QRandomGenerator random(qEnvironmentVariableIntValue("MOX_SOUND_STRESS_SEED"));
    QElapsedTimer sinceKey;
    sinceKey.start();
    int pauseMs = 0;
    QTimer keyboard;
    keyboard.setInterval(5);
    QObject::connect(&keyboard, &QTimer::timeout, [&] {
        noteTaken();
        if (queued >= clips) return;
        // In phases of 40 keys: typing speed (the queue runs empty, then a
        // pause of up to 150 ms before the next key), then keys faster than
        // the voices play (the queue never runs empty).
        const bool typing = (queued / 40) % 2 == 0;
        if (typing ? window.Count() > 0 || sinceKey.elapsed() < pauseMs : window.Count() >= 3) return;
        PlayWave(keys[queued % keys.size()]);
        ++queued;
        sinceKey.restart();
        pauseMs = int(random.bounded(150));
    });
    keyboard.start();

    QDeadlineTimer deadline(240'000);
    while (finished < clips && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    if (finished < clips) std::_Exit(3);

    // The program ends its process from a timer with clips still sounding;
    // at a plain quit it frees the sound window first. Half the programs do
    // that too, and live on a moment for any late word from the server.
    keyboard.stop();
    PlayWave("16.wav");
    PlayWave("subeteari.wav");
    const auto runFor = [](int ms) {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    };
    runFor(100 + int(random.bounded(400)));
    if (qEnvironmentVariableIntValue("MOX_SOUND_STRESS_SEED") % 2 == 1) {
        SetPlayWaveWindow(nullptr);
        runFor(300);
    }
    std::fflush(nullptr);
    std::_Exit(0);
}

class SoundStress : public test::SoundOnServer {};
MOX_ON_EVERY_SOUND_SERVER(SoundStress);

TEST_P(SoundStress, ProgramsPlayHundredsOfClipsEachAndEndWhileClipsSoundWithoutACrash) {
    // Each program's lines go to a file: a pipe nobody reads while the parent
    // waits for another program would hold it up.
    QTemporaryDir outs;
    ASSERT_TRUE(outs.isValid());
    std::vector<std::unique_ptr<QProcess>> programs;
    for (int p = 0; p < kPrograms; ++p) {
        auto program = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("MOX_SOUND_STRESS_SEED", QString::number(p + 1));
        program->setProcessEnvironment(env);
        program->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program->setStandardOutputFile(outs.filePath(QString::number(p)));
        program->start(QCoreApplication::applicationFilePath(),
                       {"--gtest_also_run_disabled_tests",
                        "--gtest_filter=SoundStressChild.DISABLED_TypeClipAfterClipThenEndTheProcess"});
        programs.push_back(std::move(program));
    }

    int played = 0;
    QStringList crashes;
    for (int p = 0; p < kPrograms; ++p) {
        QProcess& program = *programs[p];
        ASSERT_TRUE(program.waitForFinished(280'000));
        QFile file(outs.filePath(QString::number(p)));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray out = file.readAll();
        const qsizetype at = out.lastIndexOf("PLAYED ");
        const int clips = at < 0 ? 0 : out.mid(at + 7).split('\n').first().toInt();
        played += clips;
        if (program.exitStatus() == QProcess::CrashExit)
            crashes << QString("after %1 clips").arg(clips);
        else
            EXPECT_EQ(program.exitCode(), 0) << "2: no output device, 3: too few clips taken (" << clips << ")";
    }
    std::printf("%d programs played %d clips; %d crashed%s\n", kPrograms, played, int(crashes.size()),
                qPrintable(crashes.isEmpty() ? QString() : ": " + crashes.join(", ")));
    EXPECT_TRUE(crashes.isEmpty()) << crashes.join(", ").toStdString();
    EXPECT_TRUE(Server().Running()) << "the sound server survived";
}
