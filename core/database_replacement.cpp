#include "core/database_replacement.h"

#include "core/compaction.h"
#include "core/program_paths.h"
#include "platform/atomic_file.h"
#include "platform/db/file_hold.h"
#include "platform/db/sqlite_file.h"
#include "platform/staging_name.h"

#include <QFile>
#include <QFileInfo>

#include <unistd.h>

namespace mox {

namespace {

void Remove(const QString& path) { ::unlink(QFile::encodeName(path).constData()); }

}  // namespace

int KeepDatabaseFile(const QString& path, const QString& kept, KeepBy by) {
    int err = 0;
    const db::FileHold original = db::FileHold::Take(path, &err);
    if (!original.IsHeld()) return err;
    if (by == KeepBy::Copy)
        return platform::CopyDescriptorAtomically(original.get(), kept, platform::FileAccess::OwnerOnly).code;
    // A second name shares the live file's mode, which stays as its owner
    // set it.
    return platform::KeepFileAs(path, original.get(), kept).code;
}

int MakeFromTemplate(const QString& work, bool* templateUnreadable) {
    if (templateUnreadable) *templateUnreadable = false;
    int err = 0;
    // A work file of the programs' own is theirs to remove; a user's name
    // may have a journal or log of an earlier file of that name beside it,
    // which is kept.
    if (platform::IsWorkFileName(QFileInfo(work).fileName()))
        RemoveWorkFile(work);
    else if ((err = db::MakeWayForDatabase(work)) != 0)
        return err;
    const db::FileHold source = db::FileHold::Take(TemplateDbPath(), &err);
    if (!source.IsHeld()) {
        if (templateUnreadable) *templateUnreadable = true;
        return err;
    }
    return platform::CopyDescriptorAtomically(source.get(), work, platform::FileAccess::OwnerOnly).code;
}

void RemoveWorkFile(const QString& work) {
    Remove(work);
    db::RemoveEngineFiles(work);
}

int PutInPlace(const QString& work, const QString& target) {
    RemovePendingCompaction(target);
    if (const int err = db::MakeWayForDatabase(target)) return err;
    return platform::PlaceFileAtomically(work, target, platform::FileAccess::OwnerOnly).code;
}

}  // namespace mox
