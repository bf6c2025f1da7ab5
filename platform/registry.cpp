#include "platform/registry.h"

#include <QDir>
#include <QSettings>
#include <memory>

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

// The settings one call works on, entered at the root: the batch's copy, or
// the file itself. A change is written at once, or with the batch's end.
class Access {
public:
    Access() {
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
