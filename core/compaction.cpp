#include "core/compaction.h"

#include "core/connections.h"
#include "core/files.h"
#include "core/settings.h"
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

void SyncFolderOf(const QString& path) {
    const QString folder = path.left(path.lastIndexOf(QLatin1Char('/')));
    const int fd = ::open(Native(folder.isEmpty() ? QStringLiteral("/") : folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// VACUUM INTO refuses a target that is not empty; an empty file made first
// gives the copy its owner-only mode from the start.
void CreateEmptyPrivateFile(const QString& path) {
    const int fd = ::open(Native(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) throw FileStepError{errno};
    ::close(fd);
}

void Compact(const QString& source, const QString& target) {
    CreateEmptyPrivateFile(target);
    auto conn = db::Connection::Open(QStringLiteral("Data Source=") + source);
    conn->Execute(QStringLiteral("VACUUM INTO ?"), {target});
    conn->Close();
}

void CheckCompacted(const QString& target) {
    auto conn = db::Connection::Open(QStringLiteral("Data Source=") + target);
    const QString result = conn->Scalar(QStringLiteral("PRAGMA integrity_check")).ToText();
    conn->Close();
    if (result != QStringLiteral("ok"))
        throw db::DbError(db::kErrCannotOpen,
                          QStringLiteral("最適化したデータベースの検査で異常が見つかりました。(%1)").arg(result));
    const int fd = ::open(Native(target).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw FileStepError{errno};
    const int synced = ::fsync(fd);
    const int err = errno;
    ::close(fd);
    if (synced != 0) throw FileStepError{err};
}

void Replace(const QString& target, const QString& mainPath) {
    ::chmod(Native(target).constData(), 0600);
    if (::rename(Native(target).constData(), Native(mainPath).constData()) != 0) throw FileStepError{errno};
    SyncFolderOf(mainPath);
}

void ShowFinalError(long number, const QString& description) {
    platform::MsgBox(QStringLiteral("最適化でエラー発生！　エラー番号：") + QString::number(number) +
                         QStringLiteral("\r\n\r\n") + QStringLiteral("エラー内容：") + description,
                     16, QStringLiteral("最適化エラー"));
}

}  // namespace

void SetCompactionStepHook(CompactionStepHook hook) { stepHook = std::move(hook); }

QString CompactTargetPath() { return G().AppPath + QStringLiteral("/VXCP.MDB"); }

bool CompactDatabase(const int16_t& attempt) {
    const QString mainPath = G().AppPath + G().MainDbFile;
    const QString target = CompactTargetPath();
    long number = 0;
    QString description;
    try {
        ResetAllSlots();
        Step(CompactionStep::RemoveLeftover);
        if (!CheckDir(target, 0).isEmpty() && !DeleteFile(target)) throw FileStepError{EACCES};
        if (!CheckFile(mainPath)) throw FileStepError{ENOENT};

        Step(CompactionStep::Compact);
        Compact(mainPath, target);
        platform::Wait(2000);
        platform::ProcessEvents();

        if (!CheckDir(target, 0).isEmpty()) {
            Step(CompactionStep::Check);
            CheckCompacted(target);
            Step(CompactionStep::Replace);
            Replace(target, mainPath);
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
    if (QFile::exists(target)) QFile::remove(target);
    if (attempt == kLastAttempt) ShowFinalError(number, description);
    return false;
}

}  // namespace mox
