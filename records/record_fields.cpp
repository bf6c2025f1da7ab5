#include "records/record_fields.h"

#include <cmath>
#include <limits>

namespace mox {

void ThrowSubscript() { throw db::DbError(kErrSubscript, QStringLiteral("インデックスが有効範囲にありません。")); }

void ThrowOverflow() { throw db::DbError(db::kErrOverflow, QStringLiteral("オーバーフローしました。")); }

void ThrowTypeMismatch() { throw db::DbError(db::kErrTypeMismatch, QStringLiteral("型が一致しません。")); }

QDateTime ZeroDate() {
    // Made once: every new record asks for it, and a local date and time
    // costs a look at the time zone each time it is made.
    static const QDateTime zero(QDate(1899, 12, 30), QTime(0, 0));
    return zero;
}

namespace {

int64_t ReadRanged(const db::Recordset& rs, const QString& column, int64_t min, int64_t max) {
    const db::Value v = rs.Field(column);
    if (v.IsNull()) return 0;
    int64_t n = 0;
    if (v.IsDouble()) {
        const double d = v.ToDouble();
        if (!(d >= static_cast<double>(min) - 0.5 && d <= static_cast<double>(max) + 0.5)) ThrowOverflow();
        n = static_cast<int64_t>(std::llround(d));
    } else {
        n = v.AsInt64();
    }
    if (n < min || n > max) ThrowOverflow();
    return n;
}

}  // namespace

int32_t ReadLong(const db::Recordset& rs, const QString& column) {
    return static_cast<int32_t>(
        ReadRanged(rs, column, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

int16_t ReadShort(const db::Recordset& rs, const QString& column) {
    return static_cast<int16_t>(
        ReadRanged(rs, column, std::numeric_limits<int16_t>::min(), std::numeric_limits<int16_t>::max()));
}

uint8_t ReadByte(const db::Recordset& rs, const QString& column) {
    return static_cast<uint8_t>(ReadRanged(rs, column, 0, 255));
}

bool ReadBool(const db::Recordset& rs, const QString& column) {
    const db::Value v = rs.Field(column);
    if (v.IsNull()) return false;
    if (v.IsText()) {
        const QString t = v.ToText().trimmed();
        if (t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0) return true;
        if (t.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0) return false;
    }
    if (v.IsDouble()) return v.ToDouble() != 0.0;
    return v.AsInt64() != 0;
}

QString ReadText(const db::Recordset& rs, const QString& column) {
    const db::Value v = rs.Field(column);
    return v.IsNull() ? QString() : v.ToText();
}

QDateTime ReadDate(const db::Recordset& rs, const QString& column) {
    const db::Value v = rs.Field(column);
    return v.IsNull() ? ZeroDate() : v.AsDateTime();
}

namespace {

template <typename T>
QString Encode(std::span<const T> values, int width) {
    QString text(static_cast<qsizetype>(values.size()) * width, u' ');
    QChar* out = text.data();
    for (size_t k = 0; k < values.size(); ++k) {
        const int value = values[k];
        unsigned magnitude = value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
        QChar* p = out + (k + 1) * width;  // digits are written from the right
        int used = 0;
        do {
            *--p = QChar(u'0' + magnitude % 10);
            magnitude /= 10;
            ++used;
        } while (magnitude != 0 && used < width);
        if (value < 0 && used < width) {
            *--p = u'-';
            ++used;
        }
        if (magnitude != 0 || (value < 0 && *p != u'-')) {
            // Wider than its field: the number is written whole, as the
            // run-time's format does, and the fields after it shift.
            QString whole;
            for (T v : values) whole += QString::number(static_cast<int>(v)).rightJustified(width, u' ');
            return whole;
        }
    }
    return text;
}

template <typename T>
void Decode(const QString& text, int width, std::span<T> out) {
    for (T& v : out) v = 0;
    const qsizetype n = text.size();
    const qsizetype count = n / width + (n % width != 0 ? 1 : 0);
    for (qsizetype k = 0; k < count; ++k) {
        if (k >= static_cast<qsizetype>(out.size())) ThrowSubscript();
        const long value = ParseFixedWidthPiece(QStringView(text).mid(k * width, width), std::numeric_limits<T>::min(),
                                                std::numeric_limits<T>::max());
        out[k] = static_cast<T>(value);
    }
}

}  // namespace

QString EncodeFixedWidth(std::span<const int16_t> values, int width) { return Encode(values, width); }
QString EncodeFixedWidth(std::span<const uint8_t> values, int width) { return Encode(values, width); }

long ParseFixedWidthPiece(QStringView piece, long min, long max) {
    const QStringView t = piece.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == u'-' || t[i] == u'+')) {
        negative = t[i] == u'-';
        ++i;
    }
    if (i >= t.size()) ThrowTypeMismatch();
    long long value = 0;
    for (; i < t.size(); ++i) {
        const int digit = t[i].unicode() >= u'0' && t[i].unicode() <= u'9' ? t[i].unicode() - u'0' : -1;
        if (digit < 0) ThrowTypeMismatch();
        value = value * 10 + digit;
        if (value > 1'000'000'000'000LL) ThrowOverflow();
    }
    if (negative) value = -value;
    if (value < min || value > max) ThrowOverflow();
    return static_cast<long>(value);
}

void DecodeFixedWidth(const QString& text, int width, std::span<uint8_t> out) { Decode(text, width, out); }
void DecodeFixedWidth(const QString& text, int width, std::span<int16_t> out) { Decode(text, width, out); }

}  // namespace mox
