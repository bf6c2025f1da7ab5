#pragma once
// The one way the programs write a file that must never be found half
// written (copies of the database, backups, restores, compaction, converted
// databases, downloaded program files). The new content goes into a file
// beside the destination, is synced to the disk, takes the destination's
// place in one rename, and the folder is synced so that the rename survives a
// power cut. Until the rename the destination is the old, complete file: a
// failure or a killed process at any point leaves the old file or the new
// one, never a mixture.
//
// Every function returns an empty Failure, or the failure of the step that
// failed (its errno in `code`); the destination is then as it was and no
// temporary file is left beside it.
//
// Tests swap in a failing file layer with FileStepFault, the way a device
// that fails after N bytes is swapped in: it counts the steps of the writes
// that follow and fails (or kills the process at) the k-th.

#include "platform/failure.h"

#include <QByteArray>
#include <QString>
#include <cerrno>
#include <functional>
#include <vector>

namespace mox::platform {

// Where a producer writes the new content.
class FileSink {
public:
    explicit FileSink(int fd) : fd_(fd) {}
    // Empty, or the failed write.
    Failure Write(const char* data, qint64 size);
    Failure Write(const QByteArray& bytes) { return Write(bytes.constData(), bytes.size()); }

private:
    int fd_;
    qint64 written_ = 0;
    qint64 handedToDisk_ = 0;
};

// Writes the whole content into the sink; returns an empty Failure, or one
// to give up.
using FileProducer = std::function<Failure(FileSink&)>;

// The access a new file gets: that of the file it replaces (owner-only for
// a new file); that of the file it replaces without any access for others,
// and its group (owner-only for a new file), as every database file the
// programs write (platform/owner_only.h); or that of the file it is a copy
// of. The new file has it from its first byte.
enum class FileAccess { AsReplaced, OwnerOnly, AsSource };

// Writes `target` with what `produce` gives. The new file takes the mode of
// the file it replaces, or owner-only access for a new file (the files hold
// patient data).
Failure WriteFileAtomically(const QString& target, const FileProducer& produce);

// Copies a regular file to `target`, bytes and, by default, mode, as a
// Windows copy keeps the source's attributes. Pipes and devices are refused
// (EINVAL) rather than waited on.
Failure CopyFileAtomically(const QString& source, const QString& target, FileAccess access = FileAccess::AsSource);

// Copies the whole file behind the open descriptor `source`, from its first
// byte, to `target`. Once synced, the new file is read back from the medium
// (its cached pages are dropped first, so the read comes from the device, not
// from the memory the write left behind) and compared with what was read
// from the source: a copy that lost or changed bytes on the way (a write a
// file system dropped, a memory stick that stores a wrong bit, a file cut
// short) fails with EIO before it replaces anything, instead of leaving a
// backup that cannot be restored. The caller keeps the descriptor, so that
// a lock it holds on the source stays.
Failure CopyDescriptorAtomically(int source, const QString& target, FileAccess access = FileAccess::AsReplaced);

// Gives the file at `existing` a second name, `keep`, that must be new: a
// hard link, so that the file's content stays under `keep` when a rename
// puts another file under `existing`. Where the file system has no links
// (or `keep` lies on another one) the content is copied from the open
// descriptor `existingFd` as CopyDescriptorAtomically copies.
Failure KeepFileAs(const QString& existing, int existingFd, const QString& keep);

// Puts a file that another writer has already made beside `target` (a
// database engine writes its own output file) in target's place, with the
// access `access` gives; with OwnerOnly and no file at `target`, `written`
// keeps its own mode and group without any access for others. A mode that
// is already right is not set again, so an account that does not own
// `written` is not refused for it. On failure `written` is left to the
// caller.
Failure PlaceFileAtomically(const QString& written, const QString& target, FileAccess access = FileAccess::AsReplaced);
// The same for a new file: `target` must be a name no file has, and a file
// that another program gave that name meanwhile is never replaced (EEXIST;
// `written` is then left to the caller).
Failure PlaceNewFileAtomically(const QString& written, const QString& target,
                               FileAccess access = FileAccess::OwnerOnly);

// Renames `from` to `to` only while no file (nor a link to nothing) has
// that name; EEXIST when one has.
Failure RenameWithoutReplacing(const QString& from, const QString& to);

// Moves the file at `path` out of the way of every program that would read
// it under its name, to `path` + "_yyyymmdd_hhnnss" of the clock's time (with
// "_2", "_3", ... when that is taken), never replacing a file. The new path.
Expected<QString> SetAside(const QString& path);

// The steps the failure seam counts.
enum class FileStep { Create, Write, Sync, Verify, Rename, SyncFolder, Link };

// While one lives, every step of every atomic write is counted from 1, and
// the k-th step fails with `error` (the write gives up as a real failure of
// that step would) or runs `action` (a test throws there, or ends the
// process). k = 0 only counts. A failed folder sync comes after the rename
// and cannot undo it: it is counted but not reported.
class FileStepFault {
public:
    using Action = std::function<void(FileStep)>;
    FileStepFault();
    explicit FileStepFault(int failAt, int error = EIO);
    FileStepFault(int actAt, Action action);
    ~FileStepFault();
    FileStepFault(const FileStepFault&) = delete;
    FileStepFault& operator=(const FileStepFault&) = delete;

    // The steps taken so far, in order.
    const std::vector<FileStep>& Steps() const { return steps_; }
    int StepsTaken() const { return static_cast<int>(steps_.size()); }

    // 0, or the errno this step is to fail with (used by the writes).
    int Take(FileStep step);

private:
    int at_ = 0;
    int error_ = 0;
    Action action_;
    std::vector<FileStep> steps_;
    FileStepFault* previous_ = nullptr;
};

}  // namespace mox::platform
