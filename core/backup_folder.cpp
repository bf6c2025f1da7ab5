#include "core/backup_folder.h"

#include "core/files.h"
#include "core/settings.h"
#include "platform/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QFile>
#include <QRegularExpression>
#include <QStringList>

namespace mox {

namespace {

// The bytes of a plain file; std::nullopt for anything else. The test is made
// on what was opened (without waiting for a writer), so a pipe put in the
// file's place in between is refused too.
std::optional<QByteArray> ReadPlainFile(const QString& path) {
    const Expected<int> opened = platform::OpenRegularFile(path);
    if (!opened) return std::nullopt;
    const int fd = *opened;
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return std::nullopt;
    }
    return file.readAll();
}

QString DatedStem(const QString& baseName, const QDateTime& now) {
    return baseName + now.toString(QStringLiteral("_yyyyMMdd_HHmm"));
}

}  // namespace

QString BackUpPathFile() { return G().ProgramDir + QStringLiteral("/MOX.INI"); }

std::optional<QString> ReadBackUpPath(const QString& iniPath) {
    const std::optional<QByteArray> bytes = ReadPlainFile(iniPath);
    if (!bytes) return std::nullopt;
    QString text = QString::fromUtf8(*bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));

    std::optional<QString> folder;
    for (const QString& raw : text.split(QLatin1Char('\n'))) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('\''))) continue;
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals < 0 || line.left(equals) != QLatin1String(kBackUpPathKey)) continue;
        folder = line.mid(equals + 1);
    }
    return folder;
}

QString BackUpFileName(const QString& baseName, const QDateTime& now) {
    return DatedStem(baseName, now) + QStringLiteral(".MDB");
}

QString UniqueDatedPath(const QString& folder, const QString& baseName, const QDateTime& now,
                        const QString& extension) {
    return UniquePath(folder + QLatin1Char('/') + DatedStem(baseName, now), extension);
}

QString BackUpAgeKey(const QString& fileName, const QString& baseName) {
    const QRegularExpression pattern(QStringLiteral("^") + QRegularExpression::escape(baseName) +
                                         QStringLiteral(R"(_(\d{8})_(\d{4})(?:_(\d{1,6}))?\.mdb$)"),
                                     QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = pattern.match(fileName);
    if (!m.hasMatch()) return {};
    return m.captured(1) + m.captured(2) + m.captured(3).rightJustified(6, QLatin1Char('0'));
}

}  // namespace mox
