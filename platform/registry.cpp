#include "platform/registry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QRegularExpression>
#include <QSettings>
#include <QSysInfo>
#include <memory>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>
#include <cerrno>

namespace mox::platform {
namespace {

// The Windows registry ignores case in key and value names; the INI file keeps
// the spelling of the first writer, and every lookup matches it regardless of
// case so that a reader spelling "SOFTWARE" finds "Software".
QStringList SplitKey(const QString& keyPath) {
    QString path = keyPath;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
}

// The unnamed (default) value of a key, written "@" as in .reg files.
QString ValueKey(const QString& valueName) { return valueName.isEmpty() ? QStringLiteral("@") : valueName; }

QString FindChild(const QStringList& names, const QString& wanted) {
    for (const QString& name : names)
        if (name.compare(wanted, Qt::CaseInsensitive) == 0) return name;
    return {};
}

// Enters the groups of the key. With `create` false, returns false when a
// part of the key does not exist; with `create` true, missing parts are
// entered under their given spelling.
bool EnterKey(QSettings& settings, const QString& keyPath, bool create) {
    for (const QString& part : SplitKey(keyPath)) {
        QString existing = FindChild(settings.childGroups(), part);
        if (existing.isEmpty()) {
            if (!create) return false;
            existing = part;
        }
        settings.beginGroup(existing);
    }
    return true;
}

QString ExistingValueKey(QSettings& settings, const QString& valueName) {
    return FindChild(settings.childKeys(), ValueKey(valueName));
}

bool Flush(QSettings& settings) {
    settings.sync();
    return settings.status() == QSettings::NoError;
}

// The copy of the file that the living batch works on.
std::unique_ptr<QSettings>& BatchSettings() {
    static std::unique_ptr<QSettings> settings;
    return settings;
}

// Removes the lock file at `lockPath` when a killed writer left it. A live
// writer holds its lock file locked (QLockFile keeps an flock on it); one
// killed while it wrote its first line has left it empty. QSettings would
// take such a file over only once it is 30 s old, and every start would
// wait that long.
void RemoveKilledWritersLock(const QString& lockPath) {
    const int fd = ::open(QFile::encodeName(lockPath).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return;
    bool gone = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    if (gone) {
        char text[512] = {};
        const ssize_t n = ::pread(fd, text, sizeof text - 1, 0);
        // "pid", the program and the host, a line each; a running process
        // of that id on this host may hold it without flock (a network share).
        const QList<QByteArray> lines = QByteArray(text, n > 0 ? n : 0).split('\n');
        bool parsed = false;
        const qint64 pid = lines.value(0).toLongLong(&parsed);
        if (parsed && pid > 0 && lines.size() >= 3) {
            const bool here = QString::fromUtf8(lines[2]) == QSysInfo::machineHostName();
            gone = here && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
        }
        if (gone) ::unlink(QFile::encodeName(lockPath).constData());
    }
    ::close(fd);
}

// What a program killed while it wrote the file left: the lock, and the
// temporary copy ("registry.ini.Ab12Cd") QSettings writes before it renames
// it over the file. Only the writer that holds the lock writes such a copy,
// so while this process holds it, every one there is a killed writer's.
// Once per process and file, before the first look at it.
void ClearKilledWritersLeftovers() {
    static QString cleared;
    const QString path = RegistryFilePath();
    if (path == cleared) return;
    cleared = path;
    RemoveKilledWritersLock(path + QStringLiteral(".lock"));
    QLockFile lock(path + QStringLiteral(".lock"));
    if (!lock.tryLock(0)) return;
    const QFileInfo file(path);
    const QRegularExpression copy(QStringLiteral("^") + QRegularExpression::escape(file.fileName()) +
                                  QStringLiteral("\\.[A-Za-z0-9]{6}$"));
    for (const QFileInfo& entry : file.dir().entryInfoList(QDir::Files | QDir::Hidden | QDir::System))
        if (!entry.isSymLink() && copy.match(entry.fileName()).hasMatch()) QFile::remove(entry.absoluteFilePath());
}

// The settings one call works on, entered at the root: the batch's copy, or
// the file itself. A change is written at once, or with the batch's end.
class Access {
public:
    Access() {
        ClearKilledWritersLeftovers();
        if (!BatchSettings()) own_ = std::make_unique<QSettings>(RegistryFilePath(), QSettings::IniFormat);
    }
    ~Access() {
        while (!settings().group().isEmpty()) settings().endGroup();
    }
    QSettings& settings() { return own_ ? *own_ : *BatchSettings(); }
    bool Store() { return own_ ? Flush(*own_) : true; }

private:
    std::unique_ptr<QSettings> own_;
};

}  // namespace

QString RegistryFilePath() {
    const QString explicitPath = qEnvironmentVariable("VXMOX_REGISTRY");
    if (!explicitPath.isEmpty()) return explicitPath;
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty()) base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/VXMOX/registry.ini");
}

QString RegistryRead(const QString& keyPath, const QString& valueName, const QString& fallback) {
    Access access;
    QSettings& settings = access.settings();
    if (!EnterKey(settings, keyPath, false)) return fallback;
    const QString key = ExistingValueKey(settings, valueName);
    if (key.isEmpty()) return fallback;
    return settings.value(key).toString();
}

bool RegistryWrite(const QString& keyPath, const QString& valueName, const QString& value) {
    if (SplitKey(keyPath).isEmpty()) return false;
    Access access;
    QSettings& settings = access.settings();
    EnterKey(settings, keyPath, true);
    QString key = ExistingValueKey(settings, valueName);
    if (key.isEmpty()) key = ValueKey(valueName);
    settings.setValue(key, value);
    return access.Store();
}

bool RegistryDeleteValue(const QString& keyPath, const QString& valueName) {
    Access access;
    QSettings& settings = access.settings();
    if (!EnterKey(settings, keyPath, false)) return false;
    const QString key = ExistingValueKey(settings, valueName);
    if (key.isEmpty()) return false;
    settings.remove(key);
    return access.Store();
}

bool RegistryDeleteKey(const QString& keyPath) {
    const QStringList parts = SplitKey(keyPath);
    if (parts.isEmpty()) return false;
    Access access;
    QSettings& settings = access.settings();
    if (!EnterKey(settings, parts.mid(0, parts.size() - 1).join(QLatin1Char('/')), false)) return false;
    const QString existing = FindChild(settings.childGroups(), parts.last());
    if (existing.isEmpty()) return false;
    settings.remove(existing);
    return access.Store();
}

QStringList RegistrySubKeys(const QString& keyPath) {
    Access access;
    QSettings& settings = access.settings();
    if (!EnterKey(settings, keyPath, false)) return {};
    return settings.childGroups();
}

QStringList RegistryValueNames(const QString& keyPath) {
    Access access;
    QSettings& settings = access.settings();
    if (!EnterKey(settings, keyPath, false)) return {};
    QStringList names = settings.childKeys();
    for (QString& name : names)
        if (name == QLatin1String("@")) name.clear();
    return names;
}

RegistryBatch::RegistryBatch() : owner_(!BatchSettings()) {
    ClearKilledWritersLeftovers();
    if (owner_) BatchSettings() = std::make_unique<QSettings>(RegistryFilePath(), QSettings::IniFormat);
}

RegistryBatch::~RegistryBatch() {
    if (!finished_) Finish();
}

bool RegistryBatch::Finish() {
    if (finished_ || !owner_) {
        finished_ = true;
        return true;
    }
    finished_ = true;
    std::unique_ptr<QSettings> settings = std::move(BatchSettings());
    return Flush(*settings);
}

}  // namespace mox::platform
