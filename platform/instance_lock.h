#pragma once
// "Is another instance of this program running?" on Linux: a lock file in the
// program folder, one per program, that the running program keeps locked
// with an open-file-description lock. The kernel drops that lock with the
// process however it ends, so a file left behind by a crash, whatever it
// holds, is no lock at all. Another program asks whether the lock is held
// without taking it: a look that took the lock, even for an instant, would
// make a program starting at that instant believe it was already running.

#include <QString>
#include <QStringList>
#include <memory>

namespace mox::platform {

class InstanceLock {
public:
    // lockName e.g. "VXMOX"; the file is <folder>/.<lockName>.lock
    InstanceLock(const QString& folder, const QString& lockName);
    // Gives the lock back and removes the file.
    ~InstanceLock();
    // True when this process now holds the lock; false when another running
    // program holds it.
    bool TryAcquire();
    // True while a running program holds the lock of that name in the folder.
    // Looking never takes the lock and never makes the file.
    static bool IsHeld(const QString& folder, const QString& lockName);

    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

private:
    QString path_;
    int fd_ = -1;
};

// The start of a program that may run neither twice nor beside the programs
// named in `excluding`. The programs of a folder take their own lock and look
// at the others' one at a time, under a lock on the folder, so that two
// programs started at the same instant cannot each find the other's lock and
// both refuse. A lock found held is looked at again a few times over about a
// second (through the clock's waits) before the start is refused: a program
// that is itself refusing, or ending, holds its lock only for a moment.
struct StartLock {
    // Held when the start may go on.
    std::unique_ptr<InstanceLock> lock;
    // Otherwise the name whose lock was held: lockName itself for a second
    // instance, else one of `excluding`.
    QString heldName;
};
StartLock TakeStartLock(const QString& folder, const QString& lockName, const QStringList& excluding);

}  // namespace mox::platform
