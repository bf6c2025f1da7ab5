#pragma once
// Calendar arithmetic of the examination checks and the import.

#include <QDate>
#include <QDateTime>
#include <cstdint>

namespace mox {

// True when `second` lies before `first` plus `months` calendar months (the
// day is kept, or the month's last day when the month is shorter). An
// invalid date gives True.
bool IsWithinMonths(const QDate& first, const QDate& second, int16_t months);
bool IsWithinMonths(const QDateTime& first, const QDateTime& second, int16_t months);

// Age in whole years on `today` (on the clock's today in the first form).
int16_t GetAge(const QDate& birth);
int16_t GetAge(const QDate& birth, const QDate& today);

}  // namespace mox
