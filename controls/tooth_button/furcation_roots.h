#pragma once
// The root forms of a tooth button in furcation mode (its Root: the host's
// furcation kind of the tooth) and where each has its furcation entrances.
// The control sees nothing of the host's code, so it keeps this copy of the
// rule the host's tooth tables name (core/tooth_tables.h); a test holds the
// two equal. Any other root has no entrance.

#include <array>
#include <cstdint>

namespace mox::molarix {

inline constexpr int16_t kUpperMolarRoot = 3;
inline constexpr int16_t kUpperPremolarRoot = 21;
inline constexpr int16_t kLowerMolarRoot = 22;

// The entrances as sites of the button (0..2 its upper line, 3..5 its lower
// line): an upper molar's in the middle of the upper line and at both ends
// of the lower one, an upper premolar's at both ends of the upper line, a
// lower molar's in the middle of each line.
inline constexpr std::array<int, 3> kUpperMolarEntrances{1, 3, 5};
inline constexpr std::array<int, 2> kUpperPremolarEntrances{0, 2};
inline constexpr std::array<int, 2> kLowerMolarEntrances{1, 4};

}  // namespace mox::molarix
