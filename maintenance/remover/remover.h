#pragma once
// The remover: run before a new release is installed over an earlier one.
// It refuses while the main program runs (in the registered folder or
// beside the remover), reads which earlier edition is
// installed from the uninstall entry, lets the user keep the examination
// database as a dated copy (or set it aside with the sample data), runs the
// entry's uninstall command and, once that ended well, starts the new
// installer "vxs" that lies beside the remover. Everything is message
// boxes.
//
// The clinic's data comes first: a copy or move of the database that fails
// stops the remover before anything is uninstalled; a move deletes the
// database only after its copy was read back complete; a dated copy never
// replaces another. The uninstaller's exit code is waited for, with a time
// limit on the clock seam; at the limit everything the command started
// is ended; a failure or a time-out starts no installer.

#include <QString>

namespace mox::remover {

// The uninstall entry of the earlier release in the registry stand-in,
// under "HKEY_LOCAL_MACHINE/Software/Microsoft/Windows/CurrentVersion/
// Uninstall/{product code}": DisplayName, UninstallString (the command, its
// arguments split as a shell would, but never run by one) and
// InstallLocation (its program folder).
inline constexpr const char* kProductCode = "{6E2B9F4A-31C7-4D58-9A0E-7B5C2D8F1E63}";
QString UninstallKey(const QString& productCode);

struct RemoverSetup {
    QString productCode = QString::fromLatin1(kProductCode);
    // Where "vxs" lies: the remover's own folder.
    QString ownFolder;
    // How long the uninstall command may run.
    int uninstallTimeoutMs = 15 * 60 * 1000;
};

// "DisplayName" of the entry; "" when the entry or the value is missing.
QString GetUninstallDisplayName(const QString& productCode);

// Copies source to target when the source exists; a target that exists is
// never replaced. 0, ENOENT when there is no source, or the errno of the
// failure.
int CopyIfPresent(const QString& source, const QString& target);
// The same, then deletes the source once the copy reads back equal to it.
int MoveIfPresent(const QString& source, const QString& target);

// The program from start to end; returns the exit code.
int Main(const RemoverSetup& setup);

}  // namespace mox::remover
