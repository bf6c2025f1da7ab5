#include "core/program_paths.h"

#include "core/files.h"
#include "core/settings.h"
#include "core/system_info.h"
#include "core/text_format.h"
#include "platform/db/database.h"
#include "platform/registry.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <algorithm>

namespace mox {

namespace {

constexpr int kMaxArgs = 10;
const QString kQdRoot = QStringLiteral("HKEY_LOCAL_MACHINE/Software/QD NORVALE/");
const QString kHlxRoot = QStringLiteral("HKEY_LOCAL_MACHINE/Software/HLX/");
const QString kQdProduct = QStringLiteral("QD Vexaline 2");
const QString kHlxProduct = QStringLiteral("Vexaline EX");

QString ReadUnder(const QString& root, const QString& product, const QString& section, const QString& valueName,
                  const QString& fallback) {
    const QString key = root + product + QLatin1Char('/') + section;
    // A sentinel tells a stored empty text from a missing value.
    static const QString kMissing = QStringLiteral("\x01missing\x01");
    const QString value = platform::RegistryRead(key, valueName, kMissing);
    if (value == kMissing) return fallback;
    return NulTerminated(value);
}

}  // namespace

void ParseCommandLine(const QStringList& arguments) {
    Settings& g = G();
    for (QString& slot : g.CmdLineArgs) slot.clear();
    const qsizetype count = std::min<qsizetype>(arguments.size(), kMaxArgs);
    for (qsizetype i = 0; i < count; ++i) g.CmdLineArgs[i + 1] = arguments[i];
    g.CmdLineArgCount = static_cast<int16_t>(count);
}

void ParseCommandLine() { ParseCommandLine(QCoreApplication::arguments().mid(1)); }

void WriteRegSetting(const QString& product, const QString& section, const QString& valueName, const QString& value) {
    platform::RegistryWrite(kQdRoot + product + QLatin1Char('/') + section, valueName, value);
}

QString ReadRegSetting(const QString& product, const QString& section, const QString& valueName,
                       const QString& fallback) {
    return ReadUnder(kQdRoot, product, section, valueName, fallback);
}

QString ReadMakerRegSetting(const QString& product, const QString& section, const QString& valueName,
                            const QString& fallback) {
    return ReadUnder(kHlxRoot, product, section, valueName, fallback);
}

int16_t GetSharedDbKind(const QString& makerWord) {
    if (makerWord == QLatin1String("HLX")) return 3;
    const QString dbType = ReadRegSetting(kQdProduct, QStringLiteral("Install"), QStringLiteral("DbType"), {});
    if (!dbType.isEmpty()) {
        if (dbType == QLatin1String("Access")) return 1;
        if (dbType == QLatin1String("SQL Server")) return 2;
        return -1;
    }
    const QString productName =
        ReadRegSetting(kQdProduct, QStringLiteral("Install"), QStringLiteral("ShowProductName"), {});
    if (productName.isEmpty()) return -1;
    return productName.contains(QLatin1String("SQL"), Qt::CaseSensitive) ? 2 : 1;
}

QString GetSqlServerName() {
    const QString folder = TrimBlanks(G().SharedDbFolder);
    if (folder.isEmpty()) return {};
    QString host;
    // A network folder: \\host\share\... as the sibling product writes it,
    // or //host/share/... in the Linux spelling.
    const bool windowsShare = folder.startsWith(QLatin1String("\\\\"));
    const bool linuxShare = folder.startsWith(QLatin1String("//"));
    if (windowsShare || linuxShare) {
        const QChar sep = windowsShare ? QLatin1Char('\\') : QLatin1Char('/');
        const qsizetype next = folder.indexOf(sep, 2);
        host = next < 0 ? QString() : folder.mid(2, next - 2);
    } else {
        host = GetMachineName();
    }
    return host.isEmpty() ? QString() : host + QStringLiteral("\\HLX");
}

QString TemplateDbPath() { return G().ProgramDir + QLatin1Char('/') + QLatin1String(kTemplateDbName); }
QString ProgramMainDbPath() { return G().ProgramDir + QStringLiteral("/VXMOX2.MDB"); }

void SetupDatabasePaths(const QString& programDir, const QString& programFileName) {
    Settings& g = G();
    g.ProgramDir = programDir;
    g.SetMainDatabase(ProgramMainDbPath());
    g.IdPrefix = 1;
    g.TemplateDbSource = db::DataSourcePart(TemplateDbPath());
    g.SharedDbKind = 0;
    g.SharedDbSource.clear();
    g.SharedDbFolder.clear();

    QString makerWord;
    QString path = ReadMakerRegSetting(kHlxProduct, QStringLiteral("System"), QStringLiteral("Path"), {});
    if (!path.isEmpty()) {
        makerWord = QStringLiteral("HLX");
    } else {
        path = ReadRegSetting(kQdProduct, QStringLiteral("System"), QStringLiteral("Path"), {});
        if (path.isEmpty()) return;
        makerWord = QStringLiteral("QD");
    }

    g.SharedDbFolder = path;
    switch (GetSharedDbKind(makerWord)) {
        case 1:
            if (CheckFile(path + QStringLiteral("/db/vx2.MDB"))) {
                g.SharedDbKind = 1;
                g.SharedDbSource = db::DataSourcePart(path + QStringLiteral("/db/vx2.MDB"));
            }
            break;
        case 2:
            if (CheckFile(path + QStringLiteral("/db/HLX_PRP.mdf"))) {
                g.SharedDbKind = 2;
                g.SharedDbSource = QStringLiteral("Data Source=") + GetSqlServerName() + QLatin1Char(';');
            }
            break;
        case 3:
            if (CheckFile(path + QStringLiteral("/db/HLX_VXEX.mdf"))) {
                g.SharedDbKind = 3;
                g.SharedDbSource = QStringLiteral("Data Source=") + GetSqlServerName() + QLatin1Char(';');
            }
            break;
        default:
            break;
    }

    const QString programPath = programDir + QLatin1Char('/') + programFileName;
    WriteRegSetting(kQdProduct, QStringLiteral("Execute"), QStringLiteral("MOXExe"), programPath);
    WriteRegSetting(kHlxProduct, QStringLiteral("Execute"), QStringLiteral("MOXExe"), programPath);
}

void SetupDatabasePaths() {
    const QFileInfo exe(QCoreApplication::applicationFilePath());
    SetupDatabasePaths(exe.absolutePath(), exe.fileName());
}

}  // namespace mox
