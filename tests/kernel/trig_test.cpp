// Fixed-point cosine and sine against the floating-point functions, exact
// quarter turns and the symmetries the region shear relies on.
#include <climits>
#include <cmath>
#include <numbers>

#include <gtest/gtest.h>

#include "zelt/kernel.h"

namespace {

double Reference(double hundredths, bool sine) {
    const double radians = hundredths * std::numbers::pi / 18000.0;
    return (sine ? std::sin(radians) : std::cos(radians)) * 16384.0;
}

TEST(KernelTrig, QuarterTurnsAreExact) {
    struct Case {
        LONG angle;
        LONG cos, sin;
    };
    const Case cases[] = {
        {0, 16384, 0},        {9000, 0, 16384},      {18000, -16384, 0},   {27000, 0, -16384},
        {36000, 16384, 0},    {-9000, 0, -16384},    {-18000, -16384, 0},  {45000, 0, 16384},
        {-36000, 16384, 0},   {360000, 16384, 0},    {-27000, 0, 16384},   {72000 + 18000, -16384, 0},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(KrnCosFixed(c.angle), c.cos) << c.angle;
        EXPECT_EQ(KrnSinFixed(c.angle), c.sin) << c.angle;
    }
}

TEST(KernelTrig, AgreesWithFloatingPointWithinOne) {
    for (LONG a = -80000; a <= 80000; a += 7) {
        ASSERT_LE(std::fabs(KrnCosFixed(a) - Reference(a, false)), 1.0) << a;
        ASSERT_LE(std::fabs(KrnSinFixed(a) - Reference(a, true)), 1.0) << a;
    }
    // Known roundings: cos 60 degrees is exactly half, cos 45 is 11585.2.
    EXPECT_EQ(KrnCosFixed(6000), 8192);
    EXPECT_EQ(KrnSinFixed(3000), 8192);
    EXPECT_EQ(KrnCosFixed(4500), 11585);
    EXPECT_EQ(KrnSinFixed(4500), 11585);
}

TEST(KernelTrig, SymmetriesHoldExactly) {
    for (LONG a = -40000; a <= 40000; a += 13) {
        ASSERT_EQ(KrnCosFixed(-a), KrnCosFixed(a)) << a;
        ASSERT_EQ(KrnSinFixed(-a), -KrnSinFixed(a)) << a;
        ASSERT_EQ(KrnSinFixed(a), KrnCosFixed(9000 - a)) << a;
        ASSERT_EQ(KrnCosFixed(18000 - a), -KrnCosFixed(a)) << a;
        ASSERT_EQ(KrnCosFixed(a + 36000), KrnCosFixed(a)) << a;
    }
}

TEST(KernelTrig, ExtremeAnglesStayInRange) {
    for (LONG a : {LONG{INT_MIN}, LONG{INT_MAX}, LONG{INT_MIN + 1}, LONG{INT_MAX - 1}}) {
        EXPECT_LE(std::abs(KrnCosFixed(a)), 16384) << a;
        EXPECT_LE(std::abs(KrnSinFixed(a)), 16384) << a;
        EXPECT_LE(std::fabs(KrnCosFixed(a) - Reference(static_cast<double>(a % 36000), false)), 1.0) << a;
    }
}

}  // namespace
