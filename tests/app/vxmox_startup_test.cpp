// Starts the real VXMOX executable, offscreen, in a temporary copy of the
// program folder, as a user would start it on a fresh installation.

#include "platform/db/database.h"
#include "platform/registry.h"
#include "tests/support/program_folder.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>

namespace {

using mox::test::ProgramDir;

// VXMOX with its template and control modules.
class ProgramFolder : public mox::test::ProgramFolder {
public:
    explicit ProgramFolder(const QString& subfolder = {})
        : mox::test::ProgramFolder({"VXMOX", "VXMOX2_ORG.MDB", "libMolarix.so", "libPrismet.so"}, subfolder) {}

    std::unique_ptr<QProcess> Start(const QString& log, const QString& answers = {}, int closeAfterMs = -1,
                                    const QStringList& arguments = {}) const {
        return mox::test::ProgramFolder::Start(QStringLiteral("VXMOX"), log, answers, closeAfterMs, arguments);
    }
};

int Finish(QProcess& p, int timeoutMs = 30000) { return mox::test::FinishProgram(p, timeoutMs); }

// Yes to the input screen's question about the file in use, and No to the
// backup question at the end of the run, which then goes on to the
// compaction (Yes would show the backup window, which waits for the user).
const QString kNoBackup = QStringLiteral("6,7");

// Exit codes the tests rely on.
constexpr int kEndProgram = 1;
constexpr int kAnswersUsedUp = 8;

TEST(VxmoxStartup, FirstStartCreatesDatabaseWritesVersionRefusesSecondInstanceAndEnds) {
    ProgramFolder folder;
    ASSERT_FALSE(QFile::exists(folder.Path("VXMOX2.MDB")));

    auto first = folder.Start("first.log", kNoBackup, 4000);
    ASSERT_TRUE(folder.WaitForLog("first.log", "MAINWINDOW\tMOX-Chart")) << folder.ReadLog("first.log").toStdString();

    // A second start while the first runs is refused and touches nothing.
    auto second = folder.Start("second.log");
    EXPECT_EQ(Finish(*second), 3);
    EXPECT_TRUE(folder.ReadLog("second.log")
                    .contains("MSGBOX\t２重起動\t16\t1\tすでに起動されています。プログラムを終了します。"))
        << folder.ReadLog("second.log").toStdString();

    // The first one ends through the end of the program: backup question last.
    EXPECT_EQ(Finish(*first), 0);
    EXPECT_TRUE(folder.ReadLog("first.log").contains("MSGBOX\tバックアップ確認\t52\t7\t"));

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

TEST(VxmoxStartup, WindowsDatabaseIsConvertedAndTheRunGoesOnWhileAForeignOneEndsIt) {
    {
        ProgramFolder folder;
        ASSERT_TRUE(QFile::copy(MOX_WINDOWS_DB_DIR "/windows.mdb", folder.Path("VXMOX2.MDB")));
        QFile jet(folder.Path("VXMOX2.MDB"));
        ASSERT_TRUE(jet.open(QIODevice::ReadOnly));
        const QByteArray original = jet.readAll();
        jet.close();

        QFile::setPermissions(folder.Path("VXMOX2.MDB"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
        // A name an earlier release gave the version file's work copy: a
        // name alone proves nothing of its writer, and the file stays.
        QFile part(folder.Path(".VersionMOX.txt.part-Ab12Cd"));
        ASSERT_TRUE(part.open(QIODevice::WriteOnly));
        part.close();

        auto p = folder.Start("windows.log", "1," + kNoBackup, 4000);
        ASSERT_TRUE(folder.WaitForLog("windows.log", "MAINWINDOW\tMOX-Chart"))
            << folder.ReadLog("windows.log").toStdString();
        EXPECT_EQ(Finish(*p), 0);
        const QString log = folder.ReadLog("windows.log");
        EXPECT_EQ(log.count("MSGBOX\t変換完了\t64"), 1) << log.toStdString();
        // The user sees it working before it is done.
        EXPECT_GE(log.indexOf("PROGRESS\tデータベースの変換"), 0);
        EXPECT_LT(log.indexOf("PROGRESS\tデータベースの変換"), log.indexOf("MSGBOX\t変換完了"));
        EXPECT_TRUE(QFile::exists(folder.Path(".VersionMOX.txt.part-Ab12Cd")));
        EXPECT_FALSE(QFile::exists(folder.Path("VXCV.txt")));
        // The Access file's mode, without any access for others.
        EXPECT_EQ(QFile::permissions(folder.Path("VXMOX2.MDB")) & 0x0777, 0x0640);
        const QStringList kept = QDir(folder.Path(".")).entryList({"VXMOX2_2*.mdb"}, QDir::Files);
        ASSERT_EQ(kept.size(), 1);
        QFile keptFile(folder.Path(kept[0]));
        ASSERT_TRUE(keptFile.open(QIODevice::ReadOnly));
        EXPECT_EQ(keptFile.readAll(), original);
        auto conn = mox::db::Connection::Open("Data Source=" + folder.Path("VXMOX2.MDB"));
        EXPECT_EQ(conn->Scalar("SELECT Major*10000+Minor*1000+Revision FROM TVersion WHERE ID=1").AsInt64(), 10001);
        EXPECT_EQ(conn->Scalar("SELECT COUNT(*) FROM TExamData").AsInt64(), 342);
    }
    {
        ProgramFolder folder;
        ASSERT_TRUE(QFile::copy(MOX_WINDOWS_DB_DIR "/foreign.mdb", folder.Path("VXMOX2.MDB")));
        auto p = folder.Start("foreign.log", "1");
        EXPECT_NE(Finish(*p), 0);
        const QString log = folder.ReadLog("foreign.log");
        EXPECT_EQ(log.count("MSGBOX\t変換エラー\t16"), 1) << log.toStdString();
        EXPECT_FALSE(log.contains("MAINWINDOW"));
        EXPECT_EQ(QDir(folder.Path(".")).entryList({"VXMOX2*"}, QDir::Files),
                  (QStringList{"VXMOX2.MDB", "VXMOX2_ORG.MDB"}));
    }
}

// The same refusal for this system's file and for the Windows release's,
// whose conversion stops at its version row and keeps nothing of it.
TEST(VxmoxStartup, OldDatabaseVersionIsRefusedWithoutVersionFile) {
    const auto startWith = [](ProgramFolder& folder, const QString& name, const QString& log) {
        auto p = folder.Start(log);
        EXPECT_EQ(Finish(*p), 5);
        const QString said = folder.ReadLog(log);
        EXPECT_EQ(said.count("MSGBOX\t"), 1) << said.toStdString();
        EXPECT_TRUE(said.contains("MSGBOX\tバージョンエラー\t16\t1\tデータベースのバージョンが一致しません。\n"))
            << said.toStdString();
        EXPECT_FALSE(said.contains("MAINWINDOW"));
        EXPECT_FALSE(QFile::exists(folder.Path("VersionMOX.txt"))) << name.toStdString();
    };
    {
        ProgramFolder folder;
        ASSERT_TRUE(QFile::copy(folder.Path("VXMOX2_ORG.MDB"), folder.Path("VXMOX2.MDB")));
        {
            auto conn = mox::db::Connection::Open("Data Source=" + folder.Path("VXMOX2.MDB"));
            conn->Execute("UPDATE TVersion SET Major=?, Minor=?, Revision=? WHERE ID=1", {0, 0, 999});
        }
        startWith(folder, QStringLiteral("0.0.999"), QStringLiteral("old.log"));
    }
    for (const char* windowsFile : {"version_0_0_5.mdb", "no_version.mdb"}) {
        SCOPED_TRACE(windowsFile);
        ProgramFolder folder;
        const QString fixture = QStringLiteral(MOX_WINDOWS_DB_DIR "/") + QLatin1String(windowsFile);
        ASSERT_TRUE(QFile::copy(fixture, folder.Path("VXMOX2.MDB")));
        startWith(folder, QLatin1String(windowsFile), QStringLiteral("windows.log"));
        QFile original(fixture), main(folder.Path("VXMOX2.MDB"));
        ASSERT_TRUE(original.open(QIODevice::ReadOnly) && main.open(QIODevice::ReadOnly));
        EXPECT_EQ(main.readAll(), original.readAll());
        EXPECT_EQ(QDir(folder.Path(".")).entryList({"VXMOX2*"}, QDir::Files),
                  (QStringList{"VXMOX2.MDB", "VXMOX2_ORG.MDB"}));
    }
}

TEST(VxmoxStartup, CommandLineDatabaseIsTestedUnderItsOwnNameAndAMissingOneOnlyReported) {
    ProgramFolder folder;
    // A launcher passes each path as one argument, blanks and capitals kept.
    auto p = folder.Start("args.log", "1," + kNoBackup, 0, {"x", "/nowhere/db.mdb", "Clinic DB"});
    EXPECT_EQ(Finish(*p), 0);
    QString log = folder.ReadLog("args.log");
    EXPECT_TRUE(log.contains("MSGBOX\tＤＢなし\t48\t1\t引数で指定されたＤＢが見つかりません。\\r\\n\\r\\nClinic DB"))
        << log.toStdString();
    EXPECT_TRUE(log.contains("MAINWINDOW"));

    {
        QFile f(folder.Path("My Clinic.MDB"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    p = folder.Start("existing.log", kNoBackup, 0, {"x", folder.Path("My Clinic.MDB"), "Clinic DB"});
    EXPECT_EQ(Finish(*p), 0);
    log = folder.ReadLog("existing.log");
    EXPECT_FALSE(log.contains("ＤＢなし")) << log.toStdString();
    EXPECT_TRUE(log.contains("MAINWINDOW"));
}

// The rollback journal of an interrupted transaction that sets the version
// row back to 0.0.5: rolled into a fresh copy of the template, it would make
// that copy an old database.
QByteArray JournalRestoringAnOldVersion() {
    QTemporaryDir scratch;
    const QString db = scratch.filePath("other.MDB");
    EXPECT_TRUE(QFile::copy(ProgramDir() + "/VXMOX2_ORG.MDB", db));
    auto conn = mox::db::Connection::Open("Data Source=" + db);
    conn->Execute("UPDATE TVersion SET Major=?, Minor=?, Revision=? WHERE ID=1", {0, 0, 5});
    // Unsynced journals carry their record count in their size, so the
    // bytes on disk already form a complete hot journal.
    conn->Execute("PRAGMA synchronous=OFF");
    conn->BeginTrans();
    conn->Execute("UPDATE TVersion SET Major=?, Minor=?, Revision=? WHERE ID=1", {1, 0, 1});
    QFile journal(db + "-journal");
    EXPECT_TRUE(journal.open(QIODevice::ReadOnly));
    const QByteArray bytes = journal.readAll();
    conn->RollbackTrans();
    return bytes;
}

TEST(VxmoxStartup, LeftoverJournalOfAMissingDatabaseIsSetAsideBeforeTheTemplateCopy) {
    ProgramFolder folder;
    const QByteArray journal = JournalRestoringAnOldVersion();
    ASSERT_FALSE(journal.isEmpty());
    {
        QFile f(folder.Path("VXMOX2.MDB-journal"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(journal);
    }
    auto p = folder.Start("journal.log", kNoBackup, 0);
    EXPECT_EQ(Finish(*p), 0) << folder.ReadLog("journal.log").toStdString();
    EXPECT_TRUE(folder.ReadLog("journal.log").contains("MAINWINDOW"));
    EXPECT_FALSE(QFile::exists(folder.Path("VXMOX2.MDB-journal")));

    // Kept beside the database under a dated name, byte for byte.
    const QStringList kept = QDir(folder.Path(".")).entryList({"VXMOX2.MDB-journal_*"}, QDir::Files | QDir::Hidden);
    ASSERT_EQ(kept.size(), 1);
    EXPECT_TRUE(QRegularExpression("^VXMOX2\\.MDB-journal_\\d{8}_\\d{6}$").match(kept[0]).hasMatch())
        << kept[0].toStdString();
    QFile f(folder.Path(kept[0]));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), journal);

    auto conn = mox::db::Connection::Open("Data Source=" + folder.Path("VXMOX2.MDB"));
    EXPECT_EQ(conn->Scalar("SELECT Major*10000+Minor*1000+Revision FROM TVersion WHERE ID=1").AsInt64(), 10001);
}

QByteArray FileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// The files of the folder named VXMOX2.MDB in any letter case.
QStringList MainDatabaseNames(const ProgramFolder& folder) {
    return QDir(folder.Path(".")).entryList({"vxmox2.mdb"}, QDir::Files | QDir::Hidden, QDir::Name);
}

// A clinic's database copied under another letter case is the one Windows
// would open: it takes the main file's name instead of the template taking
// its place, and the user is told.
TEST(VxmoxStartup, DatabaseCopiedUnderAnotherLetterCaseIsUsedAndSeveralAreNamedNotGuessed) {
    const QString renamed =
        "MSGBOX\tデータベース\t64\t1\tプログラムのフォルダにあった %1 を、名前を VXMOX2.MDB "
        "に変えてデータベースとして使います。\n";
    {
        // A journal left for the missing VXMOX2.MDB is not rolled into it.
        ProgramFolder folder;
        ASSERT_TRUE(QFile::copy(folder.Path("VXMOX2_ORG.MDB"), folder.Path("vxmox2.mdb")));
        QFile::setPermissions(folder.Path("vxmox2.mdb"), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        mox::db::Connection::Open("Data Source=" + folder.Path("vxmox2.mdb"))
            ->Execute("INSERT INTO TPatient (ID, KalteNumber, Name) VALUES (?, ?, ?)",
                      {7, QString("K7"), QString("医院の患者")});
        QFile journal(folder.Path("VXMOX2.MDB-journal"));
        ASSERT_TRUE(journal.open(QIODevice::WriteOnly));
        journal.write(JournalRestoringAnOldVersion());
        journal.close();

        auto p = folder.Start("lower.log", "1," + kNoBackup, 0);
        EXPECT_EQ(Finish(*p), 0);
        const QString log = folder.ReadLog("lower.log");
        EXPECT_TRUE(log.startsWith(renamed.arg("vxmox2.mdb"))) << log.toStdString();
        EXPECT_TRUE(log.contains("MAINWINDOW"));
        EXPECT_EQ(MainDatabaseNames(folder), QStringList{"VXMOX2.MDB"});
        auto conn = mox::db::Connection::Open("Data Source=" + folder.Path("VXMOX2.MDB"));
        EXPECT_EQ(conn->Scalar("SELECT Name FROM TPatient WHERE ID=7").ToText(), "医院の患者");
        EXPECT_EQ(conn->Scalar("SELECT Major*10000+Minor*1000+Revision FROM TVersion WHERE ID=1").AsInt64(), 10001);
    }
    {
        // A Windows database is then converted as under its own name, its
        // original kept.
        ProgramFolder folder;
        ASSERT_TRUE(QFile::copy(MOX_WINDOWS_DB_DIR "/windows.mdb", folder.Path("VXMOX2.mdb")));
        const QByteArray original = FileBytes(folder.Path("VXMOX2.mdb"));
        auto p = folder.Start("jet.log", "1,1," + kNoBackup, 0);
        EXPECT_EQ(Finish(*p), 0);
        const QString log = folder.ReadLog("jet.log");
        EXPECT_TRUE(log.startsWith(renamed.arg("VXMOX2.mdb") + "PROGRESS\tデータベースの変換\t")) << log.toStdString();
        EXPECT_TRUE(log.contains("\nMSGBOX\t変換完了\t64\t1\t")) << log.toStdString();
        EXPECT_EQ(MainDatabaseNames(folder), QStringList{"VXMOX2.MDB"});
        const QStringList kept = QDir(folder.Path(".")).entryList({"VXMOX2_2*.mdb"}, QDir::Files);
        ASSERT_EQ(kept.size(), 1);
        EXPECT_EQ(FileBytes(folder.Path(kept[0])), original);
        auto conn = mox::db::Connection::Open("Data Source=" + folder.Path("VXMOX2.MDB"));
        EXPECT_EQ(conn->Scalar("SELECT COUNT(*) FROM TExamData").AsInt64(), 342);
    }
    {
        // A run killed in a save of the file under its copied name left its
        // journal beside it: the save is undone there before the rename
        // (here it had set a version of 0.0.5 forward).
        ProgramFolder folder;
        ASSERT_TRUE(QFile::copy(folder.Path("VXMOX2_ORG.MDB"), folder.Path("Vxmox2.mdb")));
        QFile::setPermissions(folder.Path("Vxmox2.mdb"), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QFile journal(folder.Path("Vxmox2.mdb-journal"));
        ASSERT_TRUE(journal.open(QIODevice::WriteOnly));
        journal.write(JournalRestoringAnOldVersion());
        journal.close();
        auto p = folder.Start("journal.log", "1,1", 0);
        EXPECT_EQ(Finish(*p), 5) << folder.ReadLog("journal.log").toStdString();
        EXPECT_FALSE(QFile::exists(folder.Path("Vxmox2.mdb-journal")));
        auto conn = mox::db::Connection::Open("Data Source=" + folder.Path("VXMOX2.MDB"));
        EXPECT_EQ(conn->Scalar("SELECT Major*10000+Minor*1000+Revision FROM TVersion WHERE ID=1").AsInt64(), 5);
    }
    {
        // Two of them: which one is the clinic's is not guessed.
        ProgramFolder folder;
        for (const char* name : {"vxmox2.mdb", "Vxmox2.Mdb"}) {
            QFile f(folder.Path(name));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(name);
        }
        auto p = folder.Start("two.log", "1", 0);
        EXPECT_EQ(Finish(*p), 6);
        const QString log = folder.ReadLog("two.log");
        EXPECT_EQ(log.count("MSGBOX\tエラー\t16\t1\t"), 1) << log.toStdString();
        EXPECT_TRUE(log.contains("Vxmox2.Mdb\\r\\nvxmox2.mdb\\r\\n")) << log.toStdString();
        EXPECT_FALSE(log.contains("MAINWINDOW"));
        EXPECT_EQ(MainDatabaseNames(folder), (QStringList{"Vxmox2.Mdb", "vxmox2.mdb"}));
        EXPECT_EQ(FileBytes(folder.Path("vxmox2.mdb")), "vxmox2.mdb");
    }
}

TEST(VxmoxStartup, DatabasePathsThatAreNotFilesAreRefusedAtOnceWithTheErrorBox) {
    {
        ProgramFolder folder;
        ASSERT_EQ(::mkfifo(folder.Path("VXMOX2.MDB").toLocal8Bit().constData(), 0600), 0);
        auto p = folder.Start("fifo.log", "2", 0);
        EXPECT_EQ(Finish(*p, 20000), kEndProgram);
        const QString log = folder.ReadLog("fifo.log");
        EXPECT_EQ(log.count("MSGBOX\tエラー\t21\t2\t[Error:"), 1) << log.toStdString();
        EXPECT_FALSE(log.contains("MAINWINDOW"));
    }
    {
        // The sibling product's Access file, found through the registry.
        ProgramFolder folder;
        ASSERT_TRUE(QDir().mkpath(folder.Path("sibling/db")));
        ASSERT_EQ(::mkfifo(folder.Path("sibling/db/vx2.MDB").toLocal8Bit().constData(), 0600), 0);
        qputenv("VXMOX_REGISTRY", folder.Path("registry.ini").toLocal8Bit());
        const QString key = "HKEY_LOCAL_MACHINE/Software/QD NORVALE/QD Vexaline 2/";
        ASSERT_TRUE(mox::platform::RegistryWrite(key + "System", "Path", folder.Path("sibling")));
        ASSERT_TRUE(mox::platform::RegistryWrite(key + "Install", "DbType", "Access"));
        qunsetenv("VXMOX_REGISTRY");
        auto p = folder.Start("sibling.log", "2", 0);
        EXPECT_NE(Finish(*p, 20000), -1);
        const QString log = folder.ReadLog("sibling.log");
        EXPECT_EQ(log.count("MSGBOX\tエラー\t21\t2\t[Error:"), 1) << log.toStdString();
        EXPECT_TRUE(log.contains("vx2.MDB")) << log.toStdString();
    }
}

TEST(VxmoxStartup, EmptyOrGarbledLockFileLeftByACrashIsTakenOver) {
    for (const QByteArray& content : {QByteArray(), QByteArray("\x01\x02garbage")}) {
        ProgramFolder folder;
        {
            QFile f(folder.Path(".VXMOX.lock"));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        auto p = folder.Start("lock.log", kNoBackup, 0);
        EXPECT_EQ(Finish(*p), 0);
        const QString log = folder.ReadLog("lock.log");
        EXPECT_FALSE(log.contains("２重起動")) << log.toStdString();
        EXPECT_TRUE(log.contains("MAINWINDOW"));
    }
}

TEST(VxmoxStartup, ProgramFolderWithSeparatorsQuotesAndBlanksInItsPathOpensItsDatabase) {
    ProgramFolder folder("clinic;Provider=x; it's \"MOX\" {1}");
    auto p = folder.Start("odd.log", kNoBackup, 0);
    EXPECT_EQ(Finish(*p), 0) << folder.ReadLog("odd.log").toStdString();
    const QString log = folder.ReadLog("odd.log");
    EXPECT_FALSE(log.contains("[Error:")) << log.toStdString();
    EXPECT_TRUE(log.contains("MAINWINDOW"));
    auto conn = mox::db::Connection::Open("Data Source=\"" + folder.Path("VXMOX2.MDB").replace("\"", "\"\"") + "\"");
    EXPECT_TRUE(conn->TableExists("TVersion"));
}

TEST(VxmoxStartup, UsedUpAnswersEndTheRunInsteadOfRepeatingABox) {
    ProgramFolder folder;
    {
        QFile f(folder.Path("VXMOX2.MDB"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("not a database");
    }
    // One Retry scripted: the second box finds the script used up, takes
    // Cancel and the run ends with its own code.
    auto p = folder.Start("script.log", "4");
    EXPECT_EQ(Finish(*p), kAnswersUsedUp);
    QString log = folder.ReadLog("script.log");
    EXPECT_EQ(log.count("MSGBOX\tエラー\t21\t4\t"), 1) << log.toStdString();
    EXPECT_EQ(log.count("MSGBOX\tエラー\t21\t2\t"), 1) << log.toStdString();
    EXPECT_EQ(log.count("MSGBOX"), 2);
    EXPECT_TRUE(log.endsWith("END\tno scripted answer left\n"));

    // Without a script, a box whose default is Retry would repeat for ever.
    p = folder.Start("default.log");
    EXPECT_EQ(Finish(*p), kAnswersUsedUp);
    log = folder.ReadLog("default.log");
    EXPECT_EQ(log.count("MSGBOX"), 1) << log.toStdString();
    EXPECT_TRUE(log.contains("MSGBOX\tエラー\t21\t2\t"));
}

// No to the question about the file in use opens the database chooser: a
// logged run answers it from its own script, and without an answer the run
// ends as with a used-up box instead of waiting for a user.
TEST(VxmoxStartup, FileDialogOfALoggedRunTakesItsScriptedAnswerOrEndsTheRun) {
    ProgramFolder folder;
    qputenv("VXMOX_FILEDIALOG_ANSWERS", "-");
    auto p = folder.Start("cancel.log", QStringLiteral("7,7"), 0);
    qunsetenv("VXMOX_FILEDIALOG_ANSWERS");
    EXPECT_EQ(Finish(*p), 0);
    QString log = folder.ReadLog("cancel.log");
    EXPECT_EQ(log.count("FILEDIALOG\t"), 1) << log.toStdString();
    EXPECT_TRUE(log.contains(QRegularExpression("FILEDIALOG\t[^\t]*\topen\t-\t[^\n]*\tVXMOX2.MDB\n")))
        << log.toStdString();
    EXPECT_TRUE(log.contains("MSGBOX\tバックアップ確認\t52\t7\t"));

    p = folder.Start("unanswered.log", QStringLiteral("7"));
    EXPECT_EQ(Finish(*p), kAnswersUsedUp);
    log = folder.ReadLog("unanswered.log");
    EXPECT_EQ(log.count("FILEDIALOG\t"), 1) << log.toStdString();
    EXPECT_TRUE(log.endsWith("END\tno scripted answer left\n")) << log.toStdString();
}

}  // namespace
