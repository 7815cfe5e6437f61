// Palettes: round trips between RGBQUAD tables and palettes, the fixed
// device tables, the screen palette and comparisons.
#include <array>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "support/leak_guard.h"
#include "zelt/host.h"
#include "zelt/kernel.h"

namespace {

using zelt::test::LeakCheckedTest;

class KernelPalettes : public LeakCheckedTest {};

RGBQUAD Quad(int red, int green, int blue) {
    return RGBQUAD{static_cast<BYTE>(blue), static_cast<BYTE>(green), static_cast<BYTE>(red), 0};
}

bool SameColor(const RGBQUAD &a, const RGBQUAD &b) {
    return a.rgbRed == b.rgbRed && a.rgbGreen == b.rgbGreen && a.rgbBlue == b.rgbBlue && a.rgbReserved == b.rgbReserved;
}

std::vector<RGBQUAD> ColorsOf(HPALETTE palette, int count) {
    std::vector<RGBQUAD> colors(count);
    EXPECT_EQ(KrnGetPaletteColors(palette, 0, count, colors.data()), count);
    return colors;
}

TEST_F(KernelPalettes, ColorsRoundTripThroughPalettes) {
    for (int testCase = 0; testCase < 40; ++testCase) {
        std::mt19937 random(testCase);
        const int count = 1 + static_cast<int>(random() % 300);
        std::vector<RGBQUAD> colors(count);
        for (auto &c : colors) c = RGBQUAD{BYTE(random()), BYTE(random()), BYTE(random()), BYTE(random())};
        HPALETTE palette = KrnCreatePaletteFromColors(colors.data(), count);
        ASSERT_NE(palette, nullptr) << "case " << testCase;
        const std::vector<RGBQUAD> back = ColorsOf(palette, count);
        for (int i = 0; i < count; ++i) {
            RGBQUAD expected = colors[i];
            expected.rgbReserved = 0;
            ASSERT_TRUE(SameColor(back[i], expected)) << "case " << testCase << " entry " << i;
        }
        EXPECT_NE(KrnPaletteMatches(palette, colors.data(), count), 0) << "case " << testCase;

        // A part from the middle, clipped at the palette's end.
        const int first = static_cast<int>(random() % count);
        std::vector<RGBQUAD> part(count);
        EXPECT_EQ(KrnGetPaletteColors(palette, first, count, part.data()), count - first);
        if (count - first > 0) {
            EXPECT_TRUE(SameColor(part[0], back[first])) << "case " << testCase;
        }

        HPALETTE copy = KrnCreatePaletteCopy(palette);
        ASSERT_NE(copy, nullptr);
        EXPECT_NE(copy, palette);
        EXPECT_NE(KrnPaletteMatches(copy, colors.data(), count), 0) << "case " << testCase;
        DeleteObject(palette);
        EXPECT_EQ(ColorsOf(copy, count).size(), static_cast<std::size_t>(count));
        DeleteObject(copy);
    }
}

TEST_F(KernelPalettes, MatchesComparesEveryEntryAndTheCount) {
    std::array<RGBQUAD, 4> colors = {Quad(1, 2, 3), Quad(4, 5, 6), Quad(7, 8, 9), Quad(10, 11, 12)};
    HPALETTE palette = KrnCreatePaletteFromColors(colors.data(), 4);
    ASSERT_NE(palette, nullptr);
    EXPECT_NE(KrnPaletteMatches(palette, colors.data(), 4), 0);
    EXPECT_EQ(KrnPaletteMatches(palette, colors.data(), 3), 0);  // the palette is longer
    for (int i = 0; i < 4; ++i) {
        for (BYTE RGBQUAD::*channel : {&RGBQUAD::rgbRed, &RGBQUAD::rgbGreen, &RGBQUAD::rgbBlue}) {
            auto changed = colors;
            changed[i].*channel ^= 1;
            EXPECT_EQ(KrnPaletteMatches(palette, changed.data(), 4), 0) << "entry " << i;
        }
    }
    auto reserved = colors;
    reserved[2].rgbReserved = 99;  // not compared
    EXPECT_NE(KrnPaletteMatches(palette, reserved.data(), 4), 0);
    EXPECT_EQ(KrnPaletteMatches(nullptr, colors.data(), 4), 0);
    DeleteObject(palette);
}

TEST_F(KernelPalettes, DevicePalettesHoldTheFixedTables) {
    const std::vector<RGBQUAD> vga = {
        Quad(0, 0, 0),     Quad(128, 0, 0),   Quad(0, 128, 0),   Quad(128, 128, 0),
        Quad(0, 0, 128),   Quad(128, 0, 128), Quad(0, 128, 128), Quad(128, 128, 128),
        Quad(192, 192, 192), Quad(255, 0, 0), Quad(0, 255, 0),   Quad(255, 255, 0),
        Quad(0, 0, 255),   Quad(255, 0, 255), Quad(0, 255, 255), Quad(255, 255, 255)};
    const int level[8] = {0, 36, 73, 109, 146, 182, 219, 255};
    const int blue[4] = {0, 85, 170, 255};
    std::vector<RGBQUAD> threeThreeTwo;
    for (int i = 0; i < 256; ++i) threeThreeTwo.push_back(Quad(level[i >> 5], level[(i >> 2) & 7], blue[i & 3]));
    struct Case {
        int bits;
        std::vector<RGBQUAD> expected;
    };
    const Case cases[] = {
        {1, {Quad(0, 0, 0), Quad(255, 255, 255)}},
        {2, {Quad(0, 0, 0), Quad(85, 85, 85), Quad(170, 170, 170), Quad(255, 255, 255)}},
        {4, vga},
        {8, threeThreeTwo},
        {24, threeThreeTwo},
    };
    for (const Case &c : cases) {
        HPALETTE palette = KrnCreateDevicePalette(c.bits);
        ASSERT_NE(palette, nullptr) << c.bits;
        const int count = static_cast<int>(c.expected.size());
        EXPECT_NE(KrnPaletteMatches(palette, c.expected.data(), count), 0) << c.bits << " bits";
        DeleteObject(palette);
    }
    for (int bits : {0, 3, 5, 7, -1}) EXPECT_EQ(KrnCreateDevicePalette(bits), nullptr) << bits;
}

TEST_F(KernelPalettes, ScreenPaletteFollowsTheDevice) {
    ASSERT_TRUE(ZeltHostConfigureScreen(640, 480, 8));
    HDC screen = GetDC(nullptr);
    ASSERT_NE(screen, nullptr);
    std::array<PALETTEENTRY, 256> system{};
    ASSERT_EQ(GetSystemPaletteEntries(screen, 0, 256, system.data()), 256u);
    ReleaseDC(nullptr, screen);
    HPALETTE palette = KrnCreateScreenPalette();
    ASSERT_NE(palette, nullptr);
    std::vector<RGBQUAD> expected;
    for (const auto &e : system) expected.push_back(Quad(e.peRed, e.peGreen, e.peBlue));
    EXPECT_NE(KrnPaletteMatches(palette, expected.data(), 256), 0);
    DeleteObject(palette);

    ASSERT_TRUE(ZeltHostConfigureScreen(1024, 768, 32));
    palette = KrnCreateScreenPalette();
    HPALETTE device = KrnCreateDevicePalette(8);
    ASSERT_NE(palette, nullptr);
    const std::vector<RGBQUAD> deviceColors = ColorsOf(device, 256);
    EXPECT_NE(KrnPaletteMatches(palette, deviceColors.data(), 256), 0);
    DeleteObject(palette);
    DeleteObject(device);
}

TEST_F(KernelPalettes, BitmapColorsComeFromItsPalette) {
    const std::array<RGBQUAD, 2> colors = {Quad(9, 8, 7), Quad(6, 5, 4)};
    BitmapRecord bitmap{};
    bitmap.Palette = KrnCreatePaletteFromColors(colors.data(), 2);
    std::array<RGBQUAD, 2> back{};
    EXPECT_EQ(KrnGetBitmapColors(&bitmap, 0, 2, back.data()), 2);
    EXPECT_TRUE(SameColor(back[1], colors[1]));
    DeleteObject(bitmap.Palette);
    bitmap.Palette = nullptr;
    EXPECT_EQ(KrnGetBitmapColors(&bitmap, 0, 2, back.data()), 0);
    EXPECT_EQ(KrnGetBitmapColors(nullptr, 0, 2, back.data()), 0);
    EXPECT_EQ(KrnGetPaletteColors(nullptr, 0, 2, back.data()), 0);
}

TEST_F(KernelPalettes, FailedAllocationsGiveNoPaletteAndLeakNothing) {
    std::vector<RGBQUAD> colors(256, Quad(1, 2, 3));
    HPALETTE source = KrnCreatePaletteFromColors(colors.data(), 256);
    ASSERT_NE(source, nullptr);
    HPALETTE result = nullptr;
    auto run = [&](auto make) {
        return zelt::test::ForEachAllocationFailure(
            [&] {
                result = make();
                if (result != nullptr) {
                    DeleteObject(result);
                    result = reinterpret_cast<HPALETTE>(1);
                }
            },
            [&](long failedAt) { EXPECT_EQ(result, nullptr) << "allocation " << failedAt; });
    };
    EXPECT_GE(run([&] { return KrnCreatePaletteCopy(source); }), 2);
    EXPECT_GE(run([&] { return KrnCreatePaletteFromColors(colors.data(), 256); }), 2);
    EXPECT_GE(run([] { return KrnCreateDevicePalette(4); }), 2);
    DeleteObject(source);
}

}  // namespace
