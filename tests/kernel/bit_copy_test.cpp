// Bit-run copies in both bit orders against a bit-at-a-time oracle.
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "bit_copy.h"

namespace {

using zelt::kernel::BitCopyFunction;

unsigned GetBit(const std::vector<BYTE> &row, std::size_t bit, bool msbFirst) {
    const unsigned shift = msbFirst ? 7 - (bit % 8) : bit % 8;
    return (row[bit / 8] >> shift) & 1u;
}

void SetBit(std::vector<BYTE> &row, std::size_t bit, bool msbFirst, unsigned value) {
    const unsigned shift = msbFirst ? 7 - (bit % 8) : bit % 8;
    row[bit / 8] = static_cast<BYTE>((row[bit / 8] & ~(1u << shift)) | (value << shift));
}

void CheckAgainstOracle(BitCopyFunction copy, bool msbFirst) {
    for (int testCase = 0; testCase < 3000; ++testCase) {
        std::mt19937 random(testCase);
        const std::size_t bytes = 1 + random() % 40;
        std::vector<BYTE> src(bytes), dst(bytes);
        for (auto &b : src) b = static_cast<BYTE>(random());
        for (auto &b : dst) b = static_cast<BYTE>(random());
        const std::size_t bits = bytes * 8;
        const std::size_t count = random() % (bits + 1);
        // Offsets biased toward byte boundaries, where the fast paths switch.
        auto offset = [&](std::size_t room) {
            std::size_t o = random() % (room + 1);
            if (random() % 3 == 0) o &= ~std::size_t{7};
            return o;
        };
        const std::size_t srcBit = offset(bits - count), dstBit = offset(bits - count);
        std::vector<BYTE> expected = dst;
        for (std::size_t i = 0; i < count; ++i) SetBit(expected, dstBit + i, msbFirst, GetBit(src, srcBit + i, msbFirst));
        copy(dst.data(), dstBit, src.data(), srcBit, count);
        ASSERT_EQ(dst, expected) << "case " << testCase << ": " << count << " bits from " << srcBit << " to "
                                 << dstBit;
    }
}

TEST(KernelBitCopy, MostSignificantFirstMatchesOracle) { CheckAgainstOracle(zelt::kernel::CopyBitsMsbFirst, true); }

TEST(KernelBitCopy, LeastSignificantFirstMatchesOracle) { CheckAgainstOracle(zelt::kernel::CopyBitsLsbFirst, false); }

TEST(KernelBitCopy, TwelveBitRowsUseTheLittleEndianOrder) {
    EXPECT_EQ(zelt::kernel::BitCopierForDepth(12), zelt::kernel::CopyBitsLsbFirst);
    for (int bpp : {1, 2, 3, 4, 5, 6, 7, 8, 16, 24, 32, 48, 64}) {
        EXPECT_EQ(zelt::kernel::BitCopierForDepth(bpp), zelt::kernel::CopyBitsMsbFirst) << bpp;
    }
}

}  // namespace
