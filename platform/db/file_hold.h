#pragma once
// The one descriptor this process keeps of a database file while it uses the
// file. POSIX drops every lock a process holds on a file when any of its
// descriptors of that file is closed. The engine's own descriptors are closed
// with that in mind; a descriptor the database layer opens itself, to read a
// file's first bytes or to copy it, would drop the lock a connection of this
// process holds. So connections and copies share one descriptor per file,
// found by device and inode, and the last share to go closes it: no
// connection of this process then holds a lock on the file, and a file that
// was replaced or deleted gives its room back to the disk.

#include "platform/failure.h"

#include <sys/stat.h>
#include <QString>

namespace mox::db {

class FileHold {
public:
    FileHold() = default;
    ~FileHold() { Release(); }
    FileHold(FileHold&& other) noexcept;
    FileHold& operator=(FileHold&& other) noexcept;
    FileHold(const FileHold&) = delete;
    FileHold& operator=(const FileHold&) = delete;

    // A share in the descriptor of the regular file at `path`, read only.
    // A file that is not a regular one is never opened (a pipe would block
    // the first read): it fails with EINVAL.
    static Expected<FileHold> Take(const QString& path);
    // A share in `fd`, a descriptor of a file this process has just made.
    static FileHold Adopt(int fd);

    bool IsHeld() const { return fd_ >= 0; }
    int get() const { return fd_; }
    // Whether `path` leads to this file now. The engine opens a file by its
    // name: held before and found here after, it is the file the engine has.
    bool IsAt(const QString& path) const;
    void Release();

private:
    FileHold(int fd, dev_t device, ino_t inode) : fd_(fd), device_(device), inode_(inode) {}
    static FileHold Share(int fd, const struct stat& st);

    int fd_ = -1;
    dev_t device_ = 0;
    ino_t inode_ = 0;
};

}  // namespace mox::db
