#pragma once
// CPatient: one row of TPatient, a case. ID is the case number (1..30 for
// the user's cases, 98 and 99 for the samples), chosen by the user or
// copied, never drawn from the counter table.

#include "platform/db/database.h"

#include <QDateTime>
#include <QString>
#include <array>
#include <cstdint>

namespace mox {

class CPatient {
public:
    CPatient();

    int32_t ID = 0;
    QString KalteNumber;
    QString Ruby;
    QString Name;
    QString BirthDay;  // "yyyy/mm/dd" as entered; never checked here
    int16_t Sex = 0;   // 0 not set, 1 male, 2 female
    QString TEL;
    QString Post;
    QString Address1;
    QString Address2;
    QDateTime NextExamDate;
    QDateTime LastExamDate;
    uint8_t Lock = 0;
    QString AppName;
    QDateTime UpDate;

    // Texts empty, numbers 0, the three dates now.
    void ClearBuffer();
    void RecSetGet(const db::Recordset& rs);
    // Writes all fifteen columns, ID included; the caller updates the row.
    void RecSetPut(db::Recordset& rs) const;
    // The old-format test and conversion of the database the main slot
    // names (OldFormatConversion). Always False, as callers ignore it.
    bool CheckTable();
};

// The case numbers a patient list offers, in its order: 1..30, 98, 99.
const std::array<int32_t, 32>& PatientNumbers();

// The number a typed patient number stands for (full-width digits too);
// -1 for a text that is no number.
qint64 PatientNumberOf(const QString& text);

}  // namespace mox
