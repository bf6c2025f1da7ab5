#include "core/files.h"
#include "core/settings.h"
#include "platform/atomic_file.h"
#include "platform/message_box.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

namespace mox {
namespace {

const QString kCopyError = QStringLiteral("ファイルコピー(CopyFile)でエラーが発生しました。\r\n\r\n");
const QString kDirError = QStringLiteral("Dir代替機能(CheckDir)でエラーが発生しました。\r\n\r\n");

class FilesTest : public ::testing::Test {
protected:
    QString Make(const QString& name, const QByteArray& bytes) {
        sandbox_.WriteText(name, bytes);
        return sandbox_.File(name);
    }
    QByteArray Read(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    QStringList Temporaries() {
        return QDir(sandbox_.Path()).entryList({QStringLiteral(".*.part.*")}, QDir::Files | QDir::Hidden);
    }

    test::Sandbox sandbox_;
    platform::ScriptedMsgBoxes boxes_;
};

TEST_F(FilesTest, BlankPathsAreAnsweredWithoutLooking) {
    for (const QString& blank : {QString(), QStringLiteral("   ")}) {
        EXPECT_FALSE(CheckFile(blank));
        EXPECT_FALSE(DeleteFile(blank));
        EXPECT_EQ(GetFileSize(blank), -1);
        EXPECT_EQ(CheckDir(blank), QString());
    }
    EXPECT_TRUE(boxes_.Shown().empty());
}

TEST_F(FilesTest, CheckFileAndGetFileSizeSeeFilesOnly) {
    const QString file = Make(QStringLiteral("a.txt"), "12345");
    EXPECT_TRUE(CheckFile(file));
    EXPECT_EQ(GetFileSize(file), 5);
    EXPECT_FALSE(CheckFile(sandbox_.Path()));
    EXPECT_EQ(GetFileSize(sandbox_.Path()), -1);
    EXPECT_FALSE(CheckFile(sandbox_.File(QStringLiteral("none.txt"))));
    EXPECT_EQ(GetFileSize(sandbox_.File(QStringLiteral("none.txt"))), -1);
    EXPECT_TRUE(boxes_.Shown().empty());
}

TEST_F(FilesTest, DeleteFileRemovesReadOnlyFilesAndIgnoresMissingOnes) {
    const QString file = Make(QStringLiteral("ro.txt"), "x");
    ::chmod(QFile::encodeName(file).constData(), 0444);
    EXPECT_TRUE(DeleteFile(file));
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_FALSE(DeleteFile(file));
    EXPECT_FALSE(DeleteFile(sandbox_.Path()));
    EXPECT_TRUE(QDir(sandbox_.Path()).exists());
    EXPECT_TRUE(boxes_.Shown().empty());
}

TEST_F(FilesTest, CopyFileReplacesTheTargetWithTheSourcesBytesAndMode) {
    const QString source = Make(QStringLiteral("VXMOX2.MDB"), QByteArray(200000, 'n'));
    ::chmod(QFile::encodeName(source).constData(), 0600);
    const QString target = Make(QStringLiteral("backup.MDB"), "old");
    ::chmod(QFile::encodeName(target).constData(), 0444);
    ASSERT_TRUE(CopyFile(source, target));
    EXPECT_EQ(Read(target), QByteArray(200000, 'n'));
    struct stat st {};
    ::stat(QFile::encodeName(target).constData(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_TRUE(Temporaries().isEmpty());
    EXPECT_TRUE(boxes_.Shown().empty());
}

TEST_F(FilesTest, CopyFileOntoTheSameFileDoesNothing) {
    QDir().mkdir(sandbox_.File(QStringLiteral("sub")));
    const QString file = Make(QStringLiteral("VXMOX2.MDB"), "data");
    QFile::link(file, sandbox_.File(QStringLiteral("link.MDB")));
    EXPECT_FALSE(CopyFile(file, file));
    EXPECT_FALSE(CopyFile(file, sandbox_.Path() + QStringLiteral("/./VXMOX2.MDB")));
    EXPECT_FALSE(CopyFile(file, sandbox_.Path() + QStringLiteral("/sub/../VXMOX2.MDB")));
    EXPECT_FALSE(CopyFile(sandbox_.File(QStringLiteral("link.MDB")), file));
    EXPECT_EQ(Read(file), QByteArray("data"));
    EXPECT_TRUE(boxes_.Shown().empty());
}

TEST_F(FilesTest, IsSameFileSeesOneFileUnderEverySpelling) {
    QDir().mkdir(sandbox_.File(QStringLiteral("sub")));
    const QString file = Make(QStringLiteral("VXMOX2.MDB"), "data");
    const QString twin = Make(QStringLiteral("twin.MDB"), "data");
    QFile::link(file, sandbox_.File(QStringLiteral("link.MDB")));
    ASSERT_EQ(::link(QFile::encodeName(file).constData(), QFile::encodeName(sandbox_.File("hard.MDB")).constData()), 0);
    for (const QString& spelling :
         {file, sandbox_.Path() + QStringLiteral("/./VXMOX2.MDB"),
          sandbox_.Path() + QStringLiteral("/sub/../VXMOX2.MDB"), sandbox_.File(QStringLiteral("link.MDB")),
          sandbox_.File(QStringLiteral("hard.MDB"))})
        EXPECT_TRUE(IsSameFile(file, spelling)) << spelling.toStdString();
    EXPECT_FALSE(IsSameFile(file, twin)) << "the same bytes are not the same file";
    // A file not made yet is one place under two spellings, and never the
    // file that exists.
    EXPECT_TRUE(
        IsSameFile(sandbox_.File(QStringLiteral("none.MDB")), sandbox_.Path() + QStringLiteral("/sub/../none.MDB")));
    EXPECT_FALSE(IsSameFile(file, sandbox_.File(QStringLiteral("none.MDB"))));
    EXPECT_FALSE(IsSameFile(QStringLiteral(" "), QStringLiteral(" ")));
    EXPECT_TRUE(boxes_.Shown().empty());
}

TEST_F(FilesTest, FailedCopyReportsAndKeepsTheOldTarget) {
    const QString target = Make(QStringLiteral("VXMOX2.MDB"), "precious");
    EXPECT_FALSE(CopyFile(sandbox_.File(QStringLiteral("missing.MDB")), target));
    ASSERT_EQ(boxes_.Shown().size(), 1u);
    EXPECT_EQ(boxes_.Shown()[0].prompt, kCopyError + QStringLiteral("<2> ファイルまたはフォルダが見つかりません。"));
    EXPECT_EQ(boxes_.Shown()[0].style, 0);
    EXPECT_EQ(boxes_.Shown()[0].caption, QStringLiteral("MOX2-CHART"));
    EXPECT_EQ(Read(target), QByteArray("precious"));

    // A read that fails in the middle of the copy.
    boxes_.Clear();
    EXPECT_FALSE(CopyFile(QStringLiteral("/proc/self/mem"), target));
    ASSERT_EQ(boxes_.Shown().size(), 1u);
    EXPECT_EQ(boxes_.Shown()[0].prompt, kCopyError + QStringLiteral("<5> ディスクの読み書きでエラーが発生しました。"));
    EXPECT_EQ(Read(target), QByteArray("precious"));

    // A pipe as the source is refused instead of waiting for a writer.
    boxes_.Clear();
    const QString fifo = sandbox_.File(QStringLiteral("pipe"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_FALSE(CopyFile(fifo, target));
    EXPECT_EQ(boxes_.Shown().size(), 1u);
    EXPECT_EQ(Read(target), QByteArray("precious"));

    boxes_.Clear();
    EXPECT_FALSE(CopyFile(target, sandbox_.File(QStringLiteral("no-folder/x.MDB"))));
    ASSERT_EQ(boxes_.Shown().size(), 1u);
    EXPECT_EQ(boxes_.Shown()[0].prompt, kCopyError + QStringLiteral("<2> ファイルまたはフォルダが見つかりません。"));
    EXPECT_TRUE(Temporaries().isEmpty());
}

// The copy of a database to a backup or over the main file: a failure at any
// step of the write reports that step's error and keeps the old target.
TEST_F(FilesTest, CopyFailingAtAnyStepReportsItAndKeepsTheOldTarget) {
    const QString source = Make(QStringLiteral("VXMOX2.MDB"), QByteArray(100000, 'n'));
    const QString target = Make(QStringLiteral("backup.MDB"), "precious");
    int steps = 0;
    {
        platform::FileStepFault counting;
        ASSERT_TRUE(CopyFile(source, Make(QStringLiteral("other.MDB"), "x")));
        steps = counting.StepsTaken();
    }
    // The last step syncs the folder after the rename: nothing to undo there.
    for (int k = 1; k < steps; ++k) {
        SCOPED_TRACE(k);
        boxes_.Clear();
        platform::FileStepFault fault(k, ENOSPC);
        EXPECT_FALSE(CopyFile(source, target));
        ASSERT_EQ(boxes_.Shown().size(), 1u);
        EXPECT_EQ(boxes_.Shown()[0].prompt, kCopyError + QStringLiteral("<28> ディスクの空き容量が不足しています。"));
        EXPECT_EQ(Read(target), QByteArray("precious"));
        EXPECT_TRUE(Temporaries().isEmpty());
    }
}

// A safety copy that is still the main database under a second name (a
// restore killed between its link and its rename) becomes a copy of its
// own, which others cannot read from its first byte on; the owner's group
// keeps what the file gave it.
TEST_F(FilesTest, ASecondNameOfTheDatabaseBecomesACopyOthersCannotRead) {
    const Settings before = G();
    G().ProgramDir = sandbox_.Path();
    const QString main = Make(QStringLiteral("VXMOX2.MDB"), "the clinic's examinations");
    G().SetMainDatabase(main);
    ::chmod(QFile::encodeName(main).constData(), 0664);
    const QString safety = sandbox_.File(QStringLiteral("VXMOX2_20240506_0700.MDB"));
    ASSERT_EQ(::link(QFile::encodeName(main).constData(), QFile::encodeName(safety).constData()), 0);
    const auto modeOf = [](const QString& path) {
        struct stat st {};
        return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0u;
    };
    QStringList beingWritten;
    {
        platform::FileStepFault whileCopied(2, [&](platform::FileStep step) {
            EXPECT_EQ(step, platform::FileStep::Write);
            for (const QString& name : QDir(sandbox_.Path()).entryList(QDir::Files | QDir::Hidden)) {
                if (name == QStringLiteral("VXMOX2.MDB") || name == QStringLiteral("VXMOX2_20240506_0700.MDB"))
                    continue;
                beingWritten << name;
                EXPECT_EQ(modeOf(sandbox_.File(name)), 0660u) << name.toStdString();
            }
        });
        CleanUpAfterKilledRuns();
    }
    G() = before;
    EXPECT_EQ(beingWritten.size(), 1);
    struct stat mainSt {
    }, keptSt{};
    ASSERT_EQ(::stat(QFile::encodeName(main).constData(), &mainSt), 0);
    ASSERT_EQ(::stat(QFile::encodeName(safety).constData(), &keptSt), 0);
    EXPECT_NE(mainSt.st_ino, keptSt.st_ino);
    EXPECT_EQ(Read(safety), QByteArray("the clinic's examinations"));
    EXPECT_EQ(keptSt.st_mode & 07777, 0660u);
    EXPECT_EQ(mainSt.st_mode & 07777, 0664u);
}

TEST_F(FilesTest, CheckDirFindsPatternsCaseInsensitivelyAndLowerCasesThem) {
    Make(QStringLiteral("VXMOX2.MDB"), "x");
    Make(QStringLiteral("notes.txt"), "x");
    QDir().mkdir(sandbox_.File(QStringLiteral("Folder.MDB")));
    const QString dir = sandbox_.Path();
    EXPECT_EQ(CheckDir(dir + QStringLiteral("/*.MDB")), QStringLiteral("vxmox2.mdb"));
    EXPECT_EQ(CheckDir(dir + QStringLiteral("/vx?ox#.*")), QStringLiteral("vxmox2.mdb"));
    EXPECT_EQ(CheckDir(dir + QStringLiteral("/[!v]*.txt")), QStringLiteral("notes.txt"));
    EXPECT_EQ(CheckDir(dir + QStringLiteral("/F*")), QString());  // folders are not files
    EXPECT_EQ(CheckDir(dir + QStringLiteral("/*.doc")), QString());
    EXPECT_EQ(CheckDir(dir + QStringLiteral("/*.MDB"), 16), QString());
    EXPECT_TRUE(boxes_.Shown().empty());
}

TEST_F(FilesTest, CheckDirWithoutPatternReturnsTheNameAsWritten) {
    Make(QStringLiteral("VXMOX2.MDB"), "x");
    const QString dir = sandbox_.Path();
    EXPECT_EQ(CheckDir(dir + QStringLiteral("/VXMOX2.MDB")), QStringLiteral("VXMOX2.MDB"));
    EXPECT_EQ(CheckDir(dir + QStringLiteral("/VXCP.MDB")), QString());
    EXPECT_EQ(CheckDir(dir, 16), QDir(dir).dirName());
    EXPECT_EQ(CheckDir(dir, 0), QString());
    EXPECT_EQ(CheckDir(dir + QStringLiteral("/VXMOX2.MDB"), 16), QString());
    EXPECT_TRUE(boxes_.Shown().empty());
}

TEST_F(FilesTest, FindFileIgnoringCaseGivesTheRealNameOfACopiedFileAndNeverGuesses) {
    const QString dir = sandbox_.Path();
    Make(QStringLiteral("VEXAMOX.mdb"), "copied");
    EXPECT_EQ(FindFileIgnoringCase(dir + QStringLiteral("/vexaMOX.MDB")), dir + QStringLiteral("/VEXAMOX.mdb"));
    // A second spelling leaves a guess: neither is taken for the file.
    Make(QStringLiteral("vexamox.MDB"), "second");
    EXPECT_EQ(FindFilesIgnoringCase(dir + QStringLiteral("/vexaMOX.MDB")),
              (QStringList{dir + QStringLiteral("/VEXAMOX.mdb"), dir + QStringLiteral("/vexamox.MDB")}));
    EXPECT_EQ(FindFileIgnoringCase(dir + QStringLiteral("/vexaMOX.MDB")), dir + QStringLiteral("/vexaMOX.MDB"));
    // The exact name wins over other spellings.
    EXPECT_EQ(FindFileIgnoringCase(dir + QStringLiteral("/vexamox.MDB")), dir + QStringLiteral("/vexamox.MDB"));
    // Neither a folder nor a longer name is the file.
    QDir().mkdir(sandbox_.File(QStringLiteral("VEXAMOXDH.MDB")));
    Make(QStringLiteral("vexaMOXDH.MDB.bak"), "x");
    EXPECT_EQ(FindFileIgnoringCase(dir + QStringLiteral("/vexaMOXDH.MDB")), dir + QStringLiteral("/vexaMOXDH.MDB"));
    EXPECT_EQ(FindFileIgnoringCase(dir + QStringLiteral("/gone/x.MDB")), dir + QStringLiteral("/gone/x.MDB"));
}

TEST_F(FilesTest, CheckDirReportsAFolderItCannotList) {
    EXPECT_EQ(CheckDir(sandbox_.File(QStringLiteral("gone/*.MDB"))), QString());
    ASSERT_EQ(boxes_.Shown().size(), 1u);
    EXPECT_EQ(boxes_.Shown()[0].prompt, kDirError + QStringLiteral("<2> ファイルまたはフォルダが見つかりません。"));
}

TEST(LikePattern, FollowsTheOperatorsRules) {
    EXPECT_TRUE(MatchesLikePattern(QStringLiteral("vxmox2.mdb"), QStringLiteral("*.mdb")));
    EXPECT_TRUE(MatchesLikePattern(QStringLiteral(""), QStringLiteral("*")));
    EXPECT_TRUE(MatchesLikePattern(QStringLiteral("a.b.c"), QStringLiteral("*.c")));
    EXPECT_FALSE(MatchesLikePattern(QStringLiteral("abc"), QStringLiteral("a?")));
    EXPECT_TRUE(MatchesLikePattern(QStringLiteral("x7y"), QStringLiteral("x#y")));
    EXPECT_FALSE(MatchesLikePattern(QStringLiteral("xzy"), QStringLiteral("x#y")));
    EXPECT_TRUE(MatchesLikePattern(QStringLiteral("b1"), QStringLiteral("[a-c]#")));
    EXPECT_FALSE(MatchesLikePattern(QStringLiteral("d1"), QStringLiteral("[a-c]#")));
    EXPECT_TRUE(MatchesLikePattern(QStringLiteral("d1"), QStringLiteral("[!a-c]#")));
    EXPECT_TRUE(MatchesLikePattern(QStringLiteral("*"), QStringLiteral("[*]")));
    EXPECT_TRUE(MatchesLikePattern(QStringLiteral("[x"), QStringLiteral("[x")));  // unclosed bracket is literal
    EXPECT_TRUE(MatchesLikePattern(QStringLiteral("aaab"), QStringLiteral("*a*b")));
    EXPECT_FALSE(MatchesLikePattern(QStringLiteral("aaa"), QStringLiteral("*a*b")));
}

TEST_F(FilesTest, RenameFileMovesWithinTheSourceFolderAndNeverOverwrites) {
    const QString source = Make(QStringLiteral("VXMOXVerUp.new"), "new");
    const QString target = sandbox_.File(QStringLiteral("VXMOXVerUp"));
    EXPECT_FALSE(RenameFile(source, source));
    EXPECT_FALSE(RenameFile(sandbox_.File(QStringLiteral("none")), target));

    Make(QStringLiteral("VXMOXVerUp"), "old");
    EXPECT_FALSE(RenameFile(source, target));
    EXPECT_EQ(Read(target), QByteArray("old"));

    // The target's folder names only the new name; the file stays where it is,
    // and a file of that name beside the source is not overwritten.
    EXPECT_FALSE(RenameFile(source, sandbox_.File(QStringLiteral("elsewhere/VXMOXVerUp"))));
    EXPECT_EQ(Read(target), QByteArray("old"));
    EXPECT_EQ(Read(source), QByteArray("new"));

    QFile::remove(target);
    EXPECT_TRUE(RenameFile(source, target));
    EXPECT_EQ(Read(target), QByteArray("new"));
    EXPECT_FALSE(QFile::exists(source));
    EXPECT_TRUE(boxes_.Shown().empty());
}

TEST(PathParts, SplitAtTheLastSlash) {
    EXPECT_EQ(GetFileName(QStringLiteral("  /data/x.txt ")), QStringLiteral("x.txt"));
    EXPECT_EQ(GetFileName(QStringLiteral("x.txt")), QString());
    EXPECT_EQ(GetFileName(QStringLiteral("/data/")), QString());

    QString folder = QStringLiteral("?"), name = QStringLiteral("?");
    EXPECT_FALSE(SplitPath(QStringLiteral("x.txt"), folder, name));
    EXPECT_EQ(folder, QString());
    EXPECT_EQ(name, QStringLiteral("x.txt"));
    EXPECT_FALSE(SplitPath(QStringLiteral(" /home/clinic/VXMOX2.MDB "), folder, name));
    EXPECT_EQ(folder, QStringLiteral("/home/clinic"));
    EXPECT_EQ(name, QStringLiteral("VXMOX2.MDB"));
}

}  // namespace
}  // namespace mox
