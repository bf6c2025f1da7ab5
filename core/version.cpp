#include "core/version.h"

#include "core/connections.h"
#include "core/settings.h"
#include "platform/atomic_file.h"
#include "platform/message_box.h"

namespace mox {

namespace {

QString VersionNumbers() {
    return QString::number(MOX_VERSION_MAJOR) + QLatin1Char('.') + QString::number(MOX_VERSION_MINOR) +
           QLatin1Char('.') + QString::number(MOX_VERSION_REVISION);
}

}  // namespace

std::optional<int64_t> ReadDbVersion(db::Connection& conn) {
    auto rs = conn.OpenRecordset(QStringLiteral("SELECT * FROM TVersion WHERE ID=1"));
    std::optional<int64_t> value;
    if (!rs->IsEOF())
        value = rs->Field(QStringLiteral("Major")).AsInt64() * 10000 +
                rs->Field(QStringLiteral("Minor")).AsInt64() * 1000 + rs->Field(QStringLiteral("Revision")).AsInt64();
    rs->Close();
    return value;
}

bool CheckDbVersion() {
    if (!OpenMainDb()) return false;
    int64_t value = 0;
    for (;;) {
        try {
            value = ReadDbVersion(*MainDbConn()).value_or(0);
            break;
        } catch (const db::DbError& e) {
            if (ShowDbErrorBox(e.Number(), e.Description()) != platform::kRetry) {
                ReleaseMainDb();
                return false;
            }
        }
    }
    ReleaseMainDb();
    return value >= kLeastDbVersion;
}

QString GetVersionText() { return QStringLiteral("Ver.") + VersionNumbers(); }

bool WriteVersionFile() {
    const QByteArray line = QByteArrayLiteral("Version=") + VersionNumbers().toLatin1() + QByteArrayLiteral("\r\n");
    return platform::WriteFileAtomically(G().ProgramDir + QStringLiteral("/VersionMOX.txt"),
                                         [&](platform::FileSink& sink) { return sink.Write(line); }) == 0;
}

}  // namespace mox
