#include "core/version.h"

#include "core/connections.h"
#include "core/settings.h"
#include "platform/atomic_file.h"
#include "platform/message_box.h"

#include <QFile>
#include <QFileInfo>

namespace mox {

namespace {

QString VersionNumbers() {
    return QString::number(MOX_VERSION_MAJOR) + QLatin1Char('.') + QString::number(MOX_VERSION_MINOR) +
           QLatin1Char('.') + QString::number(MOX_VERSION_REVISION);
}

bool HoldsExactly(const QString& path, const QByteArray& content) {
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) return false;
    return file.read(content.size() + 1) == content;
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

bool HasAcceptedDbVersion(db::Connection& conn) { return ReadDbVersion(conn).value_or(0) >= kLeastDbVersion; }

bool CheckDbVersion() {
    if (!OpenMainDb()) return false;
    bool accepted = false;
    for (;;) {
        try {
            accepted = HasAcceptedDbVersion(*MainDbConn());
            break;
        } catch (const db::DbError& e) {
            if (ShowDbErrorBox(e.GetFailure()) != platform::kRetry) {
                ReleaseMainDb();
                return false;
            }
        }
    }
    ReleaseMainDb();
    return accepted;
}

QString GetVersionText() { return QStringLiteral("Ver.") + VersionNumbers(); }

bool WriteVersionFile() {
    const QByteArray line = QByteArrayLiteral("Version=") + VersionNumbers().toLatin1() + QByteArrayLiteral("\r\n");
    const QString path = G().ProgramDir + QStringLiteral("/VersionMOX.txt");
    // Every start after the first finds the line already there. Writing it
    // again would wait for the disk to sync, which on a busy disk takes as
    // long as the rest of the start; a folder that would refuse the new file
    // is still refused, as the write would be.
    if (HoldsExactly(path, line) && QFileInfo(G().ProgramDir).isWritable()) return true;
    return !platform::WriteFileAtomically(path, [&](platform::FileSink& sink) { return sink.Write(line); });
}

}  // namespace mox
