#include "platform/db/backend.h"

namespace mox::db {

std::unique_ptr<Backend> OpenOdbcBackend(const ConnectionInfo& info)
{
    throw DbError(kErrCannotOpen, QStringLiteral("このデータベースの種類には接続できません。(%1)").arg(info.provider));
}

}  // namespace mox::db
