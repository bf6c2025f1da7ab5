#pragma once
// A database file that a new one takes the place of: a conversion of an
// earlier release's file or of a Windows file, a restore. The original is
// kept first under a name no file has; the new database is made in a work
// file beside the file it replaces (platform/staging_name.h), from the
// template for a conversion, and checked; then it takes the original's place
// in one rename (platform/atomic_file.h). Until that rename the original is
// in place and untouched, so a failure or a kill at any step leaves the
// original or the complete new file. Every file written here holds patient
// data: a new one is readable by its owner only, one that replaces another
// keeps that file's mode and group without any access for others
// (platform/owner_only.h).

#include "platform/failure.h"

#include <QString>

namespace mox {

// How the original is kept.
enum class KeepBy {
    // A copy of its own, read back from the medium and compared with what was
    // read: a conversion that fails leaves the original in use, and its kept
    // copy must not follow later changes.
    Copy,
    // The file itself under a second name (or such a copy where the file
    // system has no links): the rename follows at once, under the lock.
    SecondName,
};

// Keeps the database file at `path` under `kept`, a name no file has. The
// file is read through the descriptor the database layer shares, so that no
// lock a connection of this process holds on it is dropped. A second name
// leaves the file's mode alone: it is the live file's too. On a failure
// nothing is left under `kept`.
Failure KeepDatabaseFile(const QString& path, const QString& kept, KeepBy by);

// Makes `work` a fresh copy of the template, read back and compared. The
// engine would roll a journal or log of that name into the new file: for a
// work file of the programs (platform/staging_name.h) an old file of that
// name and its engine's files are removed first; beside a name the user
// chose they are set aside (db::MakeWayForDatabase). A template that cannot
// be read fails at ReadTemplate, naming the template in `place`; `work` is
// then gone.
Failure MakeFromTemplate(const QString& work);

// Removes a work file and the engine's files beside it.
void RemoveWorkFile(const QString& work);

// Puts the checked database `work` in the place of the file at `target`. A
// compaction copy pending beside `target` holds the replaced data and goes
// first, and the engine's files of that name make way for the new file. On
// a failure `work` is the caller's.
Failure PutInPlace(const QString& work, const QString& target);

}  // namespace mox
