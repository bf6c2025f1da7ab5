#include "platform/db/db_error.h"

#include <cerrno>

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
            return QStringLiteral("ファイルを読み取れません。(エラー番号 %1)").arg(error);
    }
}

}  // namespace mox::db
