// Every errno and engine code the programs meet, to the Japanese the user
// reads for it, in the words of each operation that meets it.

#include "platform/db/db_error.h"
#include "platform/failure.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <cerrno>

using namespace mox;

namespace {

struct Worded {
    int code;
    const char* text;
};

Failure Errno(Doing doing, int err, const QString& file = QStringLiteral("/d/VXMOX2.MDB")) {
    Failure f = FromErrno(FailureStep::Open, err, file);
    f.doing = doing;
    return f;
}

Failure Engine(Doing doing, int rc, const QString& file = QStringLiteral("/d/VXMOX2.MDB")) {
    Failure f;
    f.doing = doing;
    f.kind = db::KindOfSqlite(rc);
    f.codeOf = CodeOf::Sqlite;
    f.code = rc;
    f.file = file;
    f.detail = QStringLiteral("the engine's own words");
    return f;
}

void ExpectWorded(const std::vector<Worded>& table, const std::function<Failure(int)>& failure,
                  const std::function<QString(const Failure&)>& text = FailureText) {
    for (const Worded& w : table) EXPECT_EQ(text(failure(w.code)), QString::fromUtf8(w.text)) << "code " << w.code;
}

}  // namespace

TEST(FailureTextTest, ErrnoInTheFileRoutinesWords) {
    ExpectWorded(
        {{ENOENT, "ファイルまたはフォルダが見つかりません。"},
         {ENOTDIR, "パスが見つかりません。"},
         {EACCES, "アクセスが拒否されました。"},
         {EPERM, "アクセスが拒否されました。"},
         {EEXIST, "ファイルは既に存在します。"},
         {EISDIR, "フォルダが指定されました。"},
         {ENOSPC, "ディスクの空き容量が不足しています。"},
         {EDQUOT, "ディスクの使用量の上限を超えました。"},
         {EROFS, "書き込みが禁止されたドライブです。"},
         {EBUSY, "ファイルは使用中です。"},
         {ETXTBSY, "ファイルは使用中です。"},
         {EIO, "ディスクの読み書きでエラーが発生しました。"},
         {ENAMETOOLONG, "ファイル名が長すぎます。"},
         {ELOOP, "リンクの参照が多すぎます。"},
         {EXDEV, "別のドライブへは移動できません。"},
         {EMFILE, "開いているファイルが多すぎます。"},
         {ENFILE, "開いているファイルが多すぎます。"},
         {ENOTEMPTY, "フォルダが空ではありません。"},
         {EINVAL, "パスの指定が正しくありません。"},
         {EMLINK, "ファイル操作でエラーが発生しました。"}},
        [](int err) { return FromErrno(FailureStep::Write, err); }, FailureCause);
    // A box gives the number before them.
    EXPECT_EQ(FailureText(FromErrno(FailureStep::Write, ENOENT)),
              QStringLiteral("<2> ファイルまたはフォルダが見つかりません。"));
}

TEST(FailureTextTest, ErrnoWhenADatabaseIsOpened) {
    ExpectWorded(
        {{ENOENT, "データベースファイル '/d/VXMOX2.MDB' を開けません。\nファイルが見つかりません。"},
         {ENOTDIR, "データベースファイル '/d/VXMOX2.MDB' を開けません。\nファイルが見つかりません。"},
         {EISDIR,
          "データベースファイル '/d/VXMOX2.MDB' を開けません。\n"
          "フォルダが指定されています。データベースファイルを指定してください。"},
         {EINVAL,
          "データベースファイル '/d/VXMOX2.MDB' を開けません。\n"
          "通常のファイルではありません。データベースファイルを指定してください。"},
         {EACCES, "データベースファイル '/d/VXMOX2.MDB' を開けません。\nファイルを読み取る権限がありません。"},
         {EPERM, "データベースファイル '/d/VXMOX2.MDB' を開けません。\nファイルを読み取れません。(エラー番号 1)"},
         {EIO, "データベースファイル '/d/VXMOX2.MDB' を開けません。\nファイルを読み取れません。(エラー番号 5)"}},
        [](int err) { return Errno(Doing::OpenDatabase, err); });
    EXPECT_EQ(FailureText(Errno(Doing::CreateDatabase, EACCES)),
              QStringLiteral("データベースファイル '/d/VXMOX2.MDB' を作成できません。\n(エラー番号 13)"));
}

TEST(FailureTextTest, ErrnoWhenADatabaseCopyIsWritten) {
    ExpectWorded({{ENOSPC, "ディスクの空き容量が不足しているため、ファイルをコピーできません。"},
                  {EDQUOT, "ディスクの空き容量が不足しているため、ファイルをコピーできません。"},
                  {EACCES, "コピー先のフォルダに書き込めません。"},
                  {EPERM, "コピー先のフォルダに書き込めません。"},
                  {EROFS, "コピー先のフォルダに書き込めません。"},
                  {ENOENT, "コピー先のフォルダが見つかりません。"},
                  {ENOTDIR, "コピー先のフォルダが見つかりません。"},
                  {EIO, "ファイルの読み書きでエラーが発生しました。"},
                  {EISDIR, "ファイルをコピーできません。(エラー番号 21)"}},
                 [](int err) { return Errno(Doing::CopyDatabase, err); });
}

TEST(FailureTextTest, ErrnoWhenAConversionWritesInAFolder) {
    const test::Sandbox box;
    const auto written = [&box](int err, FailureStep step) {
        Failure f = FromErrno(FailureStep::Write, err, QStringLiteral("/w/VXMOX2.mdb"));
        f.doing = Doing::ConvertJet;
        f.step = step;
        f.kind = KindOfWriteIn(box.Path(), err);
        f.place = QStringLiteral("/w");
        return f;
    };
    ExpectWorded(
        {{ENOSPC, "ディスクの空き容量が不足しているため、フォルダ /w に変換したファイルを作成できませんでした。"},
         {EDQUOT, "ディスクの空き容量が不足しているため、フォルダ /w に変換したファイルを作成できませんでした。"},
         {EACCES,
          "フォルダ /w に書き込めないため、変換したファイルを作成できませんでした。\r\n"
          "フォルダが読み取り専用でないか確認してください。"},
         {EPERM,
          "フォルダ /w に書き込めないため、変換したファイルを作成できませんでした。\r\n"
          "フォルダが読み取り専用でないか確認してください。"},
         {EROFS,
          "フォルダ /w に書き込めないため、変換したファイルを作成できませんでした。\r\n"
          "フォルダが読み取り専用でないか確認してください。"},
         {EIO, "フォルダ /w に変換したファイルを作成できませんでした。"}},
        [&](int err) { return written(err, FailureStep::Write); }, FailureCause);
    EXPECT_EQ(FailureCause(written(ENOSPC, FailureStep::KeepOriginal)),
              QStringLiteral(
                  "ディスクの空き容量が不足しているため、フォルダ /w に元のファイルの控えを作成できませんでした。"));
}

TEST(FailureTextTest, ErrnoWhenTheRestoreLooksAtItsSource) {
    ExpectWorded(
        {{ENOENT, "復元元のファイルが見つかりません。\r\n\r\n/b/backup.MDB"},
         {ENOTDIR, "復元元のファイルが見つかりません。\r\n\r\n/b/backup.MDB"},
         {EISDIR, "復元元に指定されたものはファイルではありません。\r\n\r\n/b/backup.MDB"},
         {EINVAL, "復元元に指定されたものはファイルではありません。\r\n\r\n/b/backup.MDB"},
         {EACCES, "復元元のファイルを読み取れません。\r\n\r\n/b/backup.MDB\r\n\r\n<13> アクセスが拒否されました。"},
         {EIO,
          "復元元のファイルを読み取れません。\r\n\r\n/b/backup.MDB\r\n\r\n"
          "<5> ディスクの読み書きでエラーが発生しました。"}},
        [](int err) {
            return FromErrno(FailureStep::Look, err, QStringLiteral("/b/backup.MDB"))
                .As(Doing::Restore, FailureStep::Look);
        });
}

TEST(FailureTextTest, EngineCodesInAStatement) {
    ExpectWorded(
        {{SQLITE_BUSY, "データベースは他の処理で使用中です。しばらくしてからやり直してください。"},
         {SQLITE_LOCKED, "データベースは他の処理で使用中です。しばらくしてからやり直してください。"},
         {SQLITE_READONLY, "データベースに書き込めません。ファイルが読み取り専用になっていないか確認してください。"},
         {SQLITE_PERM, "データベースに書き込めません。ファイルが読み取り専用になっていないか確認してください。"},
         {SQLITE_FULL, "ディスクの空き容量が不足しているため、データベースに書き込めません。"},
         {SQLITE_IOERR_SHORT_READ, "データベースファイルの読み書きでエラーが発生しました。"},
         {SQLITE_CORRUPT, "データベースファイルが壊れています。"},
         {SQLITE_NOTADB, "データベースファイルが壊れています。"},
         {SQLITE_CONSTRAINT_UNIQUE, "データの書き込みが制約に違反しています。"},
         {SQLITE_CANTOPEN, "データベースの処理に失敗しました。"},
         {SQLITE_NOMEM, "データベースの処理に失敗しました。"},
         {SQLITE_ERROR, "データベースの処理に失敗しました。"}},
        [](int rc) {
            Failure f = Engine(Doing::DatabaseWork, rc);
            f.detail.clear();
            return f;
        });
}

TEST(FailureTextTest, EngineCodesWhenAFileIsFirstRead) {
    const char* cannotOpen = "データベースファイル '/d/VXMOX2.MDB' を開けません。\n";
    const auto opening = [&](const char* cause) { return std::string(cannotOpen) + cause; };
    const std::string busy = opening("ファイルは他のプログラムで使用中です。");
    const std::string foreign = opening("データベースファイルではないか、ファイルが壊れています。");
    const std::string readError = opening("データベースファイルの読み書きでエラーが発生しました。");
    const std::string readOnly =
        opening("データベースに書き込めません。ファイルが読み取り専用になっていないか確認してください。");
    const std::string memory = opening("メモリが不足しています。");
    const std::string other = opening("データベースの処理に失敗しました。");
    ExpectWorded(
        {{SQLITE_BUSY, busy.c_str()},
         {SQLITE_LOCKED, busy.c_str()},
         {SQLITE_NOTADB, foreign.c_str()},
         {SQLITE_CORRUPT, foreign.c_str()},
         {SQLITE_FULL, "ディスクの空き容量が不足しているため、データベースファイル '/d/VXMOX2.MDB' に書き込めません。"},
         {SQLITE_IOERR, readError.c_str()},
         {SQLITE_READONLY, readOnly.c_str()},
         {SQLITE_PERM, readOnly.c_str()},
         {SQLITE_NOMEM, memory.c_str()},
         {SQLITE_CANTOPEN, other.c_str()}},
        [](int rc) { return Engine(Doing::OpenDatabase, rc); });
    // A file the engine could not open is told by the system's cause.
    const std::string denied = opening("ファイルを読み取る権限がありません。");
    const std::string missing = opening("ファイルが見つかりません。");
    ExpectWorded({{EACCES, denied.c_str()}, {ENOENT, missing.c_str()}}, [](int err) {
        Failure f = Engine(Doing::OpenDatabase, SQLITE_CANTOPEN);
        f.systemError = err;
        return f;
    });
    Failure journal = Engine(Doing::OpenDatabase, SQLITE_READONLY_ROLLBACK);
    journal.step = FailureStep::CopySource;
    EXPECT_EQ(FailureText(journal),
              QString::fromUtf8(cannotOpen) +
                  QStringLiteral("中断された書き込みが残っていますが、ファイルが書き込み禁止のため元に戻せません。\r\n"
                                 "書き込みできる場所にコピーしてから指定してください。"));
}

TEST(FailureTextTest, JetFilesTheReaderCouldNotReadWhole) {
    const auto read = [](int kind) {
        Failure f;
        f.doing = Doing::ReadJet;
        f.kind = static_cast<FailureKind>(kind);
        f.file = QStringLiteral("/d/vx2.MDB");
        f.table = QStringLiteral("TExamData");
        return f;
    };
    ExpectWorded({{int(FailureKind::Damaged), "データベースファイル '/d/vx2.MDB' は壊れているため読み込めません。"},
                  {int(FailureKind::StaleCount),
                   "データベースファイル '/d/vx2.MDB' は、表 TExamData に記録された行数が実際の行と一致しないため"
                   "読み込めません。"},
                  {int(FailureKind::TooSlow), "データベースファイル '/d/vx2.MDB' を時間内に読み込めませんでした。"},
                  {int(FailureKind::Unreadable), "データベースファイル '/d/vx2.MDB' を読み取れません。"}},
                 read);
    // The conversion of a Windows database says the same in its own words.
    ExpectWorded(
        {{int(FailureKind::Damaged), "ファイルが壊れているため、読み込めません。"},
         {int(FailureKind::StaleCount), "表 TExamData に記録されている行数が、実際の行の数と一致しません。"},
         {int(FailureKind::TooSlow), "ファイルを時間内に読み込めませんでした。"},
         {int(FailureKind::Unreadable), "ファイルを読み取れません。読み取りの権限があるか確認してください。"},
         {int(FailureKind::Foreign), "本システムのデータベースではありません（表 TExamData がありません）。"}},
        [&](int kind) { return read(kind).As(Doing::ConvertJet); },
        [](const Failure& f) { return FailureCause(f).section(QStringLiteral("\r\n"), 0, 0); });
}

// The engine's, the driver's and the system's own words are English: they
// go to the log, after the words the user was shown, and never into a box.
TEST(FailureTextTest, TheEnginesOwnWordsAreForTheLogOnly) {
    Failure statement = Engine(Doing::DatabaseWork, SQLITE_CONSTRAINT_UNIQUE);
    statement.detail = QStringLiteral("(UNIQUE constraint failed: TPatient.ID)\nINSERT INTO TPatient (ID) VALUES (?)");
    Failure driver;
    driver.doing = Doing::ConnectServer;
    driver.step = FailureStep::Statement;
    driver.kind = FailureKind::Other;
    driver.detail = QStringLiteral("[42S02] Invalid object name 'TPatient'.");
    Failure memory;
    memory.doing = Doing::MemoryDatabase;
    memory.kind = FailureKind::NoMemory;
    memory.detail = QStringLiteral("out of memory");
    const Failure exhausted = FromException(std::bad_alloc());
    for (const auto& [failure, shown] :
         std::vector<std::pair<Failure, const char*>>{{statement, "データの書き込みが制約に違反しています。"},
                                                      {driver, "データベースの処理に失敗しました。"},
                                                      {memory, "作業用のデータベースを作成できません。"},
                                                      {exhausted, "メモリが不足しています。"}}) {
        EXPECT_EQ(FailureText(failure), QString::fromUtf8(shown));
        EXPECT_EQ(FailureLogText(failure), QString::fromUtf8(shown) + QLatin1Char('\n') + failure.detail);
    }
    EXPECT_EQ(FailureText(FromException(std::runtime_error("basic_string::_M_create"))),
              QStringLiteral("データベースの処理に失敗しました。"));
}
