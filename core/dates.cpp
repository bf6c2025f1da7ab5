#include "core/dates.h"

#include "platform/clock.h"

namespace mox {

bool IsWithinMonths(const QDate& first, const QDate& second, int16_t months) {
    if (!first.isValid() || !second.isValid()) return true;
    return second < first.addMonths(months);
}

bool IsWithinMonths(const QDateTime& first, const QDateTime& second, int16_t months) {
    if (!first.isValid() || !second.isValid()) return true;
    return second < first.addMonths(months);
}

int16_t GetAge(const QDate& birth) { return GetAge(birth, platform::CurrentClock().Now().date()); }

int16_t GetAge(const QDate& birth, const QDate& today) {
    int age = today.year() - birth.year() - 1;
    if (today.month() > birth.month() || (today.month() == birth.month() && today.day() >= birth.day())) ++age;
    return static_cast<int16_t>(age);
}

}  // namespace mox
