#include "platform/instance_lock.h"

#include <QDir>
#include <QLockFile>
#include <cstdio>

namespace mox::platform {

InstanceLock::InstanceLock(const QString& folder, const QString& lockName)
    : lock_(std::make_unique<QLockFile>(QDir(folder).filePath(QLatin1Char('.') + lockName + QStringLiteral(".lock")))) {
    // A lock is stale only when its process is gone; a long-running program
    // must never lose its lock to age.
    lock_->setStaleLockTime(0);
}

InstanceLock::~InstanceLock() = default;

bool InstanceLock::TryAcquire() {
    if (lock_->isLocked()) return true;
    if (lock_->tryLock(0)) return true;
    if (lock_->error() == QLockFile::LockFailedError) return false;
    // The folder refuses the lock file (read-only media, permissions): that
    // says nothing about another instance, so the program is let run.
    std::fprintf(stderr, "InstanceLock: cannot create the lock file in the program folder (error %d)\n",
                 static_cast<int>(lock_->error()));
    return true;
}

}  // namespace mox::platform
