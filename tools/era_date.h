#pragma once
// Dates as the import page shows a birthday: the Japanese era in full, the
// two-digit year of the era, month and day ("gggee年mm月dd日"), and the
// age. Each era counts from its first day, as the Windows calendar does:
// 明治 1868-01-01, 大正 1912-07-30, 昭和 1926-12-25, 平成 1989-01-08,
// 令和 2019-05-01. A date before 明治 keeps its Western year.

#include <QDate>
#include <QString>

namespace mox {

// 2010-04-01 gives "平成22年04月01日"; 1989-01-08 "平成01年01月08日";
// 1850-06-01 "1850年06月01日". An invalid date gives "".
QString FormatEraDate(const QDate& date);

// The birthday label: FormatEraDate, two blanks, the age on the clock's
// today and "歳" ("平成22年04月01日  14歳"); "" for an invalid date.
QString BirthdayLabel(const QDate& birthday);

}  // namespace mox
