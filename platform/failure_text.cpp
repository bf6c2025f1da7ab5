// The one place where a failure becomes the Japanese the user reads. The
// same errno or engine code is worded differently by different operations
// (a missing file is "ファイルが見つかりません。" when a database is opened and
// "コピー先のフォルダが見つかりません。" when a copy is written): each
// operation's words stand side by side below, chosen by what was being done.

#include "platform/failure.h"

#include <QFileInfo>

#include <cerrno>

namespace mox {

namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QString kCrLf2 = QStringLiteral("\r\n\r\n");

// The file routines' words for an errno, and those of any step that has
// none of its own.
QString FileCause(int err) {
    switch (err) {
        case ENOENT:
            return QStringLiteral("ファイルまたはフォルダが見つかりません。");
        case ENOTDIR:
            return QStringLiteral("パスが見つかりません。");
        case EACCES:
        case EPERM:
            return QStringLiteral("アクセスが拒否されました。");
        case EEXIST:
            return QStringLiteral("ファイルは既に存在します。");
        case EISDIR:
            return QStringLiteral("フォルダが指定されました。");
        case ENOSPC:
            return QStringLiteral("ディスクの空き容量が不足しています。");
        case EDQUOT:
            return QStringLiteral("ディスクの使用量の上限を超えました。");
        case EROFS:
            return QStringLiteral("書き込みが禁止されたドライブです。");
        case EBUSY:
        case ETXTBSY:
            return QStringLiteral("ファイルは使用中です。");
        case EIO:
            return QStringLiteral("ディスクの読み書きでエラーが発生しました。");
        case ENAMETOOLONG:
            return QStringLiteral("ファイル名が長すぎます。");
        case ELOOP:
            return QStringLiteral("リンクの参照が多すぎます。");
        case EXDEV:
            return QStringLiteral("別のドライブへは移動できません。");
        case EMFILE:
        case ENFILE:
            return QStringLiteral("開いているファイルが多すぎます。");
        case ENOTEMPTY:
            return QStringLiteral("フォルダが空ではありません。");
        case EINVAL:
            return QStringLiteral("パスの指定が正しくありません。");
        default:
            return QStringLiteral("ファイル操作でエラーが発生しました。");
    }
}

// A statement's failure, by the kind of the engine's code.
QString EngineCause(const Failure& f) {
    switch (f.kind) {
        case FailureKind::Busy:
            return QStringLiteral("データベースは他の処理で使用中です。しばらくしてからやり直してください。");
        case FailureKind::ReadOnly:
        case FailureKind::NoAccess:
            return QStringLiteral(
                "データベースに書き込めません。ファイルが読み取り専用になっていないか確認してください。");
        case FailureKind::DiskFull:
            return QStringLiteral("ディスクの空き容量が不足しているため、データベースに書き込めません。");
        case FailureKind::ReadError:
            return QStringLiteral("データベースファイルの読み書きでエラーが発生しました。");
        case FailureKind::Damaged:
        case FailureKind::NotDatabase:
            return QStringLiteral("データベースファイルが壊れています。");
        case FailureKind::Constraint:
            return QStringLiteral("データの書き込みが制約に違反しています。");
        default:
            return QStringLiteral("データベースの処理に失敗しました。");
    }
}

// Why a database file could not be opened, from the errno its open gave.
QString OpenErrnoCause(int err) {
    switch (err) {
        case ENOENT:
        case ENOTDIR:
            return QStringLiteral("ファイルが見つかりません。");
        case EISDIR:
            return QStringLiteral("フォルダが指定されています。データベースファイルを指定してください。");
        case EINVAL:
            return QStringLiteral("通常のファイルではありません。データベースファイルを指定してください。");
        case EACCES:
            return QStringLiteral("ファイルを読み取る権限がありません。");
        default:
            return QStringLiteral("ファイルを読み取れません。(エラー番号 %1)").arg(err);
    }
}

// Why a database file could not be opened, or its content read to be copied.
QString OpenCause(const Failure& f) {
    if (f.step == FailureStep::SetAside)
        return QStringLiteral(
                   "このデータベースのものではない作業ファイル(%1)が同じフォルダにあり、"
                   "名前を変えられないため、開けません。フォルダに書き込みできるか確認してください。")
            .arg(f.place);
    switch (f.kind) {
        case FailureKind::Replaced:
            return f.step == FailureStep::CopySource
                       ? QStringLiteral("ファイルがコピーの途中で他のプログラムによって置き換えられました。")
                       : QStringLiteral(
                             "ファイルが他のプログラムによって置き換えられています。"
                             "しばらくしてからやり直してください。");
        case FailureKind::NotDatabase:
        case FailureKind::Damaged:
            return QStringLiteral("データベースファイルではないか、ファイルが壊れています。");
        case FailureKind::WrongFormat:
            return QStringLiteral("書き込みできない形式のデータベースファイルです。");
        default:
            break;
    }
    if (f.codeOf == CodeOf::Errno) return OpenErrnoCause(f.code);
    if (f.kind == FailureKind::Busy) return QStringLiteral("ファイルは他のプログラムで使用中です。");
    if (f.kind == FailureKind::ReadOnly && f.step == FailureStep::CopySource)
        return QStringLiteral(
            "中断された書き込みが残っていますが、ファイルが書き込み禁止のため"
            "元に戻せません。\r\n書き込みできる場所にコピーしてから指定してください。");
    // No words of the first read's own: the system's cause behind a file the
    // engine could not open, else the engine's cause as a statement says it.
    if (f.systemError != 0 && (f.kind == FailureKind::Other || f.kind == FailureKind::NoAccess))
        return OpenErrnoCause(f.systemError);
    if (f.kind == FailureKind::NoMemory) return QStringLiteral("メモリが不足しています。");
    return EngineCause(f);
}

// What a failed write of a database's copy says.
QString CopyTargetCause(int err) {
    switch (err) {
        case ENOSPC:
        case EDQUOT:
            return QStringLiteral("ディスクの空き容量が不足しているため、ファイルをコピーできません。");
        case EACCES:
        case EPERM:
        case EROFS:
            return QStringLiteral("コピー先のフォルダに書き込めません。");
        case ENOENT:
        case ENOTDIR:
            return QStringLiteral("コピー先のフォルダが見つかりません。");
        case EIO:
            return QStringLiteral("ファイルの読み書きでエラーが発生しました。");
        default:
            return QStringLiteral("ファイルをコピーできません。(エラー番号 %1)").arg(err);
    }
}

// A Jet file that the reader could not read whole, naming the file.
QString JetReadText(const Failure& f) {
    switch (f.kind) {
        case FailureKind::Damaged:
            return QStringLiteral("データベースファイル '%1' は壊れているため読み込めません。").arg(f.file);
        case FailureKind::StaleCount:
            return QStringLiteral(
                       "データベースファイル '%1' は、表 %2 に記録された行数が実際の行と一致しないため読み込めません。")
                .arg(f.file, f.table);
        case FailureKind::TooSlow:
            return QStringLiteral("データベースファイル '%1' を時間内に読み込めませんでした。").arg(f.file);
        default:
            return QStringLiteral("データベースファイル '%1' を読み取れません。").arg(f.file);
    }
}

// Why a Windows database was not converted. A file that could not be
// written is named as the original's kept copy or as the converted file,
// in the folder that refused it (`place`).
QString ConversionCause(const Failure& f) {
    if (f.step == FailureStep::ReadTemplate)
        return QStringLiteral("テンプレートのデータベース（%1）を読み込めません。").arg(f.place);
    const QString written =
        f.step == FailureStep::KeepOriginal ? QStringLiteral("元のファイルの控え") : QStringLiteral("変換したファイル");
    switch (f.kind) {
        case FailureKind::Foreign:
            return QStringLiteral("本システムのデータベースではありません（表 %1 がありません）。").arg(f.table);
        case FailureKind::Damaged:
            return QStringLiteral("ファイルが壊れているため、読み込めません。");
        case FailureKind::StaleCount:
            return QStringLiteral("表 %1 に記録されている行数が、実際の行の数と一致しません。").arg(f.table) + kCrLf +
                   QStringLiteral(
                       "Windows 版の終了前にパソコンの電源が切れた場合などに起こります。このファイルを使って"
                       "いた Windows のパソコンで、Windows 版を一度起動して通常どおり終了してください（終了時"
                       "にファイルが最適化され、行数が正しく記録されます）。そのあとで、ファイルをもう一度"
                       "コピーしてお使いください。");
        case FailureKind::TooSlow:
            return QStringLiteral("ファイルを時間内に読み込めませんでした。") + kCrLf +
                   QStringLiteral(
                       "ファイルのある場所（ネットワーク上のフォルダや USB メモリなど）が応答しているか確認"
                       "し、ファイルをこのコンピュータのフォルダにコピーしてから、もう一度お試しください。");
        case FailureKind::Unreadable:
            return QStringLiteral("ファイルを読み取れません。読み取りの権限があるか確認してください。");
        case FailureKind::OldVersion:
            return QStringLiteral("データベースのバージョンが一致しません。") + kCrLf +
                   QStringLiteral("（バージョンの記録がないか、本システムで使用できない古いバージョンです）");
        case FailureKind::BinaryColumn:
            return QStringLiteral("表 %1 の列 %2 はバイナリデータの列のため、変換できません。").arg(f.table, f.column);
        case FailureKind::ReadOnly:
            return QStringLiteral("フォルダ %1 に書き込めないため、%2を作成できませんでした。").arg(f.place, written) +
                   kCrLf + QStringLiteral("フォルダが読み取り専用でないか確認してください。");
        case FailureKind::DiskFull:
            return QStringLiteral("ディスクの空き容量が不足しているため、フォルダ %1 に%2を作成できませんでした。")
                .arg(f.place, written);
        default:
            return QStringLiteral("フォルダ %1 に%2を作成できませんでした。").arg(f.place, written);
    }
}

// "<number> " and the file routines' words: the line a plain box gives a
// file error.
QString NumberedFileCause(const Failure& f) {
    return QStringLiteral("<") + QString::number(f.number) + QStringLiteral("> ") + FileCause(f.code);
}

// The failure as the operation below `doing` met it.
Failure Lower(const Failure& f) {
    Failure lower = f;
    lower.stage = FailureStep::None;
    if (f.via != Doing::None) {
        lower.doing = f.via;
        lower.via = Doing::None;
    } else {
        lower.doing = f.within;
        lower.within = Doing::None;
    }
    return lower;
}

// What failed in an attempt of the exit compaction; its box names the number
// itself.
QString CompactionCause(const Failure& f) {
    if (f.step == FailureStep::Verify && f.kind == FailureKind::Damaged)
        return QStringLiteral("最適化したデータベースの検査で異常が見つかりました。");
    if (f.step == FailureStep::Verify && f.kind == FailureKind::StaleCount)
        return QStringLiteral("最適化したデータベースの行数が元のデータベースと一致しません。");
    const Failure lower = Lower(f);
    return lower.doing == Doing::None ? FailureCause(lower) : FailureText(lower);
}

// What the user is told to do when a file could not be read: try again,
// then look at the medium.
const QString kRetryAfterReadError = QStringLiteral(
    "もう一度実行してください。繰り返しエラーになる場合は、ファイルのある記憶装置"
    "（USBメモリなど）やディスクに異常がないか確認してください。");

// The database in use could not be read under its lock.
QString LockedReadText(const Failure& f) {
    return QStringLiteral("データベースファイルを読み取れませんでした。") + kCrLf2 + f.file + kCrLf2 +
           (f.kind == FailureKind::Unchecked
                ? QStringLiteral(
                      "データベースファイルを最後まで検査できなかったため、コピー先には何も書き込んでいません。") +
                      kRetryAfterReadError
                : FailureText(Lower(f)));
}

// The checked copy of the database in use (core/checked_copy.h) as the
// backup or the file menu's copy calls the copy, its making, and how the
// window lets the user name another target.
QString CheckedCopyText(const Failure& f) {
    const bool copy = f.doing == Doing::CopyInUse;
    const QString file = copy ? QStringLiteral("コピー") : QStringLiteral("バックアップファイル");
    const QString making = copy ? QStringLiteral("コピー") : QStringLiteral("バックアップ");
    const QString otherTarget = f.doing == Doing::BackUpToFolder ? QStringLiteral("別のフォルダを指定すると、")
                                                                 : QStringLiteral("別のファイル名を指定すると、");
    if (f.kind == FailureKind::Damaged && f.step == FailureStep::Check)
        return QStringLiteral("データベースファイルに破損が見つかったため、既にある") + file +
               QStringLiteral("には上書きしません。") + kCrLf2 + f.file + kCrLf2 + otherTarget +
               QStringLiteral("破損したままのデータベースを") + making + QStringLiteral("できます。");
    if (f.kind == FailureKind::Damaged && f.step == FailureStep::Verify)
        return file +
               QStringLiteral(
                   "を作成しましたが、データベースファイルに破損が見つかりました。\r\n"
                   "この") +
               making + QStringLiteral("には破損したデータベースが保存されています。") + kCrLf2 + f.file + kCrLf2 +
               QStringLiteral("破損する前に作成したバックアップは、削除せずに残してください。");
    const QString engineFile = f.step == FailureStep::SetAside && !f.place.isEmpty()
                                   ? QStringLiteral("同じ名前の作業ファイル(") + QFileInfo(f.place).fileName() +
                                         QStringLiteral(")の名前を変えられませんでした。\r\n")
                                   : QString();
    return file + QStringLiteral("を作成できませんでした。") + kCrLf2 + f.file + kCrLf2 + engineFile +
           FailureText(Lower(f));
}

// A restore stopped before the backup took the database's place (`place`),
// by the stage it stopped at; `file` is the backup as the user chose it, or
// the safety copy that could not be made (KeepOriginal).
QString RestoreText(const Failure& f) {
    const QString unchanged = QStringLiteral("現在のデータは変更していません。");
    const Failure lower = Lower(f);
    const bool converted = lower.doing == Doing::ConvertJet;
    const bool chosen = lower.doing == Doing::OpenChosen || lower.doing == Doing::UseChosen;
    // The disk beside the database filled up: the backup may be sound.
    if (f.kind == FailureKind::DiskFull && ((f.stage == FailureStep::CopySource && !converted) ||
                                            (f.stage == FailureStep::Check && lower.doing == Doing::UseChosen)))
        return QStringLiteral("ディスクの空き容量が不足しているため、復元できませんでした。") + unchanged + kCrLf2 +
               QStringLiteral("復元先：") + f.place + kCrLf + QStringLiteral("復元元：") + f.file + kCrLf2 +
               QStringLiteral("復元先のディスクの空き容量を増やしてから、もう一度実行してください。");
    switch (f.stage) {
        case FailureStep::Look:
            switch (f.kind) {
                case FailureKind::NotFound:
                    if (f.file.trimmed().isEmpty())
                        return QStringLiteral("復元するファイルが指定されていません。") + kCrLf2 +
                               QStringLiteral("「ファイル指定」で復元元のファイルを選んでください。");
                    return QStringLiteral("復元元のファイルが見つかりません。") + kCrLf2 + f.file;
                case FailureKind::NotAFile:
                    return QStringLiteral("復元元に指定されたものはファイルではありません。") + kCrLf2 + f.file;
                case FailureKind::NotDatabase:
                    return QStringLiteral("復元元のファイルは本システムのデータベースではありません。") + kCrLf2 +
                           f.file;
                default:
                    return QStringLiteral("復元元のファイルを読み取れません。") + kCrLf2 + f.file + kCrLf2 +
                           NumberedFileCause(f);
            }
        case FailureStep::CopySource:
            if (converted) return FailureText(lower) + kCrLf2 + QStringLiteral("現在のデータはそのまま残っています。");
            return QStringLiteral("復元元のファイルをコピーできませんでした。") + kCrLf2 + f.file + kCrLf2 +
                   FailureText(lower);
        case FailureStep::Check:
            if (chosen)
                return QStringLiteral("復元元のファイルは本システムのデータベースとして使用できません。") + kCrLf2 +
                       f.file + kCrLf2 + FailureText(lower);
            if (f.kind == FailureKind::Unchecked)
                return QStringLiteral("復元元のファイルを読み取れず最後まで検査できなかったため、復元できません。") +
                       unchanged + kCrLf2 + f.file + kCrLf2 + kRetryAfterReadError;
            return QStringLiteral("復元元のファイルは壊れているため、復元できません。") + unchanged + kCrLf2 + f.file +
                   kCrLf2 + QStringLiteral("別のバックアップファイルを選んでください。");
        case FailureStep::Lock:
            return FailureText(lower);
        case FailureStep::KeepOriginal:
            return QStringLiteral("復元前のデータのバックアップを作成できませんでした。復元を中止します。") + kCrLf2 +
                   f.file + kCrLf2 + FailureText(lower);
        case FailureStep::Rename:
            return QStringLiteral("データを復元できませんでした。現在のデータはそのまま残っています。") + kCrLf2 +
                   f.place + kCrLf2 + FailureText(lower);
        default:
            return QStringLiteral("データを復元できませんでした。現在のデータはそのまま残っています。") + kCrLf2 +
                   FailureText(lower);
    }
}

// The guarded file routines' box: the routine, then the number and cause.
QString RoutineText(const Failure& f) {
    QString routine;
    switch (f.doing) {
        case Doing::CheckFileRoutine:
            routine = QStringLiteral("ファイル有無チェック(CheckFile)でエラーが発生しました。");
            break;
        case Doing::DeleteFileRoutine:
            routine = QStringLiteral("ファイル削除(DeleteFile)でエラーが発生しました。");
            break;
        case Doing::CopyFileRoutine:
            routine = QStringLiteral("ファイルコピー(CopyFile)でエラーが発生しました。");
            break;
        default:
            routine = QStringLiteral("Dir代替機能(CheckDir)でエラーが発生しました。");
            break;
    }
    return routine + kCrLf2 + FailureText(Lower(f));
}

// The start-up could not put the main database in place: a file under
// another letter case (`file`) that could not take the main file's name
// (`place`) or is not this system's, a leftover journal (`place`) that could
// not be set aside, or a database (`file`) that could not be made from the
// template (`place` at ReadTemplate).
QString StartUpText(const Failure& f) {
    const QString name = QFileInfo(f.file).fileName();
    const QString mainName = QFileInfo(f.place).fileName();
    switch (f.stage) {
        case FailureStep::SetAside:
            return QStringLiteral("前回の作業ファイル(") + QFileInfo(f.place).fileName() +
                   QStringLiteral(")を別名で保存できませんでした。");
        case FailureStep::Rename:
            return QStringLiteral("データベース(%1)の名前を %2 に変えられませんでした。").arg(name, mainName) + kCrLf2 +
                   FailureText(Lower(f)) + kCrLf;
        case FailureStep::Check:
            return QStringLiteral("プログラムのフォルダにある %1 は、").arg(name) + kCrLf +
                   QStringLiteral("%1 として使うことができません。").arg(mainName) + kCrLf2 + FailureText(Lower(f)) +
                   kCrLf2 + QStringLiteral("%1 はそのまま残してあります。").arg(name) + kCrLf;
        default:
            return QStringLiteral("データベース(VXMOX2.MDB)をテンプレートから作成できませんでした。") + kCrLf2 +
                   (f.step == FailureStep::ReadTemplate ? f.place : f.file) + kCrLf + FailureText(Lower(f)) + kCrLf;
    }
}

// A database of an earlier release: its format could not be told, or it
// could not be converted (the kept copy of `file`, or the conversion).
QString OldFormatText(const Failure& f) {
    const Failure lower = Lower(f);
    if (f.doing == Doing::CheckOldFormat)
        return QStringLiteral("データベースの形式を確認できませんでした。変換は行いません。") + kCrLf2 +
               QStringLiteral("<") + QString::number(f.number) + QStringLiteral("> ") + FailureText(lower);
    if (f.stage == FailureStep::KeepOriginal)
        return QStringLiteral("旧形式のデータベースの控えを作成できなかったため、変換を中止しました。") + kCrLf +
               QStringLiteral("データベースは変更していません。") + kCrLf2 + f.file + kCrLf2 + FailureText(lower);
    // Only a file step's failure is told here; the conversion's own cause is in the log.
    return QStringLiteral("旧形式のデータベースを最新形式に変換できませんでした。") + kCrLf +
           (lower.codeOf == CodeOf::Errno ? FailureText(lower) + kCrLf : QString()) + kCrLf +
           QStringLiteral("ミラド協会事務局へ連絡をお願いします。");
}

// The converter of the older release's patients: the database it reads
// (`place`: its file's name), the copy it keeps first (`place`: the copy's
// name), the mapping it was carrying out (`place`).
QString ConverterText(const Failure& f) {
    const Failure lower = Lower(f);
    const QString numbered =
        QStringLiteral("<") + QString::number(f.number) + QStringLiteral("> ") + FailureText(lower);
    switch (f.doing) {
        case Doing::ReadOldRelease:
            return QStringLiteral("コンバート元のデータベース(%1)を読み込めないため、この列の患者は選べません。")
                       .arg(f.place) +
                   kCrLf2 + numbered;
        case Doing::ReadConvertTarget:
            return QStringLiteral("コンバート先のデータベース(%1)の患者を読み込めませんでした。").arg(f.place) +
                   kCrLf2 + numbered;
        default:
            break;
    }
    if (f.stage == FailureStep::KeepOriginal)
        return QStringLiteral("コンバート前のデータベースの控えを作成できなかったため、コンバートを中止しました。") +
               kCrLf + QStringLiteral("データベースは変更していません。") + kCrLf2 + f.place +
               (lower.codeOf == CodeOf::Errno ? kCrLf2 + FailureText(lower) : QString());
    return QStringLiteral("%1 のコンバート中にエラーが発生したため、コンバートを取り消しました。").arg(f.place) +
           kCrLf + QStringLiteral("データベースはコンバート前のままです。") + kCrLf2 + numbered;
}

// The tools window's files and the contact row.
QString ToolsText(const Failure& f) {
    switch (f.doing) {
        case Doing::WriteSettings:
            return QStringLiteral("設定ファイル(MOX.INI)を書き込めませんでした。") + kCrLf2 + f.file + kCrLf2 +
                   FailureText(Lower(f));
        case Doing::WriteContact:
            return QStringLiteral("連絡先ファイル(Info.txt)を書き込めませんでした。") + kCrLf2 + f.file + kCrLf2 +
                   FailureText(Lower(f));
        case Doing::SaveContact:
            return QStringLiteral("連絡先をデータベースに保存できませんでした。") + kCrLf2 + FailureText(Lower(f));
        case Doing::ReadContact:
            return QStringLiteral("連絡先をデータベースから読み取れませんでした。") + kCrLf2 + FailureText(Lower(f));
        default:
            return QStringLiteral("バージョンアップ プログラムを新しいものに置き換えられませんでした。") + kCrLf2 +
                   f.file + kCrLf2 + FailureText(Lower(f));
    }
}

// The sibling product's database as the import finds it, and the import of
// its examinations (`place`: the day at fault).
QString SiblingText(const Failure& f) {
    const Failure lower = Lower(f);
    if (f.doing == Doing::CheckSibling) {
        if (f.kind == FailureKind::Foreign)
            return f.column.isEmpty()
                       ? QStringLiteral("Vexaline のデータベースにテーブル %1 がありません。").arg(f.table)
                       : QStringLiteral("Vexaline のデータベースのテーブル %1 に列 %2 がありません。")
                             .arg(f.table, f.column);
        if (f.kind == FailureKind::NoConnection) return QStringLiteral("Vexaline のデータベースに接続できません。");
        return QStringLiteral("Vexaline のデータベースを確認できません。") + kCrLf2 + FailureText(lower);
    }
    if (lower.doing == Doing::CheckSibling)
        return FailureText(lower) + kCrLf2 + QStringLiteral("インポートは行いません。");
    const QString day = f.place.isEmpty() ? QString() : kCrLf2 + QStringLiteral("検査日：") + f.place;
    switch (f.stage) {
        case FailureStep::Read:
            return QStringLiteral("Vexaline のデータを読み取れませんでした。ＭＯＸのデータは変更していません。") + day +
                   kCrLf2 + FailureText(lower);
        case FailureStep::Write:
            if (f.kind == FailureKind::NoConnection)
                return QStringLiteral("インポートできませんでした。ＭＯＸのデータは変更していません。");
            return QStringLiteral("インポートできませんでした。ＭＯＸのデータは変更していません。") + day + kCrLf2 +
                   FailureText(lower);
        default:
            return QStringLiteral("Vexaline のデータベースがありません。");
    }
}

// The words of a failure that no operation above has relabelled.
QString GeneralCause(const Failure& f) {
    if (f.kind == FailureKind::Program || !f.said.isEmpty()) return f.said;
    if (f.codeOf == CodeOf::Errno) return FileCause(f.code);
    if (f.kind == FailureKind::NoMemory) return QStringLiteral("メモリが不足しています。");
    if (f.kind == FailureKind::Unchecked)
        return QStringLiteral("データベースファイルの読み取りでエラーが発生したため、最後まで検査できませんでした。") +
               kRetryAfterReadError;
    return EngineCause(f);
}

}  // namespace

QString FailureCause(const Failure& f) {
    switch (f.doing) {
        case Doing::None:
            return GeneralCause(f);
        case Doing::OpenDatabase:
            return OpenCause(f);
        case Doing::CreateDatabase:
            return QStringLiteral("(エラー番号 %1)").arg(f.code);
        case Doing::ConvertJet:
            return ConversionCause(f);
        case Doing::Compact:
            return CompactionCause(f);
        default:
            // Every other operation's words are its cause.
            return FailureText(f);
    }
}

QString FailureText(const Failure& f) {
    switch (f.doing) {
        case Doing::None:
            return f.codeOf == CodeOf::Errno ? NumberedFileCause(f) : GeneralCause(f);
        case Doing::OpenDatabase:
            if (f.file.trimmed().isEmpty() && f.kind == FailureKind::NotFound)
                return QStringLiteral("データベースファイルが指定されていません。");
            if (f.kind == FailureKind::DiskFull && f.codeOf == CodeOf::Sqlite)
                return QStringLiteral(
                           "ディスクの空き容量が不足しているため、データベースファイル '%1' に書き込めません。")
                    .arg(f.file);
            return QStringLiteral("データベースファイル '%1' を開けません。\n").arg(f.file) + OpenCause(f);
        case Doing::CreateDatabase:
            return QStringLiteral("データベースファイル '%1' を作成できません。\n").arg(f.file) + FailureCause(f);
        case Doing::ConnectServer:
            switch (f.step) {
                case FailureStep::Statement:
                    return QStringLiteral("データベースの処理に失敗しました。");
                case FailureStep::EndTransaction:
                    return QStringLiteral("トランザクションを終了できません。");
                default:
                    return QStringLiteral("データベースに接続できません。");
            }
        case Doing::MemoryDatabase:
            return QStringLiteral("作業用のデータベースを作成できません。");
        case Doing::OpenChosen:
            return QStringLiteral("データベースとして開けないファイルです。") + kCrLf2 + FailureText(Lower(f));
        case Doing::UseChosen:
            if (f.kind == FailureKind::Foreign)
                return QStringLiteral("このシステムのデータベースではありません（%1）。").arg(f.said);
            if (f.kind == FailureKind::OldVersion) return QStringLiteral("データベースのバージョンが一致しません。");
            return QStringLiteral("データベースを読み書きできません。") + kCrLf2 + FailureText(Lower(f));
        case Doing::ConvertJet:
            return QStringLiteral("Windows 版のデータベース（Access 形式）を変換できませんでした。") + kCrLf2 + f.file +
                   kCrLf2 + ConversionCause(f);
        case Doing::Compact:
            return QStringLiteral("最適化でエラー発生！　エラー番号：") + QString::number(f.number) + kCrLf2 +
                   QStringLiteral("エラー内容：") + CompactionCause(f);
        case Doing::DatabaseWork:
            return EngineCause(f);
        case Doing::CopyDatabase:
            return CopyTargetCause(f.code);
        case Doing::ReadJet:
            return JetReadText(f);
        case Doing::ReadLocked:
            return LockedReadText(f);
        case Doing::BackUpByName:
        case Doing::BackUpToFolder:
        case Doing::CopyInUse:
            return CheckedCopyText(f);
        case Doing::Restore:
            return RestoreText(f);
        case Doing::CheckFileRoutine:
        case Doing::DeleteFileRoutine:
        case Doing::CopyFileRoutine:
        case Doing::CheckDirRoutine:
            return RoutineText(f);
        case Doing::StartUp:
            return StartUpText(f);
        case Doing::CheckOldFormat:
        case Doing::ConvertOldFormat:
            return OldFormatText(f);
        case Doing::ReadOldRelease:
        case Doing::ReadConvertTarget:
        case Doing::ConvertPatients:
            return ConverterText(f);
        case Doing::WriteSettings:
        case Doing::WriteContact:
        case Doing::SaveContact:
        case Doing::ReadContact:
        case Doing::ReplaceVersionUp:
            return ToolsText(f);
        case Doing::CheckSibling:
        case Doing::Import:
            return SiblingText(f);
    }
    return GeneralCause(f);
}

QString FailureLogText(const Failure& f) {
    const QString text = FailureText(f);
    return f.detail.isEmpty() ? text : text + QLatin1Char('\n') + f.detail;
}

}  // namespace mox
