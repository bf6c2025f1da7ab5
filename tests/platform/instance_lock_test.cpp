#include "platform/instance_lock.h"
#include "tests/support/test_support.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QDir>
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
    // Another program's lock in the same folder is independent.
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

    // The same garbled file while a running program keeps its lock on it.
    sandbox.WriteText(QStringLiteral(".VXMOX.lock"), "\x01garbage");
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
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
