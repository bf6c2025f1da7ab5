#include "converter/patient_copy.h"

#include "core/connections.h"
#include "core/exam_stages.h"
#include "platform/clock.h"
#include "platform/db/database.h"
#include "records/exam_record.h"
#include "records/new_exam_row.h"

#include <QDateTime>
#include <algorithm>
#include <map>
#include <memory>
#include <stdexcept>

namespace mox::convert {

namespace {

void Step(const CopyStepHook& hook, CopyStep step) {
    if (hook) hook(step);
}

// One row of a source table by column name. The older release's files
// differ in their columns: one it did not have reads as Null.
class SourceRow {
public:
    explicit SourceRow(const db::Recordset& rs) {
        const QStringList names = rs.FieldNames();
        for (int i = 0; i < names.size(); ++i) values_[names[i].toLower()] = rs.Field(i);
    }
    db::Value operator[](const char* column) const {
        const auto it = values_.find(QString::fromLatin1(column).toLower());
        return it == values_.end() ? db::Value() : it->second;
    }

private:
    std::map<QString, db::Value> values_;
};

struct SourcePatient {
    std::optional<SourceRow> patient;
    std::vector<SourceRow> exams;
};

// A source held open while its patients are read: the Jet reader loads the
// whole file at each open, so a conversion opens each source once.
class OpenSource {
public:
    explicit OpenSource(SourceDb source) : use_(source) {
        if (!use_)
            throw db::DbError(
                db::kErrCannotOpen,
                QStringLiteral("コンバート元のデータベース(%1)を開けませんでした。").arg(SourceFileName(source)));
        conn_ = SourceDbConn(source);
        CheckSourceTables(*conn_);
    }

    SourcePatient Read(int32_t sourceId, const CopyStepHook& step) const {
        Step(step, CopyStep::ReadSource);
        SourcePatient rows;
        auto patient = conn_->OpenRecordset(QStringLiteral("SELECT * FROM TPatient WHERE ID=?"), {sourceId});
        if (!patient->IsEOF()) rows.patient.emplace(*patient);
        auto exams = conn_->OpenRecordset(QStringLiteral("SELECT * FROM TExamData WHERE PatientID=?"), {sourceId});
        for (; !exams->IsEOF(); exams->MoveNext()) rows.exams.emplace_back(*exams);
        return rows;
    }

private:
    SourceDbUse use_;
    db::ConnectionPtr conn_;
};

void Copy(db::Recordset& target, const SourceRow& source, std::initializer_list<const char*> columns) {
    for (const char* column : columns) target.SetField(QString::fromLatin1(column), source[column]);
}

// Empties the slot and writes the source patient into it, on the main
// connection, inside the caller's transaction.
void WritePatient(db::Connection& conn, const SourcePatient& rows, int32_t targetId, const QDateTime& now,
                  const CopyStepHook& step) {
    Step(step, CopyStep::DeleteExams);
    conn.Execute(QStringLiteral("DELETE FROM TExamData WHERE PatientID=?"), {targetId});
    Step(step, CopyStep::DeletePatient);
    conn.Execute(QStringLiteral("DELETE FROM TPatient WHERE ID=?"), {targetId});

    const db::Value updated(now);
    if (rows.patient) {
        Step(step, CopyStep::AddPatient);
        auto rs = conn.OpenRecordset(QStringLiteral("SELECT * FROM TPatient WHERE 0=1"));
        rs->AddNew();
        rs->SetField(QStringLiteral("ID"), targetId);
        Copy(*rs, *rows.patient, {"KalteNumber", "Ruby", "Name"});
        // The old release kept the birthday as a date and the sex as yes or
        // no; neither is taken over.
        rs->SetField(QStringLiteral("BirthDay"), now.toString(QStringLiteral("yyyy/MM/dd")));
        rs->SetField(QStringLiteral("Sex"), 0);
        Copy(*rs, *rows.patient,
             {"TEL", "Post", "Address1", "Address2", "NextExamDate", "LastExamDate", "Lock", "AppName"});
        rs->SetField(QStringLiteral("UpDate"), updated);
        rs->Update();
    }

    // The examinations are copied even without a patient row.
    if (rows.exams.empty()) return;
    auto rs = conn.OpenRecordset(QStringLiteral("SELECT * FROM TExamData WHERE 0=1"));
    const NewExamRowSteps steps{
        [&step] { Step(step, CopyStep::NewIdentifier); }, [&step] { Step(step, CopyStep::AddExam); }, {}};
    for (const SourceRow& exam : rows.exams) {
        AddExamRow(
            *rs,
            [&](db::Recordset& row, int32_t) {
                row.SetField(QStringLiteral("PatientID"), targetId);
                for (const char* column : kCopiedExamColumns) row.SetField(QString::fromLatin1(column), exam[column]);
                row.SetField(QStringLiteral("Comment"), StageNameOf(exam["CommentID"].ToInt64()));
                row.SetField(QStringLiteral("UpDate"), updated);
            },
            steps);
    }
}

db::ConnectionPtr MainConnection(const MainDbUse& use) {
    if (!use) throw db::DbError(db::kErrCannotOpen, QStringLiteral("データベースを開けませんでした。"));
    return MainDbConn();
}

void CopyPatient(SourceDb source, int32_t sourceId, int32_t targetId) {
    const SourcePatient rows = OpenSource(source).Read(sourceId, {});
    const MainDbUse use;
    const db::ConnectionPtr conn = MainConnection(use);
    db::Transaction transaction(*conn);
    WritePatient(*conn, rows, targetId, platform::CurrentClock().Now(), {});
    transaction.Commit();
}

ConversionFailure FailureOf(const PatientMapping& mapping, const std::exception& error) {
    Failure failure = db::FailureOf(error);
    // Another exception than the database's is told as a failed statement.
    if (!dynamic_cast<const db::DbError*>(&error)) failure.number = db::kErrSql;
    return {mapping, failure};
}

}  // namespace

QString StageNameOf(int64_t commentId) { return StandardStageName(commentId); }

void CopyPatientA(int32_t sourceId, int32_t targetId) { CopyPatient(SourceDb::A, sourceId, targetId); }
void CopyPatientB(int32_t sourceId, int32_t targetId) { CopyPatient(SourceDb::B, sourceId, targetId); }

QString MappingText(const PatientMapping& mapping) {
    return SourceLetter(mapping.source) + QLatin1Char('-') + QString::number(mapping.sourceId) + QStringLiteral(" → ") +
           QString::number(mapping.targetId);
}

std::optional<ConversionFailure> ConvertPatients(const std::vector<PatientMapping>& mappings,
                                                 const CopyStepHook& step) {
    if (mappings.empty()) return std::nullopt;
    // Every source patient is read before any slot is touched: a source that
    // fails leaves the main database alone.
    std::vector<SourcePatient> rows;
    rows.reserve(mappings.size());
    {
        std::map<SourceDb, std::unique_ptr<OpenSource>> sources;
        for (const PatientMapping& mapping : mappings) {
            try {
                std::unique_ptr<OpenSource>& source = sources[mapping.source];
                if (!source) source = std::make_unique<OpenSource>(mapping.source);
                rows.push_back(source->Read(mapping.sourceId, step));
            } catch (const std::exception& error) {
                return FailureOf(mapping, error);
            }
        }
    }

    const QDateTime now = platform::CurrentClock().Now();
    size_t current = 0;
    try {
        const MainDbUse use;
        const db::ConnectionPtr conn = MainConnection(use);
        db::Transaction transaction(*conn);
        for (; current < mappings.size(); ++current)
            WritePatient(*conn, rows[current], mappings[current].targetId, now, step);
        Step(step, CopyStep::Commit);
        transaction.Commit();
    } catch (const std::exception& error) {
        // The commit itself belongs to the last mapping written.
        return FailureOf(mappings[std::min(current, mappings.size() - 1)], error);
    }
    return std::nullopt;
}

}  // namespace mox::convert
