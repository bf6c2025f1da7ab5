#include "core/version.h"

#include "core/connections.h"
#include "core/settings.h"
#include "platform/message_box.h"

#include <QSaveFile>

namespace mox {

namespace {

QString VersionNumbers() {
    return QString::number(MOX_VERSION_MAJOR) + QLatin1Char('.') + QString::number(MOX_VERSION_MINOR) +
           QLatin1Char('.') + QString::number(MOX_VERSION_REVISION);
}

}  // namespace

bool CheckDbVersion() {
    if (!OpenMainDb()) return false;
    int64_t value = 0;
    for (;;) {
        try {
            auto rs = MainDbConn()->OpenRecordset(QStringLiteral("SELECT * FROM TVersion WHERE ID=1"));
            if (!rs->IsEOF()) {
                const int64_t v = rs->Field(QStringLiteral("Major")).AsInt64() * 10000 +
                                  rs->Field(QStringLiteral("Minor")).AsInt64() * 1000 +
                                  rs->Field(QStringLiteral("Revision")).AsInt64();
                value = v;
            }
            rs->Close();
            break;
        } catch (const db::DbError& e) {
            if (ShowDbErrorBox(e.Number(), e.Description()) != platform::kRetry) {
                ReleaseMainDb();
                return false;
            }
        }
    }
    ReleaseMainDb();
    return value >= 1000;
}

QString GetVersionText() { return QStringLiteral("Ver.") + VersionNumbers(); }

bool WriteVersionFile() {
    QSaveFile file(G().ProgramDir + QStringLiteral("/VersionMOX.txt"));
    if (!file.open(QIODevice::WriteOnly)) return false;
    const QByteArray line = QByteArrayLiteral("Version=") + VersionNumbers().toLatin1() + QByteArrayLiteral("\r\n");
    if (file.write(line) != line.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

}  // namespace mox
