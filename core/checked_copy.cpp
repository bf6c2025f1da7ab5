#include "core/checked_copy.h"

#include "core/connections.h"
#include "core/database_integrity.h"
#include "core/database_replacement.h"
#include "core/files.h"
#include "platform/atomic_file.h"
#include "platform/db/sqlite_file.h"
#include "platform/staging_name.h"

#include <QFileInfo>

namespace mox {

namespace {

// The copy's own failure, as `copying` words it.
Failure CopyFailed(Failure f, const QString& target, Doing copying) {
    f.file = target;
    return f.As(copying);
}

Failure Damage(const QString& target, FailureStep found, Doing copying) {
    Failure f;
    f.doing = copying;
    f.step = found;
    f.kind = FailureKind::Damaged;
    f.file = target;
    return f;
}

}  // namespace

Failure LockedDatabase::Lock(const QString& path) {
    path_ = path;
    const auto unreadable = [&path](const Failure& why) {
        Failure f = why.As(Doing::ReadLocked);
        f.file = path;
        return f;
    };
    Expected<db::FileHold> taken = db::FileHold::Take(path);
    if (!taken) return unreadable(taken.error());
    file_ = std::move(*taken);
    try {
        conn_ = db::Connection::Open(db::DataSourcePart(path));
        lock_.emplace(*conn_);
    } catch (const db::DbError& e) {
        Release();
        return unreadable(e.GetFailure());
    }
    return {};
}

Expected<bool> LockedDatabase::IsDamaged() {
    try {
        return IsDamagedDatabase(*conn_, path_);
    } catch (const db::DbError&) {
        Failure f;
        f.doing = Doing::ReadLocked;
        f.step = FailureStep::Check;
        f.kind = FailureKind::Unchecked;
        f.file = path_;
        return f;
    }
}

Failure LockedDatabase::CopyTo(const QString& target) {
    return platform::CopyDescriptorAtomically(file_.get(), target, platform::FileAccess::OwnerOnly);
}

void LockedDatabase::Release() {
    lock_.reset();
    if (conn_) {
        try {
            conn_->Close();
        } catch (const db::DbError&) {
        }
        conn_.reset();
    }
    file_.Release();
}

Expected<bool> CopyCheckedDatabase(const QString& mainPath, const QString& target, Doing copying) {
    const bool replacing = QFileInfo::exists(target);
    // A copy that a killed run of this installation left half made in the
    // target's folder (on a USB stick, say) goes now; another PC's stays.
    RemoveStaleStagingFiles(QFileInfo(target).absolutePath());
    ResetAllSlots();
    LockedDatabase locked;
    if (Failure f = locked.Lock(mainPath)) return f;
    const Expected<bool> damaged = locked.IsDamaged();
    if (!damaged) return damaged.error();
    if (*damaged && replacing) return Damage(target, FailureStep::Check, copying);
    // The copy is made and read back under a work name beside the target.
    // The engine's files of the target's name (the journal of a write cut
    // off in an earlier file of that name) would be rolled into it at its
    // first open and spoil it: they make way, what they hold kept, only
    // once the copy is whole, so that a copy that fails leaves the earlier
    // file with its journal.
    const QString staged = platform::StagedFilePath(target);
    RemoveWorkFile(staged);
    Failure failed = locked.CopyTo(staged);
    if (!failed) failed = db::MakeWayForDatabase(target);
    if (!failed) failed = platform::PlaceFileAtomically(staged, target, platform::FileAccess::OwnerOnly);
    if (failed) {
        RemoveWorkFile(staged);
        return CopyFailed(failed, target, copying);
    }
    return !*damaged;
}

Failure DamageCopied(const QString& target, Doing copying) { return Damage(target, FailureStep::Verify, copying); }

}  // namespace mox
