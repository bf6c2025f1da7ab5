#pragma once
// The names of the programs' work files: the hidden files beside a
// destination that a write fills before they take the destination's place
// (the atomic writer's temporary file, a database a restore stages). One
// place makes these names and recognises them.
//
// A name carries its writer's mark: the host, this installation on this
// machine (a hash of the machine's identity and the program's folder), the
// writing process and which life of that process id it is (a hash of the
// boot and the process's start). A folder two clinic PCs share (a NAS used
// as the backup folder) holds the other PC's work files too, and a backup
// there may be under way; a cleanup removes only what this installation
// wrote on this machine and whose writer no longer runs: a process that has
// since been given the writer's id is not the writer.
//
//   .VXMOX2_20261208_1405.MDB.part.clinic-pc1.3f2a9c10.4711.5e0b7a21.Ab12Cd
//   .VXMOX2.MDB.new.clinic-pc1.3f2a9c10.4711.5e0b7a21
//
// The database engine's files of such a file ("-journal", "-wal" or "-shm"
// after the name) are work files of the same writer.

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

// Any program's work-file name, whoever wrote it, and, in any letter case,
// the names earlier releases gave them (EarlierReleaseWorkFile).
bool IsWorkFileName(const QString& name);

// A work file that this installation wrote on this machine and whose writer
// is gone: its removal cannot take away anybody's work in progress.
bool IsAbandonedWorkFile(const QString& name);

// When `name` is a work-file name an earlier release gave (".VXMOX2.MDB.new",
// "..B.MDB.new.part-Ab12Cd", ".VersionMOX.txt.part-Ab12Cd", the old-format
// conversion's "VXCV.MDB", a mark without the process's life) or its
// journal's, the name of that work file; else "". CaseSensitive: only as the
// release wrote it. Such a name says nothing of its writer: only what the
// file holds can tell it from a user's file.
QString EarlierReleaseWorkFile(const QString& name, Qt::CaseSensitivity cs);

}  // namespace mox::platform
