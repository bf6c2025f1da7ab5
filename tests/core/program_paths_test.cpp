#include "core/program_paths.h"
#include "core/connections.h"
#include "core/settings.h"
#include "core/system_info.h"
#include "platform/message_box.h"
#include "platform/registry.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <QDir>

namespace mox {
namespace {

const QString kQd = QStringLiteral("HKEY_LOCAL_MACHINE/Software/QD NORVALE/");
const QString kHlx = QStringLiteral("HKEY_LOCAL_MACHINE/Software/HLX/");

QStringList Args() {
    QStringList args;
    for (int i = 1; i <= G().CmdLineArgCount; ++i) args << G().CmdLineArgs[i];
    return args;
}

TEST(ParseCommandLine, EachArgumentFillsOneSlotAsGiven) {
    // A path with blanks and capitals, a full-width name, an empty argument.
    ParseCommandLine({QStringLiteral("a"), QStringLiteral("/home/Clinic Data/VXMOX2.MDB"), QStringLiteral("ＡＢｃ"),
                      QString(), QStringLiteral("\"x y\"")});
    EXPECT_EQ(Args(), (QStringList{"a", "/home/Clinic Data/VXMOX2.MDB", "ＡＢｃ", "", "\"x y\""}));
    EXPECT_TRUE(G().CmdLineArgs[0].isEmpty());
}

TEST(ParseCommandLine, NoArgumentsClearsEverySlot) {
    ParseCommandLine({QStringLiteral("old")});
    ParseCommandLine(QStringList{});
    EXPECT_EQ(G().CmdLineArgCount, 0);
    for (const QString& slot : G().CmdLineArgs) EXPECT_TRUE(slot.isEmpty());
}

TEST(ParseCommandLine, ArgumentsBeyondTheTenthAreIgnored) {
    QStringList many;
    for (int i = 1; i <= 14; ++i) many << QStringLiteral("p%1").arg(i);
    ParseCommandLine(many);
    EXPECT_EQ(G().CmdLineArgCount, 10);
    EXPECT_EQ(G().CmdLineArgs[10], QStringLiteral("p10"));
}

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override { G() = Settings{}; }
    test::Sandbox sandbox_;
    platform::ScriptedMsgBoxes boxes_;
};

TEST_F(RegistryTest, WrappersReadAndWriteUnderTheirRoots) {
    EXPECT_EQ(ReadRegSetting(QStringLiteral("QD Vexaline 2"), QStringLiteral("System"), QStringLiteral("Path"),
                             QStringLiteral("def")),
              QStringLiteral("def"));
    WriteRegSetting(QStringLiteral("QD Vexaline 2"), QStringLiteral("Execute"), QStringLiteral("MOXExe"),
                    QStringLiteral("/opt/mox/VXMOX"));
    EXPECT_EQ(platform::RegistryRead(kQd + QStringLiteral("QD Vexaline 2/Execute"), QStringLiteral("MOXExe")),
              QStringLiteral("/opt/mox/VXMOX"));
    EXPECT_EQ(ReadRegSetting(QStringLiteral("QD Vexaline 2"), QStringLiteral("Execute"), QStringLiteral("MOXExe"), {}),
              QStringLiteral("/opt/mox/VXMOX"));

    platform::RegistryWrite(kHlx + QStringLiteral("Vexaline EX/System"), QStringLiteral("Path"), QStringLiteral("/vx"));
    EXPECT_EQ(ReadMakerRegSetting(QStringLiteral("Vexaline EX"), QStringLiteral("System"), QStringLiteral("Path"), {}),
              QStringLiteral("/vx"));
    EXPECT_EQ(ReadRegSetting(QStringLiteral("Vexaline EX"), QStringLiteral("System"), QStringLiteral("Path"),
                             QStringLiteral("none")),
              QStringLiteral("none"));
    // A value that exists but is empty is read as empty, not as the default.
    platform::RegistryWrite(kHlx + QStringLiteral("Vexaline EX/System"), QStringLiteral("Empty"), QString());
    EXPECT_EQ(ReadMakerRegSetting(QStringLiteral("Vexaline EX"), QStringLiteral("System"), QStringLiteral("Empty"),
                                  QStringLiteral("def")),
              QString());
}

TEST_F(RegistryTest, SharedDbKindFollowsTheInstallSection) {
    const QString install = kQd + QStringLiteral("QD Vexaline 2/Install");
    EXPECT_EQ(GetSharedDbKind(QStringLiteral("HLX")), 3);
    EXPECT_EQ(GetSharedDbKind(QStringLiteral("QD")), -1);

    platform::RegistryWrite(install, QStringLiteral("ShowProductName"), QStringLiteral("QD Vexaline 2 SQL版"));
    EXPECT_EQ(GetSharedDbKind(QStringLiteral("QD")), 2);
    platform::RegistryWrite(install, QStringLiteral("ShowProductName"), QStringLiteral("QD Vexaline 2 sql"));
    EXPECT_EQ(GetSharedDbKind(QStringLiteral("QD")), 1);

    platform::RegistryWrite(install, QStringLiteral("DbType"), QStringLiteral("Access"));
    EXPECT_EQ(GetSharedDbKind(QStringLiteral("QD")), 1);
    platform::RegistryWrite(install, QStringLiteral("DbType"), QStringLiteral("SQL Server"));
    EXPECT_EQ(GetSharedDbKind(QStringLiteral("QD")), 2);
    platform::RegistryWrite(install, QStringLiteral("DbType"), QStringLiteral("access"));
    EXPECT_EQ(GetSharedDbKind(QStringLiteral("QD")), -1);
    EXPECT_EQ(GetSharedDbKind(QStringLiteral("HLX")), 3);
}

TEST_F(RegistryTest, SqlServerNameComesFromTheShareHostOrThisMachine) {
    G().SharedDbFolder = QStringLiteral("\\\\server\\share\\Vexaline");
    EXPECT_EQ(GetSqlServerName(), QStringLiteral("server\\HLX"));
    G().SharedDbFolder = QStringLiteral("  //server/share/Vexaline ");
    EXPECT_EQ(GetSqlServerName(), QStringLiteral("server\\HLX"));
    G().SharedDbFolder = QStringLiteral("\\\\server");
    EXPECT_EQ(GetSqlServerName(), QString());
    G().SharedDbFolder = QStringLiteral("   ");
    EXPECT_EQ(GetSqlServerName(), QString());
    G().SharedDbFolder = QStringLiteral("/opt/Vexaline");
    ASSERT_FALSE(GetMachineName().isEmpty());
    EXPECT_EQ(GetSqlServerName(), GetMachineName() + QStringLiteral("\\HLX"));
}

class SetupPathsTest : public RegistryTest {
protected:
    QString Sibling(const QString& dbFile) {
        const QString folder = sandbox_.File(QStringLiteral("Vexaline"));
        QDir().mkpath(folder + QStringLiteral("/db"));
        if (!dbFile.isEmpty()) sandbox_.WriteText(QStringLiteral("Vexaline/db/") + dbFile, "x");
        return folder;
    }
    QString WrittenExe(const QString& product) {
        return platform::RegistryRead(kQd + product + QStringLiteral("/Execute"), QStringLiteral("MOXExe"),
                                      QStringLiteral("<none>"));
    }
    const QString programDir_ = QStringLiteral("/opt/mox");
};

TEST_F(SetupPathsTest, WithoutSiblingOnlyThePathsAreSet) {
    SetupDatabasePaths(programDir_, QStringLiteral("VXMOX"));
    EXPECT_EQ(G().AppPath(), programDir_);
    EXPECT_EQ(G().ProgramDir, programDir_);
    EXPECT_EQ(G().MainDbFile(), QStringLiteral("/VXMOX2.MDB"));
    EXPECT_EQ(G().MainDbSource(), QStringLiteral("Data Source=/opt/mox/VXMOX2.MDB"));
    EXPECT_EQ(G().TemplateDbSource, QStringLiteral("Data Source=/opt/mox/VXMOX2_ORG.MDB"));
    EXPECT_EQ(G().IdPrefix, 1);
    EXPECT_EQ(G().SharedDbKind, 0);
    EXPECT_EQ(G().SharedDbSource, QString());
    EXPECT_EQ(WrittenExe(QStringLiteral("QD Vexaline 2")), QStringLiteral("<none>"));
}

TEST_F(SetupPathsTest, HlxSiblingAlwaysUsesTheVxexCatalog) {
    const QString folder = Sibling(QStringLiteral("HLX_VXEX.mdf"));
    platform::RegistryWrite(kHlx + QStringLiteral("Vexaline EX/System"), QStringLiteral("Path"), folder);
    platform::RegistryWrite(kQd + QStringLiteral("QD Vexaline 2/Install"), QStringLiteral("DbType"),
                            QStringLiteral("Access"));
    SetupDatabasePaths(programDir_, QStringLiteral("VXMOX"));
    EXPECT_EQ(G().SharedDbKind, 3);
    EXPECT_EQ(G().SharedDbFolder, folder);
    EXPECT_EQ(G().SharedDbSource, QStringLiteral("Data Source=") + GetMachineName() + QStringLiteral("\\HLX;"));
    EXPECT_EQ(WrittenExe(QStringLiteral("QD Vexaline 2")), QStringLiteral("/opt/mox/VXMOX"));
    EXPECT_EQ(WrittenExe(QStringLiteral("Vexaline EX")), QStringLiteral("/opt/mox/VXMOX"));
    EXPECT_EQ(platform::RegistryRead(kHlx + QStringLiteral("Vexaline EX/Execute"), QStringLiteral("MOXExe"),
                                     QStringLiteral("<none>")),
              QStringLiteral("<none>"));
}

TEST_F(SetupPathsTest, QdSiblingWithAccessFile) {
    const QString folder = Sibling(QStringLiteral("vx2.MDB"));
    platform::RegistryWrite(kQd + QStringLiteral("QD Vexaline 2/System"), QStringLiteral("Path"), folder);
    platform::RegistryWrite(kQd + QStringLiteral("QD Vexaline 2/Install"), QStringLiteral("DbType"),
                            QStringLiteral("Access"));
    SetupDatabasePaths(programDir_, QStringLiteral("VXMOX"));
    EXPECT_EQ(G().SharedDbKind, 1);
    EXPECT_EQ(G().SharedDbSource, QStringLiteral("Data Source=") + folder + QStringLiteral("/db/vx2.MDB"));
}

TEST_F(SetupPathsTest, QdSiblingOnSqlServer) {
    const QString folder = Sibling(QStringLiteral("HLX_PRP.mdf"));
    platform::RegistryWrite(kQd + QStringLiteral("QD Vexaline 2/System"), QStringLiteral("Path"), folder);
    platform::RegistryWrite(kQd + QStringLiteral("QD Vexaline 2/Install"), QStringLiteral("DbType"),
                            QStringLiteral("SQL Server"));
    SetupDatabasePaths(programDir_, QStringLiteral("VXMOX"));
    EXPECT_EQ(G().SharedDbKind, 2);
    EXPECT_EQ(G().SharedDbSource, QStringLiteral("Data Source=") + GetMachineName() + QStringLiteral("\\HLX;"));
}

TEST_F(SetupPathsTest, FoldersWithSeparatorsAndQuotesStillNameTheirFiles) {
    const QString programDir = QStringLiteral("/srv/clinic;Provider=x; \"MOX\"");
    QDir().mkpath(sandbox_.File(QStringLiteral("Vexa;line")));
    const QString sibling = sandbox_.File(QStringLiteral("Vexa;line"));
    QDir().mkpath(sibling + QStringLiteral("/db"));
    sandbox_.WriteText(QStringLiteral("Vexa;line/db/vx2.MDB"), "x");
    platform::RegistryWrite(kQd + QStringLiteral("QD Vexaline 2/System"), QStringLiteral("Path"), sibling);
    platform::RegistryWrite(kQd + QStringLiteral("QD Vexaline 2/Install"), QStringLiteral("DbType"),
                            QStringLiteral("Access"));
    SetupDatabasePaths(programDir, QStringLiteral("VXMOX"));

    const auto main = db::ConnectionInfo::Parse(MainDbConnectionString());
    EXPECT_EQ(main.dataSource, programDir + QStringLiteral("/VXMOX2.MDB"));
    EXPECT_EQ(main.password, QStringLiteral("RKTWQMB"));
    EXPECT_TRUE(main.IsFile());
    EXPECT_EQ(db::ConnectionInfo::Parse(TemplateDbConnectionString()).dataSource,
              programDir + QStringLiteral("/VXMOX2_ORG.MDB"));
    ASSERT_EQ(G().SharedDbKind, 1);
    EXPECT_EQ(db::ConnectionInfo::Parse(SharedDbConnectionString()).dataSource,
              sibling + QStringLiteral("/db/vx2.MDB"));
}

TEST_F(SetupPathsTest, UnknownKindOrMissingFileLeavesNoSharedDbButWritesThePath) {
    const QString folder = Sibling(QString());
    platform::RegistryWrite(kQd + QStringLiteral("QD Vexaline 2/System"), QStringLiteral("Path"), folder);
    platform::RegistryWrite(kQd + QStringLiteral("QD Vexaline 2/Install"), QStringLiteral("DbType"),
                            QStringLiteral("Access"));
    SetupDatabasePaths(programDir_, QStringLiteral("VXMOX"));
    EXPECT_EQ(G().SharedDbKind, 0);
    EXPECT_EQ(G().SharedDbSource, QString());
    EXPECT_EQ(WrittenExe(QStringLiteral("Vexaline EX")), QStringLiteral("/opt/mox/VXMOX"));

    sandbox_.WriteText(QStringLiteral("Vexaline/db/vx2.MDB"), "x");
    platform::RegistryWrite(kQd + QStringLiteral("QD Vexaline 2/Install"), QStringLiteral("DbType"),
                            QStringLiteral("access"));
    SetupDatabasePaths(programDir_, QStringLiteral("VXMOX"));
    EXPECT_EQ(G().SharedDbKind, 0);
    EXPECT_TRUE(boxes_.Shown().empty());
}

}  // namespace
}  // namespace mox
