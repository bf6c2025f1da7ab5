// The two programs as built, started offscreen from a temporary program
// folder, as the main program's tools window and an installer start them.

#include "maintenance/remover/remover.h"
#include "maintenance/version_up/update_protocol.h"
#include "tests/maintenance/maintenance_test_support.h"

#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QThread>

#include <fcntl.h>
#include <sys/stat.h>

namespace {

using namespace mox;
using mox::test::ProgramDir;
using mox::test::ReadFile;
using mox::test::WriteFile;

// Writes registry values the way the registry stand-in keeps them.
void Registry(const QString& file, const QString& key, const QString& name, const QString& value) {
    QSettings settings(file, QSettings::IniFormat);
    settings.setValue(key + QLatin1Char('/') + name, value);
}

class ProgramRun {
public:
    ProgramRun(const QString& folder, const QString& program, const QStringList& env) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("VXMOX_INSTANT_WAITS", "1");
        environment.insert("VXMOX_TEST_LOG", folder + "/test.log");
        environment.insert("VXMOX_REGISTRY", folder + "/registry.ini");
        for (const QString& pair : env) environment.insert(pair.section('=', 0, 0), pair.section('=', 1));
        process_.setProcessEnvironment(environment);
        process_.setWorkingDirectory(folder);
        process_.start(folder + "/" + program, {});
        EXPECT_TRUE(process_.waitForStarted(10000));
    }
    int Finish() {
        if (!process_.waitForFinished(60000)) {
            ADD_FAILURE() << "the program did not end";
            process_.kill();
            process_.waitForFinished();
            return -1;
        }
        return process_.exitCode();
    }
    QProcess& Process() { return process_; }

private:
    QProcess process_;
};

bool LogSoonHas(const QString& file, const QString& text) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 30000) {
        if (QString::fromUtf8(ReadFile(file)).contains(text)) return true;
        QThread::msleep(20);
    }
    return false;
}

TEST(Programs, VersionUpStartsChecksTheServerAndASecondStartEndsSilently) {
    MOX_REQUIRE_FTP_AND_7ZA();
    test::ServerTree tree;
    tree.SetRemoteVersion("Version=4.1.0\r\n");
    test::FtpServer server(tree.Root());
    ASSERT_TRUE(server.Running());
    QTemporaryDir folder, temp;
    ASSERT_TRUE(QFile::copy(ProgramDir() + "/VXMOXVerUp", folder.filePath("VXMOXVerUp")));
    QFile::setPermissions(folder.filePath("VXMOXVerUp"), QFile::permissions(ProgramDir() + "/VXMOXVerUp"));
    WriteFile(folder.filePath("testmode.txt"), {});
    WriteFile(folder.filePath("VersionMOX.txt"), "Version=4.0.6\r\n");
    const QString registry = folder.filePath("registry.ini");
    for (const char* value : {"HostName", "HostAlias"}) Registry(registry, verup::kTestServerKey, value, server.Host());
    Registry(registry, verup::kTestServerKey, "UserName", "moxtest");

    // A folder's time of change tells whether anything was made in it,
    // also when it was removed again.
    QTemporaryDir runtime, cache;
    const QDateTime longAgo(QDate(2001, 2, 3), QTime(4, 5, 6));
    for (const QString& path : {runtime.path(), cache.path(), temp.path()}) {
        const timespec times[2] = {{longAgo.toSecsSinceEpoch(), 0}, {longAgo.toSecsSinceEpoch(), 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
    }
    ProgramRun first(folder.path(), "VXMOXVerUp",
                     {"TMPDIR=" + temp.path(), "XDG_RUNTIME_DIR=" + runtime.path(), "XDG_CACHE_HOME=" + cache.path()});
    ASSERT_TRUE(LogSoonHas(folder.filePath("test.log"), "MAINWINDOW\tMOX-Chart バージョンアップ"))
        << ReadFile(folder.filePath("test.log")).toStdString();
    const QString log = QString::fromUtf8(ReadFile(folder.filePath("Log_MOX.txt")));
    EXPECT_TRUE(log.contains(QStringLiteral("ファイアウォールの設定は不要のため省略しました。"))) << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("最新バージョンを確認しました。")));
    // The check's work folder was on the disk, in the user's cache folder,
    // never in the runtime folder that lives in memory; and it is gone.
    EXPECT_NE(QFileInfo(cache.path()).lastModified(), longAgo);
    EXPECT_EQ(QFileInfo(runtime.path()).lastModified(), longAgo);
    EXPECT_EQ(QFileInfo(temp.path()).lastModified(), longAgo);
    EXPECT_TRUE(QDir(cache.path()).isEmpty());

    ProgramRun second(
        folder.path(), "VXMOXVerUp",
        {"TMPDIR=" + temp.path(), "XDG_CACHE_HOME=" + cache.path(), "VXMOX_TEST_LOG=" + folder.filePath("second.log")});
    EXPECT_EQ(second.Finish(), 3);
    EXPECT_FALSE(QFileInfo::exists(folder.filePath("second.log")));

    first.Process().terminate();
    first.Process().waitForFinished(10000);
}

TEST(Programs, VersionUpClosedByItsFrameEndsAndStartsNothing) {
    MOX_REQUIRE_FTP_AND_7ZA();
    QTemporaryDir folder, temp;
    ASSERT_TRUE(QFile::copy(ProgramDir() + "/VXMOXVerUp", folder.filePath("VXMOXVerUp")));
    QFile::setPermissions(folder.filePath("VXMOXVerUp"), QFile::permissions(ProgramDir() + "/VXMOXVerUp"));
    WriteFile(folder.filePath("VXMOX"), "#!/bin/sh\ntouch \"$(dirname \"$0\")/vxmox-started\"\n", 0755);
    // No server is configured: the window says so and stays usable.
    ProgramRun run(folder.path(), "VXMOXVerUp",
                   {"TMPDIR=" + temp.path(), "XDG_CACHE_HOME=" + temp.path(), "VXMOX_CLOSE_MAIN_AFTER_MS=0"});
    EXPECT_EQ(run.Finish(), 0);
    EXPECT_TRUE(QString::fromUtf8(ReadFile(folder.filePath("Log_MOX.txt")))
                    .contains(QStringLiteral("更新サーバの接続先が設定されていません。")));
    EXPECT_FALSE(QFileInfo::exists(folder.filePath("vxmox-started")));
    EXPECT_FALSE(QFileInfo::exists(folder.filePath(".VXMOXVerUp.lock")));
}

TEST(Programs, RemoverKeepsADatedCopyUninstallsAndStartsTheInstallerBesideItself) {
    QTemporaryDir own, old;
    ASSERT_TRUE(QFile::copy(ProgramDir() + "/Setup_VXMOX_V4_Uninstall", own.filePath("Setup_VXMOX_V4_Uninstall")));
    QFile::setPermissions(own.filePath("Setup_VXMOX_V4_Uninstall"),
                          QFile::permissions(ProgramDir() + "/Setup_VXMOX_V4_Uninstall"));
    WriteFile(own.filePath("vxs"), "#!/bin/sh\ntouch \"$(dirname \"$0\")/vxs-started\"\n", 0755);
    WriteFile(own.filePath("uninstall"), "#!/bin/sh\necho \"$@\" > \"$(dirname \"$0\")/uninstall-args\"\n", 0755);
    WriteFile(old.filePath("VXMOX2.MDB"), "patients", 0600);
    const QString registry = own.filePath("registry.ini");
    const QString key = remover::UninstallKey(QString::fromLatin1(remover::kProductCode));
    Registry(registry, key, "DisplayName", "MOX-Chart Ver.4");
    Registry(registry, key, "InstallLocation", old.path());
    Registry(registry, key, "UninstallString", own.filePath("uninstall") + " /qb /x");

    ProgramRun run(own.path(), "Setup_VXMOX_V4_Uninstall", {"VXMOX_MSGBOX_ANSWERS=6,6"});
    EXPECT_EQ(run.Finish(), 0);
    const QString log = QString::fromUtf8(ReadFile(own.filePath("test.log")));
    EXPECT_EQ(log.count("MSGBOX\t確認\t"), 2) << log.toStdString();
    EXPECT_EQ(ReadFile(own.filePath("uninstall-args")), QByteArray("/qb /x\n"));
    EXPECT_EQ(ReadFile(old.filePath("VXMOX2.MDB")), QByteArray("patients"));
    const QStringList copies = QDir(old.path()).entryList({"*-VXMOX2.MDB"}, QDir::Files);
    ASSERT_EQ(copies.size(), 1);
    EXPECT_EQ(ReadFile(old.filePath(copies[0])), QByteArray("patients"));
    QElapsedTimer t;
    t.start();
    while (!QFileInfo::exists(own.filePath("vxs-started")) && t.elapsed() < 10000) QThread::msleep(10);
    EXPECT_TRUE(QFileInfo::exists(own.filePath("vxs-started")));
}

}  // namespace
