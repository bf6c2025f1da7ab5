#include "platform/db/db_error.h"

#include <cerrno>
#include <cstring>

namespace mox::db {

QString CannotOpenReason(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            return QStringLiteral("ファイルが見つかりません。");
        case EINVAL:
            return QStringLiteral("通常のファイルではありません。データベースファイルを指定してください。");
        case EACCES:
            return QStringLiteral("ファイルを読み取る権限がありません。");
        default:
            return QStringLiteral("ファイルを読み取れません。(%1)").arg(QString::fromLocal8Bit(std::strerror(error)));
    }
}

}  // namespace mox::db
