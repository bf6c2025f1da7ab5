#include "tools/database_copy.h"

#include "core/checked_copy.h"
#include "core/connections.h"
#include "core/database_file_check.h"
#include "core/database_integrity.h"
#include "core/database_replacement.h"
#include "core/files.h"
#include "core/program_log.h"
#include "core/program_paths.h"
#include "core/settings.h"
#include "platform/atomic_file.h"
#include "platform/clock.h"
#include "platform/db/database.h"
#include "platform/db/file_kind.h"
#include "platform/db/sqlite_file.h"
#include "platform/gui/progress_window.h"
#include "platform/gui/screen.h"
#include "platform/message_box.h"
#include "platform/staging_name.h"
#include "records/jet_conversion.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>
#include <cerrno>
#include <stdexcept>

namespace mox {

namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QString kCrLf2 = QStringLiteral("\r\n\r\n");
const QString kBackUpCaption = QStringLiteral("バックアップエラー");
const QString kRestoreCaption = QStringLiteral("復元エラー");

void Step(const RestoreStepHook& hook, RestoreStep step) {
    if (hook) hook(step);
}

QByteArray Native(const QString& path) { return QFile::encodeName(path); }

void RemoveFile(const QString& path) { ::unlink(Native(path).constData()); }

// The source of a restore, judged by its first bytes: this system's files
// are SQLite files, and an Access file of the Windows release is taken for
// conversion (true); anything else is refused before a byte of it is copied.
Expected<bool> JudgeRestoreSource(const QString& source) {
    Failure refused;
    if (source.trimmed().isEmpty()) {
        refused.kind = FailureKind::NotFound;
        return refused;
    }
    const Expected<db::FileKind> kind = db::FileKindAt(source);
    if (!kind) return kind.error();
    if (kind == db::FileKind::Other) {
        refused.kind = FailureKind::NotDatabase;
        return refused;
    }
    return kind == db::FileKind::Jet;
}

// A Windows backup is converted as it is staged, with the window that shows
// the conversion working over the tools window, which takes no input
// meanwhile; any other is copied as the engine reads it.
Failure Stage(const QString& source, const QString& staged, bool jet) {
    if (jet) {
        platform::ProgressWindow window(
            QStringLiteral("データベースの変換"),
            QStringLiteral("復元元のファイルは Windows 版のデータベース（Access 形式）のため、") +
                QStringLiteral("本システムの形式に変換しています。"));
        return FillFromJetDatabase(source, staged,
                                   [&window](const JetProgress& p) { window.Show(p.file, p.done, p.total); })
            .failure;
    }
    try {
        db::CopyDatabaseContent(source, staged);
    } catch (const db::DbError& e) {
        return e.GetFailure();
    }
    return {};
}

// The copy of the source, before it may replace anything, is checked whole
// by the engine (a damaged backup would spread its damage into every later
// backup and compaction), and passes what a file chosen with the open
// command must: this system's layout, a version this program accepts, and a
// write.
Failure CheckRestorable(const QString& staged, const QString& source) {
    Failure refused;
    try {
        auto conn = db::Connection::Open(db::DataSourcePart(staged));
        try {
            if (IsDamagedDatabase(*conn, source)) refused.kind = FailureKind::Damaged;
        } catch (const db::DbError&) {
            refused.kind = FailureKind::Unchecked;  // the cause is in the log
        }
        conn->Close();
    } catch (const db::DbError&) {
        // A file that does not open is refused below, saying so.
    }
    if (refused) return refused;
    return CheckChosenDatabase(staged);
}

// A restore that stopped before its rename leaves the main file as it was.
// A safety copy that is still the main file under a second name would follow
// every later change of it, so it is no copy and goes.
void Abandon(RestoreResult& result, const QString& staged, const QString& mainPath) {
    RemoveWorkFile(staged);
    if (!result.safetyCopy.isEmpty() && IsSameFile(result.safetyCopy, mainPath)) {
        RemoveFile(result.safetyCopy);
        result.safetyCopy.clear();
    }
}

// A restore removes its staging file before it copies and may remove the
// main file's journal after: a source under one of those names, or a link
// to one, would be gone before it was read. The template is only ever read,
// so it stays a source: a clinic may start again from the empty database.
bool IsReservedSource(const QString& mainPath, const QString& source) {
    const auto reserved = [](const QString& mainFile, const QString& file) {
        return QFileInfo(file).fileName().compare(QLatin1String(kTemplateDbName), Qt::CaseInsensitive) != 0 &&
               IsReservedName(mainFile, file);
    };
    if (reserved(mainPath, source)) return true;
    const QString resolved = QFileInfo(source).canonicalFilePath();
    const QString resolvedMain = QFileInfo(mainPath).canonicalFilePath();
    return !resolved.isEmpty() && reserved(resolvedMain.isEmpty() ? mainPath : resolvedMain, resolved);
}

// The restore's steps up to the rename, under the main file's lock from
// the safety copy on; empty when the backup has taken the main file's place.
// A failure is said of the backup as the user chose it: the engine's words
// of the staged copy name that file, never the hidden copy beside the main
// file.
Failure RestoreSteps(const QString& source, const QString& mainPath, const QString& staged, const QString& safetyFolder,
                     const QString& baseName, const RestoreStepHook& step, RestoreResult& result) {
    const auto stopped = [&](Failure f, FailureStep at, const QString& file) {
        f.file = file;
        f.place = mainPath;
        f.detail.replace(staged, source);
        return f.As(Doing::Restore, at);
    };
    try {
        Step(step, RestoreStep::CheckSource);
        const Expected<bool> jet = JudgeRestoreSource(source);
        if (!jet) return stopped(jet.error(), FailureStep::Look, source);

        Step(step, RestoreStep::Stage);
        RemoveWorkFile(staged);
        if (Failure f = Stage(source, staged, *jet)) return stopped(f, FailureStep::CopySource, source);

        Step(step, RestoreStep::CheckStaged);
        if (Failure f = CheckRestorable(staged, source)) return stopped(f, FailureStep::Check, source);

        Step(step, RestoreStep::CloseSlots);
        ResetAllSlots();

        Step(step, RestoreStep::Lock);
        LockedDatabase locked;
        if (Failure f = locked.Lock(mainPath)) return stopped(f, FailureStep::Lock, mainPath);

        Step(step, RestoreStep::SafetyCopy);
        // The old file itself under the new name (the rename that follows
        // leaves it untouched), private whatever it was.
        const QString safety = SafetyCopyPath(safetyFolder, baseName, platform::CurrentClock().Now());
        if (Failure f = KeepDatabaseFile(mainPath, safety, KeepBy::SecondName))
            return stopped(f, FailureStep::KeepOriginal, safety);
        result.safetyCopy = safety;

        // A journal beside the main file would be rolled into the restored
        // file at its next open. Under the write lock no transaction of any
        // program is under way, so a journal there is a stale one; so is a
        // compaction copy of the file being replaced, which the next exit
        // must not take for its own (PutInPlace removes it).
        RemoveFile(mainPath + QStringLiteral("-journal"));

        Step(step, RestoreStep::Place);
        if (Failure f = PutInPlace(staged, mainPath)) return stopped(f, FailureStep::Rename, source);
        return {};
    } catch (const std::exception& e) {
        return db::FailureOf(e).As(Doing::Restore);
    }
}

}  // namespace

bool IsPlainFileName(const QString& name) {
    if (name.isEmpty() || name == QStringLiteral(".") || name == QStringLiteral("..")) return false;
    for (const QChar c : name)
        if (c == QLatin1Char('/') || c.category() == QChar::Other_Control) return false;
    return true;
}

bool BackUpDatabase(const QString& mainPath, const QString& target, BackUpTargetChoice choice) {
    const bool byName = choice == BackUpTargetChoice::FileName;
    const QString chooseOther =
        byName ? QStringLiteral("ファイル名を変えてください。") : QStringLiteral("別のフォルダを指定してください。");
    if (IsSameFile(mainPath, target)) {
        platform::MsgBox(QStringLiteral("コピー元とコピー先が同じです。処理を中止します。"), 16,
                         QStringLiteral("指定エラー"));
        return false;
    }
    if (IsReservedName(mainPath, target)) {
        platform::MsgBox(
            QStringLiteral("この名前はプログラムが使用するため、バックアップファイルの名前にできません。") + kCrLf +
                chooseOther + kCrLf2 + target,
            16, kBackUpCaption);
        return false;
    }
    const QFileInfo existing(target);
    if (existing.exists() && !existing.isFile()) {
        platform::MsgBox(
            QStringLiteral("バックアップ先に同じ名前のフォルダがあります。") + chooseOther + kCrLf2 + target, 16,
            kBackUpCaption);
        return false;
    }
    if (existing.exists() &&
        platform::MsgBox(QStringLiteral("同じ名前のファイルが既にあります。上書きしますか？") + kCrLf2 + target,
                         4 + 48 + 256, QStringLiteral("上書き確認")) != platform::kYes)
        return false;

    const platform::Hourglass hourglass;
    const Doing backUp = byName ? Doing::BackUpByName : Doing::BackUpToFolder;
    const Expected<bool> sound = CopyCheckedDatabase(mainPath, target, backUp);
    if (!sound) {
        LogFailure(sound.error());
        platform::MsgBox(FailureText(sound.error()), 16, kBackUpCaption);
        return false;
    }
    if (!*sound) platform::MsgBox(FailureText(DamageCopied(target, backUp)), 48, QStringLiteral("バックアップ結果"));
    return true;
}

QString SafetyCopyPath(const QString& folder, const QString& baseName, const QDateTime& now) {
    return UniqueDatedPath(folder, baseName, now, QStringLiteral(".MDB"));
}

RestoreResult RestoreDatabase(const QString& source, const QString& mainPath, const QString& safetyFolder,
                              const QString& baseName, const RestoreStepHook& step) {
    RestoreResult result;
    if (!source.trimmed().isEmpty() && IsSameFile(source, mainPath)) {
        platform::MsgBox(QStringLiteral("復元元と復元先が同じです。処理を中止します。"), 16,
                         QStringLiteral("指定エラー"));
        return result;
    }
    if (!source.trimmed().isEmpty() && IsReservedSource(mainPath, source)) {
        platform::MsgBox(QStringLiteral("このファイルはプログラムが作業に使用するため、復元元にできません。") + kCrLf +
                             QStringLiteral("別のバックアップファイルを選んでください。") + kCrLf2 + source,
                         16, kRestoreCaption);
        return result;
    }

    const platform::Hourglass hourglass;
    const QString staged = platform::StagedFilePath(mainPath);
    if (const Failure failure = RestoreSteps(source, mainPath, staged, safetyFolder, baseName, step, result)) {
        Abandon(result, staged, mainPath);
        LogFailure(failure);
        platform::MsgBox(FailureText(failure), 16, kRestoreCaption);
        return result;
    }
    result.restored = true;
    return result;
}

}  // namespace mox
