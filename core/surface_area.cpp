#include "core/surface_area.h"

#include "core/site_value.h"

#include <cmath>

namespace mox {

namespace {

constexpr int kMaxCountedDepth = 12;

// Polynomial coefficients c1..c6 by tooth index; third molars have none.
struct Polynomial {
    bool none;
    double c[6];
};

constexpr Polynomial kThirdMolar{true, {}};
constexpr Polynomial k17{false, {25.4265, 4.6241, -3.0787, 0.95774, -0.10923, 0.0040876}};
constexpr Polynomial k16{false, {16.8835, -0.5688, 1.5433, -0.06519, -0.01454, 0.0009019}};
constexpr Polynomial k15{false, {39.2681, -7.3113, 1.234, -0.12192, 0.00626, -0.000126}};
constexpr Polynomial k14{false, {21.8618, -2.3031, 0.533, -0.04075, 0.00062, 0.0000119}};
constexpr Polynomial k13{false, {16.5369, 1.601, -0.2494, 0.01087, 0.00021, -0.0000182}};
constexpr Polynomial k12{false, {18.7571, -1.6471, 0.5258, -0.079, 0.00589, -0.0001855}};
constexpr Polynomial k11{false, {12.3905, 0.1374, 0.6717, -0.14536, 0.01126, -0.0003083}};
constexpr Polynomial k47{false, {46.6148, -43.1558, 16.75778, -2.48858, 0.16174, -0.0038873}};
constexpr Polynomial k46{false, {19.1229, -12.2566, 5.575, -0.78145, 0.04566, -0.0009711}};
constexpr Polynomial k45{false, {13.1705, 5.0958, -1.0989, 0.10864, -0.00559, 0.0001179}};
constexpr Polynomial k44{false, {24.6866, -4.8531, 1.3992, -0.18028, 0.01037, -0.0002229}};
constexpr Polynomial k43{false, {24.6992, -3.5868, 0.6903, -0.05799, 0.00189, -0.0000142}};
constexpr Polynomial k42{false, {16.4395, -1.0337, 0.4146, -0.05711, 0.00257, -0.0000211}};
constexpr Polynomial k41{false, {21.46, -6.6888, 2.4638, -0.39094, 0.02743, -0.0007116}};

// Right-side teeth of each jaw in index order (third molar first); the left
// side mirrors them.
constexpr const Polynomial* kUpperRight[8] = {&kThirdMolar, &k17, &k16, &k15, &k14, &k13, &k12, &k11};
constexpr const Polynomial* kLowerRight[8] = {&kThirdMolar, &k47, &k46, &k45, &k44, &k43, &k42, &k41};

const Polynomial& PolynomialOf(int tooth) {
    const int k = tooth % 8;
    const int fromBack = (tooth / 8) % 2 == 0 ? k : 7 - k;
    return tooth < 16 ? *kUpperRight[fromBack] : *kLowerRight[fromBack];
}

}  // namespace

bool ComputeSurfaceArea(std::span<const uint8_t, 192> pocketDepths, std::span<const uint8_t, 192> bleeding,
                        SurfaceAreas& pesa, SurfaceAreas& pisa) {
    for (int t = 0; t < 32; ++t) {
        int depthSum = 0;
        int bleedingCount = 0;
        for (int s = 0; s < 6; ++s) {
            const int i = t * 6 + s;
            const int depth = pocketDepths[i];
            if (depth == kNoSiteValue) continue;
            depthSum += depth > kMaxCountedDepth ? kMaxCountedDepth : depth;
            if (bleeding[i] == 1) ++bleedingCount;
        }
        // An unmeasured site counts as 0 mm: the divisor is always 6.
        const double x = depthSum / 6.0;
        const Polynomial& poly = PolynomialOf(t);
        double area = 0.0;
        if (poly.none) {
            area = x;
        } else {
            for (int k = 1; k <= 6; ++k) area += poly.c[k - 1] * std::pow(x, k);
        }
        pesa[t] = area;
        pisa[t] = (bleedingCount / 6.0) * area;
    }
    pesa[32] = 0.0;
    pisa[32] = 0.0;
    for (int t = 0; t < 32; ++t) {
        pesa[32] += pesa[t];
        pisa[32] += pisa[t];
    }
    return true;
}

}  // namespace mox
