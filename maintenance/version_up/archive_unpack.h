#pragma once
// Unpacking the update archives with Debian's 7za. An archive is trusted
// with nothing: before it is unpacked its listing must show only plain
// paths under "pf-mox/" (no absolute path, no "..", no link), it is
// unpacked into a folder of the program's own that nobody else can enter,
// the archiver's exit code must be 0 (a wrong password or a damaged archive
// exits otherwise and leaves empty files behind), and the unpacked tree is
// looked at again for anything but folders and plain files, and for names
// holding a line break or another control character (the archiver's
// listing shows those as "_", so only the unpacked names tell).
//
// The sizes the listing announces are added up before anything is
// unpacked: an archive that would pass the update's bound, or leave the
// disk without its reserve, is refused, so a small archive of a huge file
// can never fill the disk.
//
// The archiver gets an argument list, the overwrite switch, and the
// password on its standard input, so the password never shows in the
// process list.

#include <QString>
#include <functional>

namespace mox::verup {

inline constexpr const char* kArchivePassword = "Rnk5830wq";
inline constexpr const char* kUnpackedFolderName = "pf-mox";
inline constexpr int kUnpackTimeoutMs = 10 * 60 * 1000;

enum class UnpackError {
    None,
    NoArchiver,
    NotStarted,
    ExitCode,
    WrongPassword,
    NoSpace,
    TooLarge,
    TimedOut,
    Crashed,
    Cancelled,
    UnsafeEntry
};

struct UnpackOptions {
    int timeoutMs = kUnpackTimeoutMs;
    // The most the archive may unpack to; no bound when negative.
    qint64 maxBytes = -1;
    // What must stay free on the target folder's disk afterwards.
    qint64 keepFreeBytes = 0;
    // Asked while the archiver runs; true stops it.
    std::function<bool()> cancelled;
};

struct UnpackResult {
    UnpackError error = UnpackError::None;
    int exitCode = 0;
    // The bytes the listing announced, and (for NoSpace) the free bytes.
    qint64 bytes = 0;
    qint64 freeBytes = -1;
    // The refused entry, or the archiver's last words.
    QString detail;
    bool Ok() const { return error == UnpackError::None; }
};

// The archiver's path, or "" when it is not installed.
QString ArchiverProgram();

// The bytes the user may still write on the disk of `folder`; -1 when it
// cannot be told.
qint64 FreeBytesOf(const QString& folder);

// Checks the listing of an archive and its room, then unpacks it into
// `folder`.
UnpackResult UnpackArchive(const QString& archive, const QString& folder, const UnpackOptions& options = {});

// Checks an unpacked folder: only "pf-mox" at the top, and below it only
// folders and plain files with names free of control characters.
UnpackResult CheckUnpackedTree(const QString& folder);

}  // namespace mox::verup
