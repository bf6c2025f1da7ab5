// The version-up program's log, versions, key=value reader, code page 932
// and the run-and-wait of other programs.

#include "maintenance/version_up/verup_common.h"
#include "core/cp932.h"
#include "core/settings.h"
#include "maintenance/shared/run_and_wait.h"
#include "platform/atomic_file.h"
#include "platform/clock.h"
#include "tests/maintenance/maintenance_test_support.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <vector>

namespace {

using namespace mox;
using mox::test::ReadFile;
using mox::test::WriteFile;

class LogTest : public ::testing::Test {
protected:
    LogTest() {
        old_ = G().ProgramDir;
        G().ProgramDir = dir_.path();
        clock_.SetNow(QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9)));
    }
    ~LogTest() override { G().ProgramDir = old_; }
    QString Path(const QString& name) const { return dir_.filePath(name); }

    QTemporaryDir dir_;
    QString old_;
    platform::FakeClock clock_;
};

TEST_F(LogTest, LinesAreStampedUtf8WithCrLfAndAppended) {
    verup::WriteLog(QStringLiteral("最新バージョンを確認しました。"), 1);
    verup::WriteLog(QString(), 1);
    verup::WriteLog(QStringLiteral("plain"), 0);
    EXPECT_EQ(
        ReadFile(Path("Log_MOX.txt")),
        QStringLiteral("2024/05/06 07:08 最新バージョンを確認しました。\r\n2024/05/06 07:08 \r\nplain\r\n").toUtf8());
    verup::ClearLog();
    EXPECT_TRUE(QFile::exists(Path("Log_MOX.txt")));
    EXPECT_EQ(QFileInfo(Path("Log_MOX.txt")).size(), 0);
}

TEST_F(LogTest, RotatesOnlyAboveTwoHundredKibAndKeepsTheLaterCopyOfTheDay) {
    const QByteArray exact(verup::kLogRotateAbove, 'a');
    WriteFile(Path("Log_MOX.txt"), exact);
    verup::WriteLog(QStringLiteral("next"), 0);
    EXPECT_FALSE(QFile::exists(Path("Log_MOX_20240506.txt")));
    EXPECT_EQ(ReadFile(Path("Log_MOX.txt")), exact + "next\r\n");

    // The file is now above the limit: the next line rotates it first.
    const QByteArray first = ReadFile(Path("Log_MOX.txt"));
    verup::WriteLog(QStringLiteral("after"), 0);
    EXPECT_EQ(ReadFile(Path("Log_MOX_20240506.txt")), first);
    EXPECT_EQ(ReadFile(Path("Log_MOX.txt")), QByteArray("after\r\n"));

    // One byte over is enough, and a second rotation that day replaces the first copy.
    const QByteArray second(verup::kLogRotateAbove + 1, 'b');
    WriteFile(Path("Log_MOX.txt"), second);
    verup::WriteLog(QStringLiteral("again"), 0);
    EXPECT_EQ(ReadFile(Path("Log_MOX_20240506.txt")), second);
    EXPECT_EQ(ReadFile(Path("Log_MOX.txt")), QByteArray("again\r\n"));
}

TEST_F(LogTest, AFailedRotationCopyLosesNoLine) {
    const QByteArray full(verup::kLogRotateAbove + 1, 'c');
    WriteFile(Path("Log_MOX.txt"), full);
    {
        platform::FileStepFault fault(1);
        verup::WriteLog(QStringLiteral("kept"), 0);
    }
    EXPECT_FALSE(QFile::exists(Path("Log_MOX_20240506.txt")));
    EXPECT_EQ(ReadFile(Path("Log_MOX.txt")), full + "kept\r\n");
}

// An update's work place is on the disk, never in the runtime folder: that
// lives in memory, capped at a tenth of it, and has no room for an update
// that fits on the disk.
TEST(TempFolder, TheWorkPlaceIsOnTheDiskNeverInTheRuntimeFolder) {
    const char* names[] = {"XDG_RUNTIME_DIR", "XDG_CACHE_HOME", "TMPDIR", "HOME"};
    std::vector<std::pair<QByteArray, bool>> saved;
    for (const char* name : names) saved.emplace_back(qgetenv(name), qEnvironmentVariableIsSet(name));
    QTemporaryDir runtime, cache, temp, home;
    QFile::setPermissions(runtime.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("TMPDIR", QFile::encodeName(temp.path()));

    qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
    EXPECT_EQ(verup::GetTempFolder(), cache.path());

    // Without a cache folder of its own the user gets the usual one, made
    // private when missing.
    qunsetenv("XDG_CACHE_HOME");
    EXPECT_EQ(verup::GetTempFolder(), home.filePath(".cache"));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(home.filePath(".cache")).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    // A cache folder in the runtime folder, or none that can be used: the
    // temporary folder, else /var/tmp.
    QDir(runtime.path()).mkdir("cache");
    qputenv("XDG_CACHE_HOME", QFile::encodeName(runtime.filePath("cache")));
    EXPECT_EQ(verup::GetTempFolder(), temp.path());
    qputenv("TMPDIR", QFile::encodeName(runtime.path()));
    EXPECT_EQ(verup::GetTempFolder(), QStringLiteral("/var/tmp"));
    WriteFile(cache.filePath("file"), "x");
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.filePath("file")));
    qunsetenv("TMPDIR");
    EXPECT_EQ(verup::GetTempFolder(), QStringLiteral("/var/tmp"));

    for (size_t i = 0; i < saved.size(); ++i) {
        if (saved[i].second)
            qputenv(names[i], saved[i].first);
        else
            qunsetenv(names[i]);
    }
}

TEST(Versions, CompareVersionsNamesTheFirstDifferingPartAndItsDirection) {
    struct Case {
        const char* a;
        const char* b;
        int expected;
    };
    const Case cases[] = {
        {"4.0.1", "4.0.1.0", 0}, {"4.0.6", "4.0.6", 0},     {"5.0.0", "4.9.9", 1},    {"4.0.0", "5", -1},
        {"4.1", "4.0.9", 2},     {"4.10.0", "4.9.0", 2},    {"4.9.0", "4.10.0", -2},  {"4.0.10", "4.0.9", 3},
        {"4.0.2", "4.0.10", -3}, {"4.0.1.2", "4.0.1.1", 4}, {"4.0.1", "4.0.1.1", -4}, {"", "0.0.0", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(verup::CompareVersions(QString::fromLatin1(c.a), QString::fromLatin1(c.b)), c.expected)
            << c.a << " vs " << c.b;
}

TEST(Versions, SplitVersionReadsLeadingNumbersAndNeverFailsOnHostileText) {
    using Parts = std::array<int16_t, 4>;
    EXPECT_EQ(verup::SplitVersion(QStringLiteral("4.0.6")), (Parts{4, 0, 6, 0}));
    EXPECT_EQ(verup::SplitVersion(QStringLiteral(" 4.1 beta.2x.7.9.9")), (Parts{4, 1, 2, 7}));
    // Numbers beyond the 16-bit range are held at its ends instead of overflowing.
    EXPECT_EQ(verup::SplitVersion(QStringLiteral("99999999999999999999999.-70000.1e3.1e999")),
              (Parts{32767, -32768, 1000, 32767}));
    EXPECT_EQ(verup::SplitVersion(QStringLiteral("abc")), (Parts{0, 0, 0, 0}));
    EXPECT_EQ(verup::SplitVersion(QString::fromLatin1("\x01\xff.\x7f")), (Parts{0, 0, 0, 0}));
    EXPECT_EQ(verup::CompareVersions(QStringLiteral("99999999"), QStringLiteral("32767")), 0);
}

TEST(ReadKeyValue, FindsTheFirstExactKeyOfATrimmedLine) {
    QTemporaryDir dir;
    const QString path = dir.filePath("v.txt");
    EXPECT_EQ(verup::ReadKeyValue(path, QStringLiteral("Version")), QString());
    WriteFile(path,
              "' Version=9.9.9\r\n"
              "no equals sign here\r\n"
              "version=8.8.8\r\n"
              "\r\n"
              "   Version=4.0.6   \r\n"
              "Version=5.0.0\r\n");
    EXPECT_EQ(verup::ReadKeyValue(path, QStringLiteral("Version")), QStringLiteral("4.0.6"));
    WriteFile(path, "Key== spaced=value  \n");
    EXPECT_EQ(verup::ReadKeyValue(path, QStringLiteral("Key")), QStringLiteral("= spaced=value"));
    // The file is the Windows code page.
    WriteFile(path, mox::ToCp932(QStringLiteral("医院=さくら歯科\r\n")));
    EXPECT_EQ(verup::ReadKeyValue(path, QStringLiteral("医院")), QStringLiteral("さくら歯科"));
}

TEST(ReadKeyValue, BinaryAndBrokenFilesGiveNoValueWithoutFailing) {
    QTemporaryDir dir;
    const QString path = dir.filePath("bin");
    QByteArray junk;
    for (int i = 0; i < 70000; ++i) junk += static_cast<char>((i * 131) % 256);
    WriteFile(path, junk);
    EXPECT_EQ(verup::ReadKeyValue(path, QStringLiteral("Version")), QString());
    WriteFile(path, QByteArray("\x82\x00\xff\xfe=\x81\nVersion=\x82", 16));
    EXPECT_EQ(verup::ReadKeyValue(path, QStringLiteral("Version")), QString(QChar(0xFFFD)));
    EXPECT_EQ(verup::ReadKeyValue(dir.path(), QStringLiteral("Version")), QString());
}

TEST(Cp932, JapaneseRoundTripsAndWhatCannotBeHeldIsMarked) {
    const QString text = QStringLiteral("ＰＣ名：受付～①髙");
    bool complete = false;
    const QByteArray bytes = mox::ToCp932(text, &complete);
    EXPECT_TRUE(complete);
    // The Windows code page's own mappings: full-width tilde 0x8160, circled one 0x8740.
    EXPECT_TRUE(bytes.contains(QByteArray("\x81\x60")));
    EXPECT_TRUE(bytes.contains(QByteArray("\x87\x40")));
    EXPECT_EQ(mox::FromCp932(bytes), text);

    EXPECT_EQ(mox::ToCp932(QStringLiteral("a😀b"), &complete), QByteArray("a?b"));
    EXPECT_FALSE(complete);
    EXPECT_EQ(mox::FromCp932(QByteArray("a\x82")), QStringLiteral("a") + QChar(0xFFFD));
}

TEST(RunAndWait, ReturnsTheExitCodeFeedsStandardInputAndTellsAStartThatFailed) {
    RunOptions options;
    EXPECT_EQ(RunAndWait(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("exit 3")}, options), 3);
    options.standardInput = "secret\n";
    QByteArray output;
    EXPECT_EQ(RunAndWait(QStringLiteral("/bin/sh"),
                         {QStringLiteral("-c"), QStringLiteral("read x; echo \"got $x\"; test \"$x\" = secret")},
                         options, &output),
              0);
    EXPECT_EQ(output, QByteArray("got secret\n"));
    EXPECT_EQ(RunAndWait(QStringLiteral("/nonexistent/program"), {}, options), kRunNotStarted);
    EXPECT_EQ(RunAndWait(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("kill -9 $$")}, options),
              kRunCrashed);
}

TEST(RunAndWait, AProgramThatHangsIsKilledAtTheLimitOfTheClock) {
    platform::FakeClock clock;
    RunOptions options;
    options.timeoutMs = 30000;
    options.pollMs = 1000;
    QTemporaryDir dir;
    const QString pidFile = dir.filePath("pid");
    EXPECT_EQ(
        RunAndWait(QStringLiteral("/bin/sh"),
                   {QStringLiteral("-c"), QStringLiteral("echo $$ > '%1'; exec sleep 600").arg(pidFile)}, options),
        kRunTimedOut);
    EXPECT_GE(clock.MonotonicMs(), 30000);
    const QByteArray pid = ReadFile(pidFile).trimmed();
    ASSERT_FALSE(pid.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("/proc/") + QString::fromLatin1(pid)))
        << "the hanging program lives on";
}

}  // namespace
