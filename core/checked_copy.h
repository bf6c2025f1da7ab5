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

// A refusal or failure of a copy, in the words the user is shown.
struct CopyFailure {
    QString message;
};

// The database file at `path` under this program's write lock, held through
// a connection of the database layer, with a descriptor to read the file's
// bytes under it. POSIX drops every lock a process holds on a file when any
// descriptor of the file is closed: the descriptor is the one the database
// layer shares with every connection of this process on the file, closed by
// the last of them. Throws CopyFailure when the file cannot be opened or
// locked.
class LockedDatabase {
public:
    explicit LockedDatabase(const QString& path);
    ~LockedDatabase() { Release(); }
    LockedDatabase(const LockedDatabase&) = delete;
    LockedDatabase& operator=(const LockedDatabase&) = delete;

    // The engine's full check of the file, under the lock: true when it
    // finds damage. A check that cannot run to its end (a read error, no
    // memory) is no sign of damage: it throws CopyFailure as a file that
    // could not be read (the cause is in the log).
    bool IsDamaged();
    // A private copy read back and compared (platform/atomic_file.h); 0 or
    // the errno of the failed step.
    int CopyTo(const QString& target);

private:
    void Release();

    QString path_;
    db::FileHold file_;
    db::ConnectionPtr conn_;
    std::optional<db::Transaction> lock_;
};

// What the messages call a copy and its making (the backup's "バックアップ
// ファイル" and "バックアップ", the file menu's "コピー" twice), how the
// window lets the user name another target ("別のファイル名を指定すると、"),
// and the caption of the box that tells of a damaged copy.
struct CopyWords {
    QString file;
    QString making;
    QString otherTarget;
    QString resultCaption;
};

// Copies the database at `mainPath` to `target` as above, after removing
// what a killed copy of this installation left in the target's folder and
// closing every connection slot. A damaged database is refused over an
// existing file; to a new name it is copied, and a box (`words`'
// resultCaption) says the copy holds the damage. The engine's files of the
// target's name make way for the copy (db::MakeWayForDatabase). Returns true when the copy
// is sound. Throws CopyFailure; `target` is then as it was.
bool CopyCheckedDatabase(const QString& mainPath, const QString& target, const CopyWords& words);

}  // namespace mox
