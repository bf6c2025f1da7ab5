#include "core/system_info.h"

#include <unistd.h>

namespace mox {

QString GetWindowsVersion() { return QStringLiteral("7"); }

QString GetMachineName() {
    char buffer[256] = {};
    if (::gethostname(buffer, sizeof buffer - 1) != 0) return {};
    return QString::fromLocal8Bit(buffer);
}

}  // namespace mox
