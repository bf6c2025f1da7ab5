#include "platform/db/value.h"

#include "platform/db/db_error.h"

#include <QRegularExpression>
#include <cmath>

namespace mox::db {

namespace {

// Days between the OLE date origin and the Unix epoch: a number read as a
// date counts days from 1899-12-30, as the original run-time does.
const QDate kOleOrigin(1899, 12, 30);

bool ParseNumber(const QString& text, double* out) {
    const QString t = text.trimmed();
    if (t.isEmpty()) return false;
    bool ok = false;
    const double d = t.toDouble(&ok);
    if (!ok || !std::isfinite(d)) return false;
    *out = d;
    return true;
}

// Rounds half to even, as CLng does.
bool RoundToInt64(double d, int64_t* out) {
    const double r = std::nearbyint(d);
    if (!std::isfinite(r) || r < -9223372036854775808.0 || r >= 9223372036854775808.0) return false;
    *out = static_cast<int64_t>(r);
    return true;
}

QDateTime ParseDateTime(const QString& text) {
    static const QRegularExpression re(QStringLiteral(
        R"(^\s*(\d{4})[-/](\d{1,2})[-/](\d{1,2})(?:[ T]+(\d{1,2}):(\d{1,2})(?::(\d{1,2})(?:\.\d+)?)?)?\s*$)"));
    const auto m = re.match(text);
    if (!m.hasMatch()) return {};
    const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    if (!date.isValid()) return {};
    QTime time(0, 0, 0);
    if (m.capturedLength(4) > 0) {
        time = QTime(m.captured(4).toInt(), m.captured(5).toInt(), m.capturedLength(6) > 0 ? m.captured(6).toInt() : 0);
        if (!time.isValid()) return {};
    }
    return QDateTime(date, time);
}

QDateTime FromOleDate(double days) {
    if (!std::isfinite(days) || std::fabs(days) > 3.0e6) return {};
    const double whole = std::floor(days);
    const int64_t seconds = std::llround((days - whole) * 86400.0);
    return QDateTime(kOleOrigin.addDays(static_cast<qint64>(whole)), QTime(0, 0)).addSecs(seconds);
}

}  // namespace

Value::Value(const QDate& d) {
    if (d.isValid()) data_ = DateTimeToText(QDateTime(d, QTime(0, 0)));
}

Value::Value(const QDateTime& dt) {
    if (dt.isValid()) data_ = DateTimeToText(dt);
}

QString Value::DateTimeToText(const QDateTime& dt) { return dt.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")); }

int64_t Value::ToInt64() const {
    int64_t out = 0;
    if (const auto* i = std::get_if<int64_t>(&data_)) return *i;
    if (const auto* d = std::get_if<double>(&data_)) return RoundToInt64(*d, &out) ? out : 0;
    if (const auto* s = std::get_if<QString>(&data_)) {
        bool ok = false;
        const qlonglong direct = s->trimmed().toLongLong(&ok);
        if (ok) return direct;
        double d = 0;
        if (ParseNumber(*s, &d) && RoundToInt64(d, &out)) return out;
    }
    return 0;
}

double Value::ToDouble() const {
    if (const auto* i = std::get_if<int64_t>(&data_)) return static_cast<double>(*i);
    if (const auto* d = std::get_if<double>(&data_)) return *d;
    if (const auto* s = std::get_if<QString>(&data_)) {
        double d = 0;
        if (ParseNumber(*s, &d)) return d;
    }
    return 0.0;
}

QString Value::ToText() const {
    if (const auto* i = std::get_if<int64_t>(&data_)) return QString::number(*i);
    if (const auto* d = std::get_if<double>(&data_)) return QString::number(*d, 'g', 15);
    if (const auto* s = std::get_if<QString>(&data_)) return *s;
    return QString();
}

QDateTime Value::ToDateTime() const {
    if (const auto* s = std::get_if<QString>(&data_)) return ParseDateTime(*s);
    if (const auto* i = std::get_if<int64_t>(&data_)) return FromOleDate(static_cast<double>(*i));
    if (const auto* d = std::get_if<double>(&data_)) return FromOleDate(*d);
    return {};
}

int64_t Value::AsInt64() const {
    if (IsNull()) throw DbError(kErrInvalidUse, QStringLiteral("Null の使い方が不正です。"));
    if (const auto* i = std::get_if<int64_t>(&data_)) return *i;
    double d = 0;
    if (const auto* pd = std::get_if<double>(&data_)) {
        d = *pd;
    } else {
        const QString& s = std::get<QString>(data_);
        bool ok = false;
        const qlonglong direct = s.trimmed().toLongLong(&ok);
        if (ok) return direct;
        if (!ParseNumber(s, &d))
            throw DbError(kErrTypeMismatch, QStringLiteral("型が一致しません。(値: \"%1\")").arg(s));
    }
    int64_t out = 0;
    if (!RoundToInt64(d, &out)) throw DbError(kErrOverflow, QStringLiteral("オーバーフローしました。"));
    return out;
}

QString Value::AsText() const {
    if (IsNull()) throw DbError(kErrInvalidUse, QStringLiteral("Null の使い方が不正です。"));
    return ToText();
}

QDateTime Value::AsDateTime() const {
    if (IsNull()) throw DbError(kErrInvalidUse, QStringLiteral("Null の使い方が不正です。"));
    const QDateTime dt = ToDateTime();
    if (!dt.isValid())
        throw DbError(kErrTypeMismatch,
                      QStringLiteral("型が一致しません。(日付として読めない値: \"%1\")").arg(ToText()));
    return dt;
}

}  // namespace mox::db
