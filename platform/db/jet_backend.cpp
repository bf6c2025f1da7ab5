#include "platform/db/backend.h"

namespace mox::db {

std::unique_ptr<Backend> OpenJetBackend(const QString& path)
{
    throw DbError(kErrCannotOpen, QStringLiteral("データベースファイル '%1' を開けません。\nJet 形式のファイルは読み込めません。").arg(path));
}

}  // namespace mox::db
