// The fixed colour tables against their defining rules, and against the
// kernel's device palettes they must agree with.
#include <gtest/gtest.h>

#include "front_test_support.h"
#include "paint/paint_engine.h"

namespace {

using zelt::test::PaletteColors;
using zelt::test::SameColor;

struct Rgb {
    int red, green, blue;
};

void ExpectEntry(const RGBQUAD &entry, Rgb want, const char *table, int index) {
    EXPECT_EQ(entry.rgbRed, want.red) << table << "[" << index << "]";
    EXPECT_EQ(entry.rgbGreen, want.green) << table << "[" << index << "]";
    EXPECT_EQ(entry.rgbBlue, want.blue) << table << "[" << index << "]";
    EXPECT_EQ(entry.rgbReserved, 0) << table << "[" << index << "]";
}

TEST(ColorTables, VgaTableHoldsTheSixteenColoursInOrder) {
    const Rgb vga[16] = {{0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
                         {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {128, 128, 128},
                         {192, 192, 192}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
                         {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
    for (int i = 0; i < 16; ++i) ExpectEntry(VgaColorTable[i], vga[i], "vga", i);
}

TEST(ColorTables, Rgb332TableFollowsItsBitFields) {
    const int levels[8] = {0, 36, 73, 109, 146, 182, 219, 255};
    const int blues[4] = {0, 85, 170, 255};
    for (int i = 0; i < 256; ++i)
        ExpectEntry(Rgb332ColorTable[i], {levels[i >> 5], levels[(i >> 2) & 7], blues[i & 3]}, "332", i);
    // Spot values: 0xB6 = red 5, green 5, blue 2.
    ExpectEntry(Rgb332ColorTable[0xB6], {182, 182, 170}, "332", 0xB6);
}

TEST(ColorTables, CubeTableHoldsTheCubeThenBlack) {
    for (int i = 0; i < 216; ++i)
        ExpectEntry(CubeColorTable[i], {51 * (i / 36), 51 * ((i / 6) % 6), 51 * (i % 6)}, "cube", i);
    for (int i = 216; i < 256; ++i) ExpectEntry(CubeColorTable[i], {0, 0, 0}, "cube", i);
    ExpectEntry(CubeColorTable[215], {255, 255, 255}, "cube", 215);
    ExpectEntry(CubeColorTable[43], {51, 51, 51}, "cube", 43);
}

// Device analysis compares bitmap palettes with these tables, and the
// kernel builds the device palettes: the two must agree exactly.
TEST(ColorTables, AgreeWithTheKernelDevicePalettes) {
    struct Case {
        int bits;
        const RGBQUAD *table;
        int count;
    };
    for (const Case &c : {Case{4, VgaColorTable, 16}, Case{8, Rgb332ColorTable, 256}}) {
        HPALETTE palette = KrnCreateDevicePalette(c.bits);
        ASSERT_NE(palette, nullptr);
        const auto colors = PaletteColors(palette);
        ASSERT_EQ(static_cast<int>(colors.size()), c.count);
        for (int i = 0; i < c.count; ++i) EXPECT_TRUE(SameColor(colors[i], c.table[i])) << c.bits << " bits, " << i;
        EXPECT_NE(KrnPaletteMatches(palette, c.table, c.count), 0);
        DeleteObject(palette);
    }
}

}  // namespace
