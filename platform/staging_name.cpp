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

// The first line of a small file, "" when it cannot be read.
QByteArray FirstLine(const char* path) {
    QFile file(QString::fromLatin1(path));
    return file.open(QIODevice::ReadOnly) ? file.readLine(256).trimmed() : QByteArray();
}

// This installation on this machine: the folder the running program lies
// in, and the machine's own identity. PCs cloned from one image share their
// host name and folders, and may share a folder (the backup folder on a NAS)
// too; their machine identities differ.
QString InstallMark() {
    static const QString mark = [] {
        const QString folder = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath().section(u'/', 0, -2);
        QCryptographicHash hash(QCryptographicHash::Sha1);
        hash.addData(FirstLine("/etc/machine-id"));
        hash.addData(QByteArrayView("\n", 1));
        hash.addData(QFile::encodeName(folder));
        return QString::fromLatin1(hash.result().toHex().left(8));
    }();
    return mark;
}

// Which life of process `pid` this is: a process id is given to another
// process once its holder has ended, but the boot and the moment a process
// started (field 22 of /proc/<pid>/stat) tell the two apart. "" when the
// process cannot be looked at.
QString LifeMark(qint64 pid) {
    const QByteArray stat = FirstLine(QByteArray("/proc/" + QByteArray::number(pid) + "/stat").constData());
    const qsizetype nameEnd = stat.lastIndexOf(')');
    if (nameEnd < 0) return {};
    // The fields after the name begin with the third.
    const QList<QByteArray> fields = stat.mid(nameEnd + 2).split(' ');
    if (fields.size() < 20) return {};
    static const QByteArray boot = FirstLine("/proc/sys/kernel/random/boot_id");
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(boot);
    hash.addData(QByteArrayView("\n", 1));
    hash.addData(fields[19]);
    return QString::fromLatin1(hash.result().toHex().left(8));
}

// This process's life, as its marks carry it.
QString OwnLife() {
    const QString life = LifeMark(::getpid());
    return life.isEmpty() ? QStringLiteral("00000000") : life;
}

QString Mark() {
    return HostMark() + QLatin1Char('.') + InstallMark() + QLatin1Char('.') + QString::number(::getpid()) +
           QLatin1Char('.') + OwnLife();
}

const QRegularExpression& MarkedPattern() {
    static const QRegularExpression pattern(QStringLiteral(
        R"(^\.(?<target>[^/]+)\.(?<kind>part|new)\.(?<host>[A-Za-z0-9_-]{1,32})\.(?<install>[0-9a-f]{8})\.)"
        R"((?<pid>[0-9]{1,10})\.(?<life>[0-9a-f]{8})(?<tail>\.[A-Za-z0-9]{6})?(-journal|-wal|-shm)?$)"));
    return pattern;
}

// Whether the writer of that life still runs. A process that cannot be
// looked at (another account's, where /proc hides them) counts as running
// while its id is taken.
bool IsRunning(qint64 pid, const QString& life) {
    if (pid <= 0 || pid > INT_MAX) return false;
    if (pid == ::getpid()) return life == OwnLife();
    if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno != EPERM) return false;
    const QString now = LifeMark(pid);
    return now.isEmpty() || now == life;
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
    return !EarlierReleaseWorkFile(name, Qt::CaseInsensitive).isEmpty();
}

bool IsAbandonedWorkFile(const QString& name) {
    const QRegularExpressionMatch m = MarkedPattern().match(name);
    if (!m.hasMatch() || !IsWorkFileName(name)) return false;
    return m.captured(u"host") == HostMark() && m.captured(u"install") == InstallMark() &&
           !IsRunning(m.captured(u"pid").toLongLong(), m.captured(u"life"));
}

QString EarlierReleaseWorkFile(const QString& name, Qt::CaseSensitivity cs) {
    // A staged database, an atomic writer's file (of a staged database too),
    // the old-format conversion's work file, and the marks of a release that
    // told neither machines nor a process's lives apart.
    static const QString forms = QStringLiteral(
        R"(^(?<file>\.[^./][^/]*\.[Mm][Dd][Bb]\.new|\.\.?[^./][^/]*\.part-[A-Za-z0-9]{6}|VXCV\.MDB|)"
        R"(\.[^/]+\.(part|new)\.[A-Za-z0-9_-]{1,32}\.[0-9a-f]{8}\.[0-9]{1,10}(\.[A-Za-z0-9]{6})?)(-journal)?$)");
    static const QRegularExpression exact(forms);
    static const QRegularExpression anyCase(forms, QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = (cs == Qt::CaseSensitive ? exact : anyCase).match(name);
    return m.hasMatch() ? m.captured(u"file") : QString();
}

}  // namespace mox::platform
