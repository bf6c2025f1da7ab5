#pragma once
// What a stored examination row holds for a site or tooth without a value.
// The statistics below the records read stored rows, so the code lives here;
// the records' vocabulary names it for everything above.

#include <cstdint>

namespace mox {

inline constexpr uint8_t kNoSiteValue = 128;

}  // namespace mox
