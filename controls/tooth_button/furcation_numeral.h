#pragma once
// The furcation grades as the tooth button draws them, shared with the
// printed sheets so that a grade reads the same on the screen and on paper.
// Hosts may include this header.

#include <QString>
#include <cstdint>

namespace mox::molarix {

// "Ⅰ", "Ⅱ", "Ⅲ" for grades 1..3; a blank for anything else.
inline QString FurcationNumeral(int32_t grade) {
    switch (grade) {
        case 1:
            return QStringLiteral("Ⅰ");
        case 2:
            return QStringLiteral("Ⅱ");
        case 3:
            return QStringLiteral("Ⅲ");
        default:
            return QStringLiteral(" ");
    }
}

}  // namespace mox::molarix
