#include "platform/instance_lock.h"
#include "platform/clock.h"
#include "tests/support/test_support.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <cstdio>
#include <cstdlib>

using namespace mox::platform;

namespace {

// The second program instance is this test binary run again with only the
// helper test below enabled; the folder comes through the environment.
QProcess* StartHolder(const QString& folder, const char* mode) {
    auto* process = new QProcess;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("MOX_LOCK_FOLDER"), folder);
    env.insert(QStringLiteral("MOX_LOCK_MODE"), QString::fromLatin1(mode));
    process->setProcessEnvironment(env);
    process->start(QCoreApplication::applicationFilePath(),
                   {QStringLiteral("--gtest_also_run_disabled_tests"),
                    QStringLiteral("--gtest_filter=InstanceLockHelper.DISABLED_HoldLock")});
    return process;
}

bool WaitForLine(QProcess& process, const QByteArray& line) {
    QByteArray seen;
    while (!seen.contains(line)) {
        if (!process.waitForReadyRead(30000)) return false;
        seen += process.readAllStandardOutput();
    }
    return true;
}

}  // namespace

TEST(InstanceLockHelper, DISABLED_HoldLock) {
    InstanceLock lock(qEnvironmentVariable("MOX_LOCK_FOLDER"), QStringLiteral("VXMOX"));
    if (!lock.TryAcquire()) std::_Exit(3);
    std::printf("LOCKED\n");
    std::fflush(stdout);
    // "die" ends without releasing, as a crashed program would.
    if (qEnvironmentVariable("MOX_LOCK_MODE") == QLatin1String("die")) std::_Exit(0);
    // Otherwise hold the lock until the parent closes our input.
    char buffer[16];
    while (std::fread(buffer, 1, sizeof buffer, stdin) > 0) {
    }
}

TEST(InstanceLock, SecondInstanceInAnotherProcessIsRefused) {
    mox::test::Sandbox sandbox;
    std::unique_ptr<QProcess> holder(StartHolder(sandbox.Path(), "hold"));
    ASSERT_TRUE(WaitForLine(*holder, "LOCKED")) << holder->readAllStandardError().toStdString();

    InstanceLock second(sandbox.Path(), QStringLiteral("VXMOX"));
    EXPECT_FALSE(second.TryAcquire());
    EXPECT_TRUE(InstanceLock::IsHeld(sandbox.Path(), QStringLiteral("VXMOX")));
    // Another program's lock in the same folder is independent, and looking
    // at a lock nobody holds leaves no file behind.
    EXPECT_FALSE(InstanceLock::IsHeld(sandbox.Path(), QStringLiteral("MOXConvert")));
    EXPECT_FALSE(QFile::exists(sandbox.File(QStringLiteral(".MOXConvert.lock"))));
    InstanceLock other(sandbox.Path(), QStringLiteral("MOXConvert"));
    EXPECT_TRUE(other.TryAcquire());

    holder->closeWriteChannel();
    ASSERT_TRUE(holder->waitForFinished(30000));
    EXPECT_TRUE(second.TryAcquire());
}

TEST(InstanceLock, StaleLockOfADeadProcessIsTakenOver) {
    mox::test::Sandbox sandbox;
    std::unique_ptr<QProcess> holder(StartHolder(sandbox.Path(), "die"));
    ASSERT_TRUE(WaitForLine(*holder, "LOCKED"));
    ASSERT_TRUE(holder->waitForFinished(30000));
    ASSERT_TRUE(QFile::exists(sandbox.File(QStringLiteral(".VXMOX.lock"))));

    InstanceLock lock(sandbox.Path(), QStringLiteral("VXMOX"));
    EXPECT_TRUE(lock.TryAcquire());
    EXPECT_TRUE(lock.TryAcquire());  // asking again keeps the lock
}

TEST(InstanceLock, LockFileNamingNoProcessIsTakenOverUnlessARunningProgramHoldsIt) {
    mox::test::Sandbox sandbox;
    const QString path = sandbox.File(QStringLiteral(".VXMOX.lock"));
    // Empty after a power loss, cut short, garbled, or not even readable.
    for (const QByteArray& content : {QByteArray(), QByteArray("4242"), QByteArray("\x01\x02\xff garbage\n")}) {
        sandbox.WriteText(QStringLiteral(".VXMOX.lock"), content);
        InstanceLock lock(sandbox.Path(), QStringLiteral("VXMOX"));
        EXPECT_TRUE(lock.TryAcquire()) << content.toStdString();
    }
    sandbox.WriteText(QStringLiteral(".VXMOX.lock"), "x");
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::Permissions()));
    {
        InstanceLock lock(sandbox.Path(), QStringLiteral("VXMOX"));
        EXPECT_TRUE(lock.TryAcquire());
    }
    // A pipe in the lock's place is never waited on: it gives way to a lock.
    ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    {
        InstanceLock lock(sandbox.Path(), QStringLiteral("VXMOX"));
        EXPECT_TRUE(lock.TryAcquire());
        EXPECT_TRUE(QFileInfo(path).isFile());
    }

    // The same garbled file while a running program keeps its lock on it.
    sandbox.WriteText(QStringLiteral(".VXMOX.lock"), "\x01garbage");
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    struct flock whole {};
    whole.l_type = F_WRLCK;
    whole.l_whence = SEEK_SET;
    ASSERT_EQ(::fcntl(fd, F_OFD_SETLK, &whole), 0);
    {
        InstanceLock lock(sandbox.Path(), QStringLiteral("VXMOX"));
        EXPECT_FALSE(lock.TryAcquire());
        EXPECT_TRUE(QFile::exists(path));
    }
    ::close(fd);
}

TEST(InstanceLock, ReleasedWhenTheHolderIsDestroyed) {
    mox::test::Sandbox sandbox;
    {
        InstanceLock first(sandbox.Path(), QStringLiteral("VXMOX"));
        ASSERT_TRUE(first.TryAcquire());
        EXPECT_TRUE(QFile::exists(sandbox.File(QStringLiteral(".VXMOX.lock"))));
    }
    EXPECT_FALSE(QFile::exists(sandbox.File(QStringLiteral(".VXMOX.lock"))));
}

// The main program and the converter exclude each other. Started at the same
// instant, over and over, exactly one of the two runs, and the other names
// the program that runs, never itself. Each start is a process of its own,
// as on a clinic's machine; both wait at one barrier (a pipe the test
// closes) so that they start together, and the one that runs keeps its lock
// until the test has both answers.
TEST(StartLock, TwoProgramsStartedTogetherNeverBothRefuseNorTakeTheOtherForThemselves) {
    mox::test::Sandbox sandbox;
    FakeClock clock;  // looking again takes no real time
    const QString names[2] = {QStringLiteral("VXMOX"), QStringLiteral("MOXConvert")};
    int bothRefused = 0, bothRan = 0, wrongReason = 0, lost = 0;
    for (int round = 0; round < 200; ++round) {
        int go[2], results[2], done[2];
        ASSERT_EQ(::pipe2(go, O_CLOEXEC), 0);
        ASSERT_EQ(::pipe2(results, O_CLOEXEC), 0);
        ASSERT_EQ(::pipe2(done, O_CLOEXEC), 0);
        pid_t children[2];
        for (int i = 0; i < 2; ++i) {
            children[i] = ::fork();
            ASSERT_GE(children[i], 0);
            if (children[i] != 0) continue;
            ::close(go[1]);
            ::close(results[0]);
            ::close(done[1]);
            char c = 0;
            [[maybe_unused]] ssize_t n = ::read(go[0], &c, 1);  // ends when the test closes the barrier
            const StartLock taken = TakeStartLock(sandbox.Path(), names[i], {names[1 - i]});
            const char report[2] = {static_cast<char>('0' + i),
                                    taken.lock ? 'R' : (taken.heldName == names[i] ? 'S' : 'O')};
            n = ::write(results[1], report, 2);
            n = ::read(done[0], &c, 1);  // the lock is kept until the test has both answers
            std::_Exit(0);
        }
        ::close(go[0]);
        ::close(results[1]);
        ::close(done[0]);
        ::close(go[1]);
        char outcome[2] = {'?', '?'};
        char report[2];
        for (int got = 0; got < 2 && ::read(results[0], report, 2) == 2; ++got) outcome[report[0] - '0'] = report[1];
        ::close(done[1]);
        ::close(results[0]);
        for (const pid_t child : children) ::waitpid(child, nullptr, 0);

        const int ran = (outcome[0] == 'R') + (outcome[1] == 'R');
        if (outcome[0] == '?' || outcome[1] == '?') {
            ++lost;
        } else if (ran != 1) {
            ++(ran == 0 ? bothRefused : bothRan);
        } else if (outcome[0] == 'S' || outcome[1] == 'S') {
            ++wrongReason;
        }
    }
    EXPECT_EQ(lost, 0);
    EXPECT_EQ(bothRefused, 0);
    EXPECT_EQ(bothRan, 0);
    EXPECT_EQ(wrongReason, 0);
}
