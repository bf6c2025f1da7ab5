#pragma once
// Database files, their backups, kept originals and safety copies hold
// patient data: every one the programs write is readable by its owner only,
// whatever mode the file it came from had. One routine sets that mode, so
// that a failure to set it is reported in one way and never passes unseen.

#include <QString>

namespace mox::platform {

// The mode of every database file the programs write.
inline constexpr unsigned kOwnerOnlyMode = 0600;

// Gives the file at `path` owner-only access. 0, or the errno of the failed
// chmod.
int MakeOwnerOnly(const QString& path);

}  // namespace mox::platform
