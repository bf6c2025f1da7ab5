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

FileKind ReadFileKind(int fd, int* error) {
    char head[kFileKindHeadSize] = {};
    size_t got = 0;
    while (got < sizeof head) {
        const ssize_t n = ::pread(fd, head + got, sizeof head - got, static_cast<off_t>(got));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            if (error) *error = errno;
            return FileKind::Other;
        }
        if (n == 0) break;
        got += static_cast<size_t>(n);
    }
    if (error) *error = 0;
    return FileKindOfHead(QByteArrayView(head, static_cast<qsizetype>(got)));
}

FileKind FileKindAt(const QString& path, int* error) {
    int err = 0;
    const FileHold hold = FileHold::Take(path, &err);
    if (!hold.IsHeld()) {
        if (error) *error = err;
        return FileKind::Other;
    }
    return ReadFileKind(hold.get(), error);
}

}  // namespace mox::db
