#pragma once
// What kind of database a file holds, judged by its first bytes: every
// database of this system is an SQLite file, and the Windows release's are
// Access (Jet or ACE) files. The one place that knows the two headers.

#include "platform/failure.h"

#include <QByteArrayView>
#include <QString>

namespace mox::db {

enum class FileKind { Other, Sqlite, Jet };

// How many of a file's first bytes the judgement reads.
inline constexpr int kFileKindHeadSize = 100;

// The kind of a file whose first bytes (up to kFileKindHeadSize) are `head`:
// an SQLite file has its whole 100-byte header, an Access file its name at
// byte 4.
FileKind FileKindOfHead(QByteArrayView head);

// The kind of the file behind `fd`, read from its first byte.
Expected<FileKind> ReadFileKind(int fd);

// The kind of the regular file at `path`, read through the descriptor the
// database layer shares (file_hold.h), so that no lock a connection of this
// process holds on the file is dropped. It fails when the file cannot be
// opened or read (EINVAL: no regular file, which is never waited on).
Expected<FileKind> FileKindAt(const QString& path);

}  // namespace mox::db
