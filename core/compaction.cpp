#include "core/compaction.h"

#include "core/connections.h"
#include "core/files.h"
#include "core/settings.h"
#include "platform/atomic_file.h"
#include "platform/clock.h"
#include "platform/db/database.h"
#include "platform/message_box.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <stdexcept>

namespace mox {

namespace {

CompactionStepHook stepHook;

constexpr int16_t kLastAttempt = 10;

// A failure of a file step, with the errno the error box shows.
struct FileStepError {
    int number;
};

void Step(CompactionStep step) {
    if (stepHook) stepHook(step);
}

QByteArray Native(const QString& path) { return QFile::encodeName(path); }

QString MainDbPath() { return G().AppPath + G().MainDbFile; }

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

// A main file that holds nothing but what start-up copied from the template.
bool IsBareTemplate(const QString& path) {
    if (G().ProgramDir.isEmpty()) return false;
    return SameFileContent(path, G().ProgramDir + QStringLiteral("/VXMOX2_ORG.MDB"));
}

// A file that can take the main file's place: an empty file also opens as
// an SQLite database, so the patient table must be there too.
bool IsCompleteDatabase(const QString& path) { return db::IsIntactDatabaseFile(path, {QStringLiteral("TPatient")}); }

// VACUUM INTO refuses a target that is not empty; an empty file made first
// gives the copy its owner-only mode from the start.
void CreateEmptyPrivateFile(const QString& path) {
    const int fd = ::open(Native(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) throw FileStepError{errno};
    ::close(fd);
}

// The page cache of the compaction's connections, in KiB (SQLite's own
// default). VACUUM INTO gives the new file the cache size of the one it
// reads, and every page of both passes through them once: the large cache of
// the program's connections would only make the exit the run's memory peak
// and slow it down.
constexpr int kCompactionCacheKiB = 2000;

void UseSmallCache(db::Connection& conn) {
    conn.Execute(QStringLiteral("PRAGMA cache_size=-%1").arg(kCompactionCacheKiB));
}

// Runs on a connection of its own: SQLite does not vacuum inside a
// transaction, and the write lock is held by another connection. Reading
// needs only a shared lock, which the write lock still grants.
// The copy is not synced by SQLite (it gets the reader's synchronous
// setting): its pages go to the disk while the copy is checked, and the
// placing syncs it before the rename, so nothing is renamed that is not on
// the disk.
void Compact(db::Connection& reader, const QString& target) {
    CreateEmptyPrivateFile(target);
    UseSmallCache(reader);
    reader.Execute(QStringLiteral("PRAGMA synchronous=OFF"));
    reader.Execute(QStringLiteral("VACUUM INTO ?"), {target});
    reader.Close();
    const int fd = ::open(Native(target).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw FileStepError{errno};
    ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);  // only starts the writing
    ::close(fd);
}

// VACUUM INTO builds every index of the copy from the copied rows, so index
// and table cannot disagree in it; a copy spoilt in the writing shows in the
// structure of its pages, which quick_check reads whole. The full check would
// only compare each index with its table again, at several times the cost.
void CheckCompacted(const QString& target) {
    auto conn = db::Connection::Open(db::DataSourcePart(target));
    UseSmallCache(*conn);
    const QString result = conn->Scalar(QStringLiteral("PRAGMA quick_check")).ToText();
    conn->Close();
    if (result != QStringLiteral("ok"))
        throw db::DbError(db::kErrCannotOpen,
                          QStringLiteral("最適化したデータベースの検査で異常が見つかりました。(%1)").arg(result));
}

void ShowFinalError(long number, const QString& description) {
    platform::MsgBox(QStringLiteral("最適化でエラー発生！　エラー番号：") + QString::number(number) +
                         QStringLiteral("\r\n\r\n") + QStringLiteral("エラー内容：") + description,
                     16, QStringLiteral("最適化エラー"));
}

}  // namespace

void SetCompactionStepHook(CompactionStepHook hook) { stepHook = std::move(hook); }

QString CompactTargetPath() { return G().AppPath + QStringLiteral("/VXCP.MDB"); }

bool RecoverLeftoverCompaction() {
    const QString mainPath = MainDbPath();
    const QString leftover = CompactTargetPath();
    if (!IsFile(leftover)) return false;
    if (IsFile(mainPath) && !IsBareTemplate(mainPath)) return false;
    if (!IsCompleteDatabase(leftover)) return false;
    if (platform::PlaceFileAtomically(leftover, mainPath) != 0) return false;
    platform::MsgBox(QStringLiteral("前回の最適化が途中で終わっていたため、最適化で作成されたファイル(VXCP.MDB)から"
                                    "データベースを復元しました。") +
                         QStringLiteral("\r\n\r\n") + mainPath,
                     48, QStringLiteral("データベースの復元"));
    return true;
}

bool CompactDatabase(const int16_t& attempt) {
    const QString mainPath = MainDbPath();
    const QString target = CompactTargetPath();
    long number = 0;
    QString description;
    try {
        ResetAllSlots();
        Step(CompactionStep::RemoveLeftover);
        RecoverLeftoverCompaction();
        // Without the main file a leftover may be the only copy: it stays.
        if (!IsFile(mainPath)) throw FileStepError{ENOENT};
        if (::unlink(Native(target).constData()) != 0 && errno != ENOENT) throw FileStepError{errno};
        if (IsReadOnly(mainPath)) throw FileStepError{EACCES};

        // Held until the copy has taken the main file's place: a row that
        // another program commits in between would be lost with the old file.
        // Both connections are made before the lock is taken, because a file
        // lock belongs to the whole process and any later open and close of
        // the file here would end it.
        Step(CompactionStep::Lock);
        const db::ConnectionPtr reader = db::Connection::Open(db::DataSourcePart(mainPath));
        const db::ConnectionPtr lock = db::Connection::Open(db::DataSourcePart(mainPath));
        db::Transaction writeLock(*lock);

        Step(CompactionStep::Compact);
        Compact(*reader, target);
        platform::Wait(2000);
        platform::ProcessEvents();

        if (IsFile(target)) {
            Step(CompactionStep::Check);
            CheckCompacted(target);
            if (const int err = platform::PlaceFileAtomically(target, mainPath); err != 0) throw FileStepError{err};
        }
        return true;
    } catch (const FileStepError& e) {
        number = e.number;
        description = FileErrorDescription(e.number);
    } catch (const db::DbError& e) {
        number = e.Number();
        description = e.Description();
    } catch (const std::exception& e) {
        number = 5;
        description = QString::fromLocal8Bit(e.what());
    }
    // The main file was not touched; a half-written copy is not kept around.
    if (IsFile(mainPath) && IsFile(target)) ::unlink(Native(target).constData());
    if (attempt == kLastAttempt) ShowFinalError(number, description);
    return false;
}

}  // namespace mox
