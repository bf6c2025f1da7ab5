#include "platform/owner_only.h"

#include <QFile>

#include <sys/stat.h>
#include <cerrno>

namespace mox::platform {

int MakeOwnerOnly(const QString& path) {
    return ::chmod(QFile::encodeName(path).constData(), kOwnerOnlyMode) == 0 ? 0 : errno;
}

int RemoveOthersAccess(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    struct stat st {};
    if (::stat(native.constData(), &st) != 0) return errno;
    const unsigned mode = st.st_mode & 07777;
    if (mode == WithoutOthersAccess(mode)) return 0;
    return ::chmod(native.constData(), WithoutOthersAccess(mode)) == 0 ? 0 : errno;
}

}  // namespace mox::platform
