#pragma once
// Periodontal epithelial and inflamed surface area (PESA, PISA) of one
// examination, per tooth and for the whole mouth.

#include <array>
#include <cstdint>
#include <span>

namespace mox {

// Index 0..31: by tooth index; index 32: the sum over the 32 teeth.
using SurfaceAreas = std::array<double, 33>;

// pocketDepths and bleeding are by site index (tooth × 6 + slot); a depth of
// 128 is no value, a bleeding mark of exactly 1 is bleeding. Both outputs are
// overwritten whole. Always returns true.
bool ComputeSurfaceArea(std::span<const uint8_t, 192> pocketDepths, std::span<const uint8_t, 192> bleeding,
                        SurfaceAreas& pesa, SurfaceAreas& pisa);

}  // namespace mox
