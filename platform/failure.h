#pragma once
// A function below the screens that can fail on a file or a database says so
// with one Failure: returned as Failure (empty when done) by a step that
// gives nothing back, inside an Expected<T> by one that gives a value. It is
// thrown only where a whole transaction unwinds: inside the database layer
// and in work that holds a db::Transaction (or reads a Jet file into one),
// where it travels as db::DbError carrying the Failure, and the function
// that owns the transaction catches it once and returns e.GetFailure(). The
// layer that meets the cause fills it (errno or the engine's code, its kind,
// the file, the engine's own words in `detail`); a layer that knows what the
// user asked for relabels it once with As(). FailureText is the only place
// where it becomes Japanese; whoever shows it in a box also writes what the
// box leaves out (`detail`, never shown) to the log (core/program_log.h).

#include <QString>

#include <cstdint>
#include <exception>
#include <optional>
#include <utility>

namespace mox {

// What was being done: the operation whose words head the sentence. The
// database layer's own operations come first; their words follow the
// headline of any operation above that relabels their failure.
enum class Doing : uint8_t {
    None,
    OpenDatabase,    // a database file is opened (or its content is read to be copied)
    CreateDatabase,  // a new database file is made
    DatabaseWork,    // a statement, a transaction
    CopyDatabase,    // the copy of a database file's content is written
    ConnectServer,   // a catalog of the sibling product's server (ODBC)
    MemoryDatabase,  // the private database in memory a Jet file is read into
    ReadJet,         // a Jet file is read whole
    // The programs' operations. The guarded routines of core/files.h, whose
    // boxes name them:
    CheckFileRoutine,
    DeleteFileRoutine,
    CopyFileRoutine,
    CheckDirRoutine,
    StartUp,            // the start-up puts the main database in place
    ReadLocked,         // the database in use is read under its write lock, to be copied
    BackUpByName,       // a backup to a file the user named
    BackUpToFolder,     // a backup to a folder the user chose, at the program's end
    CopyInUse,          // the file menu's copy of the database in use
    OpenChosen,         // a file that is to become the database is opened
    UseChosen,          // ... and read and written as the database (its layout, its version, a write)
    ConvertJet,         // a Windows database is converted into this system's format
    Restore,            // a backup takes the place of the database
    Compact,            // the exit compaction
    CheckOldFormat,     // the patient table's format of an earlier release is looked at
    ConvertOldFormat,   // a database of an earlier release is converted
    ReadOldRelease,     // the converter reads a database of the older release (`place`: its name)
    ReadConvertTarget,  // the converter reads the patients of the database it converts into (`place`: its name)
    ConvertPatients,    // the converter copies patients (`place`: the mapping that failed)
    WriteSettings,      // MOX.INI
    WriteContact,       // Info.txt
    SaveContact,        // the contact row of the database is written
    ReadContact,        // ... and read
    ReplaceVersionUp,   // the version-up program is replaced by its new file
    CheckSibling,       // the sibling product's database is looked at before an import
    Import,             // examinations are imported from the sibling product (`place`: the day at fault)
};

// Where the failure was met.
enum class FailureStep : uint8_t {
    None,
    Look,
    Open,
    Read,
    Write,
    Rename,
    Link,
    Remove,
    SetAccess,
    SetAside,  // a file is moved out of the way under a dated name
    CopySource,
    CopyTarget,
    ReadTemplate,  // the template database a new database is made from
    KeepOriginal,  // the copy kept of a database before it is replaced
    Check,         // the engine's check of a whole database
    Verify,        // the check of a copy against what it was made from
    Lock,          // a database's write lock is taken
    Statement,
    EndTransaction,
};

// What kind of cause it was, as far as a caller decides by it.
enum class FailureKind : uint8_t {
    None,
    NotFound,
    NotAFile,
    NoAccess,
    ReadOnly,
    DiskFull,
    ReadError,
    Busy,
    Exists,
    Replaced,     // another program put another file under the name meanwhile
    NotDatabase,  // neither this system's database nor a Windows one
    Damaged,
    Unchecked,     // the check of a whole file could not run to its end
    Foreign,       // not a database of this system (`table` is missing)
    OldVersion,    // a version the start-up refuses
    BinaryColumn,  // `table`.`column` holds binary data, which is not carried
    StaleCount,    // rows read whole do not come to the count they should (a Jet table's definition, a copy's source)
    TooSlow,       // a Jet file the reader could not read in time
    Unreadable,    // a Jet file the reader could not read at all
    WrongFormat,   // a database of a format this program does not write
    Constraint,
    NoMemory,
    NoConnection,
    Program,  // the database layer's refusal of a misuse, worded where it was raised (`said`)
    Other,
};

// Which numbering `code` follows.
enum class CodeOf : uint8_t { None, Errno, Sqlite, Odbc };

struct Failure {
    Doing doing = Doing::None;              // what the user asked for: the words that head the sentence
    FailureStep stage = FailureStep::None;  // where in `doing` it failed, as the relabelling layer knows it
    Doing via = Doing::None;                // an operation between the two, whose words come between them
    Doing within = Doing::None;             // the lower operation whose words follow the headline
    FailureStep step = FailureStep::None;   // where the cause was met
    FailureKind kind = FailureKind::None;
    CodeOf codeOf = CodeOf::None;
    int code = 0;         // errno, the engine's extended result code, the driver's native error
    int systemError = 0;  // the errno behind the engine's code, where the engine met one
    long number = 0;      // the number a box shows: errno for a file step, the database's for DbError
    QString file;         // as the user named it
    QString place;        // a second file or folder the words name
    QString table, column;
    QString detail;  // the system's or the engine's own words, and the statement: for the log only
    QString said;    // a phrase already in Japanese from the rule that found it (the database layer's refusal
                     // of a misuse, kind Program; a layout that differs)

    explicit operator bool() const { return kind != FailureKind::None; }
    // The same failure as part of `operation` (at its `stage`): the words of
    // the operations below and the cause are kept.
    Failure As(Doing operation, FailureStep stage = FailureStep::None) const;
};

// A value, or the Failure that kept it from being had (the part of C++23's
// std::expected that the programs use).
template <typename T>
class Expected {
public:
    Expected(T value) : value_(std::move(value)) {}
    Expected(Failure failure) : failure_(std::move(failure)) {}

    bool has_value() const { return value_.has_value(); }
    explicit operator bool() const { return has_value(); }
    T& operator*() & { return *value_; }
    const T& operator*() const& { return *value_; }
    T&& operator*() && { return std::move(*value_); }
    T* operator->() { return &*value_; }
    const T* operator->() const { return &*value_; }
    template <typename U>
    T value_or(U&& otherwise) const& {
        return value_ ? *value_ : static_cast<T>(std::forward<U>(otherwise));
    }
    const Failure& error() const { return failure_; }
    // Had, and equal to `value`.
    friend bool operator==(const Expected& e, const T& value) { return e.value_ && *e.value_ == value; }

private:
    std::optional<T> value_;
    Failure failure_;
};

// The kind of an errno.
FailureKind KindOfErrno(int err);
// A failure of `step` on `file` with errno `err`; empty for 0.
Failure FromErrno(FailureStep step, int err, const QString& file = {});
// The system's own words for an errno, for a failure's detail (the log):
// English under the C locale, so never shown in a box.
QString ErrnoWords(int err);
// What an exception the programs did not raise themselves (no memory, a
// library's own) tells: its words go to the log only.
Failure FromException(const std::exception& e);
// The cause of a failed write in `folder` as far as the folder tells: a full
// disk or a folder that refuses new files (ReadOnly), else Other.
FailureKind KindOfWriteIn(const QString& folder, int err);

// The words the user is shown, in Japanese. A failure of no operation in
// particular is the cause, after the number when it is an errno ("<2> ...").
QString FailureText(const Failure& failure);
// The cause alone, as FailureText ends with it.
QString FailureCause(const Failure& failure);
// FailureText and the detail behind it, for the log.
QString FailureLogText(const Failure& failure);

}  // namespace mox
