#include "core/checked_copy.h"

#include "core/connections.h"
#include "core/database_integrity.h"
#include "core/database_replacement.h"
#include "core/files.h"
#include "core/program_log.h"
#include "platform/atomic_file.h"
#include "platform/db/sqlite_file.h"
#include "platform/message_box.h"
#include "platform/staging_name.h"

#include <QFileInfo>

namespace mox {

namespace {

const QString kCrLf2 = QStringLiteral("\r\n\r\n");

QString ReadFailure(const QString& path, const QString& why) {
    return QStringLiteral("データベースファイルを読み取れませんでした。") + kCrLf2 + path + kCrLf2 + why;
}

}  // namespace

LockedDatabase::LockedDatabase(const QString& path) : path_(path) {
    Expected<db::FileHold> taken = db::FileHold::Take(path);
    if (!taken) throw CopyFailure{ReadFailure(path, FileErrorText(taken.error().code))};
    file_ = std::move(*taken);
    try {
        conn_ = db::Connection::Open(db::DataSourcePart(path));
        lock_.emplace(*conn_);
    } catch (const db::DbError& e) {
        Release();
        LogFailure(e.GetFailure());
        throw CopyFailure{ReadFailure(path, e.Description())};
    }
}

bool LockedDatabase::IsDamaged() {
    try {
        return IsDamagedDatabase(*conn_, path_);
    } catch (const db::DbError&) {
        throw CopyFailure{ReadFailure(path_, QStringLiteral("データベースファイルを最後まで検査できなかったため、"
                                                            "コピー先には何も書き込んでいません。") +
                                                 RetryAfterReadErrorAdvice())};
    }
}

int LockedDatabase::CopyTo(const QString& target) {
    return platform::CopyDescriptorAtomically(file_.get(), target, platform::FileAccess::OwnerOnly).code;
}

void LockedDatabase::Release() {
    lock_.reset();
    if (conn_) {
        try {
            conn_->Close();
        } catch (const db::DbError&) {
        }
        conn_.reset();
    }
    file_.Release();
}

bool CopyCheckedDatabase(const QString& mainPath, const QString& target, const CopyWords& words) {
    const bool replacing = QFileInfo::exists(target);
    // A copy that a killed run of this installation left half made in the
    // target's folder (on a USB stick, say) goes now; another PC's stays.
    RemoveStaleStagingFiles(QFileInfo(target).absolutePath());
    ResetAllSlots();
    LockedDatabase locked(mainPath);
    const bool sound = !locked.IsDamaged();
    if (!sound && replacing)
        throw CopyFailure{QStringLiteral("データベースファイルに破損が見つかったため、既にある") + words.file +
                          QStringLiteral("には上書きしません。") + kCrLf2 + target + kCrLf2 + words.otherTarget +
                          QStringLiteral("破損したままのデータベースを") + words.making + QStringLiteral("できます。")};
    // The copy is made and read back under a work name beside the target.
    // The engine's files of the target's name (the journal of a write cut
    // off in an earlier file of that name) would be rolled into it at its
    // first open and spoil it: they make way, what they hold kept, only
    // once the copy is whole, so that a copy that fails leaves the earlier
    // file with its journal.
    const QString staged = platform::StagedFilePath(target);
    RemoveWorkFile(staged);
    QString which;
    int err = locked.CopyTo(staged);
    if (err == 0) {
        const Failure moved = db::MakeWayForDatabase(target);
        which = moved.place;
        err = moved ? moved.code : platform::PlaceFileAtomically(staged, target, platform::FileAccess::OwnerOnly).code;
    }
    if (err != 0) {
        RemoveWorkFile(staged);
        throw CopyFailure{words.file + QStringLiteral("を作成できませんでした。") + kCrLf2 + target + kCrLf2 +
                          (which.isEmpty() ? QString()
                                           : QStringLiteral("同じ名前の作業ファイル(") + QFileInfo(which).fileName() +
                                                 QStringLiteral(")の名前を変えられませんでした。\r\n")) +
                          FileErrorText(err)};
    }
    if (!sound)
        platform::MsgBox(words.file +
                             QStringLiteral("を作成しましたが、データベースファイルに破損が見つかりました。\r\n"
                                            "この") +
                             words.making + QStringLiteral("には破損したデータベースが保存されています。") + kCrLf2 +
                             target + kCrLf2 +
                             QStringLiteral("破損する前に作成したバックアップは、削除せずに残してください。"),
                         48, words.resultCaption);
    return sound;
}

}  // namespace mox
