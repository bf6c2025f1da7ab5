#include "records/exam_dates.h"

#include "core/text_format.h"

#include <QStringList>

namespace mox {

std::optional<QDate> ExamDateOf(const QString& year, const QString& month, const QString& day) {
    const int y = static_cast<int>(DigitsValue(year, 4, 4));
    const int m = static_cast<int>(DigitsValue(month, 1, 2));
    const int d = static_cast<int>(DigitsValue(day, 1, 2));
    if (y < 1 || m < 1 || d < 1) return std::nullopt;
    const QDate date(y, m, d);
    if (!date.isValid()) return std::nullopt;
    return date;
}

QString ExamDateText(const QDate& date) { return date.toString(QStringLiteral("yyyy/MM/dd")); }

std::optional<QDate> ExamDateOfText(const QString& text) {
    const QStringList parts = text.trimmed().split(u'/');
    if (parts.size() != 3) return std::nullopt;
    return ExamDateOf(parts[0], parts[1], parts[2]);
}

DayBounds BoundsOfDay(const QDate& day) {
    const QString format = QStringLiteral("yyyy-MM-dd");
    return {day.toString(format), day.addDays(1).toString(format)};
}

std::vector<db::Value> PatientDayValues(int32_t patientId, const QDate& day) {
    const DayBounds b = BoundsOfDay(day);
    return {patientId, b.from, b.to};
}

QDate NoExamDate() { return QDate(100, 1, 1); }

}  // namespace mox
