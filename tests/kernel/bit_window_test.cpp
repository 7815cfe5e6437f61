// KrnGetBitWindow: the window of deep gray samples.
#include <gtest/gtest.h>

#include "zelt/kernel.h"

namespace {

TEST(BitWindow, ClipsToTheSampleAndKeepsTheTopBits) {
    struct Case {
        int bits, maxBits, low, high;
        int count;
        DWORD mask;
        int shift;
    } cases[] = {
        {16, 8, 0, 15, 8, 0xFF, 8},    {12, 8, 0, 11, 8, 0xFF, 4},     {12, 12, 0, 11, 12, 0xFFF, 0},
        {16, 16, 0, 15, 16, 0xFFFF, 0}, {16, 8, 2, 9, 8, 0xFF, 2},     {16, 8, 4, 7, 4, 0xF, 4},
        {12, 8, -3, 20, 8, 0xFF, 4},   {16, 8, 5, 5, 1, 0x1, 5},       {16, 8, 10, 3, 0, 0, 0},
        {12, 8, 12, 15, 0, 0, 0},      {16, 0, 0, 15, 0, 0, 0},        {0, 8, 0, 7, 0, 0, 0},
        {16, 4, 0, 10, 4, 0xF, 7},
    };
    for (const Case &c : cases) {
        DWORD mask = 0xDEAD;
        int shift = -1;
        EXPECT_EQ(KrnGetBitWindow(c.bits, c.maxBits, c.low, c.high, &mask, &shift), c.count)
            << c.bits << " bits, max " << c.maxBits << ", " << c.low << ".." << c.high;
        EXPECT_EQ(mask, c.mask) << c.bits << " bits, " << c.low << ".." << c.high;
        EXPECT_EQ(shift, c.shift) << c.bits << " bits, " << c.low << ".." << c.high;
    }
    EXPECT_EQ(KrnGetBitWindow(16, 8, 0, 15, nullptr, nullptr), 8) << "outputs are optional";
}

}  // namespace
