// Colour regions over every stored layout against a per-pixel scan of the
// colours the kernel reports, and regions to masks and back.
#include <functional>

#include <gtest/gtest.h>

#include "pixel_image.h"
#include "region_test_support.h"

namespace {

using namespace zelt::test;

class ColorRegionTest : public LeakCheckedTest {};

constexpr LONG kW = 29, kH = 13;

TEST_F(ColorRegionTest, SelectsThePixelsOfOneColourInEveryLayout) {
    for (const PixelLayout &layout : kPixelLayouts) {
        SCOPED_TRACE(layout.name);
        PixelImage canvas(layout, kW, kH, 1000 + layout.bits * 10 + layout.order);
        const bool packed = layout.bits <= 8;
        // Packed images match by index: the first palette entry of the colour.
        auto firstIndexOf = [&](COLORREF c) {
            for (size_t i = 0; i < canvas.palette.size(); ++i) {
                const RGBQUAD &p = canvas.palette[i];
                if (RGB(p.rgbRed, p.rgbGreen, p.rgbBlue) == c) return int(i);
            }
            return -1;
        };
        for (size_t k = 0; k < canvas.pool.size(); ++k) {
            LONG x0 = 0;
            while (x0 < kW * kH && size_t(canvas.choice[size_t(x0)]) != k) ++x0;
            if (x0 == kW * kH) continue;
            const COLORREF color = canvas.ColorAt(x0 % kW, x0 / kW);
            const PixelMask expected = ModelOf(kW, kH, 0, 0, [&](LONG x, LONG y) {
                if (packed) return int(canvas.pool[size_t(canvas.Choice(x, y))]) == firstIndexOf(color);
                return canvas.ColorAt(x, y) == color;
            });
            ASSERT_EQ(Z_SetBitmapRgnColor(&canvas.bitmap, color, RGNMODE_SET), STATUS_OK);
            EXPECT_EQ(SelectionOf(canvas.bitmap), expected) << "pool value " << k;
        }
        if (packed && canvas.pool.size() > 3) {
            // The index form names the duplicated entry 3 itself.
            ASSERT_EQ(Z_SetBitmapRgnColor(&canvas.bitmap, 0x01000003, RGNMODE_SET), STATUS_OK);
            EXPECT_EQ(SelectionOf(canvas.bitmap),
                      ModelOf(kW, kH, 0, 0, [&](LONG x, LONG y) { return canvas.Choice(x, y) == 3; }));
        }
    }
}

TEST_F(ColorRegionTest, ColourOutsideThePaletteSelectsNothing) {
    PixelImage canvas(kPixelLayouts[7], kW, kH, 5);  // 8 bits
    COLORREF absent = 0;
    while (std::any_of(canvas.palette.begin(), canvas.palette.end(), [&](const RGBQUAD &p) {
        return RGB(p.rgbRed, p.rgbGreen, p.rgbBlue) == absent;
    }))
        ++absent;
    ASSERT_EQ(Z_SetBitmapRgnColor(&canvas.bitmap, absent, RGNMODE_AND), STATUS_OK);
    EXPECT_EQ(SelectionOf(canvas.bitmap).Count(), 0);
    BitmapRecord unallocated{};
    EXPECT_EQ(Z_SetBitmapRgnColor(&unallocated, 0, RGNMODE_SET), STATUS_NO_BITMAP);
    EXPECT_EQ(Z_SetBitmapRgnColor(nullptr, 0, RGNMODE_SET), STATUS_NO_BITMAP);
}

// A 1-bit mask's pixel, most significant bit first.
bool MaskBit(const BitmapRecord &mask, LONG x, LONG y) {
    const BYTE *row = static_cast<const BYTE *>(mask.Data) + size_t(y) * size_t(mask.BytesPerLine);
    return (row[x >> 3] & (0x80 >> (x & 7))) != 0;
}

TEST_F(ColorRegionTest, MaskRoundTripKeepsEveryPixel) {
    for (uint32_t seed = 1; seed <= 6; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        const LONG w = LONG(20 + seed * 7), h = LONG(9 + seed * 3);
        const PixelMask shape = RandomShape(seed, w, h);
        PixelImage source(kPixelLayouts[10], w, h, seed);  // 24 bits
        source.bitmap.ViewPerspective = int(seed % 9);
        if (seed != 6) source.bitmap.Region = RecordFromMask(shape).release();
        BitmapRecord mask{};
        ASSERT_EQ(Z_CreateMaskFromBitmapRgn(&source.bitmap, &mask), STATUS_OK);
        EXPECT_EQ(mask.BitsPerPixel, 1);
        EXPECT_EQ(mask.ViewPerspective, source.bitmap.ViewPerspective);
        EXPECT_EQ(mask.Region, nullptr);
        // No region: every pixel is selected.
        const PixelMask expected = seed == 6 ? WholeCanvas(w, h) : shape;
        EXPECT_EQ(ModelOf(w, h, 0, 0, [&](LONG x, LONG y) { return MaskBit(mask, x, y); }), expected);

        RegionBitmap target(w, h);
        ASSERT_EQ(Z_SetBitmapRgnFromMask(&target.record, nullptr, &mask, RGNMODE_SET), STATUS_OK);
        EXPECT_EQ(target.Selection(), expected);
        EXPECT_EQ(mask.Region, nullptr);  // the caller's mask is left alone
        KrnFreeBitmap(&mask);
    }
}

TEST_F(ColorRegionTest, MasksOfOtherKindsSelectTheirWhitePixels) {
    constexpr LONG w = 37, h = 11;
    const PixelMask shape = RandomShape(99, w, h);
    // White as index 0 (an inverted black and white mask).
    {
        const std::vector<RGBQUAD> inverted = {{255, 255, 255, 0}, {0, 0, 0, 0}};
        BitmapRecord mask{};
        ASSERT_EQ(KrnCreateBitmap(&mask, KRN_MEMORY_CONVENTIONAL, w, h, 1, 0, inverted.data(), 0, nullptr, 0), STATUS_OK);
        ASSERT_EQ(KrnIsGrayBitmap(&mask), 2);
        for (LONG y = 0; y < h; ++y)
            for (LONG x = 0; x < w; ++x)
                if (!shape.Get(x, y)) static_cast<BYTE *>(mask.Data)[y * mask.BytesPerLine + x / 8] |= BYTE(0x80 >> (x & 7));
        RegionBitmap target(w, h);
        ASSERT_EQ(Z_SetBitmapRgnFromMask(&target.record, nullptr, &mask, RGNMODE_SET), STATUS_OK);
        EXPECT_EQ(target.Selection(), shape);
        KrnFreeBitmap(&mask);
    }
    // An 8-bit gray image: light levels become white, dark ones black.
    {
        BitmapRecord mask{};
        ASSERT_EQ(KrnCreateBitmap(&mask, KRN_MEMORY_CONVENTIONAL, w, h, 8, 0, nullptr, 0, nullptr, 0), STATUS_OK);
        const BYTE light[] = {255, 220}, dark[] = {0, 40};
        for (LONG y = 0; y < h; ++y)
            for (LONG x = 0; x < w; ++x)
                static_cast<BYTE *>(mask.Data)[y * mask.BytesPerLine + x] = shape.Get(x, y) ? light[x & 1] : dark[y & 1];
        mask.Region = RecordFromMask(RandomShape(4, w, h)).release();  // the mask's own selection plays no part
        RegionBitmap target(w, h, RecordFromMask(RandomShape(3, w, h)));
        const PixelMask old = target.Selection();
        ASSERT_EQ(Z_SetBitmapRgnFromMask(&target.record, nullptr, &mask, RGNMODE_OR), STATUS_OK);
        EXPECT_EQ(target.Selection(), ModelOf(w, h, 0, 0, [&](LONG x, LONG y) { return old.Get(x, y) || shape.Get(x, y); }));
        KrnFreeBitmap(&mask);
    }
    BitmapRecord unallocated{};
    RegionBitmap target(w, h);
    EXPECT_EQ(Z_SetBitmapRgnFromMask(nullptr, nullptr, &unallocated, RGNMODE_SET), STATUS_BAD_PARAMETER);
    EXPECT_EQ(Z_SetBitmapRgnFromMask(&target.record, nullptr, &unallocated, RGNMODE_SET), STATUS_BAD_PARAMETER);
    EXPECT_EQ(Z_SetBitmapRgnFromMask(&target.record, nullptr, nullptr, RGNMODE_SET), STATUS_BAD_PARAMETER);
    EXPECT_EQ(Z_CreateMaskFromBitmapRgn(&target.record, nullptr), STATUS_BAD_PARAMETER);
}

// Every allocation failing in turn: the status says so, the previous
// selection stays pixel for pixel and nothing leaks.
TEST_F(ColorRegionTest, FailedAllocationsKeepThePreviousRegion) {
    constexpr LONG w = 45, h = 21;
    PixelImage deep(kPixelLayouts[12], w, h, 8);    // 32 bits
    PixelImage packed(kPixelLayouts[5], w, h, 9);   // 6 bits
    PixelImage grayMask(kPixelLayouts[7], w, h, 10);  // 8 bits, converted as a mask
    const COLORREF deepColor = deep.ColorAt(0, 0);
    const std::function<int(BitmapRecord *)> operations[] = {
        [&](BitmapRecord *b) { return Z_SetBitmapRgnColor(b, deepColor, RGNMODE_XOR); },
        [&](BitmapRecord *b) { return Z_SetBitmapRgnColor(b, 0x01000000, RGNMODE_XOR); },
        [&](BitmapRecord *b) { return Z_SetBitmapRgnFromMask(b, nullptr, &grayMask.bitmap, RGNMODE_XOR); },
    };
    BitmapRecord *subjects[] = {&deep.bitmap, &packed.bitmap, &packed.bitmap};
    for (size_t i = 0; i < std::size(operations); ++i) {
        BitmapRecord &bitmap = *subjects[i];
        KrnFreeRegion(bitmap.Region);
        bitmap.Region = RecordFromMask(RandomShape(uint32_t(i), w, h)).release();
        EXPECT_GT(FailuresKeepingSelection(bitmap, [&] { return operations[i](&bitmap); }), 2) << "operation " << i;
    }

    // A mask that cannot be made is left owning nothing.
    long failures = 0;
    int status = 0;
    BitmapRecord mask{};
    ForEachAllocationFailure(
        [&] {
            status = Z_CreateMaskFromBitmapRgn(&deep.bitmap, &mask);
            if (status == STATUS_OK) KrnFreeBitmap(&mask);
        },
        [&](long failedAt) {
            if (status == STATUS_OK) return;
            ++failures;
            EXPECT_EQ(status, STATUS_NO_MEMORY) << failedAt;
            EXPECT_EQ(mask.Data, nullptr) << failedAt;
        });
    EXPECT_GT(failures, 2);
}

}  // namespace
