#include "core/image_table.h"

#include "platform/db/sql_text.h"

#include <QStringList>

namespace mox {

QString ImageTableDdl(const QString& tableName) {
    QStringList columns = {QStringLiteral("ID LONG NOT NULL DEFAULT 0"), QStringLiteral("PatientID LONG DEFAULT 0"),
                           QStringLiteral("ExamDate DATETIME"), QStringLiteral("SNo LONG DEFAULT 0")};
    for (int i = 1; i <= kImageSlots; ++i) columns << QStringLiteral("ImgPath%1 TEXT(200) DEFAULT ''").arg(i);
    for (int i = 1; i <= kImageSlots; ++i) columns << QStringLiteral("ReverseUD%1 INTEGER DEFAULT 0").arg(i);
    for (int i = 1; i <= kImageSlots; ++i) columns << QStringLiteral("ReverseLR%1 INTEGER DEFAULT 0").arg(i);
    for (int i = 1; i <= kImageSlots; ++i) columns << QStringLiteral("Rotate%1 LONG DEFAULT 0").arg(i);
    columns << QStringLiteral("\"UpDate\" DATETIME") << QStringLiteral("CONSTRAINT PrimaryKey PRIMARY KEY (ID)");
    return QStringLiteral("CREATE TABLE %1 (%2)")
        .arg(db::QuoteIdentifier(tableName), columns.join(QStringLiteral(", ")));
}

}  // namespace mox
