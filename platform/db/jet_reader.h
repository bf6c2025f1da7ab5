#pragma once
// Access (Jet) files that a user hands the programs are read by a program of
// its own, moxjetread in the program folder (platform/db/jet_read/), started
// with exec for each file: it gets the file and a pipe and nothing else of
// the caller's (no lock, no database), and the kernel ends it when the
// caller ends. mdbtools reads the file there, and the text, numbers and
// dates are taken from each field's own bytes; the reader hands the tables
// over the pipe, row by row, and the caller's sink puts them where they
// belong. A file that makes the library crash or hang only ends the reader:
// the caller then hears why and has changed nothing. While the reader works
// the caller waits in its event loop, so that its windows keep painting and
// answering the desktop (input is kept until the wait is over).
//
// A file counts as read whole only when every table definition and every
// row make sense, every table gave as many rows as its definition holds and
// no page lay beyond the end of the file: a file cut short, partly zeroed
// or damaged is refused, never read short.

#include "platform/db/db_error.h"
#include "platform/db/value.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace mox::db {

struct JetColumn {
    QString name;
    QString type;  // the Access name: LONG, SHORT, BYTE, BIT, TEXT, MEMO, DOUBLE, DATETIME, ...
};

struct JetTable {
    QString name;
    std::vector<JetColumn> columns;
    qint64 rows = 0;  // as the table's definition holds it
};

// What the reader hands over, in order: the user tables once, then each
// table's rows between BeginTable and EndTable. What a sink throws ends the
// reading (the reader is stopped) and passes on to the reader's caller.
class JetSink {
public:
    virtual ~JetSink() = default;
    virtual void Catalogue(const std::vector<JetTable>& tables) = 0;
    virtual void BeginTable(const JetTable& table) = 0;
    // Dates arrive as QDateTime text values, as every database file keeps them.
    virtual void Row(const std::vector<Value>& values) = 0;
    virtual void EndTable() = 0;
};

struct JetReadOptions {
    // How long the reader may say nothing before the file counts as not
    // read in time.
    int silenceLimitMs = 60000;
    // The reader to start; empty for moxjetread in the program folder.
    QString readerProgram;
};

// moxjetread beside the running program; a program that does not run from
// the program folder (a test, a benchmark) finds it in $MOX_PROGRAM_DIR.
QString JetReaderProgram();

// Reads every user table of the Jet file at `path`, the tables named in
// `first` before the others. Returns what the log should hear of the file
// (empty for nothing: a Jet 3 file whose code page is not Shift-JIS is read
// as Shift-JIS all the same, and that is said here). Throws DbError when the
// file could not be read whole (its failure's kind Unreadable, Damaged,
// StaleCount: every page was read without a sign of damage, but `table`'s
// rows do not come to the number its definition holds; or TooSlow: the reader
// said nothing for the silence limit and was stopped; what the library or
// the reader said in `detail`, for the log only), or what the sink threw.
QString ReadJetFile(const QString& path, JetSink& sink, const QStringList& first = {},
                    const JetReadOptions& options = {});
// The log's line for what ReadJetFile said of the file at `path`.
QString JetNotesLine(const QString& path, const QString& notes);

// The Access name of a column type as the reader reports it, and the type a
// table in this system's files declares for it: one under which SQLite keeps
// each value as it was (text stays text, '0012' stays '0012', a whole single
// stays a real, -0.0 keeps its sign, a currency too long for a double stays
// its decimal text).
QString StorageTypeOfJetType(const QString& accessType);

}  // namespace mox::db
