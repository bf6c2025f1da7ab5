#include "core/main_database.h"

#include "platform/db/database.h"

namespace mox {

QString DbBaseNameOf(const QString& fileName) {
    QString base = fileName.startsWith(QLatin1Char('/')) ? fileName.mid(1) : fileName;
    const qsizetype dot = base.indexOf(QLatin1Char('.'));
    if (dot >= 0) base.truncate(dot);
    return base;
}

MainDatabase::MainDatabase(const QString& path) : path_(path) {
    if (path.isEmpty()) return;
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    folder_ = path.left(slash < 0 ? 0 : slash);
    fileName_ = path.mid(folder_.size());
    baseName_ = DbBaseNameOf(fileName_);
    source_ = db::DataSourcePart(path);
}

}  // namespace mox
