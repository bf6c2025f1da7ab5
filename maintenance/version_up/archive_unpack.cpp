#include "maintenance/version_up/archive_unpack.h"

#include "maintenance/shared/run_and_wait.h"
#include "maintenance/version_up/verup_common.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QStringList>

#include <algorithm>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace mox::verup {

namespace {

QByteArray PasswordInput() { return QByteArray(kArchivePassword) + '\n'; }

RunOptions ArchiverOptions(const UnpackOptions& unpack) {
    RunOptions options;
    options.standardInput = PasswordInput();
    options.timeoutMs = unpack.timeoutMs;
    options.cancelled = unpack.cancelled;
    // Names come back in UTF-8 whatever the user's locale.
    options.environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    return options;
}

UnpackResult FromRun(int code, const QByteArray& output) {
    UnpackResult result;
    if (code == 0) return result;
    result.exitCode = code;
    result.error = code == kRunNotStarted  ? UnpackError::NotStarted
                   : code == kRunTimedOut  ? UnpackError::TimedOut
                   : code == kRunCrashed   ? UnpackError::Crashed
                   : code == kRunCancelled ? UnpackError::Cancelled
                                           : UnpackError::ExitCode;
    const QString text = QString::fromUtf8(output);
    // The archiver's own words tell a full disk and a wrong password from
    // a damaged archive.
    if (result.error == UnpackError::ExitCode) {
        if (text.contains(QStringLiteral("No space left"), Qt::CaseInsensitive) ||
            text.contains(QStringLiteral("not enough space"), Qt::CaseInsensitive))
            result.error = UnpackError::NoSpace;
        else if (text.contains(QStringLiteral("Wrong password"), Qt::CaseInsensitive))
            result.error = UnpackError::WrongPassword;
    }
    const QStringList lines = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    result.detail = lines.mid(std::max<qsizetype>(0, lines.size() - 3)).join(QLatin1Char(' ')).simplified();
    return result;
}

UnpackResult Unsafe(const QString& entry) {
    UnpackResult result;
    result.error = UnpackError::UnsafeEntry;
    result.detail = entry;
    return result;
}

// A path that unpacks to a plain place under pf-mox.
bool IsPlainEntryPath(const QString& path) {
    if (path.isEmpty() || path.startsWith(QLatin1Char('/')) || path.contains(QLatin1Char('\\')) ||
        HasControlCharacter(path))
        return false;
    const QStringList segments = path.split(QLatin1Char('/'));
    if (segments.front() != QLatin1String(kUnpackedFolderName)) return false;
    for (qsizetype i = 1; i < segments.size(); ++i) {
        const QString& s = segments[i];
        if (s.isEmpty() || s == QLatin1String(".") || s == QLatin1String("..")) return false;
    }
    return true;
}

bool IsLinkEntry(const QString& key, const QString& value) {
    static const QRegularExpression unixLink(QStringLiteral(R"((^|\s)l[-rwxsStT]{9}(\s|$))"));
    if (key == QLatin1String("Attributes")) return unixLink.match(value).hasMatch();
    if (key == QLatin1String("Symbolic Link") || key == QLatin1String("Hard Link")) return !value.isEmpty();
    return false;
}

// Looks at each entry of `7za l -slt`: its path, whether it is a link, and
// its size, added to `total`.
UnpackResult CheckListing(const QString& listing, qint64* total) {
    static const QRegularExpression field(QStringLiteral(R"(^([A-Za-z][A-Za-z ]*) = ?(.*)$)"));
    const QStringList lines = listing.split(QLatin1Char('\n'));
    qsizetype i = lines.indexOf(QStringLiteral("----------"));
    if (i < 0) return Unsafe(QStringLiteral("(一覧なし)"));
    QString currentPath;
    for (++i; i < lines.size(); ++i) {
        QString line = lines[i];
        if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
        if (line.isEmpty()) continue;
        const auto m = field.match(line);
        // A name that breaks the listing's lines is no plain name.
        if (!m.hasMatch()) return Unsafe(currentPath.isEmpty() ? line : currentPath);
        const QString key = m.captured(1).trimmed();
        const QString value = m.captured(2);
        if (key == QLatin1String("Path")) {
            currentPath = value;
            if (!IsPlainEntryPath(value)) return Unsafe(value);
        } else if (key == QLatin1String("Size")) {
            *total += std::max<qint64>(0, value.trimmed().toLongLong());
        } else if (IsLinkEntry(key, value)) {
            return Unsafe(currentPath);
        }
    }
    return {};
}

UnpackResult CheckTreeBelow(const QString& folder, const QString& shownPrefix) {
    const QByteArray native = QFile::encodeName(folder);
    DIR* dir = ::opendir(native.constData());
    if (!dir) return Unsafe(shownPrefix);
    UnpackResult result;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..") continue;
        struct stat st {};
        const QString shown = shownPrefix + QLatin1Char('/') + QFile::decodeName(name);
        if (HasControlCharacter(QFile::decodeName(name))) {
            result = Unsafe(shown);
            break;
        }
        if (::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
            result = Unsafe(shown);
            break;
        }
        if (S_ISDIR(st.st_mode)) {
            result = CheckTreeBelow(folder + QLatin1Char('/') + QFile::decodeName(name), shown);
            if (!result.Ok()) break;
        } else if (!S_ISREG(st.st_mode)) {
            result = Unsafe(shown);
            break;
        }
    }
    ::closedir(dir);
    return result;
}

}  // namespace

QString ArchiverProgram() { return QStandardPaths::findExecutable(QStringLiteral("7za")); }

qint64 FreeBytesOf(const QString& folder) {
    QStorageInfo storage(folder);
    return storage.isValid() ? storage.bytesAvailable() : -1;
}

UnpackResult UnpackArchive(const QString& archive, const QString& folder, const UnpackOptions& options) {
    const QString archiver = ArchiverProgram();
    if (archiver.isEmpty()) {
        UnpackResult result;
        result.error = UnpackError::NoArchiver;
        result.detail = QStringLiteral("7za");
        return result;
    }
    QByteArray listing;
    const int listed =
        RunAndWait(archiver, {QStringLiteral("l"), QStringLiteral("-slt"), QStringLiteral("--"), archive},
                   ArchiverOptions(options), &listing);
    if (listed != 0) return FromRun(listed, listing);
    qint64 total = 0;
    if (UnpackResult checked = CheckListing(QString::fromUtf8(listing), &total); !checked.Ok()) return checked;
    UnpackResult room;
    room.bytes = total;
    if (options.maxBytes >= 0 && total > options.maxBytes) {
        room.error = UnpackError::TooLarge;
        return room;
    }
    room.freeBytes = FreeBytesOf(folder);
    if (room.freeBytes >= 0 && total > room.freeBytes - options.keepFreeBytes) {
        room.error = UnpackError::NoSpace;
        return room;
    }

    QByteArray output;
    const int code = RunAndWait(archiver,
                                {QStringLiteral("x"), QStringLiteral("-aoa"), QStringLiteral("-y"),
                                 QStringLiteral("-bd"), QStringLiteral("-o") + folder, QStringLiteral("--"), archive},
                                ArchiverOptions(options), &output);
    UnpackResult result = FromRun(code, output);
    result.bytes = total;
    return result;
}

UnpackResult CheckUnpackedTree(const QString& folder) {
    const QStringList top =
        QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& name : top)
        if (name != QLatin1String(kUnpackedFolderName)) return Unsafe(name);
    if (top.isEmpty()) return {};
    struct stat st {};
    const QString unpacked = folder + QLatin1Char('/') + QLatin1String(kUnpackedFolderName);
    if (::lstat(QFile::encodeName(unpacked).constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return Unsafe(QLatin1String(kUnpackedFolderName));
    return CheckTreeBelow(unpacked, QLatin1String(kUnpackedFolderName));
}

}  // namespace mox::verup
