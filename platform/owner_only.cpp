#include "platform/owner_only.h"

#include <QFile>

#include <sys/stat.h>
#include <cerrno>

namespace mox::platform {

int MakeOwnerOnly(const QString& path) {
    return ::chmod(QFile::encodeName(path).constData(), kOwnerOnlyMode) == 0 ? 0 : errno;
}

}  // namespace mox::platform
