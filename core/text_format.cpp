#include "core/text_format.h"

#include "core/settings.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace mox {

QString TrimBlanks(const QString& text) {
    qsizetype b = 0, e = text.size();
    while (b < e && text[b] == QLatin1Char(' ')) ++b;
    while (e > b && text[e - 1] == QLatin1Char(' ')) --e;
    return text.mid(b, e - b);
}

QString NulTerminated(const QString& text) {
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    return nul < 0 ? text : text.left(nul);
}

QString NullToStr(const db::Value& value) {
    if (value.IsNull()) return {};
    return value.ToText();
}

QString FormatOneDecimal(double value) {
    if (!std::isfinite(value)) return {};
    const double magnitude = std::fabs(value);
    if (magnitude >= 1e15) return QString::number(value, 'f', 1);

    // 15 significant digits: d.dddddddddddddde±x
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.14e", magnitude);
    long long digits = 0;
    const char* p = buf;
    for (; *p && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9') digits = digits * 10 + (*p - '0');
    const int exponent = *p == 'e' ? std::atoi(p + 1) : 0;

    // magnitude = digits * 10^(exponent - 14); tenths = digits * 10^(exponent - 13).
    static constexpr long long kPow10[] = {1LL,
                                           10LL,
                                           100LL,
                                           1000LL,
                                           10000LL,
                                           100000LL,
                                           1000000LL,
                                           10000000LL,
                                           100000000LL,
                                           1000000000LL,
                                           10000000000LL,
                                           100000000000LL,
                                           1000000000000LL,
                                           10000000000000LL,
                                           100000000000000LL,
                                           1000000000000000LL};
    const int shift = 13 - exponent;
    long long tenths = 0;
    if (shift <= 0) {
        tenths = digits * kPow10[-shift];
    } else if (shift <= 15) {
        tenths = digits / kPow10[shift];
        if ((digits / kPow10[shift - 1]) % 10 >= 5) ++tenths;
    }
    QString text = QString::number(tenths / 10) + QLatin1Char('.') + QString::number(tenths % 10);
    if (value < 0 && tenths != 0) text.prepend(QLatin1Char('-'));
    return text;
}

QString GetIdBaseText() { return QString::number(G().IdPrefix); }

qint64 DigitsValue(const QString& text, int minDigits, int maxDigits) {
    const QString t = text.trimmed();
    if (t.size() < minDigits || t.size() > maxDigits) return -1;
    qint64 value = 0;
    for (QChar c : t) {
        const int d = c.digitValue();
        if (d < 0) return -1;
        value = value * 10 + d;
    }
    return value;
}

}  // namespace mox
