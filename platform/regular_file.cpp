#include "platform/regular_file.h"

#include <QFile>

#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

namespace mox::platform {

Expected<int> OpenRegularFile(const QString& path, int flags) {
    const int fd = ::open(QFile::encodeName(path).constData(), flags | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return FromErrno(FailureStep::Open, errno, path);
    struct stat st {};
    int err = 0;
    if (::fstat(fd, &st) != 0)
        err = errno;
    else if (S_ISDIR(st.st_mode))
        err = EISDIR;
    else if (!S_ISREG(st.st_mode))
        err = EINVAL;
    if (err == 0) return fd;
    ::close(fd);
    return FromErrno(FailureStep::Open, err, path);
}

}  // namespace mox::platform
