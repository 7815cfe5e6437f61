// The screen DC: capabilities at every depth, the system palette of a
// palette device, and the DC's life as a GDI object.
#include <cstring>

#include "platform/vector_rows.h"
#include "support/leak_guard.h"
#include "zelt/host.h"

namespace zelt::test {
namespace {

class Screen : public LeakCheckedTest {
protected:
    void TearDown() override {
        ZeltHostConfigureScreen(1024, 768, 32);
        LeakCheckedTest::TearDown();
    }
};

// The probed 1024 x 768 x 32 screen, index by index.
TEST_F(Screen, DefaultScreenMatchesProbedCaps) {
    const JsonValue devcaps = LoadJsonFile(PlatformVectorPath("raster/devcaps.json"));
    const JsonValue &caps = devcaps["dcs"][0]["caps"];
    ASSERT_EQ(devcaps["dcs"][0]["made_by"].AsString(), "GetDC(NULL)");
    const struct {
        const char *name;
        int index;
    } indices[] = {{"TECHNOLOGY", TECHNOLOGY}, {"BITSPIXEL", BITSPIXEL}, {"PLANES", PLANES},
                   {"NUMCOLORS", NUMCOLORS},   {"HORZRES", HORZRES},     {"VERTRES", VERTRES},
                   {"HORZSIZE", HORZSIZE},     {"VERTSIZE", VERTSIZE},   {"LOGPIXELSX", LOGPIXELSX},
                   {"LOGPIXELSY", LOGPIXELSY}, {"RASTERCAPS", RASTERCAPS}, {"SIZEPALETTE", SIZEPALETTE},
                   {"NUMRESERVED", NUMRESERVED}, {"COLORRES", COLORRES}};
    HDC screen = GetDC(nullptr);
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(GetObjectType(screen), static_cast<DWORD>(devcaps["dcs"][0]["GetObjectType"].AsInt()));
    for (const auto &index : indices)
        EXPECT_EQ(GetDeviceCaps(screen, index.index), caps[index.name].AsInt()) << index.name;
    EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
}

struct DepthCaps {
    int bpp;
    int numColors;
    int rasterCaps;
    int sizePalette;
    int colorRes;
};

TEST_F(Screen, CapsAtEveryDepth) {
    const DepthCaps table[] = {
        {1, 2, 0xBE99, 0, 24},      {4, 16, 0xBE99, 0, 24},     {8, 20, 0xBE99 | RC_PALETTE, 256, 18},
        {16, -1, 0xBE99, 0, 24},    {24, -1, 0xBE99, 0, 24},    {32, -1, 0xBE99, 0, 24},
    };
    for (const DepthCaps &row : table) {
        ASSERT_TRUE(ZeltHostConfigureScreen(800, 600, row.bpp)) << row.bpp;
        HDC screen = GetDC(nullptr);
        ASSERT_NE(screen, nullptr);
        EXPECT_EQ(GetDeviceCaps(screen, BITSPIXEL), row.bpp);
        EXPECT_EQ(GetDeviceCaps(screen, PLANES), 1);
        EXPECT_EQ(GetDeviceCaps(screen, NUMCOLORS), row.numColors) << row.bpp;
        EXPECT_EQ(GetDeviceCaps(screen, RASTERCAPS), row.rasterCaps) << row.bpp;
        EXPECT_EQ(GetDeviceCaps(screen, SIZEPALETTE), row.sizePalette) << row.bpp;
        EXPECT_EQ(GetDeviceCaps(screen, NUMRESERVED), 20);
        EXPECT_EQ(GetDeviceCaps(screen, COLORRES), row.colorRes) << row.bpp;
        EXPECT_EQ(GetDeviceCaps(screen, HORZRES), 800);
        EXPECT_EQ(GetDeviceCaps(screen, VERTRES), 600);
        // round(pixels * 25.4 / 96)
        EXPECT_EQ(GetDeviceCaps(screen, HORZSIZE), 212);
        EXPECT_EQ(GetDeviceCaps(screen, VERTSIZE), 159);
        EXPECT_EQ(GetDeviceCaps(screen, TECHNOLOGY), DT_RASDISPLAY);
        EXPECT_EQ(GetDeviceCaps(screen, LOGPIXELSY), 96);
        ReleaseDC(nullptr, screen);
    }
    EXPECT_FALSE(ZeltHostConfigureScreen(800, 600, 15));
    EXPECT_FALSE(ZeltHostConfigureScreen(0, 600, 8));
}

TEST_F(Screen, SystemPaletteOnlyOnPaletteDevice) {
    const JsonValue palettes = LoadJsonFile(PlatformVectorPath("raster/palette.json"));
    const JsonValue &defaults = palettes["items"][0];
    ASSERT_EQ(defaults["name"].AsString(), "stock DEFAULT_PALETTE");

    HDC screen = GetDC(nullptr);
    PALETTEENTRY entries[256];
    EXPECT_EQ(GetSystemPaletteEntries(screen, 0, 256, entries), 0u) << "true-colour screen";
    ReleaseDC(nullptr, screen);

    ASSERT_TRUE(ZeltHostConfigureScreen(640, 480, 8));
    screen = GetDC(nullptr);
    EXPECT_EQ(GetSystemPaletteEntries(screen, 0, 0, nullptr), 256u);
    std::memset(entries, 0x55, sizeof entries);
    ASSERT_EQ(GetSystemPaletteEntries(screen, 0, 256, entries), 256u);
    for (int i = 0; i < 20; ++i) {
        const int index = i < 10 ? i : 236 + i;
        const unsigned rgb = ParseHex(defaults["entries"][i]);
        EXPECT_EQ(entries[index].peRed, rgb >> 16) << "system index " << index;
        EXPECT_EQ(entries[index].peGreen, (rgb >> 8) & 0xFF) << "system index " << index;
        EXPECT_EQ(entries[index].peBlue, rgb & 0xFF) << "system index " << index;
        EXPECT_EQ(entries[index].peFlags, 0);
    }
    PALETTEENTRY tail[20];
    EXPECT_EQ(GetSystemPaletteEntries(screen, 250, 20, tail), 6u);
    EXPECT_EQ(std::memcmp(tail, entries + 250, 6 * sizeof(PALETTEENTRY)), 0);
    EXPECT_EQ(GetSystemPaletteEntries(screen, 256, 1, tail), 0u);
    ReleaseDC(nullptr, screen);
}

TEST_F(Screen, DcLifetime) {
    const long before = ZeltHostLiveGdiObjects();
    HDC a = GetDC(nullptr), b = GetDC(nullptr);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b);
    EXPECT_EQ(ZeltHostLiveGdiObjects(), before + 2);
    EXPECT_FALSE(DeleteObject(a)) << "a DC is released, not deleted";
    EXPECT_EQ(ReleaseDC(nullptr, a), 1);
    EXPECT_EQ(ReleaseDC(nullptr, a), 0) << "released twice";
    EXPECT_EQ(GetDeviceCaps(a, BITSPIXEL), 0) << "stale DC";
    HBRUSH brush = CreateSolidBrush(0);
    EXPECT_EQ(ReleaseDC(nullptr, reinterpret_cast<HDC>(brush)), 0) << "not a DC";
    EXPECT_EQ(GetDeviceCaps(reinterpret_cast<HDC>(brush), BITSPIXEL), 0);
    DeleteObject(brush);
    EXPECT_EQ(ReleaseDC(nullptr, b), 1);
    EXPECT_EQ(ZeltHostLiveGdiObjects(), before);

    bool created = false;
    ForEachAllocationFailure(
        [&] {
            HDC dc = GetDC(nullptr);
            created = dc != nullptr;
            if (dc != nullptr) ReleaseDC(nullptr, dc);
        },
        [&](long failedAt) { EXPECT_FALSE(created) << "allocation " << failedAt; });
}

}  // namespace
}  // namespace zelt::test
