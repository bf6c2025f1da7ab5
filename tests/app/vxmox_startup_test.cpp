// Starts the real VXMOX executable, offscreen, in a temporary copy of the
// program folder, as a user would start it on a fresh installation.

#include "platform/db/database.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>

namespace {

using mox::test::ProgramDir;

class ProgramFolder {
public:
    ProgramFolder() {
        EXPECT_TRUE(QFile::copy(ProgramDir() + "/VXMOX", Path("VXMOX")));
        QFile::setPermissions(Path("VXMOX"), QFile::permissions(ProgramDir() + "/VXMOX"));
        EXPECT_TRUE(QFile::copy(ProgramDir() + "/VXMOX2_ORG.MDB", Path("VXMOX2_ORG.MDB")));
        for (const char* module : {"libMolarix.so", "libPrismet.so"})
            if (QFile::exists(ProgramDir() + "/" + module)) QFile::copy(ProgramDir() + "/" + module, Path(module));
    }
    QString Path(const QString& name) const { return dir_.filePath(name); }

    // Starts the program; boxes are logged to `log` and answered from `answers`.
    std::unique_ptr<QProcess> Start(const QString& log, const QString& answers = {}, int closeAfterMs = -1) const {
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("VXMOX_INSTANT_WAITS", "1");
        env.insert("VXMOX_TEST_LOG", Path(log));
        env.insert("VXMOX_REGISTRY", Path("registry.ini"));
        if (!answers.isEmpty()) env.insert("VXMOX_MSGBOX_ANSWERS", answers);
        if (closeAfterMs >= 0) env.insert("VXMOX_CLOSE_MAIN_AFTER_MS", QString::number(closeAfterMs));
        p->setProcessEnvironment(env);
        p->setWorkingDirectory(dir_.path());
        p->start(Path("VXMOX"), {});
        EXPECT_TRUE(p->waitForStarted(10000));
        return p;
    }

    QString ReadLog(const QString& log) const {
        QFile f(Path(log));
        if (!f.open(QIODevice::ReadOnly)) return {};
        return QString::fromUtf8(f.readAll());
    }

    bool WaitForLog(const QString& log, const QString& text, int timeoutMs = 30000) const {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < timeoutMs) {
            if (ReadLog(log).contains(text)) return true;
            QThread::msleep(20);
        }
        return false;
    }

private:
    QTemporaryDir dir_;
};

int Finish(QProcess& p) {
    EXPECT_TRUE(p.waitForFinished(30000)) << "the program did not end";
    return p.exitCode();
}

TEST(VxmoxStartup, FirstStartCreatesDatabaseWritesVersionRefusesSecondInstanceAndEnds) {
    ProgramFolder folder;
    ASSERT_FALSE(QFile::exists(folder.Path("VXMOX2.MDB")));

    auto first = folder.Start("first.log", {}, 4000);
    ASSERT_TRUE(folder.WaitForLog("first.log", "MAINWINDOW\tMOX-Chart")) << folder.ReadLog("first.log").toStdString();

    // A second start while the first runs is refused and touches nothing.
    auto second = folder.Start("second.log");
    EXPECT_EQ(Finish(*second), 3);
    EXPECT_TRUE(folder.ReadLog("second.log")
                    .contains("MSGBOX\t２重起動\t16\t1\tすでに起動されています。プログラムを終了します。"))
        << folder.ReadLog("second.log").toStdString();

    // The first one ends through the end of the program: backup question last.
    EXPECT_EQ(Finish(*first), 0);
    EXPECT_TRUE(folder.ReadLog("first.log").contains("MSGBOX\tバックアップ確認\t4"));

    // The database was made from the template, with owner-only permissions.
    ASSERT_TRUE(QFile::exists(folder.Path("VXMOX2.MDB")));
    EXPECT_EQ(QFile::permissions(folder.Path("VXMOX2.MDB")) & 0x0077, 0);
    auto conn = mox::db::Connection::Open("Data Source=" + folder.Path("VXMOX2.MDB"));
    EXPECT_TRUE(conn->TableExists("TVersion"));

    // The control modules of the copied folder were registered from there.
    QFile registry(folder.Path("registry.ini"));
    ASSERT_TRUE(registry.open(QIODevice::ReadOnly));
    EXPECT_TRUE(registry.readAll().contains(folder.Path("libMolarix.so").toUtf8()));

    QFile version(folder.Path("VersionMOX.txt"));
    ASSERT_TRUE(version.open(QIODevice::ReadOnly));
    EXPECT_EQ(version.readAll(), QByteArray("Version=4.0.6\r\n"));
}

TEST(VxmoxStartup, UnreadableDatabaseGivesTheErrorBoxAndIsNeverOverwritten) {
    ProgramFolder folder;
    const QByteArray junk("this is not a database, but somebody's file\n");
    {
        QFile f(folder.Path("VXMOX2.MDB"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(junk);
    }
    // Retry once, then Cancel: the box comes twice and the program ends.
    auto p = folder.Start("junk.log", "4,2");
    Finish(*p);
    const QString log = folder.ReadLog("junk.log");
    EXPECT_EQ(log.count("MSGBOX\tエラー\t21"), 2) << log.toStdString();
    EXPECT_TRUE(log.contains("[Error:"));
    EXPECT_FALSE(log.contains("MAINWINDOW"));
    QFile f(folder.Path("VXMOX2.MDB"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), junk);
    EXPECT_FALSE(QFile::exists(folder.Path("VersionMOX.txt")));
}

TEST(VxmoxStartup, OldDatabaseVersionIsRefusedWithoutVersionFile) {
    ProgramFolder folder;
    ASSERT_TRUE(QFile::copy(folder.Path("VXMOX2_ORG.MDB"), folder.Path("VXMOX2.MDB")));
    {
        auto conn = mox::db::Connection::Open("Data Source=" + folder.Path("VXMOX2.MDB"));
        conn->Execute("UPDATE TVersion SET Major=?, Minor=?, Revision=? WHERE ID=1", {0, 0, 999});
    }
    auto p = folder.Start("old.log");
    EXPECT_EQ(Finish(*p), 5);
    EXPECT_TRUE(folder.ReadLog("old.log").contains(
        "MSGBOX\tバージョンエラー\t16\t1\tデータベースのバージョンが一致しません。"));
    EXPECT_FALSE(QFile::exists(folder.Path("VersionMOX.txt")));
}

TEST(VxmoxStartup, MissingCommandLineDatabaseIsOnlyReported) {
    ProgramFolder folder;
    auto p = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("VXMOX_INSTANT_WAITS", "1");
    env.insert("VXMOX_TEST_LOG", folder.Path("args.log"));
    env.insert("VXMOX_REGISTRY", folder.Path("registry.ini"));
    env.insert("VXMOX_CLOSE_MAIN_AFTER_MS", "0");
    p->setProcessEnvironment(env);
    p->start(folder.Path("VXMOX"), {"x", "/nowhere/db.mdb", "\"Clinic", "DB\""});
    ASSERT_TRUE(p->waitForStarted());
    EXPECT_EQ(Finish(*p), 0);
    const QString log = folder.ReadLog("args.log");
    EXPECT_TRUE(log.contains("MSGBOX\tＤＢなし\t48\t1\t引数で指定されたＤＢが見つかりません。\\r\\n\\r\\nClinic DB"))
        << log.toStdString();
    EXPECT_TRUE(log.contains("MAINWINDOW"));
}

}  // namespace
