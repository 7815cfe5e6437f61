// MulDiv: the exact 64-bit product divided and rounded to nearest, halves
// away from zero; -1 for a zero divisor or a result outside 32 bits.
#include <cstdint>
#include <limits>

#include "zelt/win32.h"

extern "C" int WINAPI MulDiv(int nNumber, int nNumerator, int nDenominator) {
    if (nDenominator == 0) return -1;
    const std::int64_t product = std::int64_t{nNumber} * nNumerator;
    const std::int64_t divisor = nDenominator;
    std::int64_t quotient = product / divisor;
    const std::int64_t remainder = product % divisor;
    const std::int64_t absRemainder = remainder < 0 ? -remainder : remainder;
    const std::int64_t absDivisor = divisor < 0 ? -divisor : divisor;
    if (2 * absRemainder >= absDivisor) quotient += ((product < 0) != (divisor < 0)) ? -1 : 1;
    if (quotient > std::numeric_limits<int>::max() || quotient < std::numeric_limits<int>::min()) return -1;
    return static_cast<int>(quotient);
}
