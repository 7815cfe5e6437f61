// The per-depth table: single-pixel access agrees with the documented
// layouts and leaves neighbouring pixels alone.
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "kernel/pixel_oracle.h"
#include "pixel_formats.h"

namespace {

using namespace zelt::test;
using zelt::kernel::FindPixelFormat;

TEST(PixelFormats, EveryLayoutHasAnEntryOfItsDepth) {
    for (const Layout &layout : AllLayouts()) {
        const auto *format = FindPixelFormat(layout.bits, layout.order);
        ASSERT_NE(format, nullptr) << layout.Name();
        EXPECT_EQ(format->bitsPerPixel, layout.bits) << layout.Name();
        EXPECT_EQ(format->indexed, layout.Indexed()) << layout.Name();
        EXPECT_EQ(format->gray, layout.Gray()) << layout.Name();
    }
    EXPECT_TRUE(FindPixelFormat(16, 1, true)->gray) << "the gray flag forces 16-bit gray";
    for (int bits : {0, 9, 10, 15, 17, 31, 33, 128}) EXPECT_EQ(FindPixelFormat(bits, 1), nullptr) << bits;
}

TEST(PixelFormats, ReadAndWriteFollowTheLayoutAndKeepNeighbours) {
    for (const Layout &layout : AllLayouts()) {
        const auto &format = *FindPixelFormat(layout.bits, layout.order);
        const int width = 41;
        std::mt19937 rng(static_cast<unsigned>(layout.bits * 3 + layout.order));
        auto row = RandomBytes(rng, RowBytes(width, layout.bits));
        for (int x = 0; x < width; ++x) ASSERT_EQ(format.readPixel(row.data(), x), OracleRead(row.data(), x, layout.bits)) << layout.Name() << " read " << x;
        const std::uint64_t valueMask = layout.bits == 64 ? ~0ull : (1ull << layout.bits) - 1;
        for (int n = 0; n < 200; ++n) {
            const int x = static_cast<int>(rng() % width);
            const std::uint64_t value = ((std::uint64_t(rng()) << 32) | rng()) & valueMask;
            auto expected = row;
            OracleWrite(expected.data(), x, layout.bits, value);
            format.writePixel(row.data(), x, value);
            ASSERT_EQ(row, expected) << layout.Name() << " write " << x;
        }
    }
}

}  // namespace
