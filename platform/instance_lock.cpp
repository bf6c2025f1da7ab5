#include "platform/instance_lock.h"

#include "platform/clock.h"
#include "platform/descriptor.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstdio>

namespace mox::platform {

namespace {

constexpr int kStartLooks = 5;
constexpr int kStartLookIntervalMs = 250;

QString LockPath(const QString& folder, const QString& lockName) {
    return QDir(folder).filePath(QLatin1Char('.') + lockName + QStringLiteral(".lock"));
}

// The whole file, for the lock calls. Open-file-description locks conflict
// with every other open description, of this process or another, so a
// second window of one process is refused like a second process.
struct flock WholeFile(short type) {
    struct flock range {};
    range.l_type = type;
    range.l_whence = SEEK_SET;
    return range;
}

// The descriptor still names the file at the path: a holder that was ending
// may have removed it between our open and our lock, and a lock on a file
// nobody else can find excludes nobody.
bool NamesFileAt(int fd, const QByteArray& path) {
    struct stat held {
    }, named{};
    return ::fstat(fd, &held) == 0 && ::lstat(path.constData(), &named) == 0 && held.st_dev == named.st_dev &&
           held.st_ino == named.st_ino;
}

// What became of a lock file found in the way.
enum class Leftover {
    kGone,   // removed, or replaced meanwhile: look again
    kHeld,   // a running program holds it
    kStuck,  // nobody holds it, but it cannot be removed
};

// Removes a lock file that no running program holds (a pipe, or a file we may
// not write, left in the lock's place). It is removed under a read lock,
// which no holder can share, so a program that locked it meanwhile keeps it.
Leftover RemoveUnheldLockFile(const QByteArray& path) {
    const Descriptor fd(::open(path.constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC));
    if (!fd.IsOpen()) {
        if (errno == ENOENT) return Leftover::kGone;
        // Our own file that we may not even read was never a live lock (a
        // running program writes its lock readable); another user's is not
        // ours to judge.
        struct stat st {};
        if (errno != EACCES || ::lstat(path.constData(), &st) != 0 || st.st_uid != ::geteuid()) return Leftover::kHeld;
        return ::unlink(path.constData()) == 0 || errno == ENOENT ? Leftover::kGone : Leftover::kStuck;
    }
    struct flock range = WholeFile(F_RDLCK);
    if (::fcntl(fd.get(), F_OFD_SETLK, &range) != 0) return Leftover::kHeld;
    return !NamesFileAt(fd.get(), path) || ::unlink(path.constData()) == 0 ? Leftover::kGone : Leftover::kStuck;
}

// The folder refuses the lock (read-only media, permissions, a file system
// without locks): that says nothing about another instance, so the program
// is let run.
bool LetRunWithoutLock(int err) {
    std::fprintf(stderr, "InstanceLock: cannot lock a file in the program folder (errno %d)\n", err);
    return true;
}

// Takes the folder's start lock, held while the descriptor lives: a flock on
// the folder itself, so that no file is added to the program folder for it.
// Held for the few calls of a start only; where the folder cannot be locked
// the starts go on unordered.
Descriptor LockFolderForStart(const QString& folder) {
    Descriptor dir(::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.IsOpen()) {
        while (::flock(dir.get(), LOCK_EX) != 0 && errno == EINTR) {
        }
    }
    return dir;
}

}  // namespace

InstanceLock::InstanceLock(const QString& folder, const QString& lockName) : path_(LockPath(folder, lockName)) {}

InstanceLock::~InstanceLock() {
    if (fd_ < 0) return;
    // Removed while still locked, so that no start can lock the file in
    // between and then lose it.
    const QByteArray native = QFile::encodeName(path_);
    if (NamesFileAt(fd_, native)) ::unlink(native.constData());
    ::close(fd_);
}

bool InstanceLock::TryAcquire() {
    if (fd_ >= 0) return true;
    const QByteArray native = QFile::encodeName(path_);
    // Each pass either takes the lock or clears away a file that no running
    // program holds; files that keep being replaced under us are not worth
    // more than a few passes.
    for (int pass = 0; pass < 8; ++pass) {
        const int fd = ::open(native.constData(), O_RDWR | O_CREAT | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd < 0) {
            const int err = errno;
            struct stat st {};
            // Without a file in the way, the folder itself refuses one.
            if (err != EACCES || ::lstat(native.constData(), &st) != 0) return LetRunWithoutLock(err);
            const Leftover leftover = RemoveUnheldLockFile(native);
            if (leftover == Leftover::kHeld) return false;
            if (leftover == Leftover::kStuck) return LetRunWithoutLock(err);
            continue;
        }
        struct flock range = WholeFile(F_WRLCK);
        if (::fcntl(fd, F_OFD_SETLK, &range) != 0) {
            const int err = errno;
            ::close(fd);
            if (err == EAGAIN || err == EACCES) return false;
            return LetRunWithoutLock(err);
        }
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(fd);
            const Leftover leftover = RemoveUnheldLockFile(native);
            if (leftover == Leftover::kHeld) return false;
            if (leftover == Leftover::kStuck) return LetRunWithoutLock(EPERM);
            continue;
        }
        if (!NamesFileAt(fd, native)) {
            ::close(fd);
            continue;
        }
        // The process id, for whoever looks at the folder; the lock is what counts.
        const QByteArray pid = QByteArray::number(static_cast<qint64>(::getpid())) + '\n';
        if (::ftruncate(fd, 0) == 0) {
            [[maybe_unused]] const ssize_t written = ::pwrite(fd, pid.constData(), pid.size(), 0);
        }
        fd_ = fd;
        return true;
    }
    return false;
}

bool InstanceLock::IsHeld(const QString& folder, const QString& lockName) {
    const Descriptor fd(::open(QFile::encodeName(LockPath(folder, lockName)).constData(),
                               O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC));
    struct flock range = WholeFile(F_WRLCK);
    return fd.IsOpen() && ::fcntl(fd.get(), F_OFD_GETLK, &range) == 0 && range.l_type != F_UNLCK;
}

StartLock TakeStartLock(const QString& folder, const QString& lockName, const QStringList& excluding) {
    StartLock result;
    for (int look = 0; look < kStartLooks; ++look) {
        if (look > 0) Wait(kStartLookIntervalMs);
        const Descriptor guard = LockFolderForStart(folder);
        auto own = std::make_unique<InstanceLock>(folder, lockName);
        if (!own->TryAcquire()) {
            result.heldName = lockName;
            continue;
        }
        result.heldName.clear();
        for (const QString& other : excluding) {
            if (InstanceLock::IsHeld(folder, other)) {
                result.heldName = other;
                break;
            }
        }
        if (result.heldName.isEmpty()) {
            result.lock = std::move(own);
            return result;
        }
        // `own` is given back here, while the folder is still locked.
    }
    return result;
}

}  // namespace mox::platform
