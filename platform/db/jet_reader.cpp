#include "platform/db/jet_reader.h"

#include "platform/db/jet_frames.h"
#include "platform/descriptor.h"
#include "platform/regular_file.h"

#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTime>
#include <QTimer>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cmath>
#include <csignal>
#include <cstring>
#include <memory>
#include <string>

namespace mox::db {

namespace {

using namespace jet;

// How a reader that did not read the file whole left it.
enum class ReaderEnd {
    NotStarted,  // the file or the pipe could not be opened, or the reader not started
    Silent,      // it said nothing for the silence limit and was stopped
    Garbled,     // its output makes no sense
    Failed,      // it sent its failure frame
    EndedEarly,  // it ended before it was done: by a signal, or refusing to start
};

// The one map of a reader's end, and of the fault its failure frame names,
// to the kind of the failure.
FailureKind KindOf(ReaderEnd end, unsigned char fault) {
    switch (end) {
        case ReaderEnd::NotStarted:
            return FailureKind::Unreadable;
        case ReaderEnd::Silent:
            return FailureKind::TooSlow;
        case ReaderEnd::Failed:
            return fault == kDamaged      ? FailureKind::Damaged
                   : fault == kMiscounted ? FailureKind::StaleCount
                                          : FailureKind::Unreadable;
        case ReaderEnd::Garbled:
        case ReaderEnd::EndedEarly:
            break;
    }
    return FailureKind::Damaged;
}

// The file at `path` was not read whole.
DbError ReadFailure(ReaderEnd end, const QString& path, const QString& detail, const QString& table = {},
                    unsigned char fault = 0) {
    Failure f;
    f.doing = Doing::ReadJet;
    f.step = end == ReaderEnd::NotStarted ? FailureStep::Open : FailureStep::Read;
    f.kind = KindOf(end, fault);
    f.number = kErrCannotOpen;
    f.file = path;
    f.table = table;
    f.detail = detail;
    return DbError(f);
}

DbError Garbled(const QString& path) {
    return ReadFailure(ReaderEnd::Garbled, path, QStringLiteral("the reader's output makes no sense"));
}

class FrameReader {
public:
    FrameReader(const char* data, size_t size, const QString& path) : p_(data), end_(data + size), path_(path) {}
    uint32_t U32() {
        Need(4);
        uint32_t v;
        std::memcpy(&v, p_, 4);
        p_ += 4;
        return v;
    }
    unsigned char Byte() {
        Need(1);
        return static_cast<unsigned char>(*p_++);
    }
    template <typename T>
    T Raw() {
        Need(sizeof(T));
        T v;
        std::memcpy(&v, p_, sizeof(T));
        p_ += sizeof(T);
        return v;
    }
    std::pair<const char*, size_t> Bytes() {
        const uint32_t n = U32();
        Need(n);
        const char* at = p_;
        p_ += n;
        return {at, n};
    }
    QString Utf8() {
        const auto [at, n] = Bytes();
        return QString::fromUtf8(at, static_cast<qsizetype>(n));
    }
    bool AtEnd() const { return p_ == end_; }

private:
    void Need(size_t n) const {
        if (static_cast<size_t>(end_ - p_) < n) throw Garbled(path_);
    }
    const char* p_;
    const char* end_;
    const QString& path_;
};

// Access keeps a moment as days since 1899-12-30; before that day the whole
// part counts back while the fraction still runs forward through the day.
Value DateValue(double days) {
    if (!std::isfinite(days) || std::fabs(days) > 3.0e6) return Value();
    double whole = 0;
    const double fraction = std::fabs(std::modf(days, &whole));
    qint64 day = static_cast<qint64>(whole);
    qint64 seconds = std::llround(fraction * 86400.0);
    if (seconds >= 86400) {
        seconds -= 86400;
        ++day;
    }
    // As written, whatever the zone's offsets and summer time were then.
    return Value(QDateTime(QDate(1899, 12, 30).addDays(day), QTime(0, 0).addSecs(static_cast<int>(seconds)), Qt::UTC));
}

QString Said(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// A descriptor kept clear of 0, 1 and 2, which the reader's own take.
int AboveStandard(int fd) {
    if (fd < 0 || fd > STDERR_FILENO) return fd;
    const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    ::close(fd);
    return moved;
}

// The reader process: stopped and waited for unless it has ended.
class Reader {
public:
    Reader() = default;
    ~Reader() {
        if (pid_ > 0) Stop();
    }
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    // The reader with `file` as its standard input and `pipe` as its
    // standard output, every other descriptor closed.
    Failure Start(const QString& program, int file, int pipe, const QStringList& first) {
        std::vector<std::string> args = {QFile::encodeName(program).toStdString(), std::to_string(::getpid())};
        for (const QString& name : first) args.push_back(name.toStdString());
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        char* envp[] = {nullptr};  // nothing of the caller's

        posix_spawn_file_actions_t actions;
        posix_spawnattr_t attributes;
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
        posix_spawn_file_actions_adddup2(&actions, file, kFileDescriptor);
        posix_spawn_file_actions_adddup2(&actions, pipe, kPipeDescriptor);
        posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO);
        // Signals the program blocks or ignores (a broken pipe) are the
        // reader's own business.
        sigset_t none, all;
        sigemptyset(&none);
        sigfillset(&all);
        posix_spawnattr_setsigmask(&attributes, &none);
        posix_spawnattr_setsigdefault(&attributes, &all);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
        const int err = ::posix_spawn(&pid_, argv[0], &actions, &attributes, argv.data(), envp);
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
        if (err != 0) pid_ = -1;
        return FromErrno(FailureStep::Open, err, program);
    }
    void Stop() {
        ::kill(pid_, SIGKILL);
        Wait();
    }
    int Wait() {
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        pid_ = -1;
        return status;
    }

private:
    pid_t pid_ = -1;
};

// Waits until the pipe has something to read or the silence limit passes.
// With an application the wait runs its event loop, so that the windows
// repaint and answer the desktop meanwhile; their input waits for the
// program's own loop. Without one (a tool, a benchmark) it is a plain poll.
class PipeWait {
public:
    explicit PipeWait(int fd) : fd_(fd) {
        if (!QCoreApplication::instance()) return;
        notifier_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        notifier_->setEnabled(false);
        sinceEvents_.start();
    }

    bool Readable(int limitMs) {
        if (!notifier_) return Poll(limitMs);
        // A reader that streams is read at once, with the events looked at
        // often enough for a window to keep up.
        if (sinceEvents_.elapsed() < kEventsEveryMs && Poll(0)) return true;
        QEventLoop loop;
        QTimer silence;
        silence.setSingleShot(true);
        bool ready = false;
        const QMetaObject::Connection readable =
            QObject::connect(notifier_.get(), &QSocketNotifier::activated, &loop, [&] {
                ready = true;
                loop.quit();
            });
        QObject::connect(&silence, &QTimer::timeout, &loop, &QEventLoop::quit);
        notifier_->setEnabled(true);
        silence.start(limitMs);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        notifier_->setEnabled(false);
        QObject::disconnect(readable);
        sinceEvents_.restart();
        return ready || Poll(0);
    }

private:
    static constexpr qint64 kEventsEveryMs = 50;

    bool Poll(int limitMs) const {
        pollfd p{fd_, POLLIN, 0};
        for (;;) {
            const int ready = ::poll(&p, 1, limitMs);
            if (ready < 0 && errno == EINTR) continue;
            return ready != 0;
        }
    }

    int fd_;
    std::unique_ptr<QSocketNotifier> notifier_;
    QElapsedTimer sinceEvents_;
};

}  // namespace

QString JetReaderProgram() {
    const QString name = QString::fromLatin1(kReaderProgram);
    if (QCoreApplication::instance()) {
        const QString beside = QCoreApplication::applicationDirPath() + QLatin1Char('/') + name;
        if (QFileInfo(beside).isExecutable() || qEnvironmentVariableIsEmpty("MOX_PROGRAM_DIR")) return beside;
    } else if (qEnvironmentVariableIsEmpty("MOX_PROGRAM_DIR")) {
        return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath() + QLatin1Char('/') + name;
    }
    return qEnvironmentVariable("MOX_PROGRAM_DIR") + QLatin1Char('/') + name;
}

QString JetNotesLine(const QString& path, const QString& notes) {
    return QStringLiteral("Access 形式のデータベース %1: %2").arg(path, notes);
}

QString StorageTypeOfJetType(const QString& accessType) {
    // MEMO (and any name SQLite does not know) would get numeric affinity: a
    // memo "0012" would be kept as 12. The numbers no table of this system
    // holds get none at all: a real affinity would store 12.0 and -0.0 as the
    // integer 0 and 12, and turn a currency's decimal text into a double.
    if (accessType == QLatin1String("MEMO") || accessType == QLatin1String("TEXT")) return QStringLiteral("TEXT");
    if (accessType == QLatin1String("SINGLE") || accessType == QLatin1String("DOUBLE") ||
        accessType == QLatin1String("CURRENCY"))
        return accessType + QStringLiteral(" BLOB");
    return accessType;
}

QString ReadJetFile(const QString& path, JetSink& sink, const QStringList& first, const JetReadOptions& options) {
    const Expected<int> opened = platform::OpenRegularFile(path);
    if (!opened) throw ReadFailure(ReaderEnd::NotStarted, path, ErrnoWords(opened.error().code));
    const platform::Descriptor file(AboveStandard(*opened));
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) throw ReadFailure(ReaderEnd::NotStarted, path, ErrnoWords(errno));
    const platform::Descriptor in(AboveStandard(fds[0]));
    platform::Descriptor out(AboveStandard(fds[1]));
    if (!file.IsOpen() || !in.IsOpen() || !out.IsOpen())
        throw ReadFailure(ReaderEnd::NotStarted, path, ErrnoWords(errno));
    const QString program = options.readerProgram.isEmpty() ? JetReaderProgram() : options.readerProgram;
    Reader reader;
    if (const Failure f = reader.Start(program, file.get(), out.get(), first))
        throw ReadFailure(ReaderEnd::NotStarted, path,
                          QStringLiteral("the reader %1 cannot be started: %2").arg(program, ErrnoWords(f.code)));
    out.Close();

    std::vector<JetTable> tables;
    const JetTable* current = nullptr;
    std::vector<Value> row;
    std::string pending;
    size_t at = 0;
    bool done = false;
    QString notes;
    std::string failure, failedTable;
    int failureKind = -1;
    const auto handle = [&](char type, const char* data, size_t size) {
        FrameReader r(data, size, path);
        switch (type) {
            case kCatalogue: {
                const uint32_t count = r.U32();
                for (uint32_t i = 0; i < count; ++i) {
                    JetTable t;
                    t.name = r.Utf8();
                    t.rows = r.U32();
                    const uint32_t columns = r.U32();
                    for (uint32_t c = 0; c < columns; ++c) {
                        JetColumn column;
                        column.name = r.Utf8();
                        column.type = r.Utf8();
                        t.columns.push_back(column);
                    }
                    tables.push_back(std::move(t));
                }
                sink.Catalogue(tables);
                break;
            }
            case kBegin: {
                const uint32_t index = r.U32();
                if (index >= tables.size()) throw Garbled(path);
                current = &tables[index];
                row.resize(current->columns.size());
                sink.BeginTable(*current);
                break;
            }
            case kRow: {
                if (!current) throw Garbled(path);
                for (Value& v : row) {
                    switch (r.Byte()) {
                        case kNull:
                            v = Value();
                            break;
                        case kInt:
                            v = Value(static_cast<long long>(r.Raw<int64_t>()));
                            break;
                        case kReal:
                            v = Value(r.Raw<double>());
                            break;
                        case kDate:
                            v = DateValue(r.Raw<double>());
                            break;
                        case kUtf16: {
                            const auto [units, bytes] = r.Bytes();
                            v = Value(
                                QString(reinterpret_cast<const QChar*>(units), static_cast<qsizetype>(bytes / 2)));
                            break;
                        }
                        case kUtf8:
                            v = Value(r.Utf8());
                            break;
                        default:
                            throw Garbled(path);
                    }
                }
                sink.Row(row);
                break;
            }
            case kEnd:
                if (!current) throw Garbled(path);
                current = nullptr;
                sink.EndTable();
                break;
            case kDone: {
                const auto [text, n] = r.Bytes();
                notes = QString::fromUtf8(text, static_cast<qsizetype>(n));
                done = true;
                break;
            }
            case kFailed: {
                failureKind = r.Byte();
                const auto [text, n] = r.Bytes();
                failure.assign(text, n);
                const auto [table, m] = r.Bytes();
                failedTable.assign(table, m);
                break;
            }
            default:
                throw Garbled(path);
        }
        if (!r.AtEnd()) throw Garbled(path);
    };

    PipeWait wait(in.get());
    char chunk[1 << 16];
    for (;;) {
        if (!wait.Readable(options.silenceLimitMs)) {
            reader.Stop();
            throw ReadFailure(ReaderEnd::Silent, path,
                              QStringLiteral("the reader said nothing for %1 ms").arg(options.silenceLimitMs));
        }
        const ssize_t n = ::read(in.get(), chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        pending.append(chunk, static_cast<size_t>(n));
        // What makes no sense, or what the sink throws, ends the reader
        // (~Reader) on its way out.
        while (pending.size() - at >= 5) {
            uint32_t length;
            std::memcpy(&length, pending.data() + at + 1, 4);
            if (pending.size() - at - 5 < length) break;
            handle(pending[at], pending.data() + at + 5, length);
            at += 5 + length;
        }
        if (at > (1 << 20) || at == pending.size()) {
            pending.erase(0, at);
            at = 0;
        }
    }
    const int status = reader.Wait();
    if (failureKind >= 0)
        throw ReadFailure(ReaderEnd::Failed, path, Said(failure), Said(failedTable),
                          static_cast<unsigned char>(failureKind));
    if (WIFSIGNALED(status))
        throw ReadFailure(ReaderEnd::EndedEarly, path,
                          QStringLiteral("the reader ended by signal %1").arg(WTERMSIG(status)));
    if (!done || !WIFEXITED(status) || WEXITSTATUS(status) != 0 || current || pending.size() != at)
        throw ReadFailure(ReaderEnd::EndedEarly, path,
                          QStringLiteral("the reader ended with %1 before the end").arg(status));
    return notes;
}

}  // namespace mox::db
