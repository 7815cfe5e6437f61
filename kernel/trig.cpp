// Fixed-point cosine and sine: angles in hundredths of degrees, results
// scaled by 16384. The angle is reduced to the first quadrant before the
// floating-point call, so quarter turns are exact and the usual symmetries
// (cos(-a) = cos(a), sin(a) = cos(9000 - a), ...) hold bit for bit.
#include <cmath>
#include <numbers>

#include "zelt/kernel.h"

namespace {

constexpr long kFullTurn = 36000;
constexpr long kQuarterTurn = 9000;
constexpr double kOne = 16384.0;

// cos of q hundredths of a degree for q in [0, 9000], rounded half away from zero.
LONG CosFirstQuadrant(long q) {
    if (q == 0) return 16384;
    if (q == kQuarterTurn) return 0;
    const double radians = static_cast<double>(q) * std::numbers::pi / (180.0 * 100.0);
    return static_cast<LONG>(std::lround(std::cos(radians) * kOne));
}

// cos over the whole circle by quadrant.
LONG CosAnyAngle(long long hundredths) {
    long a = static_cast<long>(hundredths % kFullTurn);
    if (a < 0) a += kFullTurn;
    if (a <= kQuarterTurn) return CosFirstQuadrant(a);
    if (a <= 2 * kQuarterTurn) return -CosFirstQuadrant(2 * kQuarterTurn - a);
    if (a <= 3 * kQuarterTurn) return -CosFirstQuadrant(a - 2 * kQuarterTurn);
    return CosFirstQuadrant(kFullTurn - a);
}

}  // namespace

extern "C" {

LONG ZELT_API KrnCosFixed(LONG hundredths) { return CosAnyAngle(hundredths); }

// sin(a) = cos(a - 90 degrees); the 64-bit subtraction cannot overflow.
LONG ZELT_API KrnSinFixed(LONG hundredths) { return CosAnyAngle(static_cast<long long>(hundredths) - kQuarterTurn); }

}  // extern "C"
