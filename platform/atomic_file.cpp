#include "platform/atomic_file.h"

#include "platform/clock.h"
#include "platform/descriptor.h"
#include "platform/owner_only.h"
#include "platform/regular_file.h"
#include "platform/staging_name.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace mox::platform {

namespace {

FileStepFault* activeFault = nullptr;

int TakeStep(FileStep step) { return activeFault ? activeFault->Take(step) : 0; }

// The steps below speak errno among themselves; a failure handed in by a
// producer or a descriptor is taken at its errno (EIO when it has none).
int ErrnoOf(const Failure& f) {
    if (!f) return 0;
    return f.codeOf == CodeOf::Errno && f.code != 0 ? f.code : EIO;
}

QByteArray Native(const QString& path) { return QFile::encodeName(path); }

QByteArray FolderOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0) return QByteArrayLiteral(".");
    if (slash == 0) return QByteArrayLiteral("/");
    return path.left(slash);
}

// The rename is done; a folder that cannot be synced does not undo it.
void SyncFolder(const QByteArray& folder) {
    if (TakeStep(FileStep::SyncFolder) != 0) return;
    const Descriptor dir(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) ::fsync(dir.get());
}

// 0 and the mode (and the group) of the file at `path`, or ENOENT, or
// another errno.
int ModeAt(const QByteArray& path, mode_t* mode, gid_t* group = nullptr) {
    struct stat st {};
    if (::stat(path.constData(), &st) != 0) return errno;
    *mode = st.st_mode & 07777;
    if (group) *group = st.st_gid;
    return 0;
}

// The file keeps the group it was made with.
constexpr gid_t kNoGroup = static_cast<gid_t>(-1);

// A database two accounts of one PC share through a group (each account
// having a group of its own besides) stays shared whichever of them writes
// it last: the new file takes the replaced file's group as well as its
// mode. An account that cannot give it that group (it is none of the
// group's members) gives the group no access: the group the file then has
// is not the one the owner chose. `has` is the group the file has now;
// `give` changes it, true when it did.
template <typename Give>
void TakeGroup(gid_t has, gid_t group, mode_t* mode, Give&& give) {
    if (group == kNoGroup || has == group) return;
    if (!give(group)) *mode &= ~mode_t(070);
}

// The mode a new file at `path` is written with, copied from the open
// `source` where there is one, and the group it takes (kNoGroup: its own).
// 0 or the errno of a failed look.
int ModeToWrite(const QByteArray& path, FileAccess access, int source, mode_t* mode, gid_t* group) {
    *mode = kOwnerOnlyMode;
    *group = kNoGroup;
    switch (access) {
        case FileAccess::OwnerOnly: {
            mode_t replaced = 0;
            gid_t replacedGroup = kNoGroup;
            const int err = ModeAt(path, &replaced, &replacedGroup);
            if (err == 0) {
                *mode = WithoutOthersAccess(replaced);
                *group = replacedGroup;
            }
            return err == ENOENT ? 0 : err;
        }
        case FileAccess::AsSource: {
            struct stat st {};
            if (::fstat(source, &st) != 0) return errno;
            *mode = st.st_mode & 07777;
            return 0;
        }
        case FileAccess::AsReplaced:
            break;
    }
    const int err = ModeAt(path, mode);
    return err == ENOENT ? 0 : err;
}

// A sum of a file's bytes that any changed, lost or moved 8-byte word
// alters; it guards against a faulty medium, not against an adversary, and
// runs at the speed of memory.
class Fingerprint {
public:
    void Add(const char* data, size_t size) {
        length_ += size;
        for (; size > 0 && filled_ != 0; --size) Push(*data++);
        for (; size >= sizeof(quint64); size -= sizeof(quint64), data += sizeof(quint64)) {
            quint64 word;
            std::memcpy(&word, data, sizeof word);
            Mix(word);
        }
        for (; size > 0; --size) Push(*data++);
    }
    bool operator==(const Fingerprint& o) const {
        return sum_ == o.sum_ && weighted_ == o.weighted_ && pending_ == o.pending_ && length_ == o.length_;
    }

private:
    void Mix(quint64 word) {
        sum_ += word;
        weighted_ += sum_;
    }
    void Push(char byte) {
        pending_ |= quint64(static_cast<unsigned char>(byte)) << (8 * filled_);
        if (++filled_ == sizeof(quint64)) {
            Mix(pending_);
            pending_ = 0;
            filled_ = 0;
        }
    }
    quint64 sum_ = 0, weighted_ = 0, pending_ = 0, length_ = 0;
    size_t filled_ = 0;
};

// Reads the file behind `fd` from its first byte, handing every block to
// `take`; 0 or the errno of a failed read or of `take`.
template <typename Take>
int ReadWhole(int fd, Take&& take) {
    std::vector<char> buffer(1 << 16);
    off_t offset = 0;
    for (;;) {
        const ssize_t n = ::pread(fd, buffer.data(), buffer.size(), offset);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) return 0;
        if (const int err = take(buffer.data(), static_cast<size_t>(n))) return err;
        offset += n;
    }
}

// Run on the new file once it is synced, before the rename; 0 or an errno.
using WrittenCheck = std::function<int(int fd)>;

int WriteBeside(const QByteArray& target, mode_t mode, gid_t group, const FileProducer& produce,
                const WrittenCheck& check = {}) {
    const QByteArray folder = FolderOf(target);
    const QString name = QFile::decodeName(target.mid(target.lastIndexOf('/') + 1));
    QByteArray temp = folder + (folder.endsWith('/') ? "" : "/") + Native(WorkFileTemplate(name));

    if (const int err = TakeStep(FileStep::Create)) return err;
    Descriptor out(::mkostemp(temp.data(), O_CLOEXEC));
    if (out.get() < 0) return errno;
    // Removes the temporary file on every way out but the rename, a
    // producer's or a test's exception included.
    struct Remover {
        const QByteArray& path;
        bool keep = false;
        ~Remover() {
            if (!keep) ::unlink(path.constData());
        }
    } remover{temp};

    struct stat made {};
    if (::fstat(out.get(), &made) != 0) return errno;
    TakeGroup(made.st_gid, group, &mode,
              [&out](gid_t g) { return ::fchown(out.get(), static_cast<uid_t>(-1), g) == 0; });
    if (::fchmod(out.get(), mode) != 0) return errno;
    FileSink sink(out.get());
    if (const int err = ErrnoOf(produce(sink))) return err;
    if (const int err = TakeStep(FileStep::Sync)) return err;
    if (::fsync(out.get()) != 0) return errno;
    if (check) {
        if (const int err = TakeStep(FileStep::Verify)) return err;
        if (const int err = check(out.get())) return err;
    }
    if (const int err = ErrnoOf(out.Close())) return err;
    if (const int err = TakeStep(FileStep::Rename)) return err;
    if (::rename(temp.constData(), target.constData()) != 0) return errno;
    remover.keep = true;
    SyncFolder(folder);
    return 0;
}

// The copy of CopyDescriptorAtomically, into a file of the given mode.
int CopyVerified(int source, const QByteArray& target, mode_t mode, gid_t group) {
    Fingerprint read;
    const auto copy = [&](FileSink& sink) {
        return ReadWhole(source, [&](const char* data, size_t size) {
            read.Add(data, size);
            return ErrnoOf(sink.Write(data, static_cast<qint64>(size)));
        });
    };
    const auto compare = [&](int written) {
        // The write left the file's pages in memory, where they would answer
        // the read whatever the device holds; synced, they can be let go.
        ::posix_fadvise(written, 0, 0, POSIX_FADV_DONTNEED);
        Fingerprint back;
        if (const int err = ReadWhole(written, [&](const char* data, size_t size) {
                back.Add(data, size);
                return 0;
            }))
            return err;
        return back == read ? 0 : EIO;
    };
    return WriteBeside(
        target, mode, group, [&copy](FileSink& sink) { return FromErrno(FailureStep::Read, copy(sink)); }, compare);
}

}  // namespace

Failure FileSink::Write(const char* data, qint64 size) {
    if (const int err = TakeStep(FileStep::Write)) return FromErrno(FailureStep::Write, err);
    while (size > 0) {
        const ssize_t n = ::write(fd_, data, static_cast<size_t>(size));
        if (n < 0) {
            if (errno == EINTR) continue;
            return FromErrno(FailureStep::Write, errno);
        }
        data += n;
        size -= n;
        written_ += n;
    }
    // The disk starts on what is written while the rest is still coming, so
    // the closing sync of a large file finds little left to do.
    constexpr qint64 kWriteBehind = 8 << 20;
    if (written_ - handedToDisk_ >= kWriteBehind) {
        ::sync_file_range(fd_, handedToDisk_, written_ - handedToDisk_, SYNC_FILE_RANGE_WRITE);
        handedToDisk_ = written_;
    }
    return {};
}

namespace {

int WriteNow(const QString& target, const FileProducer& produce) {
    const QByteArray dst = Native(target);
    mode_t mode = 0;
    gid_t group = kNoGroup;
    if (const int err = ModeToWrite(dst, FileAccess::AsReplaced, -1, &mode, &group)) return err;
    return WriteBeside(dst, mode, group, produce);
}

int CopyDescriptorNow(int source, const QString& target, FileAccess access) {
    const QByteArray dst = Native(target);
    mode_t mode = 0;
    gid_t group = kNoGroup;
    if (const int err = ModeToWrite(dst, access, source, &mode, &group)) return err;
    return CopyVerified(source, dst, mode, group);
}

int KeepNow(const QString& existing, int existingFd, const QString& keep) {
    const QByteArray from = Native(existing), to = Native(keep);
    if (const int err = TakeStep(FileStep::Link)) return err;
    if (::link(from.constData(), to.constData()) == 0) {
        SyncFolder(FolderOf(to));
        return 0;
    }
    switch (errno) {
        case EXDEV:  // another file system
        case EPERM:  // one without links (FAT on a memory stick)
        case EMLINK:
        case EOPNOTSUPP:
        case ENOSYS:
            break;
        default:
            return errno;
    }
    return CopyVerified(existingFd, to, kOwnerOnlyMode, kNoGroup);
}

int RenameNow(const QString& from, const QString& to) {
    const QByteArray src = Native(from), dst = Native(to);
    if (::renameat2(AT_FDCWD, src.constData(), AT_FDCWD, dst.constData(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    // Where the file system cannot refuse a name in the rename itself, a
    // second name is refused where one exists; without links, only a look
    // at the name is left.
    if (::link(src.constData(), dst.constData()) == 0) {
        ::unlink(src.constData());
        return 0;
    }
    if (errno != EPERM && errno != EOPNOTSUPP) return errno;
    struct stat st {};
    if (::lstat(dst.constData(), &st) == 0) return EEXIST;
    return ::rename(src.constData(), dst.constData()) == 0 ? 0 : errno;
}

int Place(const QString& written, const QString& target, FileAccess access, bool replace) {
    const QByteArray src = Native(written), dst = Native(target);
    if (access != FileAccess::AsSource) {
        mode_t own = 0, mode = 0;
        gid_t ownGroup = kNoGroup, group = kNoGroup;
        if (const int err = ModeAt(src, &own, &ownGroup)) return err;
        // A new file replaces nothing, so a file that took its name
        // meanwhile lends it no mode either.
        if (const int err = replace ? ModeAt(dst, &mode, &group) : ENOENT; err == ENOENT) {
            mode = own;
            group = kNoGroup;
        } else if (err != 0) {
            return err;
        }
        if (access == FileAccess::OwnerOnly) {
            mode = WithoutOthersAccess(mode);
            TakeGroup(ownGroup, group, &mode, [&src, &own](gid_t g) {
                // A change of group may clear the set-group-ID bit.
                return ::chown(src.constData(), static_cast<uid_t>(-1), g) == 0 && ModeAt(src, &own) == 0;
            });
        }
        if (mode != own && ::chmod(src.constData(), mode) != 0) return errno;
    }
    if (const int err = TakeStep(FileStep::Sync)) return err;
    Descriptor file(::open(src.constData(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0) return errno;
    if (::fsync(file.get()) != 0) return errno;
    if (const int err = ErrnoOf(file.Close())) return err;
    if (const int err = TakeStep(FileStep::Rename)) return err;
    if (replace) {
        if (::rename(src.constData(), dst.constData()) != 0) return errno;
    } else if (const int err = RenameNow(written, target)) {
        return err;
    }
    SyncFolder(FolderOf(dst));
    return 0;
}

}  // namespace

Failure WriteFileAtomically(const QString& target, const FileProducer& produce) {
    return FromErrno(FailureStep::Write, WriteNow(target, produce), target);
}

Failure CopyFileAtomically(const QString& source, const QString& target, FileAccess access) {
    // A pipe or device given as the source cannot hang the program; only
    // regular files are copied.
    Expected<int> opened = OpenRegularFile(source);
    if (!opened) return opened.error();
    Descriptor in(*opened);
    const QByteArray dst = Native(target);
    mode_t mode = 0;
    gid_t group = kNoGroup;
    if (const int err = ModeToWrite(dst, access, in.get(), &mode, &group))
        return FromErrno(FailureStep::CopyTarget, err, target);
    return FromErrno(FailureStep::CopyTarget,
                     WriteBeside(dst, mode, group,
                                 [&in](FileSink& sink) {
                                     return FromErrno(FailureStep::CopySource,
                                                      ReadWhole(in.get(), [&sink](const char* data, size_t size) {
                                                          return ErrnoOf(sink.Write(data, static_cast<qint64>(size)));
                                                      }));
                                 }),
                     target);
}

Failure CopyDescriptorAtomically(int source, const QString& target, FileAccess access) {
    return FromErrno(FailureStep::CopyTarget, CopyDescriptorNow(source, target, access), target);
}

Failure KeepFileAs(const QString& existing, int existingFd, const QString& keep) {
    return FromErrno(FailureStep::Link, KeepNow(existing, existingFd, keep), keep);
}

Failure PlaceFileAtomically(const QString& written, const QString& target, FileAccess access) {
    return FromErrno(FailureStep::Rename, Place(written, target, access, true), target);
}

Failure PlaceNewFileAtomically(const QString& written, const QString& target, FileAccess access) {
    return FromErrno(FailureStep::Rename, Place(written, target, access, false), target);
}

Failure RenameWithoutReplacing(const QString& from, const QString& to) {
    return FromErrno(FailureStep::Rename, RenameNow(from, to), to);
}

Expected<QString> SetAside(const QString& path) {
    const QString stem = path + QLatin1Char('_') + CurrentClock().Now().toString(QStringLiteral("yyyyMMdd_HHmmss"));
    QString aside = stem;
    for (int n = 2;; ++n) {
        const int err = RenameNow(path, aside);
        if (err == 0) {
            SyncFolder(FolderOf(Native(aside)));
            return aside;
        }
        if (err != EEXIST) return FromErrno(FailureStep::SetAside, err, path);
        aside = stem + QLatin1Char('_') + QString::number(n);
    }
}

FileStepFault::FileStepFault() : previous_(activeFault) { activeFault = this; }

FileStepFault::FileStepFault(int failAt, int error) : at_(failAt), error_(error), previous_(activeFault) {
    activeFault = this;
}

FileStepFault::FileStepFault(int actAt, Action action)
    : at_(actAt), action_(std::move(action)), previous_(activeFault) {
    activeFault = this;
}

FileStepFault::~FileStepFault() { activeFault = previous_; }

int FileStepFault::Take(FileStep step) {
    steps_.push_back(step);
    if (StepsTaken() != at_) return 0;
    if (action_) {
        action_(step);
        return 0;
    }
    return error_;
}

}  // namespace mox::platform
