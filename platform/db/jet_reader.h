#pragma once
// Access (Jet) files that a user hands the programs are read in a child
// process. mdbtools reads them there, and the text, numbers and dates are
// taken from each field's own bytes; the child hands the tables over a pipe,
// row by row, and the caller's sink puts them where they belong. A file that
// makes the library crash or hang only ends the child: the reader then
// reports the file as damaged and the caller has changed nothing.
//
// A file counts as read whole only when every table gave as many rows as its
// definition holds and no page lay beyond the end of the file: a file cut
// short or partly zeroed is damaged, never read short.

#include "platform/db/db_error.h"
#include "platform/db/value.h"

#include <QString>
#include <QStringList>
#include <functional>
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
// reading (the child is stopped) and passes on to the reader's caller.
class JetSink {
public:
    virtual ~JetSink() = default;
    virtual void Catalogue(const std::vector<JetTable>& tables) = 0;
    virtual void BeginTable(const JetTable& table) = 0;
    // Dates arrive as QDateTime text values, as every database file keeps them.
    virtual void Row(const std::vector<Value>& values) = 0;
    virtual void EndTable() = 0;
};

// The file could not be read whole. Description(): Japanese, naming the
// file; Detail(): what the library or the child said, for the log only.
class JetReadError : public DbError {
public:
    enum class Kind { Unreadable, Damaged };
    JetReadError(Kind kind, const QString& path, const QString& detail);
    Kind GetKind() const { return kind_; }
    QString Detail() const { return detail_; }

private:
    Kind kind_;
    QString detail_;
};

// Reads every user table of the Jet file at `path`, the tables named in
// `first` before the others. Throws JetReadError, or what the sink threw.
void ReadJetFile(const QString& path, JetSink& sink, const QStringList& first = {});

// The Access name of a column type as the reader reports it, and the type a
// table in this system's files declares for it: one whose SQLite affinity
// keeps the value as it was (text stays text, '0012' stays '0012').
QString StorageTypeOfJetType(const QString& accessType);

// Tests: how long the reader waits for a silent child (default 60 s), and
// a step the child runs before it reads (to crash or hang it there).
void SetJetReadTimeout(int milliseconds);
void SetJetReaderChildHook(std::function<void()> hook);

}  // namespace mox::db
