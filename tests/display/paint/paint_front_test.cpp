// The paint front end as tables: device analysis, the paint palette, the
// paint table and window levelling.
#include <array>
#include <cstring>
#include <random>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "paint/paint_engine.h"
#include "support/front_fixture.h"
#include "support/paint_reference.h"

namespace zelt::test {
namespace {

// Palette kinds: gray ramp (g), inverted (i), colours (c), the device's own
// VGA (v) or 3-3-2 (t) table, none (-); gray at 12 and 16 bits is deep gray.
std::vector<RGBQUAD> PaletteFor(int bits, char kind) {
    switch (kind) {
        case 'g': return GrayRamp(1 << bits);
        case 'i': return GrayRamp(1 << bits, true);
        case 'v': return {VgaColorTable, VgaColorTable + 16};
        case 't': return {Rgb332ColorTable, Rgb332ColorTable + 256};
        case 'c': {
            std::vector<RGBQUAD> colors(std::size_t{1} << bits);
            for (std::size_t i = 0; i < colors.size(); ++i) colors[i] = RGBQUAD{BYTE(40 * i), 200, BYTE(7 * i), 0};
            return colors;
        }
        default: return {};
    }
}

inline std::vector<Rgb> PaletteColors(HPALETTE palette) {
    std::vector<PALETTEENTRY> entries(256);
    entries.resize(GetPaletteEntries(palette, 0, 256, entries.data()));
    std::vector<Rgb> colors;
    for (const PALETTEENTRY &e : entries) colors.push_back({e.peRed, e.peGreen, e.peBlue});
    return colors;
}

struct ModeCase {
    UINT displayMode;
    int bits;
    char palette;
    int screenBits, deviceBits, paintMode;
};

const ModeCase kModeCases[] = {
    {0x0C, 1, 'g', 8, 8, 0},   {0x8C, 1, 'g', 8, 8, 2},   {0x8C, 1, 'g', 24, 24, 0}, {0x8C, 1, 'g', 4, 4, 0},
    {0x1C, 1, 'g', 8, 8, 3},   {0x1C, 1, 'i', 24, 24, 4}, {0x1C, 1, 'c', 24, 24, 0}, {0x9C, 1, 'c', 32, 24, 2},
    {0x1C, 1, 'g', 1, 1, 0},   {0x5C, 1, 'g', 1, 1, 5},   {0x4C, 1, 'g', 16, 24, 5}, {0x4C, 1, 'i', 8, 8, 6},
    {0xCC, 1, 'c', 1, 1, 2},   {0x8C, 1, 'c', 1, 1, 0},   {0x00, 2, 'g', 8, 8, 1},   {0x0C, 2, 'g', 8, 8, 1},
    {0x0C, 3, 'g', 4, 4, 2},   {0x8C, 5, 'g', 8, 8, 2},   {0x8C, 6, 'g', 24, 24, 1}, {0x0C, 7, 'g', 1, 1, 2},
    {0x0C, 4, 'v', 4, 4, 0},   {0x8C, 4, 'v', 4, 4, 0},   {0x0C, 4, 'g', 4, 4, 2},   {0x0C, 4, 'g', 8, 8, 0},
    {0x8C, 4, 'g', 8, 8, 2},   {0x0C, 4, 'g', 1, 1, 2},   {0x8C, 4, 'g', 24, 24, 0}, {0x00, 4, 'g', 1, 1, 0},
    {0x0C, 8, 'g', 8, 8, 0},   {0x0C, 8, 'g', 4, 4, 2},   {0x8C, 8, 'g', 8, 8, 2},   {0x8C, 8, 't', 8, 8, 0},
    {0x8C, 8, 'g', 24, 24, 0}, {0x00, 8, 'g', 1, 1, 0},   {0x0C, 16, 'g', 24, 24, 1}, {0x0C, 16, 'g', 8, 8, 1},
    {0x0C, 16, 'g', 4, 4, 2},  {0x8C, 16, 'g', 8, 8, 2},  {0x00, 12, 'g', 1, 1, 1},  {0x0C, 12, 'g', 1, 1, 2},
    {0x0C, 16, 'c', 24, 24, 1}, {0x0C, 16, 'c', 8, 8, 2}, {0x00, 16, 'c', 8, 8, 1},  {0x0C, 24, '-', 24, 24, 0},
    {0x0C, 24, '-', 32, 24, 0}, {0x0C, 24, '-', 16, 24, 0}, {0x0C, 24, '-', 8, 8, 2}, {0x00, 24, '-', 8, 8, 0},
    {0x0C, 32, '-', 24, 24, 1}, {0x0C, 48, '-', 8, 8, 2},  {0x00, 64, '-', 4, 4, 1},  {0x0C, 64, '-', 4, 4, 2},
};

class PaintFront : public FrontTest {};

TEST_F(PaintFront, DeviceAnalysisTable) {
    for (const ModeCase &c : kModeCases) {
        SCOPED_TRACE(::testing::Message() << "mode 0x" << std::hex << c.displayMode << std::dec << ", " << c.bits
                                          << "-bit image, " << c.screenBits << "-bit screen");
        ScreenScope screen(c.screenBits);
        if (!screen.held()) continue;
        ModeScope mode(c.displayMode);
        ScopedBitmap bitmap;
        const bool deepGray = (c.bits == 12 || c.bits == 16) && c.palette == 'g';
        ASSERT_EQ(CreateBitmap(bitmap.get(), 5, 3, c.bits, c.bits <= 8 ? PaletteFor(c.bits, c.palette) : std::vector<RGBQUAD>{},
                               deepGray ? 2 : 1),
                  STATUS_OK);
        HDC dc = CreateCompatibleDC(nullptr);
        int deviceBits = -1, paintMode = -1;
        AnalyzeDevice(dc, bitmap.get(), &deviceBits, &paintMode);
        EXPECT_EQ(deviceBits, c.deviceBits);
        EXPECT_EQ(paintMode, c.paintMode);
        DeleteDC(dc);
    }
    // Depths outside the list paint directly.
    HDC dc = CreateCompatibleDC(nullptr);
    BitmapRecord described{};
    described.BitsPerPixel = 9;
    int deviceBits = -1, paintMode = -1;
    AnalyzeDevice(dc, &described, &deviceBits, &paintMode);
    EXPECT_EQ(paintMode, PAINTMODE_DIRECT);
    DeleteDC(dc);
}

// Which palette each analysis asks for: none ('-'), the 3-3-2 table ('t'),
// the cube ('k'), VGA ('v'), the image's palette ('c') or a gray ramp ('g'),
// through the paint table; a failed scratch table gives the uncorrected copy.
TEST_F(PaintFront, PaintPaletteTable) {
    const std::tuple<int, UINT, int, int, int, char> cases[] = {
        {24, 0x0C, 24, 1, 0, '-'}, {8, 0x0C, 24, 1, 0, 't'}, {8, 0x10C, 24, 1, 0, 'k'},   {4, 0x10C, 24, 1, 0, 'v'},
        {8, 0x0C, 8, 1, 0, 'c'},   {8, 0x0C, 8, 1, 500, 'c'}, {24, 0x1C, 1, 1, 300, 'g'}, {24, 0x0C, 16, 2, 0, 'g'},
        {24, 0x0C, 16, 1, 0, '-'}};
    for (const auto &[screenBits, displayMode, bits, order, intensity, want] : cases) {
        SCOPED_TRACE(::testing::Message() << bits << " bits on " << screenBits << ", mode " << displayMode);
        ScreenScope screen(screenBits);
        if (!screen.held()) continue;
        ModeScope mode(displayMode);
        std::vector<RGBQUAD> colours(bits <= 8 ? std::size_t{1} << bits : 0);
        for (std::size_t i = 0; i < colours.size(); ++i) colours[i] = RGBQUAD{BYTE(3 * i), BYTE(100 + i / 4), BYTE(255 - i), 0};
        if (bits == 1) colours = GrayRamp(2);
        ScopedBitmap bitmap;
        ASSERT_EQ(CreateBitmap(bitmap.get(), 3, 3, bits, colours, order), STATUS_OK);
        ASSERT_EQ(Z_SetPaintIntensity(bitmap.get(), intensity), STATUS_OK);
        const BYTE *L = bitmap->PaintLut;
        std::vector<Rgb> expected;
        const auto table = [&](const RGBQUAD *colors, int n) {
            for (int i = 0; i < n; ++i) expected.push_back(ToRgb(colors[i]));
        };
        if (want == 't') table(Rgb332ColorTable, 256);
        if (want == 'k') table(CubeColorTable, 256);
        if (want == 'v') table(VgaColorTable, 16);
        if (want == 'c')
            for (const RGBQUAD &e : colours) expected.push_back({L[e.rgbRed], L[e.rgbGreen], L[e.rgbBlue]});
        if (want == 'g')
            for (int i = 0; i < 256; ++i) expected.push_back({L[i], L[i], L[i]});
        HDC dc = CreateCompatibleDC(nullptr);
        int run = 0, uncorrected = 0;
        ForEachAllocationFailure(
            [&] {
                HPALETTE palette = Z_CreatePaintPalette(dc, bitmap.get());
                const std::vector<Rgb> got = palette ? PaletteColors(palette) : std::vector<Rgb>{};
                if (palette) DeleteObject(palette);
                uncorrected += run > 0 && got != expected && !got.empty();
                EXPECT_TRUE(run++ > 0 || got == expected) << "the undisturbed palette";
            },
            [](long) {});
        EXPECT_EQ(uncorrected, kHostControls && want == 'c' && intensity != 0) << "only a failed scratch table degrades";
        DeleteDC(dc);
    }
}

// Golden tables (entries 0, 128, 255) from the rules: off = (255 I + 500) /
// 1000, contrast k = 32 and m = 165 at |K| = 1000, then (v / 255)^(100 / G);
// over random settings the table rises and the flag says it is not the identity.
TEST_F(PaintFront, PaintTableGoldenValuesAndInvariants) {
    ScopedBitmap bitmap;
    ASSERT_EQ(CreateBitmap(bitmap.get(), 2, 2, 8), STATUS_OK);
    const std::array<int, 6> golden[] = {{0, 0, 100, 0, 128, 255},     {1000, 0, 100, 255, 255, 255},
                                         {-1000, 0, 100, 0, 0, 1},     {0, 1000, 100, 0, 185, 255},
                                         {0, -1000, 100, 32, 99, 164}, {0, 0, 200, 0, 181, 255},
                                         {300, 200, 150, 115, 232, 255}, {-200, -300, 80, 0, 43, 142}};
    for (unsigned c = 0; c < 300 + std::size(golden); ++c) {
        std::mt19937 random(c);
        std::uniform_int_distribution<int> level(-1000, 1000);
        const bool isGolden = c < std::size(golden);
        const int intensity = isGolden ? golden[c][0] : level(random), contrast = isGolden ? golden[c][1] : level(random);
        const UINT gamma = isGolden ? golden[c][2] : std::uniform_int_distribution<UINT>(1, 1000)(random);
        ASSERT_EQ(Z_SetPaintIntensity(bitmap.get(), intensity), STATUS_OK);
        ASSERT_EQ(Z_SetPaintContrast(bitmap.get(), contrast), STATUS_OK);
        ASSERT_EQ(Z_SetPaintGamma(bitmap.get(), gamma), STATUS_OK);
        const BYTE *lut = bitmap->PaintLut;
        bool identity = true;
        for (int i = 0; i < 256; ++i) {
            identity &= lut[i] == i;
            ASSERT_TRUE(i == 0 || lut[i] >= lut[i - 1]) << intensity << " " << contrast << " " << gamma << " at " << i;
        }
        ASSERT_EQ((bitmap->Flags & BITMAP_PAINT_LUT_ACTIVE) != 0, !identity);
        if (isGolden) {
            EXPECT_EQ((std::array{int(lut[0]), int(lut[128]), int(lut[255])}), (std::array{golden[c][3], golden[c][4], golden[c][5]}));
        }
    }
    // Checks in order, nothing changed on failure; a value set again does not rebuild.
    ASSERT_EQ(Z_SetPaintGamma(bitmap.get(), 250), STATUS_OK);
    bitmap->PaintLut[7] = 99;
    BitmapRecord empty{}, *bm = bitmap.get();
    EXPECT_EQ((std::array{Z_SetPaintGamma(bm, 250), Z_SetPaintIntensity(nullptr, 5000), Z_SetPaintContrast(&empty, 5000),
                          Z_SetPaintGamma(nullptr, 0), Z_SetPaintIntensity(bm, 1001), Z_SetPaintIntensity(bm, -1001),
                          Z_SetPaintContrast(bm, 1001), Z_SetPaintContrast(bm, -1001), Z_SetPaintGamma(bm, 0)}),
              (std::array{1, -2, -2, -2, -13, -13, -13, -13, -13}));
    EXPECT_EQ(bitmap->PaintLut[7], 99);
    EXPECT_EQ(Z_GetPaintGamma(bm), 250u);
    EXPECT_EQ(Z_GetPaintIntensity(bm), bitmap->PaintIntensity);
    EXPECT_EQ(Z_GetPaintContrast(bm), bitmap->PaintContrast);
}

RGBQUAD Bgr(int b, int g, int r) { return RGBQUAD{BYTE(b), BYTE(g), BYTE(r), 0}; }

// Filled extents: flag 1 writes black below a, the ramp a..b, white above;
// flag 0 the start colour up to a, a gray ramp a + 1..b - 1, the end colour
// from b; never past the table's length (a canary follows it).
TEST_F(PaintFront, WindowLevelFillTable) {
    const RGBQUAD canary = Bgr(1, 2, 3);
    const struct {
        UINT length;
        COLORREF start, end;
        UINT low, high, lowBit, highBit, minValue, maxValue, flag;
        std::vector<std::pair<UINT, RGBQUAD>> entries;
    } cases[] = {
        {256, RGB(0, 0, 0), RGB(255, 255, 255), 0, 255, 0, 7, 0, 255, 1, {{0, Bgr(0, 0, 0)}, {77, Bgr(77, 77, 77)}, {255, Bgr(255, 255, 255)}, {256, canary}}},
        {256, RGB(255, 0, 0), RGB(0, 0, 255), 64, 191, 0, 7, 0, 255, 1, {{0, Bgr(0, 0, 0)}, {63, Bgr(0, 0, 0)}, {64, Bgr(0, 0, 255)}, {127, Bgr(126, 0, 129)}, {191, Bgr(255, 0, 0)}, {192, Bgr(255, 255, 255)}}},
        {256, RGB(10, 20, 30), RGB(200, 100, 50), 100, 110, 0, 7, 0, 255, 0, {{0, Bgr(30, 20, 10)}, {99, Bgr(30, 20, 10)}, {100, Bgr(0, 0, 0)}, {101, Bgr(0, 0, 0)}, {105, Bgr(127, 127, 127)}, {109, Bgr(255, 255, 255)}, {110, Bgr(50, 100, 200)}}},
        {256, RGB(0, 0, 0), RGB(255, 255, 255), 0, 5000, 2, 9, 256, 1023, 1, {{63, Bgr(0, 0, 0)}, {64, Bgr(0, 0, 0)}, {128, Bgr(85, 85, 85)}, {255, Bgr(255, 255, 255)}}},
        {16, RGB(0, 0, 0), RGB(255, 255, 255), 10, 40, 0, 7, 0, 255, 1, {{10, Bgr(0, 0, 0)}, {15, Bgr(42, 42, 42)}, {16, canary}}},
        {8, RGB(9, 9, 9), RGB(7, 7, 7), 0, 0, 0, 7, 0, 255, 0, {{0, Bgr(7, 7, 7)}, {7, Bgr(7, 7, 7)}, {8, canary}}},
        {16, RGB(9, 9, 9), RGB(7, 7, 7), 30, 40, 0, 7, 0, 255, 0, {{0, Bgr(9, 9, 9)}, {15, Bgr(9, 9, 9)}, {16, canary}, {19, canary}}},
    };
    for (const auto &c : cases) {
        std::vector<RGBQUAD> lut(c.length + 4, canary);
        ASSERT_EQ(Z_WindowLevelFillLUT(lut.data(), c.length, c.start, c.end, c.low, c.high, c.lowBit, c.highBit,
                                       c.minValue, c.maxValue, c.flag),
                  STATUS_OK);
        for (const auto &[index, want] : c.entries)
            EXPECT_EQ(std::memcmp(&lut[index], &want, sizeof want), 0)
                << "window " << c.low << ".." << c.high << " entry " << index << " is " << int(lut[index].rgbRed) << ","
                << int(lut[index].rgbGreen) << "," << int(lut[index].rgbBlue);
    }
    std::vector<RGBQUAD> lut(8, canary);
    for (auto [low, high, lowBit, highBit, minValue] : {std::tuple{0u, 7u, 5u, 4u, 0u}, {0u, 7u, 0u, 7u, 8u}, {6u, 5u, 0u, 7u, 0u}})
        EXPECT_EQ(Z_WindowLevelFillLUT(lut.data(), 8, 0, 0, low, high, lowBit, highBit, minValue, 7, 1), STATUS_BAD_PARAMETER);
    EXPECT_EQ(Z_WindowLevelFillLUT(nullptr, 8, 0, 0, 0, 7, 0, 7, 0, 7, 1), STATUS_BAD_PARAMETER);
    for (const RGBQUAD &e : lut) EXPECT_EQ(ToRgb(e), ToRgb(canary));
}

TEST_F(PaintFront, WindowLevelRangesAndTable) {
    ScopedBitmap bitmap;
    ASSERT_EQ(CreateBitmap(bitmap.get(), 4, 4, 12, {}, 2), STATUS_OK);
    std::vector<RGBQUAD> table(16);
    for (std::size_t i = 0; i < 16; ++i) table[i] = Bgr(int(i), int(i * 2), int(i * 3));
    ASSERT_EQ(Z_WindowLevel(bitmap.get(), 2, 9, table.data(), 16, 1), STATUS_OK);
    EXPECT_EQ(bitmap->LowBit, 2);
    EXPECT_EQ(bitmap->MaxValue, 255);
    EXPECT_NE(bitmap->Flags & BITMAP_LEVEL_PROCESSING, 0u);
    ASSERT_NE(bitmap->LevelLut, table.data()) << "the bitmap keeps a copy";
    table[3] = Bgr(255, 255, 255);
    EXPECT_EQ(bitmap->LevelLut[3].rgbRed, 9);
    bitmap->MinValue = 7;
    ASSERT_EQ(Z_WindowLevel(bitmap.get(), 2, 9, bitmap->LevelLut, 16, 1), STATUS_OK);
    EXPECT_EQ(bitmap->MinValue, 7) << "an unchanged range keeps the value range";
    EXPECT_EQ(bitmap->LevelLut[15].rgbRed, 45) << "its own table handed back is kept";
    ASSERT_EQ(Z_WindowLevel(bitmap.get(), 0, 31, nullptr, 0, 1), STATUS_OK);
    EXPECT_EQ(bitmap->MaxValue, 0) << "the shift count wraps";
    ASSERT_EQ(Z_WindowLevel(bitmap.get(), -1, -1, nullptr, 0, 0), STATUS_OK);
    EXPECT_EQ(bitmap->PaintHighBit, 11);
    EXPECT_EQ(bitmap->LevelLut, nullptr);
    EXPECT_EQ(bitmap->Flags & BITMAP_LEVEL_PROCESSING, 0u);
    const BitmapRecord before = bitmap.record;
    EXPECT_EQ((std::array{Z_WindowLevel(nullptr, 0, 3, nullptr, 0, 0), Z_WindowLevel(bitmap.get(), 5, 4, nullptr, 0, 0),
                          Z_WindowLevel(bitmap.get(), 12, -1, nullptr, 0, 0), Z_WindowLevel(bitmap.get(), 0, 3, nullptr, 4, 0),
                          Z_WindowLevel(bitmap.get(), 0, 3, table.data(), 4, 2)}),
              (std::array{-2, -13, -13, -13, -13}));
    EXPECT_EQ(std::memcmp(&before, &bitmap.record, sizeof(BitmapRecord)), 0);
    // A failed copy leaves no table, the ranges set.
    int status = 0;
    bool hadTable = false;
    const long allocations = ForEachAllocationFailure(
        [&] {
            bitmap->LowBit = 0;
            status = Z_WindowLevel(bitmap.get(), 1, 4, table.data(), 16, 1);
            hadTable = bitmap->LevelLut != nullptr;
            ASSERT_EQ(Z_WindowLevel(bitmap.get(), 1, 4, nullptr, 0, 1), STATUS_OK);
        },
        [&](long) {
            EXPECT_EQ(status, STATUS_NO_MEMORY);
            EXPECT_FALSE(hadTable);
            EXPECT_EQ(bitmap->MaxValue, 15);
        });
    EXPECT_EQ(allocations, kHostControls ? 1 : 0);
    ASSERT_EQ(Z_WindowLevel(bitmap.get(), 0, 0, nullptr, 0, 0), STATUS_OK);
}

}  // namespace
}  // namespace zelt::test
