#pragma once
// An open file descriptor that is closed when its owner goes. Mind POSIX's
// rule when placing one: closing any descriptor of a file drops every lock
// this process holds on that file, the database engine's locks included, so
// a descriptor of a database file must outlive the engine's lock on it. The
// database layer shares one per file among its connections, and closes it
// when the last of them has gone (platform/db/file_hold.h).

#include "platform/failure.h"

#include <unistd.h>
#include <cerrno>

namespace mox::platform {

class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(Descriptor&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    Descriptor& operator=(Descriptor&&) = delete;

    int get() const { return fd_; }
    bool IsOpen() const { return fd_ >= 0; }
    // Closes now and reports what close said: on some file systems the last
    // write error only shows here.
    Failure Close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0 ? Failure() : FromErrno(FailureStep::Write, errno);
    }

private:
    int fd_;
};

}  // namespace mox::platform
