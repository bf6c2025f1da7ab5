#pragma once
// The names of the programs' work files: the hidden files beside a
// destination that a write fills before they take the destination's place
// (the atomic writer's temporary file, a database a restore stages). One
// place makes these names and recognises them.
//
// A name carries its writer's mark: the host, this installation (a hash of
// the program's folder) and the writing process. A folder two clinic PCs
// share (a NAS used as the backup folder) holds the other PC's work files
// too, and a backup there may be under way; a cleanup removes only what this
// installation wrote on this host and whose writer no longer runs.
//
//   .VXMOX2_20261208_1405.MDB.part.clinic-pc1.3f2a9c10.4711.Ab12Cd
//   .VXMOX2.MDB.new.clinic-pc1.3f2a9c10.4711
//
// The database engine's journal of such a file ("-journal" after the name)
// is a work file of the same writer.

#include <QString>

namespace mox::platform {

// The template of the atomic writer's temporary file for `targetName` (a
// file name without folder), ending in the six "X" that mkstemp replaces.
QString WorkFileTemplate(const QString& targetName);

// The name a database for `targetName` is staged under by this process.
QString StagedFileName(const QString& targetName);
// The path of that file beside `targetPath`: where a restore stages its
// copy and a conversion builds its new database.
QString StagedFilePath(const QString& targetPath);

// Any program's work-file name, whoever wrote it, and the unmarked names
// earlier releases gave them (".VXMOX2.MDB.new", "..B.MDB.new.part-Ab12Cd",
// ".VersionMOX.txt.part-Ab12Cd", the conversions' "VXCV.MDB").
bool IsWorkFileName(const QString& name);

// A work file that this installation wrote on this host and whose writer
// is gone: its removal cannot take away anybody's work in progress.
bool IsAbandonedWorkFile(const QString& name);

// A work-file name of an earlier release, which carries no mark.
bool IsUnmarkedWorkFileName(const QString& name);

}  // namespace mox::platform
