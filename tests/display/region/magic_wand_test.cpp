// The magic wand against a breadth-first flood fill over the colours the
// kernel reports for each pixel.
#include <cstdlib>
#include <deque>

#include <gtest/gtest.h>

#include "pixel_image.h"
#include "region_test_support.h"

namespace {

using namespace zelt::test;

class MagicWandTest : public LeakCheckedTest {};

// The 4-connected pixels around the seed whose channels each lie within
// `tolerance` of the seed's; the seed itself is always in.
PixelMask FloodModel(BitmapRecord &bitmap, LONG seedX, LONG seedY, int tolerance) {
    const LONG w = bitmap.Width, h = bitmap.Height;
    const COLORREF seed = KrnGetPixelColor(&bitmap, seedY, seedX);
    auto near = [&](COLORREF c) {
        return std::abs(int(GetRValue(c)) - int(GetRValue(seed))) <= tolerance &&
               std::abs(int(GetGValue(c)) - int(GetGValue(seed))) <= tolerance &&
               std::abs(int(GetBValue(c)) - int(GetBValue(seed))) <= tolerance;
    };
    PixelMask selected(w, h);
    std::deque<POINT> queue{POINT{seedX, seedY}};
    selected.Set(seedX, seedY);
    while (!queue.empty()) {
        const POINT p = queue.front();
        queue.pop_front();
        const POINT next[] = {{p.x - 1, p.y}, {p.x + 1, p.y}, {p.x, p.y - 1}, {p.x, p.y + 1}};
        for (const POINT &n : next) {
            if (!selected.Inside(n.x, n.y) || selected.Get(n.x, n.y)) continue;
            if (!near(KrnGetPixelColor(&bitmap, n.y, n.x))) continue;
            selected.Set(n.x, n.y);
            queue.push_back(n);
        }
    }
    return selected;
}

TEST_F(MagicWandTest, MatchesFloodFillInEveryLayout) {
    constexpr LONG kW = 47, kH = 31;
    for (const PixelLayout &layout : kPixelLayouts) {
        for (int tolerance : {0, 9, 30, 0x1FF}) {  // only the low byte counts: 0x1FF is 255
            for (uint32_t seed = 0; seed < 3; ++seed) {
                SCOPED_TRACE(std::string(layout.name) + " tolerance " + std::to_string(tolerance) + " seed " +
                             std::to_string(seed));
                PixelImage canvas(layout, kW, kH, seed * 31 + uint32_t(layout.bits) * 7 + uint32_t(layout.order));
                std::mt19937 rng(seed);
                const LONG x = LONG(rng() % kW), y = LONG(rng() % kH);
                const PixelMask expected = FloodModel(canvas.bitmap, x, y, tolerance & 0xFF);
                ASSERT_EQ(Z_SetBitmapRgnMagicWand(&canvas.bitmap, x, y, UINT(tolerance), RGNMODE_SET), STATUS_OK);
                ASSERT_TRUE(RecordIsWellFormed(*canvas.bitmap.Region));
                EXPECT_EQ(MaskFromRecord(*canvas.bitmap.Region, kW, kH), expected);
            }
        }
    }
}

TEST_F(MagicWandTest, IslandsUniformImagesAndBadSeeds) {
    PixelImage canvas(kPixelLayouts[10], 12, 9, 1, 1);  // 24 bits, one colour
    ASSERT_EQ(Z_SetBitmapRgnMagicWand(&canvas.bitmap, 11, 8, 0, RGNMODE_SET), STATUS_OK);
    EXPECT_EQ(MaskFromRecord(*canvas.bitmap.Region, 12, 9).Count(), 12 * 9);

    // A one-pixel island selects itself, merged by mode.
    canvas.WritePixel(5, 4, canvas.pool[0] ^ 0x808080);
    ASSERT_EQ(Z_SetBitmapRgnMagicWand(&canvas.bitmap, 5, 4, 10, RGNMODE_XOR), STATUS_OK);
    const PixelMask all = MaskFromRecord(*canvas.bitmap.Region, 12, 9);
    EXPECT_EQ(all.Count(), 12 * 9 - 1);
    EXPECT_FALSE(all.Get(5, 4));

    const POINT outside[] = {{12, 0}, {-1, 3}, {0, 9}, {4, -1}};
    for (const POINT &p : outside)
        EXPECT_EQ(Z_SetBitmapRgnMagicWand(&canvas.bitmap, p.x, p.y, 0, RGNMODE_SET), STATUS_BAD_PARAMETER);
    EXPECT_EQ(MaskFromRecord(*canvas.bitmap.Region, 12, 9), all);
    BitmapRecord unallocated{};
    EXPECT_EQ(Z_SetBitmapRgnMagicWand(&unallocated, 0, 0, 0, RGNMODE_SET), STATUS_NO_BITMAP);
    EXPECT_EQ(Z_SetBitmapRgnMagicWand(nullptr, 0, 0, 0, RGNMODE_SET), STATUS_NO_BITMAP);
}

// Every allocation failing in turn, the stack's growth included: below a
// full first row, columns alternate in and out, so one span leaves more run
// starts pending than the stack's first block holds.
TEST_F(MagicWandTest, FailedAllocationsKeepThePreviousRegion) {
    constexpr LONG kW = 60010, kH = 3;
    PixelImage image(kPixelLayouts[7], kW, kH, 4, 1);  // 8 bits
    for (LONG y = 1; y < kH; ++y)
        for (LONG x = 1; x < kW; x += 2) image.WritePixel(x, y, 1);
    ASSERT_NE(image.ColorAt(0, 0), image.ColorAt(1, 1));
    image.bitmap.Region = RecordFromMask(RandomShape(12, kW, kH)).release();
    EXPECT_GT(FailuresKeepingSelection(image.bitmap, [&] {
                  return Z_SetBitmapRgnMagicWand(&image.bitmap, 5, 0, 0, RGNMODE_XOR);
              }),
              8);
    // Undisturbed, the wand flips exactly the flood fill's pixels.
    const PixelMask before = MaskFromRecord(*image.bitmap.Region, kW, kH);
    const PixelMask flood = FloodModel(image.bitmap, 5, 0, 0);
    ASSERT_EQ(Z_SetBitmapRgnMagicWand(&image.bitmap, 5, 0, 0, RGNMODE_XOR), STATUS_OK);
    EXPECT_EQ(MaskFromRecord(*image.bitmap.Region, kW, kH),
              ModelOf(kW, kH, 0, 0, [&](LONG x, LONG y) { return before.Get(x, y) != flood.Get(x, y); }));
    EXPECT_EQ(flood.Count(), kW + 2 * (kW / 2));
}

}  // namespace
