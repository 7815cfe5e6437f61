// Exact division by small divisors through a table of reciprocals, for the
// hue spaces, whose formulas divide by a per-pixel quantity.
//
// With m = floor(2^40 / d) + 1, (n * m) >> 40 equals n / d (truncated) for
// every n >= 0 with n * d < 2^40: n * m / 2^40 exceeds n / d by at most
// n / 2^40, which stays below 1 / d, the least distance from n / d to the
// next integer when n / d is not one. The divisors here are at most 1530
// and the numerators below 2^23, far inside that bound, and n * m stays
// below 2^64.
#pragma once

#include <array>
#include <cstdint>

inline constexpr int kLargestDivisor = 1530;  // 6 * 255, the hue divisor of HLS

inline constexpr std::array<uint64_t, kLargestDivisor + 1> kReciprocals = [] {
    std::array<uint64_t, kLargestDivisor + 1> table{};
    for (uint64_t d = 1; d <= kLargestDivisor; ++d) table[d] = (uint64_t{1} << 40) / d + 1;
    return table;
}();

// numerator / divisor for 0 <= numerator < 2^23, 1 <= divisor <= 1530.
inline int DivideExactly(int numerator, int divisor) {
    return static_cast<int>((static_cast<uint64_t>(numerator) * kReciprocals[divisor]) >> 40);
}

// The same for a numerator of either sign, truncating toward zero (the
// sign is restored by selection, not by a branch).
inline int DivideTowardZero(int numerator, int divisor) {
    const int sign = numerator >> 31;  // 0 or -1
    const int magnitude = DivideExactly((numerator ^ sign) - sign, divisor);
    return (magnitude ^ sign) - sign;
}
