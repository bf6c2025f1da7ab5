#include "tools/era_date.h"

#include "core/dates.h"

#include <array>

namespace mox {

namespace {

struct Era {
    QDate first;
    const char16_t* name;
};

const std::array<Era, 5>& Eras() {
    static const std::array<Era, 5> eras = {{{QDate(2019, 5, 1), u"令和"},
                                             {QDate(1989, 1, 8), u"平成"},
                                             {QDate(1926, 12, 25), u"昭和"},
                                             {QDate(1912, 7, 30), u"大正"},
                                             {QDate(1868, 1, 1), u"明治"}}};
    return eras;
}

QString TwoDigits(int n) { return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')); }

}  // namespace

QString FormatEraDate(const QDate& date) {
    if (!date.isValid()) return {};
    const QString monthDay =
        TwoDigits(date.month()) + QStringLiteral("月") + TwoDigits(date.day()) + QStringLiteral("日");
    for (const Era& era : Eras())
        if (date >= era.first)
            return QString::fromUtf16(era.name) + TwoDigits(date.year() - era.first.year() + 1) + QStringLiteral("年") +
                   monthDay;
    return QString::number(date.year()) + QStringLiteral("年") + monthDay;
}

QString BirthdayLabel(const QDate& birthday) {
    if (!birthday.isValid()) return {};
    return FormatEraDate(birthday) + QStringLiteral("  ") + QString::number(GetAge(birthday)) + QStringLiteral("歳");
}

}  // namespace mox
