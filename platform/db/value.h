#pragma once
// The variant that crosses the database layer: a real Null, whole numbers,
// floating-point numbers and text. Dates travel as text "yyyy-mm-dd hh:mm:ss"
// and Booleans as 1 and 0, which is how every database file stores them.

#include <QDate>
#include <QDateTime>
#include <QString>
#include <cstdint>
#include <variant>

namespace mox::db {

class Value {
public:
    Value() = default;  // Null
    Value(std::nullptr_t) {}
    Value(int v) : data_(static_cast<int64_t>(v)) {}
    Value(long v) : data_(static_cast<int64_t>(v)) {}
    Value(long long v) : data_(static_cast<int64_t>(v)) {}
    Value(bool v) : data_(static_cast<int64_t>(v ? 1 : 0)) {}
    Value(double v) : data_(v) {}
    Value(const QString& v) : data_(v) {}
    Value(const char* v) : data_(QString::fromUtf8(v)) {}
    Value(const QDate& d);
    Value(const QDateTime& dt);

    bool IsNull() const { return std::holds_alternative<std::monostate>(data_); }
    bool IsInteger() const { return std::holds_alternative<int64_t>(data_); }
    bool IsDouble() const { return std::holds_alternative<double>(data_); }
    bool IsText() const { return std::holds_alternative<QString>(data_); }

    // Conversions in the forgiving way of the original run-time: text that
    // reads as a number converts, Null gives 0 / "" / an invalid date.
    int64_t ToInt64() const;
    int32_t ToInt32() const { return static_cast<int32_t>(ToInt64()); }
    int16_t ToInt16() const { return static_cast<int16_t>(ToInt64()); }
    double ToDouble() const;
    bool ToBool() const { return ToInt64() != 0; }
    QString ToText() const;
    QDateTime ToDateTime() const;
    QDate ToDate() const { return ToDateTime().date(); }

    // Strict conversions: throw DbError when the value is Null or does not
    // convert. Record classes that must fail on a bad column use these.
    int64_t AsInt64() const;
    QString AsText() const;
    QDateTime AsDateTime() const;

    bool operator==(const Value& o) const { return data_ == o.data_; }

    using Storage = std::variant<std::monostate, int64_t, double, QString>;
    const Storage& Raw() const { return data_; }

    static QString DateTimeToText(const QDateTime& dt);

private:
    Storage data_;
};

}  // namespace mox::db
