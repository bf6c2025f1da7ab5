// The real MOXConvert and VXMOX executables, started offscreen in a copy of
// the program folder, as a clinic would start them.

#include "tests/converter/converter_fixture.h"
#include "tests/support/program_folder.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

namespace mox::convert::test {
namespace {

using mox::test::ProgramDir;

// The two programs with the older release's databases beside them.
class ProgramFolder : public mox::test::ProgramFolder {
public:
    ProgramFolder()
        : mox::test::ProgramFolder({"MOXConvert", "VXMOX", "VXMOX2_ORG.MDB", "libPrismet.so", "libMolarix.so"}) {
        for (const char* source : {"vexaMOX.MDB", "vexaMOXDH.MDB"})
            EXPECT_TRUE(
                QFile::copy(OldReleaseDir() + QLatin1Char('/') + QLatin1String(source), Path(QLatin1String(source))));
    }
};

int Finish(QProcess& p, int timeoutMs = 30000) { return mox::test::FinishProgram(p, timeoutMs); }

const QString kConverterWindow = QStringLiteral("MAINWINDOW\tMOX2.5 コンバート");
const QString kMainWindow = QStringLiteral("MAINWINDOW\tMOX-Chart");

TEST(MoxConvertProgram, FirstStartMakesTheDatabaseShowsTheWindowAndRefusesASecondInstance) {
    ProgramFolder folder;
    auto first = folder.Start(QStringLiteral("MOXConvert"), QStringLiteral("first.log"), {}, 4000);
    ASSERT_TRUE(folder.WaitForLog(QStringLiteral("first.log"), kConverterWindow))
        << folder.ReadLog(QStringLiteral("first.log")).toStdString();

    auto second = folder.Start(QStringLiteral("MOXConvert"), QStringLiteral("second.log"));
    EXPECT_EQ(Finish(*second), 3);
    EXPECT_TRUE(
        folder.ReadLog(QStringLiteral("second.log"))
            .contains(QStringLiteral("MSGBOX\t２重起動\t16\t1\tすでに起動されています。プログラムを終了します。")));

    // The window's close ends the program.
    EXPECT_EQ(Finish(*first), 0);
    EXPECT_TRUE(QFile::exists(folder.Path(QStringLiteral("VXMOX2.MDB"))));
    EXPECT_EQ(QFile::permissions(folder.Path(QStringLiteral("VXMOX2.MDB"))) & 0x0077, 0);
    // The converter does not write the main program's version file.
    EXPECT_FALSE(QFile::exists(folder.Path(QStringLiteral("VersionMOX.txt"))));
}

TEST(MoxConvertProgram, AnOldDatabaseVersionIsRefused) {
    ProgramFolder folder;
    ASSERT_TRUE(QFile::copy(folder.Path(QStringLiteral("VXMOX2_ORG.MDB")), folder.Path(QStringLiteral("VXMOX2.MDB"))));
    db::Connection::Open(db::DataSourcePart(folder.Path(QStringLiteral("VXMOX2.MDB"))))
        ->Execute(QStringLiteral("UPDATE TVersion SET Major=?, Minor=?, Revision=? WHERE ID=1"), {0, 0, 999});
    auto p = folder.Start(QStringLiteral("MOXConvert"), QStringLiteral("old.log"));
    EXPECT_EQ(Finish(*p), 5);
    EXPECT_TRUE(
        folder.ReadLog(QStringLiteral("old.log"))
            .contains(QStringLiteral("MSGBOX\tバージョンエラー\t16\t1\tデータベースのバージョンが一致しません。")));
}

// The main program's compaction puts a new file in the database's place:
// the two programs must never work on the database together.
TEST(MoxConvertProgram, MainProgramAndConverterRefuseEachOtherAndADeadOnesLockIsTakenOver) {
    ProgramFolder folder;
    auto vxmox = folder.Start(QStringLiteral("VXMOX"), QStringLiteral("vxmox.log"));
    ASSERT_TRUE(folder.WaitForLog(QStringLiteral("vxmox.log"), kMainWindow))
        << folder.ReadLog(QStringLiteral("vxmox.log")).toStdString();
    const QByteArray database = FileBytes(folder.Path(QStringLiteral("VXMOX2.MDB")));

    auto refused = folder.Start(QStringLiteral("MOXConvert"), QStringLiteral("refused.log"));
    EXPECT_EQ(Finish(*refused), 3);
    QString log = folder.ReadLog(QStringLiteral("refused.log"));
    EXPECT_TRUE(log.contains(QStringLiteral("MSGBOX\t同時起動\t16\t1\tMOX-Chartが起動しています。")))
        << log.toStdString();
    EXPECT_FALSE(log.contains(QStringLiteral("MAINWINDOW")));
    EXPECT_EQ(FileBytes(folder.Path(QStringLiteral("VXMOX2.MDB"))), database);

    // The main program dies without cleaning up: its lock is stale.
    vxmox->kill();
    vxmox->waitForFinished();
    ASSERT_TRUE(QFile::exists(folder.Path(QStringLiteral(".VXMOX.lock"))));

    auto converter = folder.Start(QStringLiteral("MOXConvert"), QStringLiteral("converter.log"));
    ASSERT_TRUE(folder.WaitForLog(QStringLiteral("converter.log"), kConverterWindow))
        << folder.ReadLog(QStringLiteral("converter.log")).toStdString();

    ASSERT_TRUE(QFile::remove(folder.Path(QStringLiteral("VersionMOX.txt"))));
    auto mainRefused = folder.Start(QStringLiteral("VXMOX"), QStringLiteral("main-refused.log"));
    EXPECT_EQ(Finish(*mainRefused), 3);
    log = folder.ReadLog(QStringLiteral("main-refused.log"));
    EXPECT_TRUE(log.contains(QStringLiteral("MSGBOX\t同時起動\t16\t1\tデータコンバートが起動しています。")))
        << log.toStdString();
    EXPECT_FALSE(QFile::exists(folder.Path(QStringLiteral("VersionMOX.txt"))));

    converter->kill();
    converter->waitForFinished();
    // Yes to the file-in-use question, No to the backup question at the end.
    auto again = folder.Start(QStringLiteral("VXMOX"), QStringLiteral("again.log"), QStringLiteral("6,7"), 0);
    EXPECT_EQ(Finish(*again), 0);
    EXPECT_TRUE(folder.ReadLog(QStringLiteral("again.log")).contains(kMainWindow));
}

}  // namespace
}  // namespace mox::convert::test
