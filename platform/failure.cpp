#include "platform/failure.h"

#include <QFile>

#include <sys/statvfs.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>
#include <new>

namespace mox {

namespace {

// A folder whose disk has less than this free is taken for full.
constexpr unsigned long long kFullBelow = 1 << 20;

}  // namespace

Failure Failure::As(Doing operation, FailureStep at) const {
    Failure relabelled = *this;
    if (doing != Doing::None) (within == Doing::None ? relabelled.within : relabelled.via) = doing;
    relabelled.doing = operation;
    relabelled.stage = at;
    return relabelled;
}

FailureKind KindOfErrno(int err) {
    switch (err) {
        case 0:
            return FailureKind::None;
        case ENOENT:
        case ENOTDIR:
            return FailureKind::NotFound;
        case EISDIR:
        case EINVAL:  // the platform's "no regular file" (platform/regular_file.h)
            return FailureKind::NotAFile;
        case EACCES:
        case EPERM:
            return FailureKind::NoAccess;
        case EROFS:
            return FailureKind::ReadOnly;
        case ENOSPC:
        case EDQUOT:
            return FailureKind::DiskFull;
        case EIO:
            return FailureKind::ReadError;
        case EBUSY:
        case ETXTBSY:
            return FailureKind::Busy;
        case EEXIST:
            return FailureKind::Exists;
        case ENOMEM:
            return FailureKind::NoMemory;
        default:
            return FailureKind::Other;
    }
}

Failure FromErrno(FailureStep step, int err, const QString& file) {
    Failure f;
    if (err == 0) return f;
    f.step = step;
    f.kind = KindOfErrno(err);
    f.codeOf = CodeOf::Errno;
    f.code = err;
    f.number = err;
    f.file = file;
    return f;
}

QString ErrnoWords(int err) { return QString::fromLocal8Bit(std::strerror(err)); }

Failure FromException(const std::exception& e) {
    Failure f;
    f.kind = dynamic_cast<const std::bad_alloc*>(&e) ? FailureKind::NoMemory : FailureKind::Other;
    f.detail = QString::fromLocal8Bit(e.what());
    return f;
}

FailureKind KindOfWriteIn(const QString& folder, int err) {
    if (err == ENOSPC || err == EDQUOT) return FailureKind::DiskFull;
    if (err == EROFS || err == EACCES || err == EPERM) return FailureKind::ReadOnly;
    const QByteArray native = QFile::encodeName(folder);
    struct statvfs vfs {};
    if (::statvfs(native.constData(), &vfs) == 0) {
        if (vfs.f_flag & ST_RDONLY) return FailureKind::ReadOnly;
        if (static_cast<unsigned long long>(vfs.f_bavail) * vfs.f_frsize < kFullBelow) return FailureKind::DiskFull;
    }
    if (::access(native.constData(), W_OK) != 0) return FailureKind::ReadOnly;
    return FailureKind::Other;
}

}  // namespace mox
