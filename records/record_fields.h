#pragma once
// Reading and writing the columns of a row for the record classes, and the
// fixed-width number texts that the tables store arrays in. Every value text
// is decimal, right-aligned with leading blanks in its field: 3 characters
// for a site value or a position ("@@@"), 6 for a tooth status word
// ("@@@@@@"). Errors carry the run-time's numbers so that callers can tell a
// bad index, an overflow and a text that is no number apart.

#include "platform/db/database.h"

#include <QDateTime>
#include <QString>
#include <cstdint>
#include <span>

namespace mox {

inline constexpr long kErrSubscript = 9;  // index out of range

[[noreturn]] void ThrowSubscript();
[[noreturn]] void ThrowOverflow();
[[noreturn]] void ThrowTypeMismatch();

// The date that stands for "no date" (the run-time's date 0).
QDateTime ZeroDate();

// Column readers. A Null reads as the empty value of the type (0, empty
// text, the zero date): rows copied by a conversion may hold Nulls. A value
// that does not convert fails with a type mismatch, one that does not fit
// the type with an overflow.
int32_t ReadLong(const db::Recordset& rs, const QString& column);
int16_t ReadShort(const db::Recordset& rs, const QString& column);
uint8_t ReadByte(const db::Recordset& rs, const QString& column);
bool ReadBool(const db::Recordset& rs, const QString& column);
QString ReadText(const db::Recordset& rs, const QString& column);
QDateTime ReadDate(const db::Recordset& rs, const QString& column);

// Fixed-width texts.
QString EncodeFixedWidth(std::span<const int16_t> values, int width);
QString EncodeFixedWidth(std::span<const uint8_t> values, int width);
// One piece of a fixed-width text as a whole number (blanks around it are
// allowed); fails with a type mismatch, or an overflow outside min..max.
long ParseFixedWidthPiece(QStringView piece, long min, long max);
// Sets every element to 0, then stores the pieces of `text` in order; the
// last piece may be shorter. A text with more pieces than elements fails
// with an index error at the first surplus piece, the elements before it
// already stored.
void DecodeFixedWidth(const QString& text, int width, std::span<uint8_t> out);
void DecodeFixedWidth(const QString& text, int width, std::span<int16_t> out);

}  // namespace mox
