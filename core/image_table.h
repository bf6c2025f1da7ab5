#pragma once
// The layout of TImage, the one table the program makes itself (the template
// has none). The image record makes it when it is missing or of the older
// layout, and a database of the Windows release brought over is given the
// same table, so that both meet the layout test, the key on ID and the
// column defaults that a new contact row relies on.

#include <QString>

namespace mox {

inline constexpr int kImageSlots = 9;

// The table's name.
inline const QString kImageTable = QStringLiteral("TImage");

// CREATE TABLE of the TImage layout under `tableName`: 41 columns, their
// defaults, and the primary key PrimaryKey on ID (no Null).
QString ImageTableDdl(const QString& tableName);

}  // namespace mox
