#include "platform/owner_only.h"

#include <QFile>

#include <sys/stat.h>
#include <cerrno>

namespace mox::platform {

Failure MakeOwnerOnly(const QString& path) {
    if (::chmod(QFile::encodeName(path).constData(), kOwnerOnlyMode) == 0) return {};
    return FromErrno(FailureStep::SetAccess, errno, path);
}

Failure RemoveOthersAccess(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    struct stat st {};
    if (::stat(native.constData(), &st) != 0) return FromErrno(FailureStep::Look, errno, path);
    const unsigned mode = st.st_mode & 07777;
    if (mode == WithoutOthersAccess(mode)) return {};
    if (::chmod(native.constData(), WithoutOthersAccess(mode)) == 0) return {};
    return FromErrno(FailureStep::SetAccess, errno, path);
}

}  // namespace mox::platform
