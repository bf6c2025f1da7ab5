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

Failure KeepDatabaseFile(const QString& path, const QString& kept, KeepBy by) {
    const Expected<db::FileHold> original = db::FileHold::Take(path);
    if (!original) return original.error();
    if (by == KeepBy::Copy)
        return platform::CopyDescriptorAtomically(original->get(), kept, platform::FileAccess::OwnerOnly);
    // A second name shares the live file's mode, which stays as its owner
    // set it.
    return platform::KeepFileAs(path, original->get(), kept);
}

Failure MakeFromTemplate(const QString& work) {
    // A work file of the programs' own is theirs to remove; a user's name
    // may have a journal or log of an earlier file of that name beside it,
    // which is kept.
    if (platform::IsWorkFileName(QFileInfo(work).fileName()))
        RemoveWorkFile(work);
    else if (Failure f = db::MakeWayForDatabase(work))
        return f;
    const Expected<db::FileHold> source = db::FileHold::Take(TemplateDbPath());
    if (!source) {
        Failure f = source.error();
        f.step = FailureStep::ReadTemplate;
        f.file = work;
        f.place = TemplateDbPath();
        return f;
    }
    return platform::CopyDescriptorAtomically(source->get(), work, platform::FileAccess::OwnerOnly);
}

void RemoveWorkFile(const QString& work) {
    Remove(work);
    db::RemoveEngineFiles(work);
}

Failure PutInPlace(const QString& work, const QString& target) {
    RemovePendingCompaction(target);
    if (Failure f = db::MakeWayForDatabase(target)) return f;
    return platform::PlaceFileAtomically(work, target, platform::FileAccess::OwnerOnly);
}

}  // namespace mox
