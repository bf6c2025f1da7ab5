// A version-up run from end to end against a real FTP server and archives
// made by 7za: what is installed, what never is, what an untrustworthy
// server or archive can and cannot do to the program folder, the rollback
// at every failing step, and the reservation of the report name.

#include "core/cp932.h"
#include "core/settings.h"
#include "maintenance/version_up/archive_unpack.h"
#include "maintenance/version_up/update_protocol.h"
#include "platform/atomic_file.h"
#include "platform/clock.h"
#include "platform/instance_lock.h"
#include "platform/message_box.h"
#include "tests/maintenance/maintenance_test_support.h"

#include <gtest/gtest.h>
#include <unistd.h>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

using namespace mox;
using mox::test::FileSpec;
using mox::test::PictureOf;
using mox::test::ReadFile;
using mox::test::WriteFile;

const QByteArray kInfo =
    ToCp932(QStringLiteral("医療機関名    ：さくら歯科\r\n担当者名      ：山田\r\n担当者のE-mail：a@b.jp\r\n"));

class VersionUpRunTest : public ::testing::Test {
protected:
    void SetUp() override { MOX_REQUIRE_FTP_AND_7ZA(); }

    void StartServer(bool readOnlyUpload = false, const QStringList& injected = {}, const QStringList& options = {}) {
        server_ = std::make_unique<test::FtpServer>(tree_.Root(), readOnlyUpload, injected, options);
        ASSERT_TRUE(server_->Running());
        site_ = std::make_unique<test::UpdateSite>(server_->Host());
        const auto put = [&](const char* name, const QByteArray& bytes, int mode) {
            WriteFile(site_->Program(QString::fromUtf8(name)), bytes, mode);
        };
        put("VXMOX",
            "\x7f"
            "ELF old main",
            0755);
        put("VXMOXVerUp",
            "\x7f"
            "ELF old version-up",
            0755);
        put("libMolarix.so",
            "\x7f"
            "ELF old module",
            0755);
        put("Readme.TXT", "old readme", 0600);
        put("VersionMOX.txt", "Version=4.0.6\r\n", 0644);
        put("VXMOX2.MDB", "the clinic's patients", 0600);
        put("VXMOX2_20240101_1200.MDB", "a backup", 0600);
        put("MOX.INI", "BackUpPath=/backup\r\n", 0644);
        put("Info.txt", kInfo, 0644);
        put("wave/click.wav", "RIFF old", 0644);
        tree_.SetRemoteVersion("Version=4.1.0\r\n");
    }

    // The update of the end-to-end test: two archives.
    void OfferTheUpdate() {
        ASSERT_TRUE(tree_.AddArchive("update1.zip", {{"VXMOX",
                                                      "\x7f"
                                                      "ELF new main",
                                                      0755},
                                                     {"vxmoxverup",
                                                      "\x7f"
                                                      "ELF new version-up",
                                                      0755},
                                                     {"newtool",
                                                      "\x7f"
                                                      "ELF new tool without its bit",
                                                      0644},
                                                     {"notes.txt", "new notes", 0600},
                                                     {"readme.txt", "new readme", 0644},
                                                     {"VXMOX2.MDB", "sample database", 0644},
                                                     {"vxmox2_20240101_1200.mdb", "not our backup", 0644},
                                                     {"mox.ini", "BackUpPath=/elsewhere", 0644},
                                                     {"Info.txt", "another clinic", 0644},
                                                     {"Log_MOX.txt", "a log from elsewhere", 0644},
                                                     {"VXMOX2_ORG.MDB", "new template", 0644},
                                                     {"sub/inner.txt", "not installed", 0644}}));
        ASSERT_TRUE(tree_.AddArchive("Update2.ZIP", {{"libMolarix.so",
                                                      "\x7f"
                                                      "ELF new module",
                                                      0644}}));
    }

    verup::VersionUpProtocol& Protocol() {
        if (!protocol_) {
            verup::VersionUpSetup setup = site_->Setup();
            setup.limits = limits_;
            setup.maxUpdateBytes = maxUpdateBytes_;
            setup.keepFreeBytes = keepFreeBytes_;
            protocol_ = std::make_unique<verup::VersionUpProtocol>(view_, setup);
        }
        return *protocol_;
    }
    // What the run leaves in the temporary place besides `planted`.
    QStringList LeftInTemp(const QStringList& planted = {}) const {
        QStringList left = QDir(site_->Temp()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        for (const QString& name : planted) left.removeAll(name);
        return left;
    }
    bool MainProgramCanStart() const {
        platform::InstanceLock mainProgram(site_->Program(), QStringLiteral("VXMOX"));
        return mainProgram.TryAcquire();
    }

    // Runs the start check and a version-up; the program folder must come
    // out of it as it went in.
    void ExpectRunChangesNothing() {
        const test::FolderPicture before = PictureOf(site_->Program());
        Protocol().StartupCheck();
        ASSERT_TRUE(view_.highlighted) << view_.All();
        EXPECT_EQ(Protocol().RunVersionUp(), 0);
        const test::FolderPicture after = PictureOf(site_->Program());
        EXPECT_EQ(before, after) << test::DescribeDifference(before, after);
        EXPECT_FALSE(view_.Listed(QStringLiteral("バージョンアップされました")));
        EXPECT_TRUE(view_.Listed(QStringLiteral("バージョンアップ用ファイルをコピーできませんでした。")))
            << view_.All();
    }

    QByteArray Bytes(const char* name) const { return ReadFile(site_->Program(QString::fromUtf8(name))); }

    test::ServerTree tree_;
    std::unique_ptr<test::FtpServer> server_;
    std::unique_ptr<test::UpdateSite> site_;
    test::RecordingView view_;
    std::unique_ptr<verup::VersionUpProtocol> protocol_;
    platform::ScriptedMsgBoxes boxes_;
    verup::FtpLimits limits_;
    qint64 maxUpdateBytes_ = verup::VersionUpSetup().maxUpdateBytes;
    qint64 keepFreeBytes_ = verup::VersionUpSetup().keepFreeBytes;
};

struct Mode {
    const char* name;
    int mode;
};

TEST_F(VersionUpRunTest, InstallsNamesAndModesLeavesItsOwnCopyAsNewAndReportsInCp932) {
    StartServer();
    OfferTheUpdate();
    // What another account left under the old fixed names blocks nothing.
    WriteFile(site_->Temp() + "/tmpDLMOX", "another user's file");
    QDir().mkpath(site_->Temp() + "/tmpSVMOX/x");
    // While the run works, its folder is private and holds no patient data.
    bool patientCopySeen = false, workFolderSeen = false, workFolderShared = false;
    view_.onKeepResponsive = [&] {
        for (const QFileInfo& work : QDir(site_->Temp()).entryInfoList({"VXMOXVerUp-*"}, QDir::Dirs)) {
            workFolderSeen = true;
            workFolderShared |= (QFile::permissions(work.filePath()) & 0x0077) != 0;
            QDirIterator it(work.filePath(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
            while (it.hasNext()) {
                const QByteArray bytes = ReadFile(it.next());
                patientCopySeen |= bytes == "the clinic's patients" || bytes == "a backup";
            }
        }
    };
    Protocol().StartupCheck();
    EXPECT_EQ(Protocol().RunVersionUp(), 1) << view_.All();
    EXPECT_TRUE(workFolderSeen);
    EXPECT_FALSE(workFolderShared);
    EXPECT_FALSE(patientCopySeen);
    EXPECT_EQ(LeftInTemp({"tmpDLMOX", "tmpSVMOX"}), QStringList());

    EXPECT_EQ(Bytes("VXMOX"), QByteArray("\x7f"
                                         "ELF new main"));
    EXPECT_EQ(Bytes("libMolarix.so"), QByteArray("\x7f"
                                                 "ELF new module"));
    EXPECT_EQ(Bytes("newtool"), QByteArray("\x7f"
                                           "ELF new tool without its bit"));
    EXPECT_EQ(Bytes("notes.txt"), QByteArray("new notes"));
    // A name that differs only in case replaces the file under its own name.
    EXPECT_EQ(Bytes("Readme.TXT"), QByteArray("new readme"));
    EXPECT_FALSE(QFileInfo::exists(site_->Program("readme.txt")));
    // The running program stays; its new copy waits beside it.
    EXPECT_EQ(Bytes("VXMOXVerUp"), QByteArray("\x7f"
                                              "ELF old version-up"));
    EXPECT_EQ(Bytes("VXMOXVerUp.new"), QByteArray("\x7f"
                                                  "ELF new version-up"));
    EXPECT_FALSE(QFileInfo::exists(site_->Program("vxmoxverup")));
    // The clinic's data and subfolders of the update are left alone.
    EXPECT_EQ(Bytes("VXMOX2.MDB"), QByteArray("the clinic's patients"));
    EXPECT_EQ(Bytes("VXMOX2_20240101_1200.MDB"), QByteArray("a backup"));
    EXPECT_EQ(Bytes("MOX.INI"), QByteArray("BackUpPath=/backup\r\n"));
    EXPECT_EQ(Bytes("Info.txt"), kInfo);
    // The template is program data: an update may bring a new one.
    EXPECT_EQ(Bytes("VXMOX2_ORG.MDB"), QByteArray("new template"));
    EXPECT_FALSE(site_->Log().contains(QStringLiteral("a log from elsewhere")));
    EXPECT_FALSE(QFileInfo::exists(site_->Program("sub")));
    EXPECT_EQ(Bytes("wave/click.wav"), QByteArray("RIFF old"));

    // Replaced files keep their mode; new programs get 0755, other new files 0644.
    for (const Mode& m : {Mode{"VXMOX", 0755}, Mode{"libMolarix.so", 0755}, Mode{"Readme.TXT", 0600},
                          Mode{"VXMOXVerUp.new", 0755}, Mode{"newtool", 0755}, Mode{"notes.txt", 0644}}) {
        struct stat st {};
        ASSERT_EQ(::stat(QFile::encodeName(site_->Program(QString::fromUtf8(m.name))).constData(), &st), 0);
        EXPECT_EQ(static_cast<int>(st.st_mode & 07777), m.mode) << m.name;
    }

    for (const char* line : {"ダウンロードを開始します。 ．．しばらくお待ち下さい。", "update1.zip", "Update2.ZIP",
                             "ダウンロードが完了しました。", "解凍が完了しました。 ［ファイル：update1.zip］",
                             "解凍が完了しました。 ［ファイル：update2.zip］", "最新ファイルのコピーが完了しました。",
                             "MOX-Chart は、バージョンアップされました。", "【終了】ボタンをクリックしてください。"}) {
        EXPECT_TRUE(view_.messages.contains(QString::fromUtf8(line))) << line << "\n" << view_.All();
        EXPECT_TRUE(site_->Log().contains(QString::fromUtf8(line))) << line;
    }
    EXPECT_FALSE(view_.progress.isEmpty());
    EXPECT_TRUE(boxes_.Shown().empty());
    EXPECT_FALSE(QFileInfo::exists(site_->Program(".VXMOX.lock")));

    // The report, read back from the server.
    const QStringList uploads = tree_.Uploads();
    ASSERT_EQ(uploads.size(), 1);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d{8}_\\d{6}_00\\.txt$")).match(uploads[0]).hasMatch());
    const QByteArray raw = ReadFile(tree_.Upload(uploads[0]));
    const QByteArray expected =
        ToCp932(QStringLiteral("＜＜ＭＯＸチャート　バージョンアップ結果 ： ") + uploads[0] +
                QStringLiteral("＞＞\r\n\r\nＰＣ名：") + Protocol().ComputerName +
                QStringLiteral("\r\n\r\nリモートバージョン：4.1.0\r\nローカルバージョン：4.0.6\r\n\r\n")) +
        kInfo + "\r\n";
    EXPECT_EQ(raw, expected) << FromCp932(raw).toStdString();
    EXPECT_FALSE(Protocol().ComputerName.isEmpty());
    // Nothing of the report or its reservation stays in the program folder.
    EXPECT_FALSE(QFileInfo::exists(site_->Program(uploads[0])));
}

TEST_F(VersionUpRunTest, AWrongPasswordOrATruncatedArchiveInstallsNothing) {
    StartServer();
    ASSERT_TRUE(tree_.AddArchive("update1.zip",
                                 {{"VXMOX",
                                   "\x7f"
                                   "ELF new main",
                                   0755}},
                                 "not the password"));
    ExpectRunChangesNothing();
    EXPECT_TRUE(view_.Listed(QStringLiteral("解凍エラー発生（パスワード違い）"))) << view_.All();
    EXPECT_TRUE(site_->Log().contains(QStringLiteral("［終了コード：2］"))) << site_->Log().toStdString();
    // The failed run still reports to the server.
    EXPECT_EQ(tree_.Uploads().size(), 1);

    QFile::remove(tree_.Download("update1.zip"));
    ASSERT_TRUE(tree_.AddArchive("update1.zip", {{"VXMOX", QByteArray(20000, 'x'), 0755}}));
    const QByteArray whole = ReadFile(tree_.Download("update1.zip"));
    WriteFile(tree_.Download("update1.zip"), whole.left(whole.size() / 2));
    view_ = {};
    protocol_.reset();
    ExpectRunChangesNothing();
    EXPECT_TRUE(view_.Listed(QStringLiteral("解凍エラー発生（ファイルの破損）"))) << view_.All();
    EXPECT_EQ(LeftInTemp(), QStringList());
}

TEST_F(VersionUpRunTest, EntriesOutsidePfMoxAbsolutePathsAndLinksRefuseTheUpdate) {
    StartServer();
    QTemporaryDir elsewhere;
    const QString absolute = elsewhere.filePath("evil.txt");
    struct Case {
        const char* what;
        QStringList entries;
    };
    const Case cases[] = {
        {"dot-dot", {"pf-mox/VXMOX=new", "pf-mox/../../evil.txt=evil"}},
        {"absolute", {"pf-mox/VXMOX=new", absolute + "=evil"}},
        {"link", {"pf-mox/VXMOX=new", "pf-mox/libMolarix.so->/etc/passwd"}},
        {"outside", {"pf-mox/VXMOX=new", "other/evil.txt=evil"}},
        {"line break", {"pf-mox/VXMOX=new", "pf-mox/two\nlines=evil"}},
        {"control character", {"pf-mox/VXMOX=new", "pf-mox/bell\x07=evil"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const QString& zip : QDir(tree_.Download()).entryList({"*.zip"}, QDir::Files))
            QFile::remove(tree_.Download(zip));
        ASSERT_TRUE(tree_.AddRawArchive("update.zip", c.entries));
        view_ = {};
        protocol_.reset();
        ExpectRunChangesNothing();
        EXPECT_TRUE(view_.Listed(QStringLiteral("更新ファイルに使えない項目があります。"))) << view_.All();
        EXPECT_FALSE(QFileInfo::exists(absolute));
        EXPECT_FALSE(QFileInfo::exists(site_->Temp() + "/evil.txt"));
        EXPECT_EQ(LeftInTemp(), QStringList());
    }
}

TEST_F(VersionUpRunTest, AnArchiveThatWouldPassTheBoundOrFillTheDiskIsNeitherDownloadedNorUnpacked) {
    StartServer();
    const QByteArray zeros(3 << 20, '\0');
    ASSERT_TRUE(tree_.AddArchive("update1.zip", {{"VXMOX",
                                                  "\x7f"
                                                  "ELF new main",
                                                  0755},
                                                 {"zeros", zeros, 0644}}));
    ASSERT_LT(QFileInfo(tree_.Download("update1.zip")).size(), 1 << 20);

    // Small enough to download, too large unpacked: the real cause is named.
    maxUpdateBytes_ = 2 << 20;
    ExpectRunChangesNothing();
    EXPECT_TRUE(view_.Listed(QStringLiteral("解凍後のサイズが大きすぎるため、解凍しませんでした。"))) << view_.All();
    EXPECT_FALSE(view_.Listed(QStringLiteral("パスワード違い")));
    EXPECT_EQ(LeftInTemp(), QStringList());
    // The failed run's report is a whole report.
    ASSERT_EQ(tree_.Uploads().size(), 1);
    EXPECT_TRUE(
        FromCp932(ReadFile(tree_.Upload(tree_.Uploads()[0]))).contains(QStringLiteral("ローカルバージョン：4.0.6")));

    // The archiver is not started when the disk would keep less than its
    // reserve. The reserve stands well above what is free now, since other
    // programs may free space on the disk while the test runs.
    QTemporaryDir target;
    verup::UnpackOptions options;
    options.keepFreeBytes = verup::FreeBytesOf(target.path()) + (64 << 20);
    const verup::UnpackResult refused = verup::UnpackArchive(tree_.Download("update1.zip"), target.path(), options);
    EXPECT_EQ(refused.error, verup::UnpackError::NoSpace);
    EXPECT_EQ(refused.bytes, zeros.size() + 13);
    EXPECT_TRUE(QDir(target.path()).isEmpty());

    // Nor is a download that would leave too little.
    maxUpdateBytes_ = verup::VersionUpSetup().maxUpdateBytes;
    keepFreeBytes_ = qint64(1) << 60;
    view_ = {};
    protocol_.reset();
    const test::FolderPicture before = PictureOf(site_->Program());
    Protocol().StartupCheck();
    EXPECT_EQ(Protocol().RunVersionUp(), 0);
    EXPECT_EQ(before, PictureOf(site_->Program()));
    EXPECT_TRUE(view_.Listed(QStringLiteral("ディスクの空き容量が不足しているため、ダウンロードできませんでした。")))
        << view_.All();
    EXPECT_EQ(LeftInTemp(), QStringList());
}

TEST_F(VersionUpRunTest, AServerThatStopsAnsweringOrTricklesIsCutOffAndTheUserCanEndTheRun) {
    StartServer(false, {}, {"--stall-upload", "--trickle", "update1.zip"});
    OfferTheUpdate();
    limits_.answerSeconds = 1;
    limits_.lowSpeedBytes = 100;
    limits_.lowSpeedSeconds = 1;

    // The reservation gives up at the first command left unanswered.
    EXPECT_EQ(Protocol().ReserveReportName(), QString());
    EXPECT_EQ(QString::fromUtf8(ReadFile(tree_.Root() + "/.stalled")).count('\n'), 1);
    EXPECT_TRUE(site_->Log().contains(QStringLiteral("結果報告の確認で応答がありません。 ［エラー番号：28］")));

    // A download at two bytes a second is cut off; nothing is installed.
    const test::FolderPicture before = PictureOf(site_->Program());
    Protocol().StartupCheck();
    EXPECT_EQ(Protocol().RunVersionUp(), 0);
    EXPECT_TRUE(view_.Listed(QStringLiteral("update1.zip ダウンロードエラー発生 ［エラー番号：28］"))) << view_.All();
    EXPECT_EQ(before, PictureOf(site_->Program()));
    EXPECT_EQ(LeftInTemp(), QStringList());

    // With a patient rate limit the user ends the run during the transfer.
    limits_ = {};
    view_ = {};
    protocol_.reset();
    view_.onKeepResponsive = [&] {
        if (!view_.progress.isEmpty()) Protocol().RequestCancel();
    };
    Protocol().StartupCheck();
    EXPECT_EQ(Protocol().RunVersionUp(), 0);
    EXPECT_TRUE(view_.Listed(QStringLiteral("ダウンロードを中止しました。"))) << view_.All();
    EXPECT_TRUE(view_.Listed(QStringLiteral("バージョンアップを中止しました。")));
    EXPECT_TRUE(site_->Log().contains(QStringLiteral("バージョンアップを中止しました。")));
    EXPECT_EQ(before, PictureOf(site_->Program()));
    EXPECT_EQ(LeftInTemp(), QStringList());
    EXPECT_TRUE(MainProgramCanStart());
    EXPECT_TRUE(view_.buttonsEnabled);
}

TEST_F(VersionUpRunTest, RemoteNamesWithFolderPartsAreSkippedAndLogged) {
    // A hostile listing names files outside the download folder; the files
    // exist on the server, so a fetch would succeed.
    tree_.SetRemoteVersion("Version=4.1.0\r\n");
    WriteFile(tree_.Root() + "/mox/x", "outside");
    WriteFile(tree_.Download("a/b"), "in a subfolder");
    StartServer(false, {"../x", "a/b"});
    ExpectRunChangesNothing();
    const QString log = site_->Log();
    EXPECT_TRUE(log.contains(QStringLiteral("ファイル名が正しくないため、ダウンロードしませんでした。 ［../x］")))
        << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("ファイル名が正しくないため、ダウンロードしませんでした。 ［a/b］")));
    EXPECT_FALSE(QFileInfo::exists(site_->Temp() + "/x"));
    EXPECT_EQ(LeftInTemp(), QStringList());
}

TEST_F(VersionUpRunTest, NothingIsInstalledWhileTheMainProgramRuns) {
    StartServer();
    OfferTheUpdate();
    platform::InstanceLock mainProgram(site_->Program(), QStringLiteral("VXMOX"));
    ASSERT_TRUE(mainProgram.TryAcquire());
    const test::FolderPicture before = PictureOf(site_->Program());
    Protocol().StartupCheck();
    EXPECT_EQ(Protocol().RunVersionUp(), 0);
    EXPECT_EQ(before, PictureOf(site_->Program()));
    EXPECT_TRUE(view_.Listed(QStringLiteral("ＭＯＸチャートが起動されています。"))) << view_.All();
    EXPECT_TRUE(view_.buttonsEnabled);
    EXPECT_EQ(Protocol().Busy, 0);
}

TEST_F(VersionUpRunTest, AFailureAtAnyStepOfTheInstallLeavesTheFolderAsItWasAndTheLogIntact) {
    StartServer();
    OfferTheUpdate();
    const test::FolderPicture before = PictureOf(site_->Program());
    verup::VersionUpProtocol& protocol = Protocol();
    protocol.StartupCheck();
    ASSERT_EQ(protocol.DownloadUpdate(), 0);
    ASSERT_EQ(protocol.ExtractUpdate(), 2);

    // Puts the folder back after an install that went through.
    const auto restore = [&] {
        for (const QString& name : QDir(site_->Program()).entryList(QDir::Files | QDir::Hidden))
            if (!name.startsWith("Log_MOX") && !before.count(name)) QFile::remove(site_->Program(name));
        for (const auto& [name, state] : before) WriteFile(site_->Program(name), state.bytes, state.mode);
    };
    int steps = 0;
    {
        platform::FileStepFault counter;
        ASSERT_EQ(protocol.InstallUpdate(), 0);
        steps = counter.StepsTaken();
    }
    restore();
    ASSERT_EQ(before, PictureOf(site_->Program()));
    ASSERT_GT(steps, 25);

    int failures = 0;
    for (int k = 1; k <= steps; ++k) {
        SCOPED_TRACE("failing step " + std::to_string(k));
        const QByteArray logBefore = ReadFile(site_->Program("Log_MOX.txt"));
        boxes_.Clear();
        bool folderSync = false;
        int result = 0;
        {
            platform::FileStepFault fault(k);
            result = protocol.InstallUpdate();
            folderSync = fault.Steps()[static_cast<size_t>(k - 1)] == platform::FileStep::SyncFolder;
        }
        if (folderSync) {
            // An unsynced folder does not undo a rename: the install stands.
            EXPECT_EQ(result, 0);
            restore();
            continue;
        }
        ++failures;
        EXPECT_EQ(result, -1);
        const test::FolderPicture after = PictureOf(site_->Program());
        EXPECT_EQ(before, after) << test::DescribeDifference(before, after);
        EXPECT_TRUE(ReadFile(site_->Program("Log_MOX.txt")).startsWith(logBefore));
        ASSERT_EQ(boxes_.Shown().size(), 1u);
        EXPECT_EQ(boxes_.Shown()[0].caption, QStringLiteral("エラー"));
        EXPECT_EQ(boxes_.Shown()[0].style, 16);
        EXPECT_TRUE(
            boxes_.Shown()[0].prompt.startsWith(QStringLiteral("ファイルコピー(CopyVUP)でエラーが発生しました。")));
        EXPECT_TRUE(boxes_.Shown()[0].prompt.endsWith(QStringLiteral("元に戻します。")));
    }
    EXPECT_GT(failures, 20);
}

// The progress line is renewed by the clock the tests move: once per file
// while it stands still, then at most every 200 ms of it.
TEST_F(VersionUpRunTest, DownloadProgressFollowsTheClock) {
    StartServer();
    WriteFile(tree_.Download(QStringLiteral("big.bin")), QByteArray(2 << 20, 'x'));
    platform::FakeClock clock;
    const auto linesOf = [this](const QString& name) {
        return view_.progress.filter(QRegularExpression(QStringLiteral("^") + name + QStringLiteral(" "))).size();
    };
    ASSERT_EQ(Protocol().DownloadUpdate(), 0) << view_.All();
    EXPECT_EQ(linesOf(QStringLiteral("big.bin")), 1);

    int blocks = 0;
    view_.progress.clear();
    view_.onKeepResponsive = [&] {
        ++blocks;
        clock.Advance(50);
    };
    ASSERT_EQ(Protocol().DownloadUpdate(), 0) << view_.All();
    ASSERT_GE(blocks, 8);
    EXPECT_GE(linesOf(QStringLiteral("big.bin")), 2);
    EXPECT_LE(linesOf(QStringLiteral("big.bin")), blocks / 4 + 1);
}

TEST_F(VersionUpRunTest, ReservationSkipsTakenNamesAndLeavesNoProbeBehind) {
    StartServer();
    platform::FakeClock clock;
    clock.SetNow(QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9)));
    WriteFile(tree_.Upload("20240506_070809_00.txt"), "another clinic");
    WriteFile(tree_.Upload("20240506_070809_01.txt"), "and another");
    const test::FolderPicture before = PictureOf(site_->Program());
    EXPECT_EQ(Protocol().ReserveReportName(), QStringLiteral("20240506_070809_02.txt"));
    EXPECT_EQ(ReadFile(tree_.Upload("20240506_070809_02.txt")), QByteArray("GetResultFileName\r\n"));
    EXPECT_EQ(ReadFile(tree_.Upload("20240506_070809_00.txt")), QByteArray("another clinic"));
    EXPECT_EQ(before, PictureOf(site_->Program()));

    // The report replaces the placeholder under the next free name.
    EXPECT_EQ(Protocol().ReportResult(), 0);
    EXPECT_TRUE(
        FromCp932(ReadFile(tree_.Upload("20240506_070809_03.txt")))
            .startsWith(QStringLiteral("＜＜ＭＯＸチャート　バージョンアップ結果 ： 20240506_070809_03.txt＞＞")));
    EXPECT_EQ(before, PictureOf(site_->Program()));
}

TEST_F(VersionUpRunTest, ReservationGivesUpWhenTheServerRefusesEveryUpload) {
    StartServer(true);
    platform::FakeClock clock;
    EXPECT_EQ(Protocol().ReserveReportName(), QString());
    // Three passes, one second apart.
    EXPECT_EQ(clock.TotalWaited(), 2000);
    EXPECT_EQ(Protocol().ReportResult(), -2);
    EXPECT_TRUE(view_.Listed(QStringLiteral("結果報告のファイル名を確保できなかったため、報告できませんでした。")));
    EXPECT_TRUE(tree_.Uploads().isEmpty());
}

}  // namespace
