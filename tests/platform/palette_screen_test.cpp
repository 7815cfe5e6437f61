// The 8-bit palette screen: the system palette and what RealizePalette does
// to it (free entries filled in order, exact matches reused, nearest colours
// when full, background realisation, PC_ flags, static use), palette
// animation, UpdateColors and colours drawn through it.
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "support/leak_guard.h"
#include "zelt/host.h"

namespace zelt::test {
namespace {

HPALETTE MakePalette(const std::vector<PALETTEENTRY> &entries) {
    std::vector<BYTE> storage(sizeof(LOGPALETTE) + entries.size() * sizeof(PALETTEENTRY));
    auto *logical = reinterpret_cast<LOGPALETTE *>(storage.data());
    *logical = LOGPALETTE{0x300, WORD(entries.size()), {}};
    std::copy(entries.begin(), entries.end(), logical->palPalEntry);
    return CreatePalette(logical);
}

// Colours no static colour has: red 1..n, green 7, blue 200.
std::vector<PALETTEENTRY> Fresh(int n, BYTE flags = 0) {
    std::vector<PALETTEENTRY> entries;
    for (int i = 0; i < n; ++i) entries.push_back({BYTE(1 + i), 7, 200, flags});
    return entries;
}

COLORREF ColourOf(const PALETTEENTRY &e) { return RGB(e.peRed, e.peGreen, e.peBlue); }

class PaletteScreen : public LeakCheckedTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(ZeltHostConfigureScreen(64, 32, 8));
        LeakCheckedTest::SetUp();
        screen_ = GetDC(nullptr);
        statics_ = System();
    }
    void TearDown() override {
        SelectPalette(screen_, HPALETTE(GetStockObject(DEFAULT_PALETTE)), FALSE);
        ReleaseDC(nullptr, screen_);
        for (HPALETTE p : owned_) DeleteObject(p);
        LeakCheckedTest::TearDown();
        ZeltHostConfigureScreen(1024, 768, 32);
    }
    std::vector<PALETTEENTRY> System() {
        std::vector<PALETTEENTRY> entries(256);
        EXPECT_EQ(GetSystemPaletteEntries(screen_, 0, 256, entries.data()), 256u);
        return entries;
    }
    COLORREF SystemColour(int i) { return ColourOf(System()[size_t(i)]); }
    UINT Realize(const std::vector<PALETTEENTRY> &entries) { return Realize(owned_.emplace_back(MakePalette(entries))); }
    UINT Realize(HPALETTE p, bool background = false) { return SelectPalette(screen_, p, background), RealizePalette(screen_); }
    HDC screen_ = nullptr;
    std::vector<PALETTEENTRY> statics_;
    std::vector<HPALETTE> owned_;
};

// New colours fill the free entries from 10 on in order; past the 236 free
// ones they show the nearest colour there is.
TEST_F(PaletteScreen, NewColoursFillFreeEntriesInOrder) {
    for (int n : {1, 200, 236, 240}) {
        ZeltHostConfigureScreen(64, 32, 8);
        const std::vector<PALETTEENTRY> colours = Fresh(n);
        EXPECT_EQ(Realize(colours), UINT(n)) << n;
        const std::vector<PALETTEENTRY> system = System();
        for (int i = 0; i < 256; ++i)
            EXPECT_EQ(ColourOf(system[size_t(i)]), i >= 10 && i < 10 + std::min(n, 236) ? ColourOf(colours[size_t(i - 10)])
                                                                                      : ColourOf(statics_[size_t(i)]))
                << n << " colours, system entry " << i;
        for (int i = 0; i < n; ++i)
            EXPECT_EQ(GetNearestColor(screen_, PALETTEINDEX(i)), i < 236 ? ColourOf(colours[size_t(i)]) : RGB(236, 7, 200)) << i;
        EXPECT_EQ(RealizePalette(screen_), 0u) << "realising again changes nothing";
    }
}

TEST_F(PaletteScreen, ExactMatchesAndFlagsDecideTheEntries) {
    const std::vector<PALETTEENTRY> entries = {{0x80, 0, 0, 0},        {1, 2, 3, 0}, {0xFF, 0xFF, 0xFF, 0}, {1, 2, 3, 0},
                                               {0xC0, 0xDC, 0xC0, 0}, {4, 5, 6, 0}, {1, 2, 3, PC_NOCOLLAPSE},
                                               {250, 0, 0, PC_EXPLICIT}};
    EXPECT_EQ(Realize(entries), 4u) << "both (1,2,3), (4,5,6) and the no-collapse entry change, statics do not";
    const int systemIndex[] = {1, 10, 255, 10, 8, 11, 12, 250};  // explicit: entry 250 by number
    for (int i = 0; i < 8; ++i) {
        SetPixel(screen_, i, 0, PALETTEINDEX(i));
        DWORD rgb = 0;
        const COLORREF want = SystemColour(systemIndex[i]);
        ASSERT_TRUE(ZeltHostReadPixels(screen_, i, 0, 1, 1, &rgb));
        EXPECT_TRUE(rgb == (DWORD(GetRValue(want)) << 16 | GetGValue(want) << 8 | GetBValue(want)) && GetPixel(screen_, i, 0) == want) << i;
    }
    EXPECT_EQ(SystemColour(13), 0u) << "nothing else taken";
}

TEST_F(PaletteScreen, StaticUseFreesStaticEntries) {
    EXPECT_TRUE(SetSystemPaletteUse(screen_, 7) == SYSPAL_ERROR && SetSystemPaletteUse(screen_, SYSPAL_NOSTATIC) == SYSPAL_STATIC);
    EXPECT_EQ(Realize(Fresh(254)), 254u);
    std::vector<PALETTEENTRY> system = System();
    EXPECT_TRUE(ColourOf(system[0]) == ColourOf(statics_[0]) && ColourOf(system[255]) == ColourOf(statics_[255]));
    for (int i = 1; i < 255; ++i) EXPECT_EQ(system[size_t(i)].peRed, i) << "system entry " << i;
    EXPECT_EQ(SetSystemPaletteUse(screen_, SYSPAL_STATIC), UINT(SYSPAL_NOSTATIC));
    for (int i : {1, 9, 246, 254}) EXPECT_EQ(SystemColour(i), ColourOf(statics_[size_t(i)])) << "statics come back at " << i;
    EXPECT_TRUE(SetSystemPaletteUse(screen_, SYSPAL_NOSTATIC256) == SYSPAL_STATIC && Realize(Fresh(256)) == 256);
    EXPECT_EQ(System()[255].peRed, 0) << "red 256 wraps to 0 in a BYTE";
    EXPECT_EQ(SetSystemPaletteUse(screen_, SYSPAL_STATIC), UINT(SYSPAL_NOSTATIC256));
}

TEST_F(PaletteScreen, AnimationAndUpdateColors) {
    HPALETTE p = owned_.emplace_back(MakePalette({{10, 10, 10, PC_RESERVED}, {20, 20, 20, 0}}));
    EXPECT_EQ(Realize(p), 2u);
    SetPixel(screen_, 3, 3, PALETTEINDEX(0)), SetPixel(screen_, 4, 3, PALETTEINDEX(1));
    const PALETTEENTRY moved[2] = {{200, 100, 50, 0}, {1, 1, 1, 0}};
    EXPECT_TRUE(AnimatePalette(p, 0, 2, moved));
    EXPECT_TRUE(GetPixel(screen_, 3, 3) == RGB(200, 100, 50) && GetPixel(screen_, 4, 3) == RGB(20, 20, 20)) << "only reserved entries move";
    PALETTEENTRY logical[2];
    ASSERT_EQ(GetPaletteEntries(p, 0, 2, logical), 2u);
    EXPECT_TRUE(ColourOf(logical[0]) == RGB(200, 100, 50) && logical[0].peFlags == PC_RESERVED);
    EXPECT_FALSE(AnimatePalette(nullptr, 0, 1, moved));

    ZeltHostConfigureScreen(64, 32, 8);
    Realize({{100, 0, 0, 0}, {0, 0, 100, 0}});
    SetPixel(screen_, 0, 0, PALETTEINDEX(0)), SetPixel(screen_, 1, 0, PALETTEINDEX(1));
    Realize({{0, 0, 101, 0}, {99, 0, 0, 0}});
    EXPECT_EQ(GetPixel(screen_, 0, 0), RGB(0, 0, 101)) << "old indices show the new colours";
    EXPECT_TRUE(UpdateColors(screen_));
    EXPECT_TRUE(GetPixel(screen_, 0, 0) == RGB(99, 0, 0) && GetPixel(screen_, 1, 0) == RGB(0, 0, 101)) << "pixels near their old colours";
}

TEST_F(PaletteScreen, ColoursDrawnThroughThePalette) {
    Realize({{1, 2, 3, 0}, {250, 250, 10, 0}});
    const std::pair<COLORREF, COLORREF> cases[] = {
        {RGB(1, 2, 3), RGB(0, 0, 0)},  // plain RGB: the nearest static colour
        {RGB(250, 250, 10), RGB(255, 255, 0)},
        {RGB(0xA0, 0xA0, 0xA3), RGB(0xA0, 0xA0, 0xA4)},
        {PALETTERGB(2, 2, 2), RGB(1, 2, 3)},  // the nearest logical entry
        {PALETTERGB(255, 255, 0), RGB(250, 250, 10)},
        {PALETTEINDEX(1), RGB(250, 250, 10)},
        {PALETTEINDEX(7), RGB(1, 2, 3)},  // past the end: entry 0
    };
    for (const auto &[colour, nearest] : cases) EXPECT_EQ(GetNearestColor(screen_, colour), nearest) << std::hex << colour;
    HDC memory = CreateCompatibleDC(screen_);
    EXPECT_EQ(GetNearestColor(memory, RGB(200, 200, 200)), RGB(255, 255, 255)) << "1x1 monochrome bitmap";
    DeleteDC(memory);
}

}  // namespace
}  // namespace zelt::test
