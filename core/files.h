#pragma once
// File and path routines shared by the programs. Paths use '/'. The guarded
// routines never pass an error on: they show their own sentence with the
// error number and description in a plain box and return False (or "").
// Error numbers are the system's errno values; the descriptions are
// Japanese (platform/failure.h).

#include "platform/failure.h"

#include <QString>
#include <QStringList>
#include <cstdint>

namespace mox {

// True when a file (not a folder) exists at the path; a blank path gives False.
bool CheckFile(const QString& path);
// Deletes the file at the path (read-only files too); False when there is none.
bool DeleteFile(const QString& path);
// True when anything lies at the path, a link to nothing too: a new file
// given that name would replace it or be written where the link points.
bool IsNameTaken(const QString& path);
// True when both paths name one existing file, under whatever spelling
// (links, "..", another hard link).
bool IsSameFile(const QString& a, const QString& b);
// stemPath + extension, or, when a file (or a link to nothing) has that
// name, stemPath + "_2", "_3", ... + extension: a new file there never
// replaces an earlier one.
QString UniquePath(const QString& stemPath, const QString& extension);
// Copies source to target, replacing the target. The new copy is written
// beside the target and renamed over it, so the old target stays complete
// until the copy exists. False, nothing done, when both name the same file.
bool CopyFile(const QString& source, const QString& target);
// CopyFile's own report of a failed copy, for a copy made by other means
// (a new database from the template).
void ReportCopyFileError(const Failure& failure);
// Replacement of Dir(): with "*" or "?" in the name part and attributes 0,
// the lower-cased name of the first matching file of the folder; otherwise
// the name part when a file (attributes 16: a folder) exists at the path.
QString CheckDir(const QString& pathOrPattern, int attributes = 0);
// Renames the source in its own folder to the file-name part of target when
// source exists and target does not; False when anything prevents it.
bool RenameFile(const QString& source, const QString& target);
// Files copied from Windows keep whatever letter case they were given, and
// Windows opens them under any. The files of the path's folder whose name is
// the path's file name in any letter case, the path's own file among them,
// in name order.
QStringList FindFilesIgnoringCase(const QString& path);
// The file at the path; when there is none, the one file of the same folder
// whose name differs only in letter case. The path as given when there is
// neither, or when several such files leave a guess between them.
QString FindFileIgnoringCase(const QString& path);
// Size in bytes; -1 for a blank path or a file that cannot be opened.
int32_t GetFileSize(const QString& path);
// Both are regular files with the same bytes; a file that cannot be read
// counts as different. No message.
bool SameFileContent(const QString& a, const QString& b);

// The text after the last '/' of the trimmed path; "" without a '/'.
QString GetFileName(const QString& path);
// Splits the trimmed path at its last '/'. Returns False when done.
bool SplitPath(const QString& path, QString& folder, QString& fileName);

// The Like operator's patterns: * any run, ? one character, # one digit,
// [abc] / [a-z] one of, [!abc] none of. Case-sensitive; callers fold case.
bool MatchesLikePattern(const QString& text, const QString& pattern);

// Removes from `folder` the work copies that this installation wrote on this
// machine and whose writer is gone, and no other file: in a folder other PCs
// share, their work copies (a backup under way among them) stay.
void RemoveStaleStagingFiles(const QString& folder);

// What killed runs of the programs left beside the main database and in the
// program folder: their work copies (those of earlier releases too, when
// they are provably theirs), the engine's files of an unfinished compaction
// copy, those a letter-case take-over left under the old name, and a safety
// copy that is still the main database under a second name (a restore
// killed between its link and its rename) becomes a copy of its own. Only
// while no program of this system runs.
void CleanUpAfterKilledRuns();

// Names the programs keep for themselves beside the main database at
// `mainPath` and in the program folder: a backup or a copy under one of them
// would be taken for the engine's journal, the compaction's work file, the
// template or a lock, and be removed or overwritten by the programs.
bool IsReservedName(const QString& mainPath, const QString& target);

}  // namespace mox
