// The 8-bit palette screen: the system palette and what RealizePalette does
// to it (static colours, exact-match reuse, free entries in order, nearest
// colours when full, foreground against background), PC_ flags, static use,
// palette animation, UpdateColors, and colours drawn through it.
#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "support/leak_guard.h"
#include "zelt/host.h"

namespace zelt::test {
namespace {

constexpr int kStaticHigh = 246;

HPALETTE MakePalette(const std::vector<PALETTEENTRY> &entries) {
    std::vector<unsigned char> storage(sizeof(LOGPALETTE) + entries.size() * sizeof(PALETTEENTRY));
    auto *logical = reinterpret_cast<LOGPALETTE *>(storage.data());
    logical->palVersion = 0x300;
    logical->palNumEntries = static_cast<WORD>(entries.size());
    if (!entries.empty()) std::memcpy(logical->palPalEntry, entries.data(), entries.size() * sizeof(PALETTEENTRY));
    return CreatePalette(logical);
}

// Colours no static colour has: red 1..n, green 7, blue 200.
std::vector<PALETTEENTRY> FreshColours(int n, BYTE flags = 0) {
    std::vector<PALETTEENTRY> entries;
    for (int i = 0; i < n; ++i) entries.push_back({static_cast<BYTE>(1 + i), 7, 200, flags});
    return entries;
}

std::vector<PALETTEENTRY> SystemEntries(HDC dc) {
    std::vector<PALETTEENTRY> entries(256);
    EXPECT_EQ(GetSystemPaletteEntries(dc, 0, 256, entries.data()), 256u);
    return entries;
}

bool Same(const PALETTEENTRY &a, const PALETTEENTRY &b) {
    return a.peRed == b.peRed && a.peGreen == b.peGreen && a.peBlue == b.peBlue;
}

COLORREF ColourOf(const PALETTEENTRY &e) { return RGB(e.peRed, e.peGreen, e.peBlue); }

class PaletteScreen : public LeakCheckedTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(ZeltHostConfigureScreen(64, 32, 8));
        LeakCheckedTest::SetUp();
        screen_ = GetDC(nullptr);
        ASSERT_NE(screen_, nullptr);
        statics_ = SystemEntries(screen_);
    }
    void TearDown() override {
        SelectPalette(screen_, static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), FALSE);
        ReleaseDC(nullptr, screen_);
        for (HPALETTE p : owned_) DeleteObject(p);
        LeakCheckedTest::TearDown();
        ZeltHostConfigureScreen(1024, 768, 32);
    }
    HPALETTE Own(HPALETTE p) {
        EXPECT_NE(p, nullptr);
        owned_.push_back(p);
        return p;
    }
    // Selects and realises on the screen DC.
    UINT Realize(HPALETTE p, bool background = false) {
        SelectPalette(screen_, p, background ? TRUE : FALSE);
        return RealizePalette(screen_);
    }
    HDC screen_ = nullptr;
    std::vector<PALETTEENTRY> statics_;
    std::vector<HPALETTE> owned_;
};

TEST_F(PaletteScreen, CapsAndInitialSystemPalette) {
    EXPECT_NE(GetDeviceCaps(screen_, RASTERCAPS) & RC_PALETTE, 0);
    EXPECT_EQ(GetDeviceCaps(screen_, SIZEPALETTE), 256);
    EXPECT_EQ(GetDeviceCaps(screen_, NUMRESERVED), 20);
    EXPECT_EQ(GetDeviceCaps(screen_, NUMCOLORS), 20);
    PALETTEENTRY def[20];
    ASSERT_EQ(GetPaletteEntries(static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), 0, 20, def), 20u);
    for (int i = 0; i < 256; ++i) {
        const PALETTEENTRY expected = i < 10 ? def[i] : i >= kStaticHigh ? def[i - 236] : PALETTEENTRY{0, 0, 0, 0};
        EXPECT_TRUE(Same(statics_[i], expected)) << "system entry " << i;
    }
    PALETTEENTRY some[16];
    EXPECT_EQ(GetSystemPaletteEntries(screen_, 250, 16, some), 6u);
    EXPECT_TRUE(Same(some[5], def[19]));
    EXPECT_EQ(GetSystemPaletteEntries(screen_, 256, 1, some), 0u);
    EXPECT_EQ(GetSystemPaletteEntries(screen_, 0, 0, nullptr), 256u);
    EXPECT_EQ(GetSystemPaletteUse(screen_), static_cast<UINT>(SYSPAL_STATIC));
    // The default palette is all static colours: nothing to change.
    EXPECT_EQ(RealizePalette(screen_), 0u);
}

// Foreground realisation of n new colours: they fill the free entries from
// 10 on in order; past the 236 free ones they map to the nearest colour.
TEST_F(PaletteScreen, NewColoursFillFreeEntriesInOrder) {
    for (int n : {1, 16, 200, 236, 240}) {
        ZeltHostConfigureScreen(64, 32, 8);
        const std::vector<PALETTEENTRY> colours = FreshColours(n);
        HPALETTE p = Own(MakePalette(colours));
        // Every entry shows differently: its own colour, or past the free
        // entries a nearer one than any static colour.
        EXPECT_EQ(Realize(p), static_cast<UINT>(n)) << n << " colours";
        const std::vector<PALETTEENTRY> system = SystemEntries(screen_);
        for (int i = 0; i < 256; ++i) {
            if (i >= 10 && i < 10 + std::min(n, 236))
                EXPECT_TRUE(Same(system[i], colours[i - 10])) << n << " colours, system entry " << i;
            else
                EXPECT_TRUE(Same(system[i], statics_[i])) << n << " colours, system entry " << i;
        }
        for (int i = 0; i < n; ++i) {
            const COLORREF shown = GetNearestColor(screen_, PALETTEINDEX(i));
            if (i < 236)
                EXPECT_EQ(shown, ColourOf(colours[i])) << n << " colours, entry " << i;
            else  // the nearest of what the palette already holds: red 236
                EXPECT_EQ(shown, RGB(236, 7, 200)) << n << " colours, entry " << i;
        }
        EXPECT_EQ(RealizePalette(screen_), 0u) << "re-realising changes nothing";
        SelectPalette(screen_, static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), FALSE);
    }
}

TEST_F(PaletteScreen, ExactMatchesReuseStaticsAndEarlierEntries) {
    // Static colours, a duplicate, and two new colours.
    const std::vector<PALETTEENTRY> entries = {{0x80, 0, 0, 0},  {1, 2, 3, 0},        {0xFF, 0xFF, 0xFF, 0},
                                               {1, 2, 3, 0},     {0xC0, 0xDC, 0xC0, 0}, {4, 5, 6, 0},
                                               {1, 2, 3, PC_NOCOLLAPSE}};
    HPALETTE p = Own(MakePalette(entries));
    // Both copies of (1,2,3), the other new colour and the no-collapse entry
    // now show differently; the static colours do not.
    EXPECT_EQ(Realize(p), 4u);
    const std::vector<PALETTEENTRY> system = SystemEntries(screen_);
    EXPECT_TRUE(Same(system[10], entries[1]));
    EXPECT_TRUE(Same(system[11], entries[5]));
    EXPECT_TRUE(Same(system[12], entries[6])) << "PC_NOCOLLAPSE takes its own entry";
    EXPECT_TRUE(Same(system[13], PALETTEENTRY{0, 0, 0, 0}));
    // Pixels drawn by PALETTEINDEX are the system indices of the mapping.
    const int expectedIndex[] = {1, 10, 255, 10, 8, 11, 12};
    for (int i = 0; i < 7; ++i) {
        SetPixel(screen_, i, 0, PALETTEINDEX(i));
        DWORD rgb = 0;
        ASSERT_TRUE(ZeltHostReadPixels(screen_, i, 0, 1, 1, &rgb));
        const PALETTEENTRY &e = system[expectedIndex[i]];
        EXPECT_EQ(rgb, static_cast<DWORD>((e.peRed << 16) | (e.peGreen << 8) | e.peBlue)) << "entry " << i;
        EXPECT_EQ(GetPixel(screen_, i, 0), ColourOf(e)) << "entry " << i;
    }
}

TEST_F(PaletteScreen, BackgroundMapsToNearestAndLeavesSystemPalette) {
    HPALETTE a = Own(MakePalette(FreshColours(20)));
    HPALETTE b = Own(MakePalette(FreshColours(20)));
    // Background first: nothing taken, entries show their nearest colours.
    EXPECT_EQ(Realize(b, true), 0u);
    EXPECT_EQ(SystemEntries(screen_)[10].peBlue, 0) << "system palette untouched";
    EXPECT_EQ(Realize(a), 20u);
    const std::vector<PALETTEENTRY> afterA = SystemEntries(screen_);
    // Now the same colours exist: the background palette maps onto them.
    EXPECT_EQ(Realize(b, true), 20u);
    EXPECT_EQ(Realize(b, true), 0u);
    const std::vector<PALETTEENTRY> afterB = SystemEntries(screen_);
    for (int i = 0; i < 256; ++i) EXPECT_TRUE(Same(afterA[i], afterB[i])) << "system entry " << i;
    for (int i = 0; i < 20; ++i) EXPECT_EQ(GetNearestColor(screen_, PALETTEINDEX(i)), RGB(1 + i, 7, 200));
}

TEST_F(PaletteScreen, NewForegroundPaletteTakesOverTheEntries) {
    HPALETTE a = Own(MakePalette(FreshColours(30)));
    std::vector<PALETTEENTRY> greens;
    for (int i = 0; i < 5; ++i) greens.push_back({9, static_cast<BYTE>(100 + i), 9, 0});
    HPALETTE b = Own(MakePalette(greens));
    EXPECT_EQ(Realize(a), 30u);
    EXPECT_EQ(Realize(b), 5u);
    const std::vector<PALETTEENTRY> system = SystemEntries(screen_);
    for (int i = 0; i < 5; ++i) EXPECT_TRUE(Same(system[10 + i], greens[i])) << i;
    // a takes its entries back; only the five b had overwritten change.
    EXPECT_EQ(Realize(a), 5u);
    EXPECT_TRUE(Same(SystemEntries(screen_)[10], PALETTEENTRY{1, 7, 200, 0}));
    // A stale translation is reported as changed even where the index stays.
    EXPECT_EQ(Realize(b), 5u);
}

TEST_F(PaletteScreen, ExplicitEntriesNameSystemIndices) {
    HPALETTE p = Own(MakePalette({{250, 0, 0, PC_EXPLICIT}, {3, 0, 0, PC_EXPLICIT}, {1, 1, 1, 0}}));
    EXPECT_EQ(Realize(p), 1u) << "only the new colour changed anything";
    EXPECT_EQ(GetNearestColor(screen_, PALETTEINDEX(0)), ColourOf(statics_[250]));
    EXPECT_EQ(GetNearestColor(screen_, PALETTEINDEX(1)), ColourOf(statics_[3]));
    EXPECT_EQ(GetNearestColor(screen_, PALETTEINDEX(2)), RGB(1, 1, 1));
}

TEST_F(PaletteScreen, StaticUseFreesStaticEntries) {
    EXPECT_EQ(SetSystemPaletteUse(screen_, 7), static_cast<UINT>(SYSPAL_ERROR));
    EXPECT_EQ(SetSystemPaletteUse(screen_, SYSPAL_NOSTATIC), static_cast<UINT>(SYSPAL_STATIC));
    EXPECT_EQ(GetSystemPaletteUse(screen_), static_cast<UINT>(SYSPAL_NOSTATIC));
    HPALETTE p = Own(MakePalette(FreshColours(254)));
    EXPECT_EQ(Realize(p), 254u);
    std::vector<PALETTEENTRY> system = SystemEntries(screen_);
    EXPECT_TRUE(Same(system[0], statics_[0]));
    EXPECT_TRUE(Same(system[255], statics_[255]));
    for (int i = 1; i < 255; ++i) EXPECT_EQ(system[i].peRed, i) << "system entry " << i;
    // Statics come back over what the palette took.
    EXPECT_EQ(SetSystemPaletteUse(screen_, SYSPAL_STATIC), static_cast<UINT>(SYSPAL_NOSTATIC));
    system = SystemEntries(screen_);
    for (int i : {1, 9, 246, 254}) EXPECT_TRUE(Same(system[i], statics_[i])) << "system entry " << i;
    EXPECT_EQ(SetSystemPaletteUse(screen_, SYSPAL_NOSTATIC256), static_cast<UINT>(SYSPAL_STATIC));
    EXPECT_EQ(Realize(Own(MakePalette(FreshColours(256)))), 256u);
    EXPECT_EQ(SystemEntries(screen_)[255].peRed, 0) << "red 256 wraps to 0 in a BYTE";
    EXPECT_EQ(SetSystemPaletteUse(screen_, SYSPAL_STATIC), static_cast<UINT>(SYSPAL_NOSTATIC256));
}

TEST_F(PaletteScreen, AnimatedEntriesChangeTheScreenInPlace) {
    HPALETTE p = Own(MakePalette({{10, 10, 10, PC_RESERVED}, {20, 20, 20, 0}}));
    EXPECT_EQ(Realize(p), 2u);
    SetPixel(screen_, 3, 3, PALETTEINDEX(0));
    SetPixel(screen_, 4, 3, PALETTEINDEX(1));
    const PALETTEENTRY moved[2] = {{200, 100, 50, 0}, {1, 1, 1, 0}};
    EXPECT_TRUE(AnimatePalette(p, 0, 2, moved));
    EXPECT_EQ(GetPixel(screen_, 3, 3), RGB(200, 100, 50)) << "reserved entry animated";
    EXPECT_EQ(GetPixel(screen_, 4, 3), RGB(20, 20, 20)) << "plain entry left alone";
    PALETTEENTRY logical[2];
    ASSERT_EQ(GetPaletteEntries(p, 0, 2, logical), 2u);
    EXPECT_TRUE(Same(logical[0], moved[0]));
    EXPECT_EQ(logical[0].peFlags, PC_RESERVED);
    EXPECT_TRUE(Same(logical[1], PALETTEENTRY{20, 20, 20, 0}));
    EXPECT_FALSE(AnimatePalette(nullptr, 0, 1, moved));
}

TEST_F(PaletteScreen, UpdateColorsKeepsPixelsNearTheirOldColours) {
    HPALETTE a = Own(MakePalette({{100, 0, 0, 0}, {0, 0, 100, 0}}));
    HPALETTE b = Own(MakePalette({{0, 0, 101, 0}, {99, 0, 0, 0}}));
    Realize(a);
    SetPixel(screen_, 0, 0, PALETTEINDEX(0));
    SetPixel(screen_, 1, 0, PALETTEINDEX(1));
    Realize(b);
    // Without UpdateColors the pixels show b's colours at a's indices.
    EXPECT_EQ(GetPixel(screen_, 0, 0), RGB(0, 0, 101));
    EXPECT_TRUE(UpdateColors(screen_));
    EXPECT_EQ(GetPixel(screen_, 0, 0), RGB(99, 0, 0));
    EXPECT_EQ(GetPixel(screen_, 1, 0), RGB(0, 0, 101));
}

TEST_F(PaletteScreen, ColoursDrawnOnThePaletteScreen) {
    HPALETTE p = Own(MakePalette({{1, 2, 3, 0}, {250, 250, 10, 0}}));
    Realize(p);
    struct Case {
        COLORREF colour;
        COLORREF nearest;
    };
    const Case cases[] = {
        // Plain RGB: the nearest static colour, even with (1,2,3) realised.
        {RGB(1, 2, 3), RGB(0, 0, 0)},
        {RGB(250, 250, 10), RGB(255, 255, 0)},
        {RGB(0xA0, 0xA0, 0xA3), RGB(0xA0, 0xA0, 0xA4)},
        // PALETTERGB: the nearest logical entry, as realised.
        {PALETTERGB(2, 2, 2), RGB(1, 2, 3)},
        {PALETTERGB(255, 255, 0), RGB(250, 250, 10)},
        // PALETTEINDEX: the entry; past the end, entry 0.
        {PALETTEINDEX(1), RGB(250, 250, 10)},
        {PALETTEINDEX(7), RGB(1, 2, 3)},
    };
    for (const Case &c : cases) EXPECT_EQ(GetNearestColor(screen_, c.colour), c.nearest) << std::hex << c.colour;
    // A memory DC with a DIB section keeps its own table rules.
    HDC mdc = CreateCompatibleDC(screen_);
    EXPECT_EQ(GetNearestColor(mdc, RGB(200, 200, 200)), RGB(255, 255, 255)) << "1x1 monochrome bitmap";
    DeleteDC(mdc);
}

// Random palettes: after a foreground realisation every entry shows its
// own colour while the distinct new colours fit, statics never move, and a
// second realisation reports nothing.
TEST_F(PaletteScreen, RandomPalettesShowTheirColours) {
    for (std::uint32_t seed = 1; seed <= 40; ++seed) {
        std::uint32_t x = seed * 0x9E3779B9u;
        auto next = [&x] {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            return x;
        };
        const int n = 1 + static_cast<int>(next() % 300);
        std::vector<PALETTEENTRY> entries;
        std::set<COLORREF> distinct;
        for (int i = 0; i < n; ++i) {
            // Few levels so that duplicates and static colours turn up.
            const BYTE levels[] = {0, 0x80, 0xC0, 0xFF, 0x33};
            const PALETTEENTRY e{levels[next() % 5], levels[next() % 5], levels[next() % 5], 0};
            entries.push_back(e);
            distinct.insert(ColourOf(e));
        }
        HPALETTE p = MakePalette(entries);
        ASSERT_NE(p, nullptr);
        const UINT changed = Realize(p);
        EXPECT_LE(changed, static_cast<UINT>(n)) << "case " << seed;
        const std::vector<PALETTEENTRY> system = SystemEntries(screen_);
        for (int i : {0, 9, 246, 255}) EXPECT_TRUE(Same(system[i], statics_[i])) << "case " << seed;
        if (distinct.size() <= 236)
            for (int i = 0; i < n; ++i)
                EXPECT_EQ(GetNearestColor(screen_, PALETTEINDEX(i)), ColourOf(entries[i])) << "case " << seed << " entry " << i;
        EXPECT_EQ(RealizePalette(screen_), 0u) << "case " << seed;
        SelectPalette(screen_, static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), FALSE);
        DeleteObject(p);
    }
}

}  // namespace
}  // namespace zelt::test
