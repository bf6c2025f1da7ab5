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

// A patient's list shows hundreds of dates after every save: the years
// that four digits hold are written without Qt's format parser, which
// writes them alike.
QString ExamDateText(const QDate& date) {
    const int y = date.year();
    if (!date.isValid() || y < 1 || y > 9999) return date.toString(QStringLiteral("yyyy/MM/dd"));
    QString text(10, u'/');
    auto put = [&text](int at, int value, int digits) {
        for (int i = at + digits - 1; i >= at; --i, value /= 10) text[i] = QChar(u'0' + value % 10);
    };
    put(0, y, 4);
    put(5, date.month(), 2);
    put(8, date.day(), 2);
    return text;
}

std::optional<QDate> ExamDateOfText(const QString& text) {
    const QStringList parts = text.trimmed().split(u'/');
    if (parts.size() != 3) return std::nullopt;
    return ExamDateOf(parts[0], parts[1], parts[2]);
}

QDate StoredExamDay(const QString& text) {
    // The form every row is written in is read digit by digit, as Qt's
    // format parser would read it at many times the cost; anything else is
    // left to the parser.
    auto number = [&text](int from, int count) {
        int value = 0;
        for (int i = from; i < from + count; ++i) {
            const char16_t c = text[i].unicode();
            if (c < u'0' || c > u'9') return -1;
            value = value * 10 + (c - u'0');
        }
        return value;
    };
    if (text.size() == 10 && text[4] == u'-' && text[7] == u'-') {
        const int y = number(0, 4), m = number(5, 2), d = number(8, 2);
        if (y > 0 && m >= 0 && d >= 0) return QDate(y, m, d);
    }
    return QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
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
