#pragma once
// Files that must be plain files (a database, a settings file, a source to
// copy) are opened first and judged by what was opened: a check of the path
// before the open would let a pipe or a device put in the file's place in
// between hang the program in its first read. The open never waits.

#include "platform/failure.h"

#include <QString>

#include <fcntl.h>

namespace mox::platform {

// Opens `path` (with `flags`, O_RDONLY by default) without blocking and keeps
// the descriptor only when it is a regular file. The descriptor; a folder
// fails with EISDIR, anything else that is no regular file with EINVAL.
Expected<int> OpenRegularFile(const QString& path, int flags = O_RDONLY);

}  // namespace mox::platform
