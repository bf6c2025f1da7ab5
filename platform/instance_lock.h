#pragma once
// "Is another instance of this program running?" on Linux: a lock file in the
// program folder, one per program. A stale lock left by a dead process is
// taken over, and so is a lock file that names no process (empty or
// garbled after a crash) when no running program holds it.

#include <QString>
#include <memory>

class QLockFile;

namespace mox::platform {

class InstanceLock {
public:
    // lockName e.g. "VXMOX"; the file is <folder>/.<lockName>.lock
    InstanceLock(const QString& folder, const QString& lockName);
    ~InstanceLock();
    // True when this process now holds the lock; false when another live
    // process holds it.
    bool TryAcquire();

private:
    QString path_;
    std::unique_ptr<QLockFile> lock_;
};

}  // namespace mox::platform
