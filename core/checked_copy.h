#pragma once
// A copy of the database in use that is never worse than the file it may
// replace: the backup and the input screen's copy both make it so. It is
// taken while this program holds the database's write lock, so no program
// can commit a row into the file while its bytes are read; the bytes are
// checked whole by the engine first, and a damaged database is never written
// over an existing file (an older copy may be the last sound one). The copy
// goes to a file beside the target, readable by its owner only (it holds
// patient data), is synced, read back from the medium and compared with what
// was read, and only then takes the target's place in one rename.

#include "platform/db/database.h"
#include "platform/db/file_hold.h"

#include <QString>
#include <optional>

namespace mox {

// The database file at `path` under this program's write lock, held through
// a connection of the database layer, with a descriptor to read the file's
// bytes under it. POSIX drops every lock a process holds on a file when any
// descriptor of the file is closed: the descriptor is the one the database
// layer shares with every connection of this process on the file, closed by
// the last of them.
class LockedDatabase {
public:
    LockedDatabase() = default;
    ~LockedDatabase() { Release(); }
    LockedDatabase(const LockedDatabase&) = delete;
    LockedDatabase& operator=(const LockedDatabase&) = delete;

    // Opens the file and takes the lock: empty when held, else why the
    // database could not be read (Doing::ReadLocked).
    Failure Lock(const QString& path);
    // The engine's full check of the file, under the lock: true when it
    // finds damage. A check that cannot run to its end (a read error, no
    // memory) is no sign of damage: it fails as a file that could not be
    // read (Unchecked; the cause is in the log).
    Expected<bool> IsDamaged();
    // A private copy read back and compared (platform/atomic_file.h).
    Failure CopyTo(const QString& target);

private:
    void Release();

    QString path_;
    db::FileHold file_;
    db::ConnectionPtr conn_;
    std::optional<db::Transaction> lock_;
};

// Copies the database at `mainPath` to `target` as above, after removing
// what a killed copy of this installation left in the target's folder and
// closing every connection slot, as the copy `copying` (Doing::BackUpByName,
// BackUpToFolder or CopyInUse, which word its failures). A damaged database
// is refused over an existing file (Damaged at Check); to a new name it is
// copied, and the result is false: the copy holds the damage
// (DamageCopied). The engine's files of the target's name make way for the
// copy (db::MakeWayForDatabase). True when the copy is sound; on a failure
// `target` is as it was.
Expected<bool> CopyCheckedDatabase(const QString& mainPath, const QString& target, Doing copying);

// What the maker of a copy that holds the damage the check found is told.
Failure DamageCopied(const QString& target, Doing copying);

}  // namespace mox
