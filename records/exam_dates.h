#pragma once
// The one date rule of the examinations. An examination date is a real
// calendar day typed as a four-digit year, a month and a day: nothing rolls
// over (2023/02/30 is no date) and a short year is refused rather than read
// as some century. Stored rows belong to an examination by their calendar
// day, whatever time of day they carry, in the list, the load, the clash
// check and every deletion alike, on the input screen and in the import.

#include "platform/db/value.h"

#include <QDate>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace mox {

// The date of the three date boxes; nothing when they hold no real day.
std::optional<QDate> ExamDateOf(const QString& year, const QString& month, const QString& day);
// "yyyy/mm/dd", as the examination list shows a date.
QString ExamDateText(const QDate& date);
// The date of a "yyyy/mm/dd" text (the first ten characters of a list entry).
std::optional<QDate> ExamDateOfText(const QString& text);
// The calendar day of a stored date's first ten characters ("yyyy-mm-dd");
// an invalid date when they name none.
QDate StoredExamDay(const QString& text);

// The stored texts that bound one calendar day: ExamDate >= from and
// ExamDate < to. Dates are stored as "yyyy-mm-dd hh:mm:ss" text.
struct DayBounds {
    QString from;
    QString to;
};
DayBounds BoundsOfDay(const QDate& day);
// The values of "PatientID=? AND ExamDate>=? AND ExamDate<?" for the
// patient's rows of that day, in this system's file and the sibling's alike.
std::vector<db::Value> PatientDayValues(int32_t patientId, const QDate& day);

// The date that means "no examination date chosen" (100/01/01).
QDate NoExamDate();

}  // namespace mox
