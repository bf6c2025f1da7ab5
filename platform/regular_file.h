#pragma once
// Files that must be plain files (a database, a settings file, a source to
// copy) are opened first and judged by what was opened: a check of the path
// before the open would let a pipe or a device put in the file's place in
// between hang the program in its first read. The open never waits.

#include <QString>

#include <fcntl.h>

namespace mox::platform {

// Opens `path` (with `flags`, O_RDONLY by default) without blocking and keeps
// the descriptor only when it is a regular file. The descriptor, or -errno:
// EISDIR for a folder, EINVAL for anything else that is no regular file.
int OpenRegularFile(const QString& path, int flags = O_RDONLY);

}  // namespace mox::platform
