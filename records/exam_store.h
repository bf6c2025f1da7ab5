#pragma once
// What the input screen reads from and writes to the main database: the
// stage, staff and item rows it loads with the window, a patient's row and
// stored examinations, and the rows of one examination. Every routine opens
// and releases the main slot by count (inside the screen's hold), binds
// every value, and lets a database error pass to its caller as db::DbError.

#include "platform/db/database.h"
#include "records/exam_record.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace mox {

class CCharge;
class CPatient;
class CSubExam;

inline constexpr int kStageNameCount = 11;  // StageNames(0..10)

struct StageRow {
    int32_t id;
    QString name;
};
// TComType in ID order. A stage whose ID has no place among the screen's
// stage names (outside 0..10) is left out. Nothing when the slot cannot open.
std::vector<StageRow> ReadStages();

// The staff record of `id`, or a cleared record when there is none. False
// when the slot cannot open.
bool ReadStaffRecord(CCharge& staff, int32_t id);

// Item i is the TSubExam row whose DisplayRow is i + 1 (the first one the
// database returns), or a cleared item. False when the slot cannot open.
bool ReadExamItems(const std::array<std::unique_ptr<CSubExam>, 4>& items);

// The patient row, or a cleared record when there is none. False when the
// slot cannot open.
bool ReadPatientRecord(CPatient& patient, int32_t id);

struct StoredExam {
    QDate date;
    int32_t stageId;
};
// The patient's examinations, one per calendar day and stage, oldest first.
std::vector<StoredExam> ListStoredExams(int32_t patientId);

// Calls `each` for every stored row of the patient on that calendar day.
void ForEachExamRow(int32_t patientId, const QDate& day, const std::function<void(const db::Recordset&)>& each);
bool ExamExistsOn(int32_t patientId, const QDate& day);

// Stores the patient row. A new row is written whole from cleared values;
// on an existing row only the chart number, the case number and the time
// of the change are written, so that no other column is overwritten with
// what a shared record happens to hold.
void SavePatientRow(int32_t patientId, const QString& kalteNumber, const QString& appName, const QDateTime& now);

// The date of the patient's latest examination of a stage; nothing when
// there is none or the slot cannot open. Imported data may hold several.
std::optional<QDate> LatestExamDateOfStage(int32_t patientId, int32_t stageId);

// The deletions of the input screen, each one transaction: on any error
// nothing is deleted and the error passes on. False when the slot cannot
// open. An examination is every row of its calendar day, whatever the
// stage. A patient's image rows (TImage) stay.
bool DeleteExamination(int32_t patientId, const QDate& day);
bool DeletePatient(int32_t patientId);
// The rows of the patient's examination of that day, on the caller's
// connection and inside the caller's transaction (the import's too).
void DeleteExamOn(db::Connection& conn, int32_t patientId, const QDate& day);

// One examination's rows, written as one transaction (see WriteExamination).
struct ExamWrite {
    int32_t patientId = 0;
    QDate newDate;
    std::optional<QDate> replacedDate;     // the loaded examination, deleted first
    std::optional<QDate> overwrittenDate;  // the examination at newDate, deleted first
    int32_t stageId = 0;
    QString stageName;
    int32_t chargeId = 0;  // the identifier block of the allocator
    struct Row {
        const CExamData* record;  // values and tooth states
        int32_t row;
        int32_t subExam;
    };
    std::vector<Row> rows;  // in the order they are written
};
// Clears the stage from the patient's other examinations, deletes the
// replaced and overwritten examinations, and adds every row with a new
// identifier, all in one transaction: on any error nothing is changed,
// counters included, and the error passes on. False when the slot cannot
// open.
bool WriteExamination(const ExamWrite& write);

}  // namespace mox
