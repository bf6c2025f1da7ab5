#pragma once
// Texts of values as the screens and sheets show them.

#include "platform/db/value.h"

#include <QString>

namespace mox {

// Trim as the original run-time does it: blanks only, not tabs or
// full-width spaces.
QString TrimBlanks(const QString& text);

// The text up to its first NUL: Windows strings read from the registry or a
// server's listing may carry one, and nothing after it is part of the text.
QString NulTerminated(const QString& text);

// "" for Null, else the value as text.
QString NullToStr(const db::Value& value);

// The format "0.0" (also "#0.0"): one decimal, halves away from zero, at
// least one digit before the point. The half is judged on the value's
// decimal form to 15 significant digits, as the original run-time did, so
// 0.15, 0.05 and 2.675 count as the decimals they were written as
// ("0.2", "0.1", "2.7") although binary floating point holds them a hair
// low. A value that rounds to zero gives "0.0" without a sign; a value that
// is not finite gives "".
QString FormatOneDecimal(double value);

// The whole number a typed text of minDigits..maxDigits decimal digits
// (blanks around it trimmed, full-width digits too, as an input method may
// type them) stands for; -1 for anything else.
qint64 DigitsValue(const QString& text, int minDigits, int maxDigits);

// The identifier block as decimal text ("1").
QString GetIdBaseText();

}  // namespace mox
