// The remover with a scripted uninstall command (it records its arguments
// and exits with a chosen code, or hangs) and a stub installer "vxs".

#include "maintenance/remover/remover.h"
#include "platform/atomic_file.h"
#include "platform/clock.h"
#include "platform/instance_lock.h"
#include "platform/message_box.h"
#include "platform/registry.h"
#include "tests/maintenance/maintenance_test_support.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

namespace {

using namespace mox;
using mox::platform::kCancel;
using mox::platform::kNo;
using mox::platform::kYes;
using mox::test::ReadFile;
using mox::test::WriteFile;

const QByteArray kPatients = "the clinic's examinations";

// True when the process is gone or only waits to be reaped.
bool Ended(pid_t pid) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 10000) {
        const QByteArray stat = ReadFile(QStringLiteral("/proc/%1/stat").arg(pid));
        const qsizetype close = stat.lastIndexOf(')');
        if (stat.isEmpty() || (close > 0 && stat.mid(close + 2, 1) == "Z")) return true;
        QThread::msleep(10);
    }
    return false;
}

class RemoverTest : public ::testing::Test {
protected:
    RemoverTest() {
        clock_.SetNow(QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9)));
        setup_.ownFolder = own_.path();
        setup_.uninstallTimeoutMs = 60000;
        WriteFile(own_.filePath("vxs"), "#!/bin/sh\ntouch \"$(dirname \"$0\")/vxs-started\"\n", 0755);
        WriteFile(Old("VXMOX2.MDB"), kPatients, 0644);
        Register(QStringLiteral("MOX-Chart Ver.4"));
        Uninstaller("exit 0");
    }

    QString Old(const QString& name) const { return old_.filePath(name); }
    void Register(const QString& displayName) const {
        const QString key = remover::UninstallKey(QString::fromLatin1(remover::kProductCode));
        platform::RegistryWrite(key, QStringLiteral("DisplayName"), displayName);
        platform::RegistryWrite(key, QStringLiteral("InstallLocation"), old_.path() + "/");
        platform::RegistryWrite(key, QStringLiteral("UninstallString"),
                                QStringLiteral("\"%1\" /qb /x%2")
                                    .arg(own_.filePath("un install"), QString::fromLatin1(remover::kProductCode)));
    }
    // The uninstall command records its arguments, then runs `tail`.
    void Uninstaller(const QString& tail) const {
        WriteFile(
            own_.filePath("un install"),
            QStringLiteral("#!/bin/sh\necho \"$@\" > \"%1\"\n%2\n").arg(own_.filePath("uninstall-args"), tail).toUtf8(),
            0755);
    }
    QString UninstallArguments() const {
        return QString::fromUtf8(ReadFile(own_.filePath("uninstall-args"))).trimmed();
    }
    bool Uninstalled() const { return QFileInfo::exists(own_.filePath("uninstall-args")); }
    bool InstallerStarted() const {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 10000) {
            if (QFileInfo::exists(own_.filePath("vxs-started"))) return true;
            QThread::msleep(10);
        }
        return false;
    }
    QStringList OldFiles() const { return QDir(old_.path()).entryList(QDir::Files, QDir::Name); }
    const platform::ShownBox& Box(size_t i) const { return boxes_.Shown().at(i); }

    test::Sandbox sandbox_;
    QTemporaryDir old_, own_;
    platform::FakeClock clock_;
    platform::ScriptedMsgBoxes boxes_;
    remover::RemoverSetup setup_;
};

TEST_F(RemoverTest, NoEntryOrAnUnknownEditionStartsTheInstallerAtOnce) {
    Register(QStringLiteral("MOX-Chart Ver.5"));
    EXPECT_EQ(remover::Main(setup_), 0);
    EXPECT_TRUE(boxes_.Shown().empty());
    EXPECT_FALSE(Uninstalled());
    EXPECT_TRUE(InstallerStarted());
    EXPECT_EQ(clock_.TotalWaited(), 2000);

    QFile::remove(own_.filePath("vxs-started"));
    platform::RegistryDeleteKey(remover::UninstallKey(QString::fromLatin1(remover::kProductCode)));
    EXPECT_EQ(remover::Main(setup_), 0);
    EXPECT_TRUE(boxes_.Shown().empty());
    EXPECT_TRUE(InstallerStarted());
    EXPECT_EQ(OldFiles(), QStringList{"VXMOX2.MDB"});
}

TEST_F(RemoverTest, WithoutADatabaseOnlyTheFirstQuestionIsAsked) {
    QFile::remove(Old("VXMOX2.MDB"));
    boxes_.Answer(kYes);
    EXPECT_EQ(remover::Main(setup_), 0);
    ASSERT_EQ(boxes_.Shown().size(), 1u);
    EXPECT_EQ(Box(0).style, 52);
    EXPECT_EQ(Box(0).caption, QStringLiteral("確認"));
    EXPECT_EQ(Box(0).prompt,
              QStringLiteral("インストール済みの [MOX-Chart] を削除し、再インストールします。　　\r\n\r\n"
                             "よろしいですか？"));
    EXPECT_EQ(UninstallArguments(), QStringLiteral("/qb /x") + QString::fromLatin1(remover::kProductCode));
    EXPECT_TRUE(InstallerStarted());
}

TEST_F(RemoverTest, YesKeepsADatedCopyNoYesMovesTheDatabaseAndOtherAnswersChangeNothing) {
    const QString dated = Old("20240506-0708-VXMOX2.MDB");
    // Yes: a dated copy, the database stays.
    boxes_.Answer(kYes);
    boxes_.Answer(kYes);
    // A database others could read gives a copy only its owner can, from
    // its first byte on.
    const QFileDevice::Permissions ownerOnly =
        QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser;
    QStringList beingWritten;
    {
        platform::FileStepFault whileCopied(2, [&](platform::FileStep step) {
            EXPECT_EQ(step, platform::FileStep::Write);
            for (const QString& name : QDir(old_.path()).entryList(QDir::Files | QDir::Hidden)) {
                if (name == QStringLiteral("VXMOX2.MDB") || !name.contains(QStringLiteral("VXMOX2.MDB"))) continue;
                beingWritten << name;
                EXPECT_EQ(QFileInfo(Old(name)).permissions(), ownerOnly) << name.toStdString();
            }
        });
        EXPECT_EQ(remover::Main(setup_), 0);
    }
    EXPECT_EQ(beingWritten.size(), 1);
    ASSERT_EQ(boxes_.Shown().size(), 2u);
    EXPECT_EQ(Box(1).style, 51);
    EXPECT_TRUE(
        Box(1).prompt.startsWith(QStringLiteral("現在の検査データを残し、プログラムを更新します。　　\r\n\r\n")));
    EXPECT_TRUE(
        Box(1).prompt.endsWith(QStringLiteral("＊現在の検査データは、以下のファイルに保存します。\r\n") + dated));
    EXPECT_EQ(ReadFile(dated), kPatients);
    EXPECT_EQ(QFileInfo(dated).permissions(), ownerOnly);
    EXPECT_EQ(ReadFile(Old("VXMOX2.MDB")), kPatients);
    EXPECT_TRUE(Uninstalled());
    EXPECT_TRUE(InstallerStarted());

    // No, then Yes: the database is moved aside, a minute later.
    QFile::remove(dated);
    QFile::remove(own_.filePath("uninstall-args"));
    clock_.Advance(60000);
    boxes_.Clear();
    for (const int answer : {kYes, kNo, kYes}) boxes_.Answer(answer);
    EXPECT_EQ(remover::Main(setup_), 0);
    ASSERT_EQ(boxes_.Shown().size(), 3u);
    EXPECT_TRUE(Box(2).prompt.startsWith(
        QStringLiteral("サンプルデータを含む検査データをすべて削除して、プログラムとサンプルデータを更新します。　 ")));
    EXPECT_EQ(OldFiles(), QStringList{"20240506-0709-VXMOX2.MDB"});
    EXPECT_EQ(ReadFile(Old("20240506-0709-VXMOX2.MDB")), kPatients);
    EXPECT_TRUE(Uninstalled());

    // No-No, Cancel and a first No end without a change.
    WriteFile(Old("VXMOX2.MDB"), kPatients, 0600);
    QFile::remove(Old("20240506-0709-VXMOX2.MDB"));
    QFile::remove(own_.filePath("uninstall-args"));
    for (const std::vector<int>& answers : std::vector<std::vector<int>>{{kYes, kNo, kNo}, {kYes, kCancel}, {kNo}}) {
        boxes_.Clear();
        for (const int answer : answers) boxes_.Answer(answer);
        EXPECT_EQ(remover::Main(setup_), 0);
        EXPECT_EQ(boxes_.Shown().size(), answers.size());
        EXPECT_EQ(OldFiles(), QStringList{"VXMOX2.MDB"});
        EXPECT_FALSE(Uninstalled());
    }
}

TEST_F(RemoverTest, ADatedCopyOfTheSameMinuteNeverReplacesTheEarlierOne) {
    WriteFile(Old("20240506-0708-VXMOX2.MDB"), "the earlier copy", 0600);
    boxes_.Answer(kYes);
    boxes_.Answer(kYes);
    EXPECT_EQ(remover::Main(setup_), 0);
    EXPECT_EQ(ReadFile(Old("20240506-0708-VXMOX2.MDB")), QByteArray("the earlier copy"));
    EXPECT_EQ(ReadFile(Old("20240506-0708-2-VXMOX2.MDB")), kPatients);
    EXPECT_TRUE(Box(1).prompt.endsWith(Old("20240506-0708-2-VXMOX2.MDB")));
    EXPECT_EQ(remover::CopyIfPresent(Old("VXMOX2.MDB"), Old("20240506-0708-VXMOX2.MDB")), EEXIST);
    EXPECT_EQ(ReadFile(Old("20240506-0708-VXMOX2.MDB")), QByteArray("the earlier copy"));
}

TEST_F(RemoverTest, AFailingCopyOrMoveStopsBeforeTheUninstallAndKeepsTheDatabase) {
    for (const std::vector<int>& answers : std::vector<std::vector<int>>{{kYes, kYes}, {kYes, kNo, kYes}}) {
        boxes_.Clear();
        for (const int answer : answers) boxes_.Answer(answer);
        {
            platform::FileStepFault fault(2, ENOSPC);
            EXPECT_EQ(remover::Main(setup_), 1);
        }
        ASSERT_EQ(boxes_.Shown().size(), answers.size() + 1);
        const platform::ShownBox& failure = boxes_.Shown().back();
        EXPECT_EQ(failure.style, 16);
        EXPECT_TRUE(failure.prompt.contains(QStringLiteral("<28> ディスクの空き容量が不足しています。")))
            << failure.prompt.toStdString();
        EXPECT_TRUE(failure.prompt.endsWith(QStringLiteral("アンインストールを中止します。")));
        EXPECT_EQ(OldFiles(), QStringList{"VXMOX2.MDB"});
        EXPECT_EQ(ReadFile(Old("VXMOX2.MDB")), kPatients);
        EXPECT_FALSE(Uninstalled());
    }
    EXPECT_FALSE(QFileInfo::exists(own_.filePath("vxs-started")));
}

TEST_F(RemoverTest, AFailedUninstallGivesAMessageAndNoInstaller) {
    struct Case {
        const char* tail;
        const char* message;
    };
    // The hanging uninstaller leaves a helper of its own running.
    const QString helperPid = own_.filePath("helper-pid");
    for (const Case& c : {Case{"exit 3", "アンインストールが正常に終了しませんでした。 ［終了コード：3］"},
                          Case{"sleep 600 & echo $! > \"$(dirname \"$0\")/helper-pid\"; wait",
                               "アンインストールが時間内に終わりませんでした。"}}) {
        SCOPED_TRACE(c.tail);
        Uninstaller(QString::fromUtf8(c.tail));
        boxes_.Clear();
        for (const int answer : {kYes, kYes}) boxes_.Answer(answer);
        const qint64 start = clock_.MonotonicMs();
        EXPECT_EQ(remover::Main(setup_), 1);
        EXPECT_TRUE(Uninstalled());
        ASSERT_EQ(boxes_.Shown().size(), 3u);
        EXPECT_EQ(Box(2).caption, QStringLiteral("エラー"));
        EXPECT_TRUE(Box(2).prompt.startsWith(QString::fromUtf8(c.message))) << Box(2).prompt.toStdString();
        EXPECT_TRUE(Box(2).prompt.endsWith(QStringLiteral("新しいプログラムのインストールは行いません。")));
        if (QString::fromUtf8(c.tail).contains("sleep")) {
            EXPECT_GE(clock_.MonotonicMs() - start, 60000);
            // The whole process group ended, not only the command itself.
            const pid_t helper = static_cast<pid_t>(ReadFile(helperPid).trimmed().toLongLong());
            ASSERT_GT(helper, 0);
            EXPECT_TRUE(Ended(helper));
        }
        QFile::remove(own_.filePath("uninstall-args"));
        for (const QString& copy : OldFiles())
            if (copy != "VXMOX2.MDB") QFile::remove(Old(copy));
    }
    EXPECT_FALSE(QFileInfo::exists(own_.filePath("vxs-started")));

    // A command that cannot start at all.
    const QString key = remover::UninstallKey(QString::fromLatin1(remover::kProductCode));
    platform::RegistryWrite(key, QStringLiteral("UninstallString"), QStringLiteral("/nowhere/uninstall /x"));
    boxes_.Clear();
    boxes_.Answer(kYes);
    boxes_.Answer(kYes);
    EXPECT_EQ(remover::Main(setup_), 1);
    EXPECT_EQ(Box(2).prompt, QStringLiteral("プログラムを起動できませんでした。 ＜/nowhere/uninstall /x＞"));
}

TEST_F(RemoverTest, RefusesWhileTheMainProgramRunsInTheRegisteredFolderOrBesideTheRemover) {
    for (const bool registered : {true, false}) {
        SCOPED_TRACE(registered ? "registered folder" : "the remover's own folder, no entry");
        if (!registered) platform::RegistryDeleteKey(remover::UninstallKey(QString::fromLatin1(remover::kProductCode)));
        platform::InstanceLock mainProgram(registered ? old_.path() : own_.path(), QStringLiteral("VXMOX"));
        ASSERT_TRUE(mainProgram.TryAcquire());
        boxes_.Clear();
        EXPECT_EQ(remover::Main(setup_), 2);
        ASSERT_EQ(boxes_.Shown().size(), 1u);
        EXPECT_EQ(Box(0).caption, QStringLiteral("起動中"));
        EXPECT_EQ(Box(0).style, 16);
        EXPECT_EQ(
            Box(0).prompt,
            QStringLiteral("ＭＯＸチャートが起動されています。\r\n\r\nＭＯＸチャートを終了して、やり直してください。"));
        EXPECT_FALSE(Uninstalled());
        EXPECT_EQ(OldFiles(), QStringList{"VXMOX2.MDB"});
        EXPECT_FALSE(QFileInfo::exists(own_.filePath("vxs-started")));
    }
}

}  // namespace
