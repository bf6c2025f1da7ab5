#include "platform/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QLockFile>
#include <cerrno>
#include <cstdio>

namespace mox::platform {

namespace {

// A lock file whose content cannot be read as a lock (empty after a power
// loss, cut short by a full disk, unreadable) names no process to ask. Its
// holder, if any, keeps an exclusive flock on it for as long as it runs; a
// file nobody holds is left over and is removed. True when it was removed
// (or vanished meanwhile), so that locking may be tried again.
bool RemoveUnheldLockFile(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) return true;
        // Our own file that we may not even read was never a live lock (a
        // running program writes its lock readable); another user's is not
        // ours to judge.
        struct stat st {};
        if (errno == EACCES && ::lstat(native.constData(), &st) == 0 && st.st_uid == ::geteuid())
            return ::unlink(native.constData()) == 0 || errno == ENOENT;
        return false;
    }
    bool removed = false;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        // Remove only the file we judged: another start may have replaced it.
        struct stat held {
        }, named{};
        if (::fstat(fd, &held) == 0 && ::lstat(native.constData(), &named) == 0 && held.st_dev == named.st_dev &&
            held.st_ino == named.st_ino)
            removed = ::unlink(native.constData()) == 0;
    }
    ::close(fd);
    return removed;
}

}  // namespace

InstanceLock::InstanceLock(const QString& folder, const QString& lockName)
    : path_(QDir(folder).filePath(QLatin1Char('.') + lockName + QStringLiteral(".lock"))),
      lock_(std::make_unique<QLockFile>(path_)) {
    // A lock is stale only when its process is gone; a long-running program
    // must never lose its lock to age.
    lock_->setStaleLockTime(0);
}

InstanceLock::~InstanceLock() = default;

bool InstanceLock::TryAcquire() {
    if (lock_->isLocked()) return true;
    if (lock_->tryLock(0)) return true;
    if (lock_->error() == QLockFile::LockFailedError) {
        // A readable lock names its process, and the lock file class has
        // found it alive.
        qint64 pid = 0;
        QString host, app;
        if (lock_->getLockInfo(&pid, &host, &app)) return false;
        if (!RemoveUnheldLockFile(path_)) return false;
        if (lock_->tryLock(0)) return true;
        if (lock_->error() == QLockFile::LockFailedError) return false;
    }
    // The folder refuses the lock file (read-only media, permissions): that
    // says nothing about another instance, so the program is let run.
    std::fprintf(stderr, "InstanceLock: cannot create the lock file in the program folder (error %d)\n",
                 static_cast<int>(lock_->error()));
    return true;
}

}  // namespace mox::platform
