#pragma once
// The registry stand-in: one INI file. Keys keep their Windows paths as
// groups, e.g. "HKEY_LOCAL_MACHINE/Software/QD NORVALE/QD Vexaline 2/System".
// The file is $VXMOX_REGISTRY when set, else $XDG_CONFIG_HOME/VXMOX/registry.ini
// (~/.config when XDG_CONFIG_HOME is unset).

#include <QString>
#include <QStringList>

namespace mox::platform {

QString RegistryFilePath();

// Key paths use '\' or '/' as separators; both are accepted.
// Read returns `fallback` when the key or the value does not exist.
QString RegistryRead(const QString& keyPath, const QString& valueName, const QString& fallback = {});
// Returns false when the value could not be stored (file not writable).
bool RegistryWrite(const QString& keyPath, const QString& valueName, const QString& value);
bool RegistryDeleteValue(const QString& keyPath, const QString& valueName);
// Removes the key with everything below it.
bool RegistryDeleteKey(const QString& keyPath);
QStringList RegistrySubKeys(const QString& keyPath);
QStringList RegistryValueNames(const QString& keyPath);

// Gathers many writes into one write of the file. Every write replaces the
// whole file with a sync, so a task of many values (a module registering
// its classes) writes through a batch: while it lives, every registry call
// works on one copy in memory, and Finish() writes the file once. A batch
// left without Finish() writes what it holds when it ends, as the Windows
// registry keeps the values set before a failure. A batch opened while
// another lives joins it.
class RegistryBatch {
public:
    RegistryBatch();
    ~RegistryBatch();
    RegistryBatch(const RegistryBatch&) = delete;
    RegistryBatch& operator=(const RegistryBatch&) = delete;
    // False when the file could not be written; nothing is kept then.
    bool Finish();

private:
    bool owner_;
    bool finished_ = false;
};

}  // namespace mox::platform
