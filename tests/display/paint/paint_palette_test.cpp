// The paint palette: which palette each analysis result asks for, the paint
// table applied to palette entries, and allocation failures.
#include <vector>

#include <gtest/gtest.h>

#include "front_test_support.h"
#include "paint/paint_engine.h"

namespace {

using namespace zelt::test;

class PaintPaletteTest : public FrontTest {};

std::vector<RGBQUAD> SomeColours(int count) {
    std::vector<RGBQUAD> colors(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) colors[static_cast<std::size_t>(i)] = RGBQUAD{BYTE(3 * i), BYTE(100 + i / 4), BYTE(255 - i), 0};
    return colors;
}

// Deletes the palette at the end of the scope.
struct PaletteScope {
    HPALETTE palette;
    ~PaletteScope() {
        if (palette != nullptr) DeleteObject(palette);
    }
};

TEST_F(PaintPaletteTest, TrueColourOnTrueColourNeedsNoPalette) {
    ScreenScope screen(24);
    ScopedBitmap bitmap;
    ASSERT_EQ(CreateBitmap(bitmap.get(), 3, 3, 24), STATUS_OK);
    MemoryDC dc;
    EXPECT_EQ(Z_CreatePaintPalette(dc.get(), bitmap.get()), nullptr);
}

TEST_F(PaintPaletteTest, ReductionGetsTheDevicePaletteOrTheCube) {
    ScreenScope screen(8);
    ScopedBitmap bitmap;
    ASSERT_EQ(CreateBitmap(bitmap.get(), 3, 3, 24), STATUS_OK);
    MemoryDC dc;
    {
        PaletteScope p{Z_CreatePaintPalette(dc.get(), bitmap.get())};  // default mode 12: paint mode 2
        ASSERT_NE(p.palette, nullptr);
        const auto colors = PaletteColors(p.palette);
        ASSERT_EQ(colors.size(), 256u);
        for (int i = 0; i < 256; ++i) EXPECT_TRUE(SameColor(colors[i], Rgb332ColorTable[i])) << i;
    }
    {
        ModeScope mode(DISP_DEFAULT_MODE | DISP_FIXED_PALETTE);
        PaletteScope p{Z_CreatePaintPalette(dc.get(), bitmap.get())};
        ASSERT_NE(p.palette, nullptr);
        const auto colors = PaletteColors(p.palette);
        ASSERT_EQ(colors.size(), 256u);
        for (int i = 0; i < 256; ++i) EXPECT_TRUE(SameColor(colors[i], CubeColorTable[i])) << i;
        int black = 0;
        for (int i = 216; i < 256; ++i) black += SameColor(colors[i], RGBQUAD{0, 0, 0, 0});
        EXPECT_EQ(black, 40);
    }
    {
        // The cube is for 8-bit devices only: 4 bits get the VGA palette.
        ScreenScope four(4);
        ModeScope mode(DISP_DEFAULT_MODE | DISP_FIXED_PALETTE);
        PaletteScope p{Z_CreatePaintPalette(dc.get(), bitmap.get())};
        ASSERT_NE(p.palette, nullptr);
        const auto colors = PaletteColors(p.palette);
        ASSERT_EQ(colors.size(), 16u);
        for (int i = 0; i < 16; ++i) EXPECT_TRUE(SameColor(colors[i], VgaColorTable[i])) << i;
    }
}

TEST_F(PaintPaletteTest, PaletteImagesGetTheirPaletteThroughThePaintTable) {
    ScreenScope screen(8);
    ScopedBitmap bitmap;
    const auto colours = SomeColours(256);
    ASSERT_EQ(CreateBitmap(bitmap.get(), 3, 3, 8, colours), STATUS_OK);
    MemoryDC dc;
    {
        PaletteScope p{Z_CreatePaintPalette(dc.get(), bitmap.get())};
        const auto got = PaletteColors(p.palette);
        ASSERT_EQ(got.size(), 256u);
        for (int i = 0; i < 256; ++i) EXPECT_TRUE(SameColor(got[i], colours[i])) << i;
    }
    ASSERT_EQ(Z_SetPaintIntensity(bitmap.get(), 500), STATUS_OK);  // every level + 128
    {
        PaletteScope p{Z_CreatePaintPalette(dc.get(), bitmap.get())};
        const auto got = PaletteColors(p.palette);
        ASSERT_EQ(got.size(), 256u);
        for (int i = 0; i < 256; ++i) {
            const RGBQUAD &c = colours[static_cast<std::size_t>(i)];
            const RGBQUAD want{bitmap->PaintLut[c.rgbBlue], bitmap->PaintLut[c.rgbGreen], bitmap->PaintLut[c.rgbRed], 0};
            EXPECT_TRUE(SameColor(got[i], want)) << i;
        }
        EXPECT_EQ(got[0].rgbBlue, 128);
    }
}

TEST_F(PaintPaletteTest, GrayPaintingGetsAGrayRampThroughThePaintTable) {
    ScreenScope screen(24);
    ModeScope mode(DISP_DEFAULT_MODE | DISP_BITONAL_GRAY);
    ScopedBitmap bitmap;
    ASSERT_EQ(CreateBitmap(bitmap.get(), 8, 2, 1), STATUS_OK);  // black and white: gray kind 1
    ASSERT_EQ(Z_SetPaintGamma(bitmap.get(), 200), STATUS_OK);
    MemoryDC dc;
    PaletteScope p{Z_CreatePaintPalette(dc.get(), bitmap.get())};
    const auto got = PaletteColors(p.palette);
    ASSERT_EQ(got.size(), 256u);
    for (int i = 0; i < 256; ++i) {
        const BYTE level = bitmap->PaintLut[i];
        EXPECT_TRUE(SameColor(got[i], RGBQUAD{level, level, level, 0})) << i;
    }
    EXPECT_EQ(got[128].rgbRed, 181);
}

TEST_F(PaintPaletteTest, DeepImagesGetGrayOrNothing) {
    ScreenScope screen(24);
    MemoryDC dc;
    ScopedBitmap gray, colour;
    ASSERT_EQ(CreateBitmap(gray.get(), 3, 3, 16, {}, 2), STATUS_OK);
    ASSERT_EQ(CreateBitmap(colour.get(), 3, 3, 16, {}, 1), STATUS_OK);
    PaletteScope p{Z_CreatePaintPalette(dc.get(), gray.get())};
    const auto got = PaletteColors(p.palette);
    ASSERT_EQ(got.size(), 256u);
    for (int i = 0; i < 256; ++i) EXPECT_TRUE(SameColor(got[i], RGBQUAD{BYTE(i), BYTE(i), BYTE(i), 0})) << i;
    EXPECT_EQ(Z_CreatePaintPalette(dc.get(), colour.get()), nullptr);
    EXPECT_EQ(Z_CreatePaintPalette(dc.get(), nullptr), nullptr);
}

TEST_F(PaintPaletteTest, GrayPaletteSizesFollowTheBits) {
    ScopedBitmap bitmap;
    ASSERT_EQ(CreateBitmap(bitmap.get(), 2, 2, 8), STATUS_OK);
    ASSERT_EQ(Z_SetPaintIntensity(bitmap.get(), -6), STATUS_OK);  // every level - 1
    const struct {
        int bits;
        std::vector<int> levels;  // before the paint table
    } cases[] = {{1, {0, 255}}, {2, {0, 85, 170, 255}}, {4, {0, 17, 34, 51, 68, 85, 102, 119, 136, 153, 170, 187, 204, 221, 238, 255}}};
    for (const auto &c : cases) {
        PaletteScope p{CreateGrayPaintPalette(bitmap.get(), c.bits)};
        const auto got = PaletteColors(p.palette);
        ASSERT_EQ(got.size(), c.levels.size()) << c.bits;
        for (std::size_t i = 0; i < got.size(); ++i) {
            const BYTE level = static_cast<BYTE>(c.levels[i] == 0 ? 0 : c.levels[i] - 1);
            EXPECT_TRUE(SameColor(got[i], RGBQUAD{level, level, level, 0})) << c.bits << " bits, " << i;
        }
    }
    PaletteScope p{CreateGrayPaintPalette(bitmap.get(), 0)};
    EXPECT_EQ(PaletteColors(p.palette).size(), 256u) << "0 bits mean 8";
}

TEST_F(PaintPaletteTest, PaintColorsPassThroughTheTableOnlyWhenActive) {
    ScopedBitmap bitmap;
    const auto colours = SomeColours(16);
    ASSERT_EQ(CreateBitmap(bitmap.get(), 2, 2, 4, colours), STATUS_OK);
    RGBQUAD got[16];
    EXPECT_EQ(GetPaintColors(bitmap.get(), bitmap->Palette, 2, 10, got), 10);
    for (int i = 0; i < 10; ++i) EXPECT_TRUE(SameColor(got[i], colours[static_cast<std::size_t>(i + 2)])) << i;
    bitmap->PaintLut[colours[2].rgbRed] = 7;  // changes nothing while the table is inactive
    EXPECT_EQ(GetPaintColors(bitmap.get(), bitmap->Palette, 2, 1, got), 1);
    EXPECT_EQ(got[0].rgbRed, colours[2].rgbRed);
    ASSERT_EQ(Z_SetPaintContrast(bitmap.get(), 1000), STATUS_OK);
    EXPECT_EQ(GetPaintColors(bitmap.get(), bitmap->Palette, 0, 16, got), 16);
    for (int i = 0; i < 16; ++i) {
        const RGBQUAD &c = colours[static_cast<std::size_t>(i)];
        EXPECT_TRUE(SameColor(got[i], RGBQUAD{bitmap->PaintLut[c.rgbBlue], bitmap->PaintLut[c.rgbGreen],
                                              bitmap->PaintLut[c.rgbRed], 0}))
            << i;
    }
}

// Every failure gives no palette, except a failed scratch table, which gives
// the uncorrected copy; nothing leaks either way.
TEST_F(PaintPaletteTest, AllocationFailuresDegradeOrFailCleanly) {
    ScreenScope screen(8);
    ScopedBitmap bitmap;
    const auto colours = SomeColours(256);
    ASSERT_EQ(CreateBitmap(bitmap.get(), 3, 3, 8, colours), STATUS_OK);
    ASSERT_EQ(Z_SetPaintIntensity(bitmap.get(), 500), STATUS_OK);
    MemoryDC dc;
    std::vector<RGBQUAD> result;
    int uncorrected = 0;
    const long allocations = ForEachAllocationFailure(
        [&] {
            PaletteScope p{Z_CreatePaintPalette(dc.get(), bitmap.get())};
            result = p.palette != nullptr ? PaletteColors(p.palette) : std::vector<RGBQUAD>{};
        },
        [&](long failedAt) {
            if (result.empty()) return;
            ASSERT_EQ(result.size(), 256u) << failedAt;
            const bool corrected = result[0].rgbBlue == bitmap->PaintLut[colours[0].rgbBlue];
            if (!corrected) {
                ++uncorrected;
                for (int i = 0; i < 256; ++i) EXPECT_TRUE(SameColor(result[i], colours[i])) << failedAt << ": " << i;
            }
        });
    EXPECT_GE(allocations, 3);  // palette copy, scratch table, corrected palette
    EXPECT_EQ(uncorrected, 1) << "only the scratch table's failure degrades";

    ForEachAllocationFailure([&] { PaletteScope p{CreateGrayPaintPalette(bitmap.get(), 8)}; }, [](long) {});
}

}  // namespace
