#include "core/compaction.h"

#include "core/backup_folder.h"
#include "core/connections.h"
#include "core/database_integrity.h"
#include "core/files.h"
#include "core/program_log.h"
#include "core/program_paths.h"
#include "core/settings.h"
#include "platform/atomic_file.h"
#include "platform/clock.h"
#include "platform/db/database.h"
#include "platform/db/sqlite_file.h"
#include "platform/descriptor.h"
#include "platform/message_box.h"
#include "platform/owner_only.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QtEndian>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>

namespace mox {

namespace {

constexpr int16_t kLastAttempt = 10;

void Step(const CompactionStepHook& hook, CompactionStep step) {
    if (hook) hook(step);
}

QByteArray Native(const QString& path) { return QFile::encodeName(path); }

// The tests of an attempt are silent: only the tenth attempt may show a box.
bool IsFile(const QString& path) {
    struct stat st {};
    return ::stat(Native(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

// Read-only is the file's own mark (no write bit for anyone, as the Windows
// attribute) or the access its user lacks.
bool IsReadOnly(const QString& path) {
    struct stat st {};
    if (::stat(Native(path).constData(), &st) != 0) return false;
    return (st.st_mode & 0222) == 0 || ::access(Native(path).constData(), W_OK) != 0;
}

// A file that can take the main file's place: an empty file also opens as
// an SQLite database, so the patient table must be there too. A file passed
// over is not named to the user; why it was goes to the log.
bool IsCompleteDatabase(const QString& path) {
    const Failure check = db::CheckIntactDatabaseFile(path, {QStringLiteral("TPatient")});
    if (!check) return true;
    LogFailure(QStringLiteral("データベースファイルの確認 %1").arg(path), check.detail);
    return false;
}

QString TargetBeside(const QString& mainPath) {
    return QFileInfo(mainPath).absolutePath() + QStringLiteral("/VXCP.MDB");
}

// The copy and the journal an attempt that ran out of room leaves beside it;
// a failure for a copy that is there and cannot be removed.
Failure RemoveCopy(const QString& target) {
    db::RemoveEngineFiles(target);
    if (::unlink(Native(target).constData()) == 0 || errno == ENOENT) return {};
    return FromErrno(FailureStep::Remove, errno, target);
}

// A file step that failed under the write lock: its errno is the number the
// error box shows.
db::DbError StepFailed(FailureStep step, const QString& path) { return db::DbError(FromErrno(step, errno, path)); }

// VACUUM INTO refuses a target that is not empty; an empty file made first
// gives the copy its owner-only mode from the start.
void CreateEmptyPrivateFile(const QString& path) {
    const int fd = ::open(Native(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, platform::kOwnerOnlyMode);
    if (fd < 0) throw StepFailed(FailureStep::Open, path);
    ::close(fd);
}

// The stamp of the main file behind `fd` as it is now: which file (its
// path, device and inode), its size, its modification time and the engine's
// change counter (header bytes 24..27), which every commit advances. Never 0.
uint32_t StampOf(const QString& path, int fd) {
    struct stat st {};
    char counter[4] = {};
    if (::fstat(fd, &st) != 0 || ::pread(fd, counter, 4, 24) != 4) return 0;
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(Native(path));
    for (const qint64 part : {qint64(st.st_dev), qint64(st.st_ino), qint64(st.st_size), qint64(st.st_mtim.tv_sec),
                              qint64(st.st_mtim.tv_nsec)})
        hash.addData(QByteArrayView(reinterpret_cast<const char*>(&part), sizeof part));
    hash.addData(QByteArrayView(counter, 4));
    const uint32_t stamp = qFromBigEndian<uint32_t>(hash.result().constData());
    return stamp == 0 ? 1 : stamp;
}

// The stamp a copy carries: its application id (header bytes 68..71).
uint32_t StampIn(const QString& copy) {
    const platform::Descriptor fd(::open(Native(copy).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    char id[4] = {};
    if (fd.get() < 0 || ::pread(fd.get(), id, 4, 68) != 4) return 0;
    return qFromBigEndian<uint32_t>(id);
}

// Runs on a connection of its own: SQLite does not vacuum inside a
// transaction, and the write lock is held by another connection. Reading
// needs only a shared lock, which the write lock still grants. The reader
// keeps the small page cache of the check before: VACUUM INTO gives the new
// file the cache size of the one it reads, and every page of both passes
// through them once, so the program's large cache would only make the exit
// the run's memory peak and slow it down.
// The copy is not synced by SQLite (it gets the reader's synchronous
// setting, and the stamp is written without a journal): its pages go to the
// disk while the copy is checked, and the placing syncs it before the
// rename, so nothing is renamed that is not on the disk. A copy that a kill
// tore while its stamp was written fails the check of a later attempt.
void Compact(db::Connection& reader, const QString& target, uint32_t stamp) {
    CreateEmptyPrivateFile(target);
    reader.Execute(QStringLiteral("PRAGMA synchronous=OFF"));
    reader.Execute(QStringLiteral("VACUUM INTO ?"), {target});
    reader.Close();
    auto copy = db::Connection::Open(db::DataSourcePart(target));
    copy->Execute(QStringLiteral("PRAGMA journal_mode=OFF"));
    copy->Execute(QStringLiteral("PRAGMA synchronous=OFF"));
    copy->Execute(QStringLiteral("PRAGMA application_id=%1").arg(static_cast<int32_t>(stamp)));
    copy->Close();
    const int fd = ::open(Native(target).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw StepFailed(FailureStep::Open, target);
    ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);  // only starts the writing
    ::close(fd);
}

// VACUUM INTO copies the rows a table's pages hold and each index's
// entries as they are; it does not build an index from the rows. A copy
// spoilt in the writing, or one that missed rows, must not take the main
// file's place: it is checked as the main file was, and every table must
// hold as many rows as in the main file.
void CheckCompacted(const QString& target, const std::map<QString, int64_t>& sourceRows) {
    auto conn = db::Connection::Open(db::DataSourcePart(target));
    const bool damaged = IsDamagedDatabase(*conn, target);
    const std::map<QString, int64_t> rows = damaged ? std::map<QString, int64_t>{} : TableRowCounts(*conn);
    conn->Close();
    if (!damaged && rows == sourceRows) return;
    Failure f;
    f.step = FailureStep::Verify;
    f.kind = damaged ? FailureKind::Damaged : FailureKind::StaleCount;
    f.number = db::kErrCannotOpen;
    f.file = target;
    throw db::DbError(f);
}

// The main database failed its check: no attempt can mend it.
Failure MainFileDamaged(const QString& mainPath) {
    Failure f;
    f.step = FailureStep::Check;
    f.kind = FailureKind::Damaged;
    f.file = mainPath;
    return f;
}

bool IsMainFileDamage(const Failure& f) { return f.kind == FailureKind::Damaged && f.step == FailureStep::Check; }

// The program folder's own database, which every start uses. Another file,
// opened or made with the file menu, is used only until the program ends.
bool IsProgramFolderDatabase(const QString& mainPath) {
    return !G().ProgramDir.isEmpty() && IsSameFile(mainPath, ProgramMainDbPath());
}

// The newest backup or safety copy that passes the integrity check (of the
// three newest) and is provably of the database at mainPath; "" when none
// is known. Only a copy under the file's whole name (clinic.2024.MDB's are
// clinic.2024_yyyymmdd_hhnn.MDB) in its own folder is: the backup names cut
// the name at its first dot, which clinic.2024.MDB and clinic.2025.MDB share.
// The backup folder takes the backups of whatever file is in use, so it
// counts for the program folder's database only.
QString NewestSoundBackup(const QString& mainPath) {
    const QString base = QFileInfo(mainPath).completeBaseName();
    QStringList folders{QFileInfo(mainPath).absolutePath()};
    if (IsProgramFolderDatabase(mainPath))
        if (const std::optional<QString> chosen = ReadBackUpPath(BackUpPathFile())) folders << *chosen;
    std::map<QString, QString, std::greater<>> newestFirst;
    QStringList seen;
    for (const QString& folder : folders) {
        const QString clean = QDir::cleanPath(folder);
        if (folder.trimmed().isEmpty() || seen.contains(clean)) continue;
        seen << clean;
        for (const QString& name : QDir(clean).entryList(QDir::Files)) {
            const QString key = BackUpAgeKey(name, base);
            const QString path = clean + QLatin1Char('/') + name;
            if (!key.isEmpty() && !IsSameFile(path, mainPath)) newestFirst.emplace(key + path, path);
        }
    }
    int tried = 0;
    for (const auto& [key, path] : newestFirst) {
        if (++tried > 3) break;
        if (IsCompleteDatabase(path)) return path;
    }
    return {};
}

// The next start uses the program folder's database: a file opened with
// the file menu must be opened again before the restore can put its backup
// over it.
void ShowDamage(const QString& mainPath) {
    const QString crlf2 = QStringLiteral("\r\n\r\n");
    const QString backup = NewestSoundBackup(mainPath);
    QString text = QStringLiteral("データベースファイルに破損が見つかったため、最適化せずに終了します。") + crlf2 +
                   mainPath + crlf2 + QStringLiteral("このまま使い続けると、データが失われるおそれがあります。\r\n");
    if (IsProgramFolderDatabase(mainPath))
        text += QStringLiteral("次回の起動後に「ツール」の「データの復元」で、");
    else
        text += QStringLiteral("次回の起動後に「ファイル」の「開く」でこのファイルを開き直してから、\r\n") +
                QStringLiteral("「ツール」の「データの復元」で、");
    if (backup.isEmpty())
        text += QStringLiteral("破損する前に作成したバックアップから復元してください。");
    else
        text += QStringLiteral("次のバックアップから復元してください。") + QStringLiteral("\r\n") + backup;
    text += crlf2 + QStringLiteral("バックアップより後に入力したデータは、復元後にもう一度入力してください。");
    platform::MsgBox(text, 16, QStringLiteral("データベースの破損"));
}

void ShowFinalError(const Failure& failure) {
    const Failure shown = failure.As(Doing::Compact);
    LogFailure(shown);
    platform::MsgBox(FailureText(shown), 16, QStringLiteral("最適化エラー"));
}

// One attempt: empty when the compacted copy has taken the main file's place.
Failure Attempt(const QString& mainPath, const QString& target, const CompactionStepHook& step) {
    try {
        ResetAllSlots();
        Step(step, CompactionStep::RemoveLeftover);
        RecoverLeftoverCompaction();
        // Without the main file a leftover may be the only copy: it stays.
        if (!IsFile(mainPath)) return FromErrno(FailureStep::Look, ENOENT, mainPath);
        if (IsReadOnly(mainPath)) return FromErrno(FailureStep::Look, EACCES, mainPath);

        // Held until the copy has taken the main file's place: a row that
        // another program commits in between would be lost with the old file.
        // Both connections and the descriptor the stamp is read through are
        // made before the lock is taken, and the descriptor is closed after
        // it, because a file lock belongs to the whole process and any later
        // open and close of the file here would end it.
        Step(step, CompactionStep::Lock);
        const platform::Descriptor mainFd(::open(Native(mainPath).constData(), O_RDONLY | O_CLOEXEC));
        if (mainFd.get() < 0) return FromErrno(FailureStep::Open, errno, mainPath);
        const db::ConnectionPtr reader = db::Connection::Open(db::DataSourcePart(mainPath));
        const db::ConnectionPtr lock = db::Connection::Open(db::DataSourcePart(mainPath));
        db::Transaction writeLock(*lock);

        Step(step, CompactionStep::CheckSource);
        // A check that could not be run (the file in use, a read error) is
        // a failed attempt like any other: only damage is told as damage.
        if (IsDamagedDatabase(*reader, mainPath)) return MainFileDamaged(mainPath);
        const std::map<QString, int64_t> rows = TableRowCounts(*reader);

        // A copy an attempt killed before its rename made of this very file
        // is finished; any other copy goes.
        const uint32_t stamp = StampOf(mainPath, mainFd.get());
        if (!IsFile(target) || StampIn(target) != stamp) {
            if (Failure f = RemoveCopy(target)) return f;
            Step(step, CompactionStep::Compact);
            Compact(*reader, target, stamp);
        }
        platform::Wait(2000);
        platform::ProcessEvents();

        Step(step, CompactionStep::Check);
        CheckCompacted(target, rows);
        return platform::PlaceFileAtomically(target, mainPath, platform::FileAccess::OwnerOnly);
    } catch (const db::DbError& e) {
        return e.GetFailure();
    } catch (const std::exception& e) {
        Failure f = FromException(e);
        f.number = 5;
        return f;
    }
}

}  // namespace

QString CompactTargetPath() { return G().AppPath() + QStringLiteral("/VXCP.MDB"); }

void RemovePendingCompaction(const QString& mainPath) {
    // A copy that cannot be removed is harmless: its stamp names the
    // replaced file, never the one put in its place.
    RemoveCopy(TargetBeside(mainPath));
}

bool RecoverLeftoverCompaction() {
    const QString mainPath = G().MainDb().Path();
    const QString leftover = CompactTargetPath();
    if (!IsFile(leftover) || IsFile(mainPath)) return false;
    if (!IsCompleteDatabase(leftover)) {
        // It may still be the only copy (a read error, not damage, can fail
        // the check): the start goes on with a new database, whose first exit
        // compaction would remove anything under the target's name, so it is
        // kept under a name of its own.
        const Expected<QString> aside = platform::SetAside(leftover);
        LogFailure(QStringLiteral("最適化で作成されたファイル %1").arg(leftover),
                   aside ? QStringLiteral("データベースとして使えないため、%1 として残しました。").arg(*aside)
                         : FailureText(aside.error()));
        return false;
    }
    if (platform::PlaceFileAtomically(leftover, mainPath, platform::FileAccess::OwnerOnly)) return false;
    platform::MsgBox(QStringLiteral("前回の最適化が途中で終わっていたため、\r\n"
                                    "最適化で作成されたファイル(VXCP.MDB)からデータベースを復元しました。") +
                         QStringLiteral("\r\n\r\n") + mainPath,
                     48, QStringLiteral("データベースの復元"));
    return true;
}

bool CompactDatabase(const int16_t& attempt, bool* damaged, const CompactionStepHook& step) {
    const QString mainPath = G().MainDb().Path();
    const QString target = CompactTargetPath();
    const Failure failure = Attempt(mainPath, target, step);
    if (!failure) return true;
    // The main file was not touched; a half-written copy is not kept around.
    if (IsFile(mainPath)) RemoveCopy(target);
    if (IsMainFileDamage(failure)) {
        if (damaged) *damaged = true;
        ShowDamage(mainPath);
    } else if (attempt == kLastAttempt) {
        ShowFinalError(failure);
    }
    return false;
}

}  // namespace mox
