#pragma once
// Unpacking the update archives with Debian's 7za. An archive is trusted
// with nothing: before it is unpacked its listing must show only plain
// paths under "pf-mox/" (no absolute path, no "..", no link), it is
// unpacked into a folder of the program's own that nobody else can enter,
// the archiver's exit code must be 0 (a wrong password or a damaged archive
// exits otherwise and leaves empty files behind), and the unpacked tree is
// looked at again for anything but folders and plain files.
//
// The archiver gets an argument list, the overwrite switch, and the
// password on its standard input, so the password never shows in the
// process list.

#include <QString>

namespace mox::verup {

inline constexpr const char* kArchivePassword = "Rnk5830wq";
inline constexpr const char* kUnpackedFolderName = "pf-mox";
inline constexpr int kUnpackTimeoutMs = 10 * 60 * 1000;

enum class UnpackError { None, NoArchiver, NotStarted, ExitCode, TimedOut, Crashed, UnsafeEntry };

struct UnpackResult {
    UnpackError error = UnpackError::None;
    int exitCode = 0;
    // The refused entry, or the archiver's last words.
    QString detail;
    bool Ok() const { return error == UnpackError::None; }
};

// The archiver's path, or "" when it is not installed.
QString ArchiverProgram();

// Checks the listing of an archive, then unpacks it into `folder`.
UnpackResult UnpackArchive(const QString& archive, const QString& folder, int timeoutMs = kUnpackTimeoutMs);

// Checks an unpacked folder: only "pf-mox" at the top, and below it only
// folders and plain files.
UnpackResult CheckUnpackedTree(const QString& folder);

}  // namespace mox::verup
