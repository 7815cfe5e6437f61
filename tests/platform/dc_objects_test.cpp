// Device contexts and GDI objects: devcaps.json replayed for every DC kind
// the platform has (metafile DCs aside), the SaveDC/RestoreDC state stack,
// mapping modes, host pixel reads, DIB colour tables and palette entries
// clipped to their size, and every creating call under injected allocation
// failures (nothing made, nothing leaked, ERROR_NOT_ENOUGH_MEMORY).
#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/json_reader.h"
#include "support/leak_guard.h"
#include "support/surface_model.h"
#include "zelt/host.h"

namespace zelt::test {
namespace {

class Dc : public LeakCheckedTest {
protected:
    void TearDown() override {
        ZeltHostConfigureScreen(1024, 768, 32);
        LeakCheckedTest::TearDown();
    }
};

const std::map<std::string, int> kCapIndex = {
    {"TECHNOLOGY", TECHNOLOGY}, {"BITSPIXEL", BITSPIXEL},     {"PLANES", PLANES},           {"NUMCOLORS", NUMCOLORS},
    {"HORZRES", HORZRES},       {"VERTRES", VERTRES},         {"HORZSIZE", HORZSIZE},       {"VERTSIZE", VERTSIZE},
    {"LOGPIXELSX", LOGPIXELSX}, {"LOGPIXELSY", LOGPIXELSY},   {"RASTERCAPS", RASTERCAPS},   {"SIZEPALETTE", SIZEPALETTE},
    {"NUMRESERVED", NUMRESERVED}, {"COLORRES", COLORRES},     {"ASPECTX", ASPECTX},         {"ASPECTY", ASPECTY},
    {"CLIPCAPS", CLIPCAPS},     {"PHYSICALWIDTH", PHYSICALWIDTH}, {"PHYSICALHEIGHT", PHYSICALHEIGHT},
    {"SHADEBLENDCAPS", SHADEBLENDCAPS}};

TEST_F(Dc, DeviceCapsOfEveryDcKind) {
    ZELT_SKIP_WITHOUT_VECTORS();
    ASSERT_TRUE(ZeltHostConfigureScreen(1024, 768, 32));
    const JsonValue doc = LoadJsonFile(PlatformVectorPath("raster/devcaps.json"));
    HDC screen = GetDC(nullptr);
    int checked = 0;
    for (const JsonValue &row : doc["dcs"].items()) {
        const std::string kind = row["dc"].AsString();
        SCOPED_TRACE(kind);
        if (kind.find("metafile") != std::string::npos) continue;
        HDC dc = kind == "screen"    ? GetDC(nullptr)
                 : kind == "display" ? CreateDCA("DISPLAY", nullptr, nullptr, nullptr)
                                     : CreateCompatibleDC(nullptr);
        ASSERT_NE(dc, nullptr);
        HBITMAP bitmap = nullptr;
        if (kind.rfind("memory_dib", 0) == 0) {
            std::vector<BYTE> info = InfoOf(SurfaceModel(8, 8, std::stoi(kind.substr(10))));
            void *bits = nullptr;
            bitmap = CreateDIBSection(dc, reinterpret_cast<BITMAPINFO *>(info.data()), DIB_RGB_COLORS, &bits, nullptr, 0);
        } else if (kind.rfind("memory_", 0) == 0 && kind != "memory_default") {
            bitmap = kind == "memory_mono_ddb" ? CreateBitmap(8, 8, 1, 1, nullptr) : CreateCompatibleBitmap(screen, 8, 8);
        }
        HGDIOBJ old = bitmap != nullptr ? SelectObject(dc, bitmap) : nullptr;
        EXPECT_EQ(GetObjectType(dc), DWORD(row["GetObjectType"].AsInt()));
        for (const auto &[name, value] : row["caps"].members()) {
            ASSERT_TRUE(kCapIndex.count(name)) << name;
            EXPECT_EQ(GetDeviceCaps(dc, kCapIndex.at(name)), value.AsInt()) << name;
        }
        if (old != nullptr) SelectObject(dc, old);
        DeleteObject(bitmap);
        kind == "screen" ? (void)ReleaseDC(nullptr, dc) : (void)DeleteDC(dc);
        ++checked;
    }
    EXPECT_EQ(checked, 11);
    ReleaseDC(nullptr, screen);
}

// Handles are 32-bit values: once churn has set bit 31 of one, the value
// kept in a LONG and widened again (sign-extended on 64-bit hosts) still
// names the object, and a stale copy names nothing.
TEST_F(Dc, HandlesSurviveSignExtension) {
    HBRUSH high = nullptr;
    for (int i = 0; i < 4'000'000 && high == nullptr; ++i) {
        HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
        ASSERT_NE(brush, nullptr);
        if ((reinterpret_cast<std::uintptr_t>(brush) & 0x80000000u) != 0)
            high = brush;
        else
            DeleteObject(brush);
    }
    ASSERT_NE(high, nullptr) << "no handle with bit 31 set";
    const LONG kept = static_cast<LONG>(reinterpret_cast<std::uintptr_t>(high));
    const auto widened = reinterpret_cast<HGDIOBJ>(static_cast<std::intptr_t>(kept));
    EXPECT_EQ(GetObjectType(widened), static_cast<DWORD>(OBJ_BRUSH));
    EXPECT_TRUE(DeleteObject(widened));
    EXPECT_EQ(GetObjectType(high), 0u);
}

TEST_F(Dc, SaveAndRestoreBringBackEveryAttribute) {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP first = CreateBitmap(8, 8, 1, 1, nullptr), second = CreateBitmap(4, 4, 1, 1, nullptr);
    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3)), saved = CreateSolidBrush(RGB(4, 5, 6));
    HGDIOBJ initialBitmap = SelectObject(dc, first), initialBrush = GetCurrentObject(dc, OBJ_BRUSH);
    EXPECT_EQ(SaveDC(dc), 1);
    SelectObject(dc, second), SelectObject(dc, brush), SetBkColor(dc, RGB(9, 9, 9)), SetTextColor(dc, RGB(7, 7, 7));
    SetBkMode(dc, TRANSPARENT), SetROP2(dc, R2_NOT), SetStretchBltMode(dc, COLORONCOLOR), SetBrushOrgEx(dc, 3, 4, nullptr);
    SetMapMode(dc, MM_ANISOTROPIC), SetWindowExtEx(dc, 2, 3, nullptr), SetViewportOrgEx(dc, 5, 6, nullptr), MoveToEx(dc, 11, 12, nullptr);
    EXPECT_EQ(SaveDC(dc), 2);
    SetBkColor(dc, RGB(1, 1, 1));
    EXPECT_EQ(SaveDC(dc), 3);
    EXPECT_FALSE(RestoreDC(dc, 4) || RestoreDC(dc, 0));
    EXPECT_TRUE(RestoreDC(dc, -1) && GetBkColor(dc) == RGB(1, 1, 1));
    EXPECT_TRUE(RestoreDC(dc, -1) && GetBkColor(dc) == RGB(9, 9, 9) && GetCurrentObject(dc, OBJ_BITMAP) == second);
    POINT at{}, origin{}, viewport{};
    GetCurrentPositionEx(dc, &at);
    EXPECT_EQ(at.x, 11);
    EXPECT_TRUE(RestoreDC(dc, 1));
    GetBrushOrgEx(dc, &origin), GetViewportOrgEx(dc, &viewport);
    EXPECT_TRUE(GetCurrentObject(dc, OBJ_BITMAP) == first && GetCurrentObject(dc, OBJ_BRUSH) == initialBrush);
    EXPECT_TRUE(origin.x == 0 && viewport.x == 0);
    EXPECT_TRUE(GetBkColor(dc) == RGB(255, 255, 255) && GetTextColor(dc) == 0 && GetBkMode(dc) == OPAQUE);
    EXPECT_TRUE(GetROP2(dc) == R2_COPYPEN && GetStretchBltMode(dc) == BLACKONWHITE && GetMapMode(dc) == MM_TEXT);
    EXPECT_FALSE(RestoreDC(dc, -1)) << "nothing saved";
    // A brush deleted while a saved state holds it goes when that state does.
    SelectObject(dc, saved);
    EXPECT_EQ(SaveDC(dc), 1);
    SelectObject(dc, brush);
    EXPECT_TRUE(DeleteObject(saved) && GetObjectType(saved) == OBJ_BRUSH);
    EXPECT_TRUE(RestoreDC(dc, 1) && GetCurrentObject(dc, OBJ_BRUSH) == saved);
    SelectObject(dc, initialBrush), SelectObject(dc, initialBitmap);
    EXPECT_EQ(GetObjectType(saved), 0u);
    DeleteDC(dc);
    for (HGDIOBJ o : {HGDIOBJ(first), HGDIOBJ(second), HGDIOBJ(brush)}) EXPECT_TRUE(DeleteObject(o));
}

TEST_F(Dc, MappingModesTransformBothWays) {
    HDC dc = CreateCompatibleDC(nullptr);
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowOrgEx(dc, 10, 20, nullptr);
    SetWindowExtEx(dc, 100, 200, nullptr);
    SetViewportOrgEx(dc, 5, 7, nullptr);
    SetViewportExtEx(dc, 50, -400, nullptr);
    POINT points[2] = {{10, 20}, {110, 120}};
    ASSERT_TRUE(LPtoDP(dc, points, 2));
    EXPECT_TRUE(points[0].x == 5 && points[0].y == 7 && points[1].x == 55 && points[1].y == -193);
    ASSERT_TRUE(DPtoLP(dc, points, 2));
    EXPECT_TRUE(points[1].x == 110 && points[1].y == 120);
    SetMapMode(dc, MM_ISOTROPIC);  // equal units both ways: the larger viewport extent shrinks
    SetWindowExtEx(dc, 100, 100, nullptr);
    SetViewportExtEx(dc, 400, 200, nullptr);
    SIZE extent{};
    GetViewportExtEx(dc, &extent);
    EXPECT_TRUE(extent.cx == 200 && extent.cy == 200);
    SetMapMode(dc, MM_TEXT);
    GetViewportExtEx(dc, &extent);
    EXPECT_EQ(extent.cx, 1);
    DeleteDC(dc);
}

TEST_F(Dc, HostReadsPixels) {
    SurfaceModel m(3, 2, 32);
    m.pixels = {0x112233, 0x445566, 0x778899, 0xAABBCC, 0xDDEEFF, 0x010203};
    ModelDc dc(m);
    DWORD read[6] = {};
    ASSERT_TRUE(ZeltHostReadPixels(dc.dc(), 0, 0, 3, 2, read));
    EXPECT_EQ(std::vector<DWORD>(read, read + 6), m.pixels);
    EXPECT_FALSE(ZeltHostReadPixels(dc.dc(), 1, 0, 3, 2, read));
    ASSERT_TRUE(ZeltHostReadPixels(dc.bitmap(), 2, 1, 1, 1, read));
    EXPECT_EQ(read[0], 0x010203u);

}

HPALETTE MakePalette(const std::vector<PALETTEENTRY> &entries) {
    std::vector<BYTE> storage(sizeof(LOGPALETTE) + entries.size() * sizeof(PALETTEENTRY));
    auto *logical = reinterpret_cast<LOGPALETTE *>(storage.data());
    *logical = LOGPALETTE{0x300, WORD(entries.size()), {}};
    std::copy(entries.begin(), entries.end(), logical->palPalEntry);
    return CreatePalette(logical);
}

TEST_F(Dc, DibColourTablesAreClippedToTheirSize) {
    const struct {
        int bpp;
        UINT start, count, expected;
    } cases[] = {{1, 0, 5, 2},   {1, 1, 1, 1},    {1, 2, 1, 0},     {4, 14, 3, 2},  {4, 0, 16, 16}, {4, 16, 1, 0},
                 {8, 250, 10, 6}, {8, 0, 256, 256}, {8, 255, 1, 1}, {8, 256, 1, 0}, {8, 7, 0, 0},   {4, 20, 1, 0}};
    for (const auto &c : cases) {
        ModelDc dc(SurfaceModel(3, 2, c.bpp, std::vector<RGBQUAD>(size_t(1) << c.bpp)));
        std::vector<RGBQUAD> fresh(c.count + 1), back(c.count + 1, RGBQUAD{9, 9, 9, 9});
        for (UINT i = 0; i < fresh.size(); ++i) fresh[i] = RGBQUAD{BYTE(i + 1), BYTE(c.start), BYTE(c.bpp), 0x55};
        EXPECT_EQ(SetDIBColorTable(dc.dc(), c.start, c.count, fresh.data()), c.expected) << c.bpp << " bpp from " << c.start;
        ASSERT_EQ(GetDIBColorTable(dc.dc(), c.start, c.count, back.data()), c.expected);
        for (UINT i = 0; i < c.expected; ++i)
            EXPECT_TRUE(back[i].rgbBlue == BYTE(i + 1) && back[i].rgbReserved == 0) << c.bpp << " bpp, entry " << c.start + i;
        EXPECT_EQ(back[c.expected].rgbBlue, 9) << "nothing written past the clipped range";
        if (c.expected != 0 && c.start == 0) { EXPECT_EQ(GetPixel(dc.dc(), 0, 0), RGB(c.bpp, 0, 1)) << "pixels read the new table"; }
    }
    RGBQUAD table[4] = {};
    ModelDc deep(SurfaceModel(3, 2, 24));
    HDC plain = CreateCompatibleDC(nullptr);  // a monochrome DDB
    EXPECT_TRUE(GetDIBColorTable(deep.dc(), 0, 4, table) == 0 && SetDIBColorTable(deep.dc(), 0, 4, table) == 0);
    EXPECT_TRUE(GetDIBColorTable(plain, 0, 2, table) == 0 && GetDIBColorTable(nullptr, 0, 2, table) == 0);
    DeleteDC(plain);
}

TEST_F(Dc, PaletteEntriesAreClippedAndResized) {
    HPALETTE palette = MakePalette(std::vector<PALETTEENTRY>(8, PALETTEENTRY{1, 2, 3, 0}));
    WORD count = 0;
    EXPECT_TRUE(GetObjectA(palette, sizeof count, &count) == int(sizeof count) && count == 8);
    const PALETTEENTRY fresh[4] = {{10, 11, 12, 0}, {20, 21, 22, PC_NOCOLLAPSE}, {30, 31, 32, 0}, {40, 41, 42, 0}};
    PALETTEENTRY back[2];
    EXPECT_TRUE(SetPaletteEntries(palette, 6, 4, fresh) == 2 && SetPaletteEntries(palette, 8, 1, fresh) == 0);
    EXPECT_TRUE(GetPaletteEntries(palette, 6, 4, back) == 2 && std::memcmp(back, fresh, sizeof back) == 0);
    for (UINT size : {5u, 1u, 0u, 300u}) {
        ASSERT_TRUE(ResizePalette(palette, size)) << size;
        std::vector<PALETTEENTRY> entries(size + 1, PALETTEENTRY{7, 7, 7, 7});
        ASSERT_EQ(GetPaletteEntries(palette, 0, size + 1, entries.data()), size);
        if (size == 5) { EXPECT_EQ(entries[0].peRed, 1); }
        if (size == 300) { EXPECT_TRUE(entries[299].peRed == 0 && entries[299].peFlags == 0) << "grown entries are black"; }
    }
    EXPECT_FALSE(ResizePalette(HPALETTE(GetStockObject(DEFAULT_PALETTE)), 4) || ResizePalette(nullptr, 4) || CreatePalette(nullptr));
    DeleteObject(palette);
}

TEST_F(Dc, EveryCreatingCallFailsCleanlyAtEachAllocation) {
    const WORD bits[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    HBITMAP source = CreateBitmap(8, 8, 1, 1, bits);
    const LOGBRUSH hatch{BS_HATCHED, RGB(1, 2, 3), HS_CROSS};
    const std::vector<BYTE> info = InfoOf(SurfaceModel(2, 2, 32));
    std::vector<BYTE> packed(info.begin(), info.begin() + sizeof(BITMAPINFOHEADER));
    packed.resize(packed.size() + 16, 1);
    HDC screen = GetDC(nullptr);
    const std::vector<BYTE> section = InfoOf(SurfaceModel(7, 5, 8, NamedTable("grey")));
    void *sectionBits = nullptr;
    const std::function<HGDIOBJ()> creators[] = {
        [] { return HGDIOBJ(CreateCompatibleDC(nullptr)); },
        [&] { return HGDIOBJ(CreateCompatibleBitmap(screen, 5, 3)); },
        [&] {
            const auto *header = reinterpret_cast<const BITMAPINFO *>(section.data());
            return HGDIOBJ(CreateDIBSection(screen, header, DIB_RGB_COLORS, &sectionBits, nullptr, 0));
        },
        [] { return HGDIOBJ(CreateDCA("DISPLAY", nullptr, nullptr, nullptr)); },
        [] { return HGDIOBJ(GetDC(nullptr)); },
        [] { return HGDIOBJ(CreateBitmap(16, 16, 1, 24, nullptr)); },
        [] { return HGDIOBJ(CreateSolidBrush(RGB(1, 2, 3))); },
        [&] { return HGDIOBJ(CreatePatternBrush(source)); },
        [&] { return HGDIOBJ(CreateDIBPatternBrushPt(packed.data(), DIB_RGB_COLORS)); },
        [] { return HGDIOBJ(CreateHatchBrush(HS_DIAGCROSS, RGB(9, 9, 9))); },
        [&] { return HGDIOBJ(CreateBrushIndirect(&hatch)); },
        [] { return HGDIOBJ(MakePalette({{5, 6, 7, 0}})); },
    };
    for (size_t i = 0; i < std::size(creators); ++i) {
        bool created = false;
        EXPECT_GE(ForEachAllocationFailure(
                      [&] {
                          SetLastError(0);
                          HGDIOBJ made = creators[i]();
                          created = made != nullptr;
                          if (!DeleteObject(made) && !DeleteDC(HDC(made))) ReleaseDC(nullptr, HDC(made));
                      },
                      [&](long failedAt) {
                          EXPECT_FALSE(created) << "creator " << i << ", allocation " << failedAt;
                          EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_ENOUGH_MEMORY)) << "creator " << i;
                      }),
                  1)
            << "creator " << i;
    }
    // A palette that cannot grow stays as it was.
    HPALETTE palette = MakePalette({{5, 6, 7, 0}});
    BOOL resized = FALSE;
    ForEachAllocationFailure([&] { resized = ResizePalette(palette, 40) && ResizePalette(palette, 1); },
                             [&](long failedAt) {
                                 PALETTEENTRY first{};
                                 EXPECT_FALSE(resized) << "allocation " << failedAt;
                                 EXPECT_EQ(GetPaletteEntries(palette, 0, 0, nullptr), failedAt == 1 ? 1u : 40u);
                                 EXPECT_TRUE(GetPaletteEntries(palette, 0, 1, &first) && first.peRed == 5);
                                 ResizePalette(palette, 1);
                             });
    DeleteObject(palette), DeleteObject(source), ReleaseDC(nullptr, screen);
}

}  // namespace
}  // namespace zelt::test
