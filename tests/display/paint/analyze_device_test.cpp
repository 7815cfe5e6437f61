// Device analysis: device depth for every screen depth, and the paint mode
// for every bitmap depth under the display-mode combinations that decide it.
#include <vector>

#include <gtest/gtest.h>

#include "front_test_support.h"
#include "paint/paint_engine.h"

namespace {

using namespace zelt::test;

enum class Colors { Gray, InvertedGray, Colour, Vga, Rgb332, None };

std::vector<RGBQUAD> PaletteFor(int bits, Colors kind) {
    const int count = 1 << bits;
    switch (kind) {
    case Colors::Gray: return GrayRamp(count);
    case Colors::InvertedGray: return GrayRamp(count, true);
    case Colors::Vga: return std::vector<RGBQUAD>(VgaColorTable, VgaColorTable + 16);
    case Colors::Rgb332: return std::vector<RGBQUAD>(Rgb332ColorTable, Rgb332ColorTable + 256);
    case Colors::Colour: {
        std::vector<RGBQUAD> colors(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i) colors[static_cast<std::size_t>(i)] = RGBQUAD{BYTE(40 * i), 200, BYTE(7 * i), 0};
        return colors;
    }
    case Colors::None: break;
    }
    return {};
}

struct ModeCase {
    UINT displayMode;
    int bits;
    Colors colors;  // Colour at 16 bits: 5-5-5; Gray at 12 and 16: deep gray
    int screenBits;
    int paintMode;
};

// Every row follows one sentence of the analysis rules.
const ModeCase kModeCases[] = {
    // 1 bit
    {0x0C, 1, Colors::Gray, 8, 0},          // no gray bits, no same-depth reduction
    {0x8C, 1, Colors::Gray, 8, 2},          // same-depth reduction on an 8-bit device
    {0x8C, 1, Colors::Gray, 24, 0},         // ... only there
    {0x8C, 1, Colors::Gray, 4, 0},
    {0x1C, 1, Colors::Gray, 8, 3},          // gray painting
    {0x1C, 1, Colors::InvertedGray, 24, 4},
    {0x1C, 1, Colors::Colour, 24, 0},       // not gray: no gray painting
    {0x9C, 1, Colors::Colour, 24, 2},       // not gray, 0x8 and 0x80: reduce at any depth
    {0x1C, 1, Colors::Gray, 1, 0},          // gray painting needs more than 1 bit
    {0x5C, 1, Colors::Gray, 1, 5},          // ... the bitonal path does not
    {0x4C, 1, Colors::Gray, 24, 5},
    {0x4C, 1, Colors::InvertedGray, 8, 6},
    {0xCC, 1, Colors::Colour, 1, 2},
    {0x8C, 1, Colors::Colour, 1, 0},
    // 2, 3, 5, 6, 7 bits: converted, reduced below the device's own depth
    {0x00, 2, Colors::Gray, 8, 1},
    {0x0C, 2, Colors::Gray, 8, 1},
    {0x0C, 3, Colors::Gray, 4, 2},
    {0x8C, 5, Colors::Gray, 8, 2},
    {0x8C, 6, Colors::Gray, 24, 1},
    {0x0C, 7, Colors::Gray, 1, 2},
    // 4 bits
    {0x0C, 4, Colors::Vga, 4, 0},           // the device's own palette
    {0x8C, 4, Colors::Vga, 4, 0},
    {0x0C, 4, Colors::Gray, 4, 2},
    {0x0C, 4, Colors::Gray, 8, 0},
    {0x8C, 4, Colors::Gray, 8, 2},
    {0x0C, 4, Colors::Gray, 1, 2},
    {0x8C, 4, Colors::Gray, 24, 0},
    {0x00, 4, Colors::Gray, 1, 0},
    // 8 bits
    {0x0C, 8, Colors::Gray, 8, 0},
    {0x0C, 8, Colors::Gray, 4, 2},
    {0x8C, 8, Colors::Gray, 8, 2},
    {0x8C, 8, Colors::Rgb332, 8, 0},        // the device's own palette
    {0x8C, 8, Colors::Gray, 24, 0},
    {0x00, 8, Colors::Gray, 1, 0},
    // 12 and 16-bit gray: 256 grays fit an 8-bit device
    {0x0C, 16, Colors::Gray, 24, 1},
    {0x0C, 16, Colors::Gray, 8, 1},
    {0x0C, 16, Colors::Gray, 4, 2},
    {0x8C, 16, Colors::Gray, 8, 2},
    {0x00, 12, Colors::Gray, 1, 1},
    {0x0C, 12, Colors::Gray, 1, 2},
    // 16-bit colour behaves as 32 bits
    {0x0C, 16, Colors::Colour, 24, 1},
    {0x0C, 16, Colors::Colour, 8, 2},
    {0x00, 16, Colors::Colour, 8, 1},
    // 24 bits
    {0x0C, 24, Colors::None, 24, 0},
    {0x0C, 24, Colors::None, 32, 0},
    {0x0C, 24, Colors::None, 16, 0},
    {0x0C, 24, Colors::None, 8, 2},
    {0x00, 24, Colors::None, 8, 0},
    // 32, 48, 64 bits
    {0x0C, 32, Colors::None, 24, 1},
    {0x0C, 48, Colors::None, 8, 2},
    {0x00, 64, Colors::None, 4, 1},
    {0x0C, 64, Colors::None, 4, 2},
};

class AnalyzeDeviceTest : public FrontTest {};

TEST_F(AnalyzeDeviceTest, PaintModeFollowsDepthAndDisplayMode) {
    for (const ModeCase &c : kModeCases) {
        SCOPED_TRACE(::testing::Message() << "mode 0x" << std::hex << c.displayMode << std::dec << ", " << c.bits
                                          << "-bit image, " << c.screenBits << "-bit screen");
        ScreenScope screen(c.screenBits);
        ModeScope mode(c.displayMode);
        ScopedBitmap bitmap;
        const bool deepGray = (c.bits == 12 || c.bits == 16) && c.colors == Colors::Gray;
        const std::vector<RGBQUAD> palette = c.bits <= 8 ? PaletteFor(c.bits, c.colors) : std::vector<RGBQUAD>{};
        ASSERT_EQ(CreateBitmap(bitmap.get(), 5, 3, c.bits, palette, deepGray ? 2 : 1), STATUS_OK);
        MemoryDC dc;
        int deviceBits = -1, paintMode = -1;
        AnalyzeDevice(dc.get(), bitmap.get(), &deviceBits, &paintMode);
        EXPECT_EQ(paintMode, c.paintMode);
    }
}

TEST_F(AnalyzeDeviceTest, DeviceDepthIsNormalisedForEveryScreen) {
    const struct {
        int screenBits, deviceBits;
    } cases[] = {{1, 1}, {4, 4}, {8, 8}, {16, 24}, {24, 24}, {32, 24}};
    for (const auto &c : cases) {
        ScreenScope screen(c.screenBits);
        ScopedBitmap bitmap;
        ASSERT_EQ(CreateBitmap(bitmap.get(), 4, 4, 24), STATUS_OK);
        MemoryDC dc;
        int deviceBits = -1, paintMode = -1;
        AnalyzeDevice(dc.get(), bitmap.get(), &deviceBits, &paintMode);
        EXPECT_EQ(deviceBits, c.deviceBits) << c.screenBits << "-bit screen";
        HDC screenDC = GetDC(nullptr);
        AnalyzeDevice(screenDC, bitmap.get(), &deviceBits, &paintMode);
        EXPECT_EQ(deviceBits, c.deviceBits) << c.screenBits << "-bit screen DC";
        ReleaseDC(nullptr, screenDC);
    }
}

// A memory DC reports the device it is compatible with: the DIB section
// selected into it does not change the analysis.
TEST_F(AnalyzeDeviceTest, SelectedDibSectionDoesNotChangeTheDepth) {
    ScreenScope screen(8);
    ScopedBitmap bitmap;
    ASSERT_EQ(CreateBitmap(bitmap.get(), 4, 4, 24), STATUS_OK);
    for (int sectionBits : {1, 4, 8, 16, 24, 32}) {
        MemoryDC dc;
        struct {
            BITMAPINFOHEADER header;
            RGBQUAD colors[256];
        } info{};
        info.header = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 8, 8, 1, static_cast<WORD>(sectionBits), BI_RGB, 0, 0, 0, 0, 0};
        void *bits = nullptr;
        HBITMAP section = CreateDIBSection(dc.get(), reinterpret_cast<BITMAPINFO *>(&info), DIB_RGB_COLORS, &bits, nullptr, 0);
        ASSERT_NE(section, nullptr) << sectionBits;
        HGDIOBJ old = SelectObject(dc.get(), section);
        int deviceBits = -1, paintMode = -1;
        AnalyzeDevice(dc.get(), bitmap.get(), &deviceBits, &paintMode);
        EXPECT_EQ(deviceBits, 8) << sectionBits << "-bit section";
        EXPECT_EQ(paintMode, PAINTMODE_REDUCE) << sectionBits << "-bit section";
        SelectObject(dc.get(), old);
        DeleteObject(section);
    }
}

TEST_F(AnalyzeDeviceTest, DepthsOutsideTheListPaintDirectly) {
    BitmapRecord described{};
    described.BitsPerPixel = 9;
    MemoryDC dc;
    int deviceBits = -1, paintMode = -1;
    AnalyzeDevice(dc.get(), &described, &deviceBits, &paintMode);
    EXPECT_EQ(paintMode, PAINTMODE_DIRECT);
    EXPECT_EQ(deviceBits, 24);
}

TEST_F(AnalyzeDeviceTest, DeepGrayNeedsOrderTwo) {
    ScopedBitmap gray, colour;
    ASSERT_EQ(CreateBitmap(gray.get(), 4, 4, 16, {}, 2), STATUS_OK);
    ASSERT_EQ(CreateBitmap(colour.get(), 4, 4, 16, {}, 1), STATUS_OK);
    EXPECT_TRUE(IsDeepGrayBitmap(gray.get()));   // no level table: gray
    EXPECT_FALSE(IsDeepGrayBitmap(colour.get()));
}

// The level table is judged over the paint range unless processing uses the
// table too; the processing range and the flag are put back afterwards.
TEST_F(AnalyzeDeviceTest, DeepGrayJudgesTheTableOverTheRangeInForce) {
    ScopedBitmap bitmap;
    ASSERT_EQ(CreateBitmap(bitmap.get(), 4, 4, 12, {}, 2), STATUS_OK);
    std::vector<RGBQUAD> table(256, RGBQUAD{0, 0, 255, 0});  // red beyond the first 16
    for (int i = 0; i < 16; ++i) table[static_cast<std::size_t>(i)] = RGBQUAD{BYTE(i * 17), BYTE(i * 17), BYTE(i * 17), 0};
    ASSERT_EQ(Z_WindowLevel(bitmap.get(), 0, 11, table.data(), 256, 1), STATUS_OK);  // processing range 0..11
    bitmap->PaintLowBit = 0;
    bitmap->PaintHighBit = 3;  // 16 entries: all gray

    EXPECT_FALSE(IsDeepGrayBitmap(bitmap.get())) << "processing range covers the red entries";
    bitmap->Flags &= ~static_cast<DWORD>(BITMAP_LEVEL_PROCESSING);
    EXPECT_TRUE(IsDeepGrayBitmap(bitmap.get())) << "paint range covers gray entries only";
    EXPECT_EQ(bitmap->LowBit, 0);
    EXPECT_EQ(bitmap->HighBit, 11);
    EXPECT_EQ(bitmap->Flags & BITMAP_LEVEL_PROCESSING, 0u);

    bitmap->PaintHighBit = 11;
    EXPECT_FALSE(IsDeepGrayBitmap(bitmap.get()));
    ASSERT_EQ(Z_WindowLevel(bitmap.get(), 0, 11, nullptr, 0, 0), STATUS_OK);
}

}  // namespace
