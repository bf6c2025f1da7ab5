#pragma once
// Database files, their backups, kept originals and safety copies hold
// patient data. A file the programs make new is readable by its owner only
// from its first byte. A file that takes the place of another keeps the mode
// and the group the owner gave the one it replaces, without any access for
// others: a database shared with a group (two accounts of one PC) stays
// shared whichever account writes it, and a world-readable one stops being
// so. One place says what these modes are.

#include "platform/failure.h"

#include <QString>

namespace mox::platform {

// The mode of every database file the programs make new.
inline constexpr unsigned kOwnerOnlyMode = 0600;

// The mode of a file that replaces one of mode `replaced`.
constexpr unsigned WithoutOthersAccess(unsigned replaced) { return replaced & 07770u; }

// Gives the file at `path` owner-only access.
Failure MakeOwnerOnly(const QString& path);

// Takes any access for others from the file at `path`, leaving its owner's
// and group's as they are; a file that gives others none is not touched, so
// an account that does not own it is never refused for it.
Failure RemoveOthersAccess(const QString& path);

}  // namespace mox::platform
