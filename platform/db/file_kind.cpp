#include "platform/db/file_kind.h"

#include "platform/db/file_hold.h"

#include <unistd.h>
#include <cerrno>

namespace mox::db {

FileKind FileKindOfHead(QByteArrayView head) {
    if (head.size() >= kFileKindHeadSize && head.first(16) == QByteArrayView("SQLite format 3\0", 16))
        return FileKind::Sqlite;
    if (head.size() >= 20) {
        const QByteArrayView name = head.sliced(4, 15);
        if (name == "Standard Jet DB" || name == "Standard ACE DB") return FileKind::Jet;
    }
    return FileKind::Other;
}

Expected<FileKind> ReadFileKind(int fd) {
    char head[kFileKindHeadSize] = {};
    size_t got = 0;
    while (got < sizeof head) {
        const ssize_t n = ::pread(fd, head + got, sizeof head - got, static_cast<off_t>(got));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return FromErrno(FailureStep::Read, errno);
        if (n == 0) break;
        got += static_cast<size_t>(n);
    }
    return FileKindOfHead(QByteArrayView(head, static_cast<qsizetype>(got)));
}

Expected<FileKind> FileKindAt(const QString& path) {
    const Expected<FileHold> hold = FileHold::Take(path);
    if (!hold) return hold.error();
    Expected<FileKind> kind = ReadFileKind(hold->get());
    if (!kind) {
        Failure f = kind.error();
        f.file = path;
        return f;
    }
    return kind;
}

}  // namespace mox::db
