#include "core/files.h"

#include "core/compaction.h"
#include "core/program_paths.h"
#include "core/settings.h"
#include "core/text_format.h"
#include "platform/atomic_file.h"
#include "platform/db/sqlite_file.h"
#include "platform/failure.h"
#include "platform/message_box.h"
#include "platform/staging_name.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <string>
#include <vector>

namespace mox {

namespace {

bool IsBlank(const QString& path) { return TrimBlanks(path).isEmpty(); }

QByteArray Native(const QString& path) { return QFile::encodeName(path); }

// The plain box of a guarded routine.
void Report(const Failure& failure, Doing routine) {
    platform::MsgBox(FailureText(failure.As(routine)), 0, QString::fromUtf8(platform::kProgramTitle));
}

enum class Kind { None, File, Folder };

// Follows links, as the Windows file tests do; fails only for causes other
// than "not there".
Expected<Kind> KindAt(const QByteArray& path) {
    struct stat st {};
    if (::stat(path.constData(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) return Kind::None;
        return FromErrno(FailureStep::Look, errno, QFile::decodeName(path));
    }
    return S_ISDIR(st.st_mode) ? Kind::Folder : Kind::File;
}

// Folder part for listing: "/x" lies in "/", a bare name in the current folder.
QString FolderForListing(const QString& folderPart, bool hadSlash) {
    if (!hadSlash) return QStringLiteral(".");
    return folderPart.isEmpty() ? QStringLiteral("/") : folderPart;
}

// The resolved path of a file; one that does not exist yet is resolved
// through its folder, so two spellings of a new file still compare equal.
std::string ResolvedPath(const QByteArray& path) {
    char resolved[PATH_MAX];
    if (::realpath(path.constData(), resolved)) return resolved;
    const qsizetype slash = path.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : path.left(slash);
    if (!::realpath(folder.constData(), resolved)) return {};
    return std::string(resolved) + "/" + path.mid(slash + 1).toStdString();
}

// Two spellings of one file: equal canonical paths, or one inode.
bool SameFile(const QByteArray& a, const QByteArray& b) {
    const std::string ra = ResolvedPath(a), rb = ResolvedPath(b);
    if (!ra.empty() && ra == rb) return true;
    struct stat sa {
    }, sb{};
    return ::stat(a.constData(), &sa) == 0 && ::stat(b.constData(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

}  // namespace

bool CheckFile(const QString& path) {
    if (IsBlank(path)) return false;
    const Expected<Kind> kind = KindAt(Native(path));
    if (!kind) Report(kind.error(), Doing::CheckFileRoutine);
    return kind == Kind::File;
}

bool DeleteFile(const QString& path) {
    if (IsBlank(path)) return false;
    const QByteArray native = Native(path);
    const Expected<Kind> kind = KindAt(native);
    if (kind != Kind::File) {
        if (!kind) Report(kind.error(), Doing::DeleteFileRoutine);
        return false;
    }
    if (::unlink(native.constData()) != 0) {
        Report(FromErrno(FailureStep::Remove, errno, path), Doing::DeleteFileRoutine);
        return false;
    }
    return true;
}

bool IsNameTaken(const QString& path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

QString UniquePath(const QString& stemPath, const QString& extension) {
    QString path = stemPath + extension;
    for (int n = 2; IsNameTaken(path); ++n) path = stemPath + QLatin1Char('_') + QString::number(n) + extension;
    return path;
}

bool IsSameFile(const QString& a, const QString& b) {
    if (IsBlank(a) || IsBlank(b)) return false;
    return SameFile(Native(a), Native(b));
}

bool CopyFile(const QString& source, const QString& target) {
    if (source == target) return false;
    if (SameFile(Native(source), Native(target))) return false;
    if (const Failure f = platform::CopyFileAtomically(source, target)) {
        ReportCopyFileError(f);
        return false;
    }
    return true;
}

void ReportCopyFileError(const Failure& failure) { Report(failure, Doing::CopyFileRoutine); }

QString CheckDir(const QString& pathOrPattern, int attributes) {
    if (IsBlank(pathOrPattern)) return {};
    const qsizetype slash = pathOrPattern.lastIndexOf(QLatin1Char('/'));
    const QString folderPart = slash < 0 ? QString() : pathOrPattern.left(slash);
    const QString namePart = slash < 0 ? pathOrPattern : pathOrPattern.mid(slash + 1);
    const bool isPattern = namePart.contains(QLatin1Char('*')) || namePart.contains(QLatin1Char('?'));

    if (!isPattern) {
        const Expected<Kind> kind = KindAt(Native(pathOrPattern));
        if (!kind) {
            Report(kind.error(), Doing::CheckDirRoutine);
            return {};
        }
        const Kind wanted = attributes == 16 ? Kind::Folder : Kind::File;
        return kind == wanted ? namePart : QString();
    }
    if (attributes != 0) return {};

    const QByteArray folder = Native(FolderForListing(folderPart, slash >= 0));
    DIR* dir = ::opendir(folder.constData());
    if (!dir) {
        Report(FromErrno(FailureStep::Read, errno, QFile::decodeName(folder)), Doing::CheckDirRoutine);
        return {};
    }
    // NTFS lists a folder in name order; sorting keeps the first match stable.
    std::vector<QString> names;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..") continue;
        struct stat st {};
        if (::fstatat(::dirfd(dir), entry->d_name, &st, 0) != 0 || S_ISDIR(st.st_mode)) continue;
        names.push_back(QFile::decodeName(name));
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end(),
              [](const QString& a, const QString& b) { return QString::compare(a, b, Qt::CaseInsensitive) < 0; });
    const QString pattern = namePart.toLower();
    for (const QString& name : names) {
        const QString lower = name.toLower();
        if (MatchesLikePattern(lower, pattern)) return lower;
    }
    return {};
}

bool RenameFile(const QString& source, const QString& target) {
    if (source == target) return false;
    const QByteArray src = Native(source);
    if (KindAt(src) != Kind::File) return false;
    if (KindAt(Native(target)).value_or(Kind::File) != Kind::None) return false;
    const QString newName = GetFileName(target);
    if (newName.isEmpty()) return false;
    const qsizetype slash = source.lastIndexOf(QLatin1Char('/'));
    const QString newPath = slash < 0 ? newName : source.left(slash + 1) + newName;
    return !platform::RenameWithoutReplacing(source, newPath);
}

QStringList FindFilesIgnoringCase(const QString& path) {
    const QFileInfo info(path);
    const QDir folder = info.dir();
    QStringList found;
    for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden, QDir::Name))
        if (name.compare(info.fileName(), Qt::CaseInsensitive) == 0) found << folder.filePath(name);
    return found;
}

QString FindFileIgnoringCase(const QString& path) {
    if (QFileInfo(path).isFile()) return path;
    const QStringList found = FindFilesIgnoringCase(path);
    return found.size() == 1 ? found.front() : path;
}

int32_t GetFileSize(const QString& path) {
    if (IsBlank(path)) return -1;
    const int fd = ::open(Native(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return -1;
    struct stat st {};
    const bool ok = ::fstat(fd, &st) == 0 && !S_ISDIR(st.st_mode) && st.st_size <= INT32_MAX;
    ::close(fd);
    return ok ? static_cast<int32_t>(st.st_size) : -1;
}

QString GetFileName(const QString& path) {
    const QString trimmed = TrimBlanks(path);
    const qsizetype slash = trimmed.lastIndexOf(QLatin1Char('/'));
    if (slash < 0) return {};
    return trimmed.mid(slash + 1);
}

bool SplitPath(const QString& path, QString& folder, QString& fileName) {
    const QString trimmed = TrimBlanks(path);
    const qsizetype slash = trimmed.lastIndexOf(QLatin1Char('/'));
    if (slash < 0) {
        folder.clear();
        fileName = trimmed;
    } else {
        folder = trimmed.left(slash);
        fileName = trimmed.mid(slash + 1);
    }
    return false;
}

bool MatchesLikePattern(const QString& text, const QString& pattern) {
    // Iterative matcher with one backtrack point for the last '*'.
    qsizetype t = 0, p = 0, starP = -1, starT = 0;
    const qsizetype tn = text.size(), pn = pattern.size();

    // Matches the single-character element at pattern[p] against c; sets
    // `next` to the pattern position after the element.
    auto matchOne = [&](qsizetype pos, QChar c, qsizetype& next) -> bool {
        const QChar pc = pattern[pos];
        if (pc == QLatin1Char('?')) {
            next = pos + 1;
            return true;
        }
        if (pc == QLatin1Char('#')) {
            next = pos + 1;
            return c >= QLatin1Char('0') && c <= QLatin1Char('9');
        }
        if (pc == QLatin1Char('[')) {
            const qsizetype close = pattern.indexOf(QLatin1Char(']'), pos + 1);
            if (close > pos) {
                qsizetype i = pos + 1;
                bool negate = false;
                if (i < close && pattern[i] == QLatin1Char('!')) {
                    negate = true;
                    ++i;
                }
                bool found = false;
                while (i < close) {
                    if (i + 2 < close && pattern[i + 1] == QLatin1Char('-')) {
                        if (c >= pattern[i] && c <= pattern[i + 2]) found = true;
                        i += 3;
                    } else {
                        if (c == pattern[i]) found = true;
                        ++i;
                    }
                }
                next = close + 1;
                return found != negate;
            }
            // An unclosed bracket stands for itself.
        }
        next = pos + 1;
        return c == pc;
    };

    while (t < tn) {
        qsizetype next = 0;
        if (p < pn && pattern[p] == QLatin1Char('*')) {
            starP = ++p;
            starT = t;
        } else if (p < pn && matchOne(p, text[t], next)) {
            p = next;
            ++t;
        } else if (starP >= 0) {
            p = starP;
            t = ++starT;
        } else {
            return false;
        }
    }
    while (p < pn && pattern[p] == QLatin1Char('*')) ++p;
    return p == pn;
}

bool SameFileContent(const QString& a, const QString& b) {
    QFile fa(a), fb(b);
    if (!QFileInfo(a).isFile() || !QFileInfo(b).isFile()) return false;
    if (!fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly) || fa.size() != fb.size()) return false;
    while (!fa.atEnd()) {
        const QByteArray chunk = fa.read(1 << 16);
        if (chunk.isEmpty() || chunk != fb.read(1 << 16)) return false;
    }
    return true;
}

namespace {

// The tables every database of this system holds.
const QStringList kSystemTables = {QStringLiteral("TPatient"), QStringLiteral("TExamData")};

bool IsOlder(const QString& path, const QString& than) {
    struct stat a {
    }, b{};
    if (::stat(Native(path).constData(), &a) != 0 || ::stat(Native(than).constData(), &b) != 0) return false;
    return a.st_mtim.tv_sec < b.st_mtim.tv_sec ||
           (a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec < b.st_mtim.tv_nsec);
}

// The work files a killed writer of this installation left in `folder`;
// with `mainPath`, also the work files earlier releases left beside that
// database. Their names say nothing of their writer, so such a file goes
// only when it is provably one: a database of this system older than the
// main database, which every later run rewrites. A name that merely looks
// like one (in another letter case, a text file, a journal alone) is a
// user's and stays.
void RemoveWorkFiles(const QString& folder, const QString& mainPath = {}) {
    if (folder.isEmpty()) return;
    const QFileInfoList entries = QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo& entry : entries) {
        if (entry.isSymLink()) continue;
        const QString name = entry.fileName();
        if (platform::IsAbandonedWorkFile(name)) {
            QFile::remove(entry.absoluteFilePath());
            continue;
        }
        if (mainPath.isEmpty()) continue;
        const QString work = platform::EarlierReleaseWorkFile(name, Qt::CaseSensitive);
        if (work.isEmpty()) continue;
        const QString path = QDir(folder).filePath(work);
        if (QFileInfo(path).isSymLink() || !IsOlder(path, mainPath) || !db::HoldsTables(path, kSystemTables)) continue;
        QFile::remove(path + QStringLiteral("-journal"));
        QFile::remove(path);
    }
}

// The engine's files of a case variant of the main file's name (a database
// copied from Windows) whose file is gone: the letter-case take-over has
// made that file the main database. Under the old name no file reads them
// but one given that name later, which they would spoil.
void ResolveOrphanedEngineFiles(const QString& mainPath) {
    const QFileInfo main(mainPath);
    QStringList databases;
    for (const QString& name : main.dir().entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        for (const char* suffix : db::kEngineFileSuffixes) {
            if (!name.endsWith(QLatin1String(suffix))) continue;
            const QString database = name.chopped(static_cast<qsizetype>(qstrlen(suffix)));
            if (database != main.fileName() && database.compare(main.fileName(), Qt::CaseInsensitive) == 0 &&
                !databases.contains(database) && !IsNameTaken(main.dir().filePath(database)))
                databases << database;
        }
    }
    for (const QString& database : databases) db::MakeWayForDatabase(main.dir().filePath(database));
}

// Every other name of the main file in `folder` gets a copy of its own; the
// second name goes where no copy can be made, since it keeps nothing that
// the main file does not.
void SeparateSecondNames(const QString& mainPath, const QString& folder) {
    struct stat main {};
    if (::stat(Native(mainPath).constData(), &main) != 0 || main.st_nlink < 2) return;
    const QString mainName = QFileInfo(mainPath).canonicalFilePath();
    const QFileInfoList entries = QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo& entry : entries) {
        struct stat st {};
        const QByteArray path = Native(entry.absoluteFilePath());
        if (entry.isSymLink() || entry.canonicalFilePath() == mainName || ::stat(path.constData(), &st) != 0) continue;
        if (st.st_dev != main.st_dev || st.st_ino != main.st_ino) continue;
        if (platform::CopyFileAtomically(mainPath, entry.absoluteFilePath(), platform::FileAccess::OwnerOnly))
            ::unlink(path.constData());
    }
}

}  // namespace

void RemoveStaleStagingFiles(const QString& folder) { RemoveWorkFiles(folder); }

void CleanUpAfterKilledRuns() {
    const Settings& g = G();
    const QString mainPath = g.MainDb().Path();
    QStringList folders{QDir::cleanPath(g.ProgramDir)};
    if (!folders.contains(QDir::cleanPath(g.AppPath()))) folders << QDir::cleanPath(g.AppPath());
    for (const QString& folder : folders) RemoveWorkFiles(folder, mainPath);
    db::RemoveEngineFiles(CompactTargetPath());
    ResolveOrphanedEngineFiles(mainPath);
    SeparateSecondNames(mainPath, g.AppPath());
}

bool IsReservedName(const QString& mainPath, const QString& target) {
    const QFileInfo main(mainPath);
    const QFileInfo info(target);
    const QString folder = QDir::cleanPath(info.absolutePath());
    const bool programsFolder = folder == QDir::cleanPath(main.absolutePath()) ||
                                folder == QDir::cleanPath(G().ProgramDir) || folder == QDir::cleanPath(G().AppPath());
    if (!programsFolder) return false;
    const QString name = info.fileName();
    const QString mainName = main.fileName();
    QStringList reserved = {QStringLiteral("VXCP.MDB"), QLatin1String(kTemplateDbName), QStringLiteral(".VXMOX.lock"),
                            QStringLiteral(".MOXConvert.lock")};
    for (const char* suffix : db::kEngineFileSuffixes)
        reserved << mainName + QLatin1String(suffix) << QStringLiteral("VXCP.MDB") + QLatin1String(suffix);
    for (const QString& r : reserved)
        if (name.compare(r, Qt::CaseInsensitive) == 0) return true;
    return platform::IsWorkFileName(name);
}

}  // namespace mox
