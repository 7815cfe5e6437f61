// Tinting a region: the colour is XORed into exactly the selected display
// pixels, a second identical call restores the device, and a tint that
// cannot get its mask draws nothing and leaks nothing.
#include <vector>

#include <gtest/gtest.h>

#include "region_draw_support.h"

namespace {

using namespace zelt::test;

class ColorTintTest : public LeakCheckedTest {};

DWORD AsPixel(COLORREF c) { return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF); }

std::vector<DWORD> Tinted(const std::vector<DWORD> &before, const PixelMask &selected, int width, COLORREF color) {
    std::vector<DWORD> after = before;
    for (size_t i = 0; i < after.size(); ++i)
        if (selected.Get(LONG(i % size_t(width)), LONG(i / size_t(width)))) after[i] ^= AsPixel(color);
    return after;
}

TEST_F(ColorTintTest, XorsTheSelectedPixelsAndATwinCallRestores) {
    const LONG perspectives[] = {0, 1, 2, 3, 4, 5, 7, 8};
    for (uint32_t seed = 0; seed < 40; ++seed) {
        std::mt19937 rng(seed);
        const LONG w = 1 + LONG(rng() % 30), h = 1 + LONG(rng() % 30);
        const LONG view = perspectives[rng() % 8];
        const PixelMask shape = RandomShape(seed + 500, w, h, 1 + int(rng() % 4));
        RegionBitmap bitmap(shape, view);
        const RegionXForm xform{perspectives[rng() % 8], 1 + LONG(rng() % 3), 1 + LONG(rng() % 2),
                                1 + LONG(rng() % 3), 1 + LONG(rng() % 2), LONG(rng() % 13) - 6, LONG(rng() % 13) - 6};
        const COLORREF color = rng() & 0xFFFFFF;
        SCOPED_TRACE(::testing::Message() << "seed " << seed);

        DrawCanvas canvas(72, 72);
        canvas.Fill(seed);
        const std::vector<DWORD> before = canvas.Pixels();
        // The caller's text colour must not leak into unselected pixels and
        // is given back; the background is left white.
        const COLORREF text = RGB(90, 160, seed);
        SetTextColor(canvas.dc(), text);
        const PixelMask selected = DisplayModel(shape, view, xform, PixelMask(200, 200, -50, -50));
        ASSERT_EQ(Z_ColorBitmapRgn(canvas.dc(), bitmap.get(), &xform, color), STATUS_OK);
        EXPECT_EQ(CountMismatches(canvas, Tinted(before, selected, 72, color), "tinted"), 0);
        EXPECT_EQ(GetTextColor(canvas.dc()), text);
        EXPECT_EQ(GetBkColor(canvas.dc()), RGB(255, 255, 255));
        ASSERT_EQ(Z_ColorBitmapRgn(canvas.dc(), bitmap.get(), &xform, color), STATUS_OK);
        EXPECT_EQ(canvas.Pixels(), before) << "the second tint must restore the device";
    }
}

TEST_F(ColorTintTest, NothingSelectedDrawsNothing) {
    RegionBitmap whole(10, 10);  // no region: nothing to tint
    RegionBitmap empty(PixelMask(10, 10));
    DrawCanvas canvas(16, 16);
    canvas.Fill(1u);
    const std::vector<DWORD> before = canvas.Pixels();
    EXPECT_EQ(Z_ColorBitmapRgn(canvas.dc(), whole.get(), nullptr, RGB(255, 0, 0)), STATUS_OK);
    EXPECT_EQ(Z_ColorBitmapRgn(canvas.dc(), empty.get(), nullptr, RGB(255, 0, 0)), STATUS_OK);
    EXPECT_EQ(canvas.Pixels(), before);

    const RegionXForm zeroDen{0, 1, 1, 1, 0, 0, 0};
    EXPECT_EQ(Z_ColorBitmapRgn(canvas.dc(), nullptr, nullptr, 0), STATUS_NO_BITMAP);
    EXPECT_EQ(Z_ColorBitmapRgn(canvas.dc(), empty.get(), &zeroDen, 0), STATUS_BAD_PARAMETER);
}

// With the cached mask's bits cleared, a call that reuses it draws nothing.
TEST_F(ColorTintTest, ANewOffsetReusesTheMask) {
    RegionBitmap bitmap(RandomShape(6, 16, 16, 2));
    RegionRecord &region = *bitmap.record.Region;
    DrawCanvas canvas(40, 40);
    canvas.Fill(6u);
    const RegionXForm first{0, 2, 1, 2, 1, 0, 0}, moved{0, 2, 1, 2, 1, 7, 3};
    ASSERT_EQ(Z_ColorBitmapRgn(canvas.dc(), bitmap.get(), &first, RGB(9, 9, 9)), STATUS_OK);
    const HBITMAP mask = region.hColorMask;
    ASSERT_NE(mask, nullptr);
    ClearMonoBitmap(mask);
    const std::vector<DWORD> before = canvas.Pixels();
    ASSERT_EQ(Z_ColorBitmapRgn(canvas.dc(), bitmap.get(), &moved, RGB(9, 9, 9)), STATUS_OK);
    EXPECT_EQ(canvas.Pixels(), before);
    EXPECT_EQ(region.hColorMask, mask);
    EXPECT_EQ(region.ColorMaskXForm.XOffset, 7);
}

TEST_F(ColorTintTest, AllocationFailuresLeaveNoMaskAndDrawAllOrNothing) {
    const PixelMask shape = RandomShape(11, 26, 18, 3);
    RegionBitmap bitmap(shape, 5);
    const RegionXForm xform{0, 2, 1, 3, 2, 2, 1};
    DrawCanvas canvas(64, 64);
    const PixelMask selected = DisplayModel(shape, 5, xform, PixelMask(64, 64));
    std::vector<DWORD> before, after;
    int status = 0;
    bool cached = false;
    long nothingDrawn = 0;
    ForEachAllocationFailure(
        [&] {
            canvas.Fill(8u);
            before = canvas.Pixels();
            status = Z_ColorBitmapRgn(canvas.dc(), bitmap.get(), &xform, RGB(40, 80, 120));
            after = canvas.Pixels();
            RegionRecord &region = *bitmap.record.Region;
            cached = region.hColorMask != nullptr;
            if (cached) DeleteObject(region.hColorMask);
            region.hColorMask = nullptr;
        },
        [&](long failedAt) {
            SCOPED_TRACE(failedAt);
            EXPECT_TRUE(status == STATUS_OK || status == STATUS_NO_MEMORY) << status;
            if (!cached || status != STATUS_OK) {
                ++nothingDrawn;
                EXPECT_EQ(after, before);
            } else {
                EXPECT_EQ(after, Tinted(before, selected, 64, RGB(40, 80, 120)));
            }
        });
    EXPECT_GT(nothingDrawn, 0);
    EXPECT_EQ(MaskFromRecord(*bitmap.record.Region, 26, 18), shape);
}

}  // namespace
