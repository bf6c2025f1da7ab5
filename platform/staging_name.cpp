#include "platform/staging_name.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <signal.h>
#include <unistd.h>
#include <cerrno>
#include <climits>

namespace mox::platform {

namespace {

// The host name as a name part: letters, digits, "-" and "_" only (no ".",
// which separates the parts), never empty.
QString HostMark() {
    static const QString mark = [] {
        char name[HOST_NAME_MAX + 1] = {};
        QString host = ::gethostname(name, sizeof name - 1) == 0 ? QString::fromLocal8Bit(name) : QString();
        for (QChar& c : host)
            if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != QLatin1Char('-')) c = QLatin1Char('_');
        host = host.left(32);
        return host.isEmpty() ? QStringLiteral("host") : host;
    }();
    return mark;
}

// This installation: the folder the running program lies in.
QString InstallMark() {
    static const QString mark = [] {
        const QString folder = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath().section(u'/', 0, -2);
        return QString::fromLatin1(
            QCryptographicHash::hash(QFile::encodeName(folder), QCryptographicHash::Sha1).toHex().left(8));
    }();
    return mark;
}

QString Mark() {
    return HostMark() + QLatin1Char('.') + InstallMark() + QLatin1Char('.') + QString::number(::getpid());
}

const QRegularExpression& MarkedPattern() {
    static const QRegularExpression pattern(
        QStringLiteral(R"(^\.(?<target>[^/]+)\.(?<kind>part|new)\.(?<host>[A-Za-z0-9_-]{1,32})\.)"
                       R"((?<install>[0-9a-f]{8})\.(?<pid>[0-9]{1,10})(?<tail>\.[A-Za-z0-9]{6})?(-journal)?$)"));
    return pattern;
}

bool IsRunning(qint64 pid) {
    if (pid <= 0 || pid > INT_MAX) return false;
    if (pid == ::getpid()) return true;
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

}  // namespace

QString WorkFileTemplate(const QString& targetName) {
    return QLatin1Char('.') + targetName + QStringLiteral(".part.") + Mark() + QStringLiteral(".XXXXXX");
}

QString StagedFileName(const QString& targetName) {
    return QLatin1Char('.') + targetName + QStringLiteral(".new.") + Mark();
}

QString StagedFilePath(const QString& targetPath) {
    const QFileInfo target(targetPath);
    return target.absolutePath() + QLatin1Char('/') + StagedFileName(target.fileName());
}

bool IsWorkFileName(const QString& name) {
    const QRegularExpressionMatch m = MarkedPattern().match(name);
    if (m.hasMatch()) return (m.captured(u"kind") == u"part") == m.hasCaptured(u"tail");
    return IsUnmarkedWorkFileName(name);
}

bool IsAbandonedWorkFile(const QString& name) {
    const QRegularExpressionMatch m = MarkedPattern().match(name);
    if (!m.hasMatch() || !IsWorkFileName(name)) return false;
    return m.captured(u"host") == HostMark() && m.captured(u"install") == InstallMark() &&
           !IsRunning(m.captured(u"pid").toLongLong());
}

bool IsUnmarkedWorkFileName(const QString& name) {
    static const QRegularExpression pattern(
        QStringLiteral(R"(^(\.[^./][^/]*\.mdb\.new|\.\.?[^./][^/]*\.part-[A-Za-z0-9]{6}|VXCV\.MDB)(-journal)?$)"),
        QRegularExpression::CaseInsensitiveOption);
    return pattern.match(name).hasMatch();
}

}  // namespace mox::platform
