// MonoExpandTable and ExpandMonoRow against the bit rule, at every first
// pixel inside a byte and widths 0..80, normal and inverted.
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "paint/paint_engine.h"

namespace {

TEST(MonoExpand, TableFollowsTheBitRule) {
    const BYTE golden1[8] = {0, 0, 0, 0, 0, 0, 0, 0xFF};
    const BYTE golden0xA5[8] = {0xFF, 0, 0xFF, 0, 0, 0xFF, 0, 0xFF};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(MonoExpandTable[1][i], golden1[i]) << i;
        EXPECT_EQ(MonoExpandTable[0xA5][i], golden0xA5[i]) << i;
    }
    for (int b = 0; b < 256; ++b)
        for (int i = 0; i < 8; ++i)
            ASSERT_EQ(MonoExpandTable[b][i], ((b >> (7 - i)) & 1) ? 0xFF : 0x00) << "entry " << b << " byte " << i;
}

TEST(MonoExpand, RowsMatchBitByBitExpansion) {
    std::mt19937 random(5);
    std::vector<BYTE> source(16);
    for (BYTE &b : source) b = static_cast<BYTE>(random());
    for (int invert = 0; invert < 2; ++invert) {
        for (int first = 0; first < 16; ++first) {
            for (int count = 0; count + first <= 8 * static_cast<int>(source.size()) && count <= 80; ++count) {
                std::vector<BYTE> out(static_cast<std::size_t>(count) + 4, 0x5A);
                ExpandMonoRow(out.data(), source.data(), first, count, invert);
                for (int i = 0; i < count; ++i) {
                    const int x = first + i;
                    const int bit = ((source[x / 8] >> (7 - x % 8)) & 1) ^ invert;
                    ASSERT_EQ(out[i], bit ? 0xFF : 0x00)
                        << "first " << first << " count " << count << " invert " << invert << " pixel " << i;
                }
                for (int i = count; i < count + 4; ++i)
                    ASSERT_EQ(out[i], 0x5A) << "wrote past " << count << " pixels from " << first;
            }
        }
    }
}

}  // namespace
