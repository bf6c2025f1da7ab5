#pragma once
// Record identifiers of new rows: the identifier block (IdPrefix) times
// 10,000,000 plus the table's counter in the single row (ID 0) of
// TNextAutoNumber, after which the counter is advanced.
//
// The main program and the converter allocate from the same file, so the
// read and the advance of a counter happen under one write lock: two
// programs never receive the same identifier.

#include "platform/db/database.h"

#include <QString>
#include <cstdint>

namespace mox {

// CNextAutoNumber: the counter row of TNextAutoNumber in memory.
class CNextAutoNumber {
public:
    int32_t Patient = 0;
    int32_t Attend = 0;
    int32_t Treat = 0;
    int32_t Comment = 0;
    int32_t SubExam = 0;
    int32_t MainExam = 0;
    int32_t Charge = 0;
    int32_t ExamData = 0;
    int32_t Plan = 0;
    int32_t Doctor = 0;
    int32_t Disease = 0;
    int32_t Treatment = 0;

    void ClearBuffer();
    // Reads the twelve counters (not ID); a Null or non-numeric counter fails.
    void RecSetGet(const db::Recordset& rs);
    // Writes the twelve counters (not ID); the caller updates the row.
    void RecSetPut(db::Recordset& rs) const;

    // The counter member of a table name ("TExamData" -> ExamData), compared
    // exactly; null for any other name.
    int32_t* CounterFor(const QString& tableName);
};

// The next identifier for `tableName` ("TExamData", "TPatient", ...). With
// `update` false the counter is left as it was. A name that is not one of
// the twelve counter tables shows its two messages and ends the program.
// Returns 0 when the main database cannot be opened. An identifier or a
// counter that would pass the 32-bit range fails with an overflow, nothing
// stored. A missing counter row is created, its counters starting past the
// identifiers that the tables already hold.
int32_t GetNextAutoNumber(const QString& tableName, bool update = true);

}  // namespace mox
