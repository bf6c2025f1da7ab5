#include "maintenance/version_up/update_install.h"

#include "core/files.h"
#include "platform/atomic_file.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <vector>

namespace mox::verup {

namespace {

QByteArray Native(const QString& path) { return QFile::encodeName(path); }

struct Planned {
    QString source;      // path in the unpack folder
    QString targetName;  // name in the program folder
};

struct Done {
    QString targetName;
    bool replaced = false;
};

// A new file is a program when it says so: an execute bit from the archive,
// or the start of an ELF file or a script.
bool LooksExecutable(const QString& path, mode_t mode) {
    if (mode & 0111) return true;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    const QByteArray head = file.read(4);
    return head == QByteArray(
                       "\x7f"
                       "ELF",
                       4) ||
           head.startsWith("#!");
}

// The folder's own name for `name`: an exact match first, else a name that
// differs only in letter case, else `name` itself.
QString NameInFolder(const QStringList& folderNames, const QString& name) {
    if (folderNames.contains(name)) return name;
    for (const QString& existing : folderNames)
        if (existing.compare(name, Qt::CaseInsensitive) == 0) return existing;
    return name;
}

// Writes one file; 0 or an errno. `replaced` tells whether a file was there.
int InstallOne(const QString& source, const QString& target, const QString& backup, bool* replaced) {
    const QByteArray dst = Native(target);
    struct stat existing {};
    *replaced = ::stat(dst.constData(), &existing) == 0;
    if (!*replaced && errno != ENOENT) return errno;
    if (*replaced && !S_ISREG(existing.st_mode)) return S_ISDIR(existing.st_mode) ? EISDIR : EINVAL;

    struct stat unpacked {};
    if (::stat(Native(source).constData(), &unpacked) != 0) return errno;
    mode_t mode = 0644;
    if (*replaced) {
        mode = existing.st_mode & 07777;
        // The rollback puts back the backup's bytes: make sure there are some.
        if (!QFile::exists(backup)) {
            if (const Failure f = platform::CopyFileAtomically(target, backup)) return f.code;
        }
    } else if (LooksExecutable(source, unpacked.st_mode)) {
        mode = 0755;
    }
    // The copy takes the source's mode; the source lies in our own folder.
    if (::chmod(Native(source).constData(), mode) != 0) return errno;
    return platform::CopyFileAtomically(source, target).code;
}

void RollBack(const std::vector<Done>& done, const QString& programFolder, const QString& backupFolder,
              InstallReport& report) {
    for (auto it = done.rbegin(); it != done.rend(); ++it) {
        const QString target = programFolder + QLatin1Char('/') + it->targetName;
        bool ok;
        if (it->replaced) {
            ok = !platform::CopyFileAtomically(backupFolder + QLatin1Char('/') + it->targetName, target);
        } else {
            ok = ::unlink(Native(target).constData()) == 0 || errno == ENOENT;
        }
        if (!ok) report.notRestored << it->targetName;
    }
}

}  // namespace

bool IsProtectedName(const QString& name) {
    const QString lower = name.toLower();
    if (lower == QLatin1String("vxmox2.mdb") || lower == QLatin1String("vxmox2.mdb-journal") ||
        lower == QLatin1String("vxmox2.mdb-wal") || lower == QLatin1String("vxmox2.mdb-shm") ||
        lower == QLatin1String("vxcp.mdb") || lower == QLatin1String("mox.ini") || lower == QLatin1String("info.txt"))
        return true;
    if (MatchesLikePattern(lower, QStringLiteral("log_mox*.txt"))) return true;
    // Backups and safety copies of the database, and the remover's dated copies.
    if (MatchesLikePattern(lower, QStringLiteral("vxmox2_*.mdb")) && lower != QLatin1String("vxmox2_org.mdb"))
        return true;
    if (MatchesLikePattern(lower, QStringLiteral("*-vxmox2.mdb"))) return true;
    // The programs' instance locks.
    if (MatchesLikePattern(lower, QStringLiteral(".*.lock"))) return true;
    return false;
}

int BackUpProgramFiles(const QString& programFolder, const QString& backupFolder, QString* failedPath) {
    if (::mkdir(Native(backupFolder).constData(), 0700) != 0) {
        *failedPath = backupFolder;
        return errno;
    }
    const QFileInfoList files =
        QDir(programFolder).entryInfoList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& file : files) {
        if (file.isSymLink() || IsProtectedName(file.fileName())) continue;
        if (const Failure f =
                platform::CopyFileAtomically(file.filePath(), backupFolder + QLatin1Char('/') + file.fileName())) {
            *failedPath = file.filePath();
            return f.code;
        }
    }
    return 0;
}

InstallReport InstallUpdateFiles(const QString& unpackFolder, const QString& programFolder, const QString& backupFolder,
                                 const QString& ownFileName,
                                 const std::function<void(const InstallReport&)>& beforeRollBack) {
    InstallReport report;
    const QStringList folderNames =
        QDir(programFolder)
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    const QFileInfoList files =
        QDir(unpackFolder).entryInfoList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    std::vector<Planned> plan;
    QString ownNewCopy;
    for (const QFileInfo& file : files) {
        if (file.isSymLink()) continue;
        const QString name = file.fileName();
        if (name.compare(ownFileName, Qt::CaseInsensitive) == 0) {
            ownNewCopy = file.filePath();
            continue;
        }
        const QString targetName = NameInFolder(folderNames, name);
        if (IsProtectedName(name) || IsProtectedName(targetName)) {
            report.protectedNames << name;
            continue;
        }
        plan.push_back({file.filePath(), targetName});
    }
    // The running program cannot be replaced while it runs.
    if (!ownNewCopy.isEmpty()) plan.push_back({ownNewCopy, ownFileName + QStringLiteral(".new")});

    std::vector<Done> done;
    for (const Planned& step : plan) {
        bool replaced = false;
        const int err = InstallOne(step.source, programFolder + QLatin1Char('/') + step.targetName,
                                   backupFolder + QLatin1Char('/') + step.targetName, &replaced);
        if (err != 0) {
            report.errorNumber = err;
            report.failedName = step.targetName;
            if (beforeRollBack) beforeRollBack(report);
            RollBack(done, programFolder, backupFolder, report);
            report.installed.clear();
            return report;
        }
        done.push_back({step.targetName, replaced});
        report.installed << step.targetName;
    }
    return report;
}

}  // namespace mox::verup
