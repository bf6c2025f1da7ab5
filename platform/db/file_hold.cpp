#include "platform/db/file_hold.h"

#include "platform/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QFile>
#include <cerrno>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

namespace mox::db {

namespace {

struct Kept {
    // Mostly one; a second is kept when the file at a path changed between
    // its stat and its open, and it turned out to be a file already held.
    std::vector<int> fds;
    int shares = 0;
};

std::mutex& KeptMutex() {
    static std::mutex mutex;
    return mutex;
}

std::map<std::pair<dev_t, ino_t>, Kept>& KeptFiles() {
    static std::map<std::pair<dev_t, ino_t>, Kept> files;
    return files;
}

}  // namespace

FileHold::FileHold(FileHold&& other) noexcept : fd_(other.fd_), device_(other.device_), inode_(other.inode_) {
    other.fd_ = -1;
}

FileHold& FileHold::operator=(FileHold&& other) noexcept {
    if (this != &other) {
        Release();
        std::swap(fd_, other.fd_);
        device_ = other.device_;
        inode_ = other.inode_;
    }
    return *this;
}

// With the registry's mutex held.
FileHold FileHold::Share(int fd, const struct stat& st) {
    Kept& kept = KeptFiles()[{st.st_dev, st.st_ino}];
    kept.fds.push_back(fd);
    ++kept.shares;
    return FileHold(fd, st.st_dev, st.st_ino);
}

Expected<FileHold> FileHold::Take(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    struct stat st {};
    if (::stat(native.constData(), &st) != 0) return FromErrno(FailureStep::Open, errno, path);
    if (!S_ISREG(st.st_mode)) return FromErrno(FailureStep::Open, EINVAL, path);
    const std::lock_guard<std::mutex> lock(KeptMutex());
    if (auto it = KeptFiles().find({st.st_dev, st.st_ino}); it != KeptFiles().end()) {
        ++it->second.shares;
        return FileHold(it->second.fds.front(), st.st_dev, st.st_ino);
    }
    // Replaced by something else between stat and open: the open refuses
    // it, and nothing of ours can be locked on it.
    const Expected<int> opening = platform::OpenRegularFile(path);
    if (!opening)
        return FromErrno(FailureStep::Open, opening.error().code == EISDIR ? EINVAL : opening.error().code, path);
    const int fd = *opening;
    struct stat opened {};
    if (::fstat(fd, &opened) != 0) {
        const int err = errno;
        ::close(fd);
        return FromErrno(FailureStep::Open, err, path);
    }
    return Share(fd, opened);
}

FileHold FileHold::Adopt(int fd) {
    struct stat st {};
    if (fd < 0) return {};
    if (::fstat(fd, &st) != 0) {
        ::close(fd);  // a file just made: nothing can be locked on it yet
        return {};
    }
    const std::lock_guard<std::mutex> lock(KeptMutex());
    return Share(fd, st);
}

bool FileHold::IsAt(const QString& path) const {
    struct stat st {};
    return fd_ >= 0 && ::stat(QFile::encodeName(path).constData(), &st) == 0 && st.st_dev == device_ &&
           st.st_ino == inode_;
}

void FileHold::Release() {
    if (fd_ < 0) return;
    fd_ = -1;
    const std::lock_guard<std::mutex> lock(KeptMutex());
    const auto it = KeptFiles().find({device_, inode_});
    if (it == KeptFiles().end() || --it->second.shares > 0) return;
    for (const int fd : it->second.fds) ::close(fd);
    KeptFiles().erase(it);
}

}  // namespace mox::db
