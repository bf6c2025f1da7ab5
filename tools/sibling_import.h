#pragma once
// The import of one patient's examinations from the sibling product's
// database (the Access file vx2.MDB read through the Jet reader, or its SQL
// Server catalogs through ODBC; one code path, every value bound).
//
// The sibling patient is found by the chart number exactly as typed: the
// database's "=" may ignore case, width or trailing blanks (SQL Server
// does), so its rows are matched again here character by character. A date
// of the list keeps the sibling's stored value, and rows are matched by
// calendar day in both databases, so a time part never makes a date miss
// its rows.
//
// The import reads every sibling row it needs first; then it writes the
// patient row, the deletions, the new rows and the counters in one
// transaction on the main database. Any error rolls all of it back and is
// reported with the date and what failed. The plaque upgrade of the
// examination rows runs after the commit.

#include "platform/db/database.h"

#include <QDate>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace mox {

// The sibling patient a chart number found, its columns as stored.
struct SourcePatient {
    int32_t id = -1;
    db::Value name;
    db::Value sex;
    db::Value birthDay;
};

// One line of the sibling's examination dates.
struct SourceExamDate {
    db::Value stored;  // ExamDate as the sibling stores it (the first of its day)
    QDate day;
    int32_t stage = 0;  // TExamStatus.TreatMGID, 0 when there is none
    QString text;       // "yyyy/mm/dd", two blanks, the occasion text
};

// One line of this system's examination dates of a case.
struct TargetExamDate {
    QDate day;
    int16_t commentId = 0;
    QString text;
};

// "未設定", "男", "女" for 0, 1, 2; "" for anything else, Null included.
QString SexLabel(const db::Value& sex);
// The birthday label of a stored birthday (a date, or a text that reads as
// one); "" when it is no date.
QString BirthdayLabelOf(const db::Value& birthDay);

// What the sibling file lacks of the three tables and their columns the
// import reads (Doing::CheckSibling); empty when nothing is missing. Uses
// the shared slot (a cancelled connection box ends the program).
Failure SiblingLayoutProblem();

// The first sibling patient whose chart number is exactly `chartNumber`.
std::optional<SourcePatient> FindSourcePatient(const QString& chartNumber);
// The patient's examination dates, one per calendar day, oldest first.
std::vector<SourceExamDate> ListSourceExamDates(int32_t sourceId);
// The sibling's stage of the patient's examination on that day; 0 when none.
int32_t ReadTreatMGID(int32_t patientId, const QDate& day);

// Loads the case into the shared patient record (cleared when the case has
// no row); false when the main database could not be read.
bool LoadTargetPatient(int32_t caseId);
// The case's examination dates in this system, one line per day and stage,
// as the input screen lists them (a row without a readable date is left out).
std::vector<TargetExamDate> ListTargetExamDates(int32_t caseId);

// The clinic name the import stores in TClinic: the contact data's clinic
// name (TImage row 0), "" when none is stored.
QString ClinicName(db::Connection& conn);

struct ImportOutcome {
    bool imported = false;
    // Why not (Doing::Import), naming the date when one was at fault.
    Failure failure;
};

// Called before each write of an import with its number from 1; tests end
// the process there.
using ImportStepHook = std::function<void(int step)>;

// Copies the patient row and the chosen dates of sibling patient sourceId
// into case targetId (see above). Holds the main slot while it runs. `step`
// is told each write.
ImportOutcome ImportExaminations(int32_t sourceId, int32_t targetId, const std::vector<SourceExamDate>& dates,
                                 const ImportStepHook& step = {});

}  // namespace mox
