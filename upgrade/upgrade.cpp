#include "upgrade/upgrade.h"
#include "core/program_log.h"

#include "core/connections.h"
#include "core/exam_stages.h"
#include "core/sibling_db.h"
#include "core/text_format.h"
#include "platform/clock.h"
#include "platform/db/database.h"
#include "platform/db/sql_text.h"
#include "records/exam_record.h"
#include "records/patient_record.h"
#include "upgrade/sample_refresh.h"

#include <QStringList>
#include <algorithm>
#include <array>
#include <optional>
#include <utility>
#include <vector>

namespace mox {

namespace {

db::Value Now() { return db::Value(platform::CurrentClock().Now()); }

UpgradeProgress& ProgressReceiver() {
    static UpgradeProgress receiver;
    return receiver;
}

// The progress of one step with work to do; told at once, so that a window
// stands before the work begins.
class StepProgress {
public:
    StepProgress(QString step, int64_t total) : step_(std::move(step)), total_(total) { Tell(); }
    void Advance(int64_t done) {
        done_ += done;
        Tell();
    }

private:
    void Tell() const {
        if (const UpgradeProgress& receiver = ProgressReceiver()) receiver(step_, done_, total_);
    }
    QString step_;
    int64_t total_;
    int64_t done_ = 0;
};

// The steps are silent to the user; why one failed goes to the log.
void LogStepFailure(const QString& step, const db::DbError& e) {
    LogFailure(QStringLiteral("データベースの更新 %1").arg(step),
               QStringLiteral("エラー %1: %2").arg(e.Number()).arg(FailureLogText(e.GetFailure())));
}

// Rows a step leaves as they were because they cannot be read or written:
// one line in the log for the step, however many rows.
class SkippedRows {
public:
    explicit SkippedRows(QString step) : step_(std::move(step)) {}
    ~SkippedRows() {
        if (count_ == 0) return;
        LogFailure(QStringLiteral("データベースの更新 %1").arg(step_),
                   QStringLiteral("%1 行をそのままにしました。最初の行 (%2): エラー %3: %4")
                       .arg(count_)
                       .arg(first_, QString::number(firstError_.Number()), FailureLogText(firstError_.GetFailure())));
    }
    SkippedRows(const SkippedRows&) = delete;
    SkippedRows& operator=(const SkippedRows&) = delete;

    // `first`: the first of the rows, as the log names it ("ID 12").
    void Add(int64_t rows, const QString& first, const db::DbError& e) {
        if (count_ == 0) {
            first_ = first;
            firstError_ = e;
        }
        count_ += rows;
    }

private:
    QString step_;
    int64_t count_ = 0;
    QString first_;
    db::DbError firstError_{0, QString()};
};

// A write of a step that failed. The engine may have rolled back the whole
// transaction on its own (disk full, an I/O error): the step's writes are
// then gone, and any later write would commit by itself. So the step ends,
// and so do the steps that share its transaction.
struct StepWriteFailure : db::DbError {
    explicit StepWriteFailure(const db::DbError& e) : db::DbError(e) {}
};

template <typename Write>
void Writing(Write write) {
    try {
        write();
    } catch (const StepWriteFailure&) {
        throw;
    } catch (const db::DbError& e) {
        throw StepWriteFailure(e);
    }
}

// While the steps share one transaction (StepsTogether), a failed write of
// one of them abandons it: the rest do not run, and the whole is rolled back.
bool stepsShareTransaction = false;
bool stepsAbandoned = false;

// A step whose rows are skipped one by one on error still writes them all in
// one transaction; a commit that fails leaves the database as it was.
template <typename Body>
void InOneTransaction(db::Connection& conn, Body body) {
    db::Transaction transaction(conn);
    body();
    transaction.Commit();
}

// A step on the main database whose failure must not stop the others, but
// for a failed write (see StepWriteFailure).
template <typename Body>
void RunStepOnMainDb(const QString& step, Body body) {
    if (stepsAbandoned) return;
    MainDbUse use;
    if (!use) return;
    try {
        const db::ConnectionPtr connPtr = MainDbConn();
        db::Connection& conn = *connPtr;
        InOneTransaction(conn, [&] { body(conn); });
    } catch (const StepWriteFailure& e) {
        LogStepFailure(step, e);
        stepsAbandoned = stepsShareTransaction;
    } catch (const db::DbError& e) {
        LogStepFailure(step, e);
    }
}

// Rows per statement of the writes below: a statement is compiled once for
// many rows (the examination table's indexes make each compile costly), and
// its values stay well under the engine's limit of bound values.
constexpr size_t kRowsPerStatement = 200;

QString RowKeyMarks(size_t count) {
    return QStringLiteral("?,").repeated(static_cast<qsizetype>(count) - 1) + QLatin1Char('?');
}

// Sets the same values on the examination rows of `keys` (rowids), and
// nothing else of them.
void SetColumnsOfRows(db::Connection& conn, const QString& assignments, const std::vector<db::Value>& values,
                      const std::vector<db::Value>& keys, StepProgress& progress) {
    for (size_t first = 0; first < keys.size(); first += kRowsPerStatement) {
        const size_t count = std::min(kRowsPerStatement, keys.size() - first);
        std::vector<db::Value> params = values;
        params.insert(params.end(), keys.begin() + first, keys.begin() + first + count);
        Writing([&] {
            conn.Execute(
                QStringLiteral("UPDATE TExamData SET %1 WHERE _rowid_ IN (%2)").arg(assignments, RowKeyMarks(count)),
                params);
        });
        progress.Advance(static_cast<int64_t>(count));
    }
}

// New values for some columns of one examination row, found by its rowid.
struct RowChange {
    db::Value key;
    std::vector<db::Value> values;
};

// Writes `columns` of the changed rows, each its own values, and nothing else
// of them: the other columns keep what they hold, Nulls included.
void WriteColumns(db::Connection& conn, const QStringList& columns, const std::vector<RowChange>& changes) {
    QStringList names{QStringLiteral("RowKey")}, sets;
    for (int c = 0; c < columns.size(); ++c) {
        names << QStringLiteral("c%1").arg(c);
        sets << QStringLiteral("%1 = v.c%2").arg(db::QuoteIdentifier(columns[c]), QString::number(c));
    }
    const QString rowMarks = QLatin1Char('(') + RowKeyMarks(columns.size() + 1) + QLatin1Char(')');
    for (size_t first = 0; first < changes.size(); first += kRowsPerStatement) {
        const size_t count = std::min(kRowsPerStatement, changes.size() - first);
        std::vector<db::Value> params;
        params.reserve(count * (columns.size() + 1));
        for (size_t i = first; i < first + count; ++i) {
            params.push_back(changes[i].key);
            params.insert(params.end(), changes[i].values.begin(), changes[i].values.end());
        }
        Writing([&] {
            conn.Execute(QStringLiteral("WITH v(%1) AS (VALUES %2) UPDATE TExamData SET %3 FROM v "
                                        "WHERE TExamData._rowid_ = v.RowKey")
                             .arg(names.join(QLatin1Char(',')),
                                  QStringList(static_cast<qsizetype>(count), rowMarks).join(QLatin1Char(',')),
                                  sets.join(QStringLiteral(", "))),
                         params);
        });
    }
}

// Gives a plaque row the not-examined bits it lacks; implants and pontics take
// no plaque value.
bool FixPlaqueValues(CExamData& record) {
    bool changed = false;
    for (int16_t t = 0; t < 32; ++t) {
        const int16_t notExaminedSite = static_cast<int16_t>(t + kPlaqueNotExaminedOffset);
        if (record.bData(notExaminedSite) == kNoSiteValue) {
            record.SetbData(notExaminedSite, record.bData(t) != kNoSiteValue ? 0 : 15);
            changed = true;
        }
        const uint16_t word = static_cast<uint16_t>(record.nBui(t));
        if ((word & (kToothImplant | kToothPontic)) && record.bData(t) != kNoSiteValue) {
            record.SetbData(t, kNoSiteValue);
            record.SetbData(notExaminedSite, 15);
            changed = true;
        }
    }
    return changed;
}

// The stored text of a plaque row that FixPlaqueValues may change: a
// not-examined part that still holds 128, or a value on a tooth whose status
// word marks an implant or a pontic. A row whose text is not the usual digits
// and blanks in columns of the usual width (Null, cut short, a full-width
// blank) is taken too, and the full read then decides. The condition is also
// the filter of the partial index TExamDataPlaqueToFix, so that a start reads
// that index, empty on a current database, and never the examination table;
// rows that the conversion or the import copy in the old form enter it as
// they are written. The template declares the index with this same text.
const QString& PlaqueRowsToFixCondition() {
    static const QString condition = [] {
        static_assert(kPlaqueNotExaminedOffset * kSiteValueWidth == kValueColumnWidth,
                      "the not-examined bits open Data2");
        const int notExaminedChars = 32 * kSiteValueWidth;
        QStringList terms{QStringLiteral("typeof(Data1) <> 'text' OR typeof(Data2) <> 'text'"),
                          QStringLiteral("length(Data1) <> %1 OR length(Data2) <> %1").arg(kValueColumnWidth),
                          QStringLiteral("Data1 GLOB '*[^ 0-9]*' OR Data2 GLOB '*[^ 0-9]*' OR Bui GLOB '*[^ 0-9+-]*'"),
                          QStringLiteral("instr(substr(Data2, 1, %1), '128') > 0").arg(notExaminedChars)};
        for (int t = 0; t < 32; ++t)
            terms << QStringLiteral("CAST(substr(Bui, %1, %2) AS INTEGER) & %3 <> 0 AND substr(Data1, %4, %5) <> '128'")
                         .arg(t * kStatusWordWidth + 1)
                         .arg(kStatusWordWidth)
                         .arg(kToothImplant | kToothPontic)
                         .arg(t * kSiteValueWidth + 1)
                         .arg(kSiteValueWidth);
        return QStringLiteral("SubExam = %1 AND (\n    ").arg(kPlaqueItem) + terms.join(QStringLiteral("\n    OR ")) +
               QStringLiteral(")");
    }();
    return condition;
}

// A plaque row as the examination record reads it, but for its dates, which
// stand as Null (the record reads the zero date): the step never writes them
// back, and they are not worth the record's parsing, thousands of times over.
QString PlaqueRowsByKey(size_t count) {
    QStringList columns{QStringLiteral("_rowid_ AS RowKey")};
    for (const char* column :
         {"ID", "PatientID", "ExamDate", "Row", "Examination", "SubExam", "Data1", "Data2", "Data3", "Data4", "Bui",
          "PocketFree", "StartTime", "EndTime", "ChargeID", "IsPrinted", "UpDate", "CommentID", "Comment"}) {
        const QString name = QLatin1String(column);
        const bool date = name == QLatin1String("ExamDate") || name.endsWith(QLatin1String("Time")) ||
                          name == QLatin1String("UpDate");
        columns << (date ? QStringLiteral("NULL AS ") : QString()) + db::QuoteIdentifier(name);
    }
    return QStringLiteral("SELECT %1 FROM TExamData WHERE _rowid_ IN (%2)")
        .arg(columns.join(QStringLiteral(", ")), RowKeyMarks(count));
}

// Rows read at a time: the rows of a whole clinic are never held at once.
constexpr size_t kRowsPerRead = 500;

// Reads the plaque rows that may need a change through the examination
// record, as the screens read them, and writes back the site values of those
// that change. A row the record cannot read is left alone. The keys of the
// rows come first, so that the rows are read in parts and no row is weighed
// twice.
void FixPlaqueRows(db::Connection& conn, SkippedRows& skipped) {
    // Where the index of the rows to fix is missing (a file of an earlier
    // release, whose plaque rows are nearly all in the old form) the record
    // weighs every plaque row: the condition costs more to evaluate than the
    // reads it would spare.
    const bool indexed = conn.Scalar(QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE type='index' AND name=?"),
                                     {QStringLiteral("TExamDataPlaqueToFix")})
                             .ToInt64() > 0;
    std::vector<db::Value> keys;
    {
        auto rs = conn.OpenRecordset(
            QStringLiteral("SELECT _rowid_ AS RowKey FROM TExamData WHERE ") +
            (indexed ? PlaqueRowsToFixCondition() : QStringLiteral("SubExam = %1").arg(kPlaqueItem)));
        for (; !rs->IsEOF(); rs->MoveNext()) keys.push_back(rs->Field(0));
    }
    if (keys.empty()) return;
    StepProgress progress(QStringLiteral("プラークの検査データを更新しています。"), static_cast<int64_t>(keys.size()));
    const QStringList valueColumns{QStringLiteral("Data1"), QStringLiteral("Data2"), QStringLiteral("Data3"),
                                   QStringLiteral("Data4")};
    for (size_t first = 0; first < keys.size(); first += kRowsPerRead) {
        const size_t count = std::min(kRowsPerRead, keys.size() - first);
        const std::vector<db::Value> chunk(keys.begin() + first, keys.begin() + first + count);
        std::vector<RowChange> changes;
        {
            auto rs = conn.OpenRecordset(PlaqueRowsByKey(count), chunk);
            for (; !rs->IsEOF(); rs->MoveNext()) {
                try {
                    CExamData record;
                    record.RecSetGet(*rs);
                    if (!FixPlaqueValues(record)) continue;
                    const QString values = record.ValueText();
                    RowChange change{rs->Field(QStringLiteral("RowKey")), {}};
                    for (int c = 0; c < valueColumns.size(); ++c)
                        change.values.emplace_back(values.mid(c * kValueColumnWidth, kValueColumnWidth));
                    changes.push_back(std::move(change));
                } catch (const db::DbError& e) {
                    skipped.Add(1, QStringLiteral("ID ") + rs->Field(QStringLiteral("ID")).ToText(), e);
                }
            }
        }
        WriteColumns(conn, valueColumns, changes);
        progress.Advance(static_cast<int64_t>(count));
    }
}

void StampVersion(db::Connection& conn) {
    auto rs = conn.OpenRecordset(QStringLiteral("SELECT * FROM TVersion WHERE ID=?"), {1});
    if (rs->IsEOF()) return;
    rs->SetField(QStringLiteral("Major"), 1);
    rs->SetField(QStringLiteral("Minor"), 0);
    rs->SetField(QStringLiteral("Revision"), 1);
    Writing([&] { rs->Update(); });
}

void AddComTypeRow(db::Recordset& rs, int id, const QString& label) {
    rs.AddNew();
    rs.SetField(QStringLiteral("ID"), id);
    rs.SetField(QStringLiteral("Comment"), label);
    rs.SetField(QStringLiteral("CommentDR"), label);
    rs.SetField(QStringLiteral("CommentDH"), label);
    rs.SetField(QStringLiteral("DR"), true);
    rs.SetField(QStringLiteral("DH"), true);
    rs.Update();
}

void RebuildComTypeTableWhereStale(db::Connection& conn) {
    auto row0 = conn.OpenRecordset(QStringLiteral("SELECT * FROM TComType WHERE ID=?"), {0});
    if (row0->IsEOF()) AddComTypeRow(*row0, 0, QString());
    row0.reset();

    auto row4 = conn.OpenRecordset(QStringLiteral("SELECT * FROM TComType WHERE ID=?"), {4});
    if (row4->IsEOF()) return;
    auto differs = [&](const char* column) {
        const db::Value v = row4->Field(QString::fromLatin1(column));
        return !v.IsNull() && v.ToText() != StandardStageName(kLatestSptStage);
    };
    const bool rebuild = differs("CommentDR") || differs("CommentDH");
    row4.reset();
    if (!rebuild) return;

    // Deleting and adding in one go: a failure in between must not leave the
    // screens without their occasion list.
    InOneTransaction(conn, [&] {
        auto all = conn.OpenRecordset(QStringLiteral("SELECT * FROM TComType"));
        while (!all->IsEOF()) {
            all->Delete();
            all->MoveNext();
        }
        for (int id = 0; id <= kLatestSptStage; ++id) AddComTypeRow(*all, id, StandardStageName(id));
    });
}

// The writes of the steps inside its scope, in one transaction on the main
// database: a file of an earlier release has its occasion labels and its
// plaque rows on nearly every page of the examination table, and each page
// is then journaled and written once, not once a step. Each step still keeps
// its errors to itself, its own part rolled back alone, but for a failed
// write, which ends them all (StepWriteFailure); when the transaction
// cannot begin, each step writes on its own. The main slot is held, so that
// every step's counted open and release finds this connection.
class StepsTogether {
public:
    StepsTogether() {
        if (!hold_) return;
        try {
            transaction_.emplace(*MainDbConn());
            stepsShareTransaction = true;
        } catch (const db::DbError& e) {
            LogStepFailure(QStringLiteral("UpgradeDatabaseContent (begin)"), e);
        }
    }
    StepsTogether(const StepsTogether&) = delete;
    StepsTogether& operator=(const StepsTogether&) = delete;

    ~StepsTogether() { stepsShareTransaction = stepsAbandoned = false; }

    // A commit that fails leaves the database as it was before the steps;
    // after a failed write nothing of theirs is kept.
    void Commit() {
        if (!transaction_) return;
        stepsShareTransaction = false;
        if (std::exchange(stepsAbandoned, false)) {
            transaction_.reset();
            return;
        }
        try {
            transaction_->Commit();
        } catch (const db::DbError& e) {
            LogStepFailure(QStringLiteral("UpgradeDatabaseContent (commit)"), e);
        }
        transaction_.reset();
    }

private:
    MainDbHold hold_;
    std::optional<db::Transaction> transaction_;
};

}  // namespace

void FixSubExamTable() {
    const QString step = QStringLiteral("FixSubExamTable");
    RunStepOnMainDb(step, [&](db::Connection& conn) {
        try {
            auto rs = conn.OpenRecordset(QStringLiteral("SELECT * FROM TSubExam WHERE ID=?"), {2});
            if (!rs->IsEOF() && !rs->Field(QStringLiteral("GradPart2")).IsNull() &&
                rs->Field(QStringLiteral("GradPart2")).ToInt64() == 7) {
                rs->SetField(QStringLiteral("GradPart2"), 6);
                Writing([&] { rs->Update(); });
            }
        } catch (const StepWriteFailure&) {
            throw;
        } catch (const db::DbError& e) {
            LogStepFailure(step + QStringLiteral(" (TSubExam ID 2)"), e);
        }
        try {
            auto rs = conn.OpenRecordset(QStringLiteral("SELECT * FROM TSubExam WHERE ID=?"), {3});
            // A Null mask does not differ from the standard one: it is left.
            const db::Value status = rs->IsEOF() ? db::Value() : rs->Field(QStringLiteral("Status"));
            if (!status.IsNull() && status.ToInt64() != 4096) {
                rs->SetField(QStringLiteral("Status"), 4096);
                Writing([&] { rs->Update(); });
            }
        } catch (const StepWriteFailure&) {
            throw;
        } catch (const db::DbError& e) {
            LogStepFailure(step + QStringLiteral(" (TSubExam ID 3)"), e);
        }
    });
}

void FixComTypeTable() {
    if (stepsAbandoned) return;
    MainDbUse use;
    if (!use) return;
    try {
        RebuildComTypeTableWhereStale(*MainDbConn());
    } catch (const db::DbError& e) {
        // This error ends the program with a box: the user reads in Japanese
        // which table failed; the statement and the engine's own words go to
        // the log for whoever looks into it.
        LogStepFailure(QStringLiteral("TComType"), e);
        throw db::DbError(e.Number(), QStringLiteral("検査時期のテーブル（TComType）を読み書きできませんでした。"));
    }
}

void MigrateExamComments() {
    constexpr int lastId = kLatestSptStage;
    std::array<QString, lastId + 1> labels;
    for (int id = 0; id <= lastId; ++id) labels[id] = StandardStageName(id);
    const QString step = QStringLiteral("MigrateExamComments");
    RunStepOnMainDb(step, [&](db::Connection& conn) {
        // Only rows whose label may differ are looked at, as ranges of the
        // index of the two columns: a large table is not loaded, nor its
        // index walked, at every start. Under each whole number 0..4 taken
        // are the labels sorting before and after its own, and Null where its
        // own is not empty; of these, the rows whose label differs with the
        // blanks around it forgiven (the run-time's Trim) are relabelled.
        QStringList ranges;
        std::vector<db::Value> params;
        QString label = QStringLiteral("CASE CommentID");
        std::vector<db::Value> labelParams;
        for (int id = 0; id <= lastId; ++id) {
            ranges << QStringLiteral("CommentID = %1 AND Comment < ?").arg(id)
                   << QStringLiteral("CommentID = %1 AND Comment > ?").arg(id);
            params.insert(params.end(), {labels[id], labels[id]});
            if (!labels[id].isEmpty()) ranges << QStringLiteral("CommentID = %1 AND Comment IS NULL").arg(id);
            label += QStringLiteral(" WHEN %1 THEN ?").arg(id);
            labelParams.push_back(labels[id]);
        }
        label += QStringLiteral(" END");
        params.insert(params.end(), labelParams.begin(), labelParams.end());

        // The rows to relabel, by the label they get.
        std::vector<std::vector<db::Value>> keys(labels.size());
        {
            auto rs =
                conn.OpenRecordset(QStringLiteral("SELECT _rowid_ AS RowKey, CommentID FROM TExamData WHERE (") +
                                       ranges.join(QStringLiteral(" OR ")) +
                                       QStringLiteral(") AND IFNULL(trim(CAST(Comment AS TEXT), ' '), '') <> ") + label,
                                   params);
            for (; !rs->IsEOF(); rs->MoveNext()) keys[rs->Field(1).ToInt64()].push_back(rs->Field(0));
        }
        // An occasion stored other than as a whole number (a fraction, a
        // text, which sorts above every number) counts as the run-time
        // converts it; such rows are few and weighed one by one.
        SkippedRows skipped(step);
        {
            QStringList others{QStringLiteral("CommentID < 0"), QStringLiteral("CommentID > %1").arg(lastId)};
            for (int id = 1; id <= lastId; ++id)
                others << QStringLiteral("CommentID > %1 AND CommentID < %2").arg(id - 1).arg(id);
            auto rs = conn.OpenRecordset(
                QStringLiteral("SELECT _rowid_ AS RowKey, ID, CommentID, Comment FROM TExamData WHERE (") +
                others.join(QStringLiteral(" OR ")) + QStringLiteral(") AND typeof(CommentID) <> 'integer'"));
            for (; !rs->IsEOF(); rs->MoveNext()) {
                try {
                    const int64_t commentId = rs->Field(QStringLiteral("CommentID")).AsInt64();
                    if (commentId < 0 || commentId > lastId) continue;
                    if (TrimBlanks(rs->Field(QStringLiteral("Comment")).ToText()) == labels[commentId]) continue;
                    keys[commentId].push_back(rs->Field(QStringLiteral("RowKey")));
                } catch (const db::DbError& e) {
                    skipped.Add(1, QStringLiteral("ID ") + rs->Field(QStringLiteral("ID")).ToText(), e);
                }
            }
        }

        int64_t total = 0;
        for (const auto& rows : keys) total += static_cast<int64_t>(rows.size());
        if (total == 0) return;
        StepProgress progress(QStringLiteral("検査時期の名称を更新しています。"), total);
        const db::Value now = Now();
        for (int id = 0; id <= lastId; ++id)
            SetColumnsOfRows(conn, QStringLiteral("Comment = ?, \"UpDate\" = ?"), {labels[id], now}, keys[id],
                             progress);
    });
}

void UpgradeExamData() {
    const QString step = QStringLiteral("UpgradeExamData");
    RunStepOnMainDb(step, [&](db::Connection& conn) {
        {
            SkippedRows skipped(step);
            try {
                FixPlaqueRows(conn, skipped);
            } catch (const StepWriteFailure&) {
                throw;  // the rows stay as they were, and so does the stamp
            } catch (const db::DbError& e) {
                LogStepFailure(step, e);
            }
        }
        try {
            StampVersion(conn);
        } catch (const StepWriteFailure&) {
            throw;
        } catch (const db::DbError& e) {
            LogStepFailure(step + QStringLiteral(" (TVersion)"), e);
        }
    });
}

void IndexExamRows() {
    if (stepsAbandoned) return;
    MainDbUse use;
    if (!use) return;
    try {
        db::Connection& conn = *MainDbConn();
        // The first index takes the place of the one by patient and date of
        // earlier releases: made and dropped in one step, so that a file is
        // never left with neither.
        const std::pair<QString, QString> indexes[] = {
            {QStringLiteral("TExamDataPatientDateOccasion"), QStringLiteral("(PatientID, ExamDate, CommentID)")},
            {QStringLiteral("TExamDataOccasion"), QStringLiteral("(CommentID, Comment)")},
            {QStringLiteral("TExamDataPatientOccasion"), QStringLiteral("(PatientID, CommentID)")},
            {QStringLiteral("TExamDataPlaqueToFix"), QStringLiteral("(SubExam) WHERE ") + PlaqueRowsToFixCondition()}};
        std::vector<const std::pair<QString, QString>*> missing;
        for (const auto& index : indexes)
            if (conn.Scalar(QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE type='index' AND name=?"),
                            {index.first})
                    .ToInt64() == 0)
                missing.push_back(&index);
        const QString dropReplaced = QStringLiteral("DROP INDEX IF EXISTS TExamDataPatientDate");
        if (missing.empty() || missing.front() != &indexes[0]) conn.Execute(dropReplaced);
        if (missing.empty()) return;
        // Each index reads the whole table: told as rows, so that a large
        // table shows its work and a small one does not.
        const int64_t rows = conn.Scalar(QStringLiteral("SELECT COUNT(*) FROM TExamData")).ToInt64();
        StepProgress progress(QStringLiteral("検査データの索引を作成しています。"),
                              rows * static_cast<int64_t>(missing.size()));
        for (const auto* index : missing) {
            db::Transaction transaction(conn);
            conn.Execute(
                QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON TExamData %2").arg(index->first, index->second));
            if (index == &indexes[0]) conn.Execute(dropReplaced);
            transaction.Commit();
            progress.Advance(rows);
        }
    } catch (const db::DbError& e) {
        LogStepFailure(QStringLiteral("IndexExamRows"), e);
    }
}

UpgradeProgress SetUpgradeProgress(UpgradeProgress receiver) {
    return std::exchange(ProgressReceiver(), std::move(receiver));
}

void UpgradeDatabaseContent() {
    CPatient().CheckTable();
    RefreshSamplePatients();
    {
        StepsTogether together;
        FixSubExamTable();
        try {
            FixComTypeTable();
        } catch (const db::DbError&) {
            together.Commit();  // what the steps before changed stays changed
            throw;
        }
        MigrateExamComments();
        UpgradeExamData();
        IndexExamRows();
        together.Commit();
    }
    UpgradeTreatGroups();
}

}  // namespace mox
