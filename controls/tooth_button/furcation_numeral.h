#pragma once
// The furcation grades as the tooth button draws them, shared with the
// printed sheets so that a grade reads the same on the screen and on paper.
// Hosts may include this header.

#include <QString>
#include <cstdint>

namespace mox::molarix {

// "Ⅰ", "Ⅱ", "Ⅲ" for grades 1..3; a blank for anything else.
inline QString FurcationNumeral(int32_t grade) {
    static constexpr char16_t kNumerals[] = u"ⅠⅡⅢ";
    return grade >= 1 && grade <= 3 ? QString(QChar(kNumerals[grade - 1])) : QStringLiteral(" ");
}

}  // namespace mox::molarix
