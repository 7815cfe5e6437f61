// DIB colour tables of every indexed depth with clipped ranges, calls on DCs
// without one, ResizePalette, and allocation failures of palette calls.
#include <cstring>
#include <vector>

#include "support/leak_guard.h"
#include "zelt/host.h"

namespace zelt::test {
namespace {

class PaletteTables : public LeakCheckedTest {};

HDC SectionDc(int bpp, HBITMAP &bitmap) {
    // A header followed by a full (all black) table of 256 entries.
    std::vector<unsigned char> storage(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
    auto *info = reinterpret_cast<BITMAPINFO *>(storage.data());
    info->bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 3, 2, 1, static_cast<WORD>(bpp), BI_RGB, 0, 0, 0, 0, 0};
    HDC dc = CreateCompatibleDC(nullptr);
    void *bits = nullptr;
    bitmap = CreateDIBSection(dc, info, DIB_RGB_COLORS, &bits, nullptr, 0);
    SelectObject(dc, bitmap);
    return dc;
}

TEST_F(PaletteTables, ColourTablesAreClippedToTheirSize) {
    struct Case {
        int bpp;
        UINT start, count, expected;
    };
    const Case cases[] = {{1, 0, 5, 2},    {1, 1, 1, 1},    {1, 2, 1, 0},     {4, 14, 3, 2},    {4, 0, 16, 16},
                          {4, 16, 1, 0},   {8, 250, 10, 6}, {8, 0, 256, 256}, {8, 255, 1, 1},   {8, 256, 1, 0},
                          {8, 7, 0, 0},    {4, 20, 1, 0}};
    for (const Case &c : cases) {
        HBITMAP bitmap = nullptr;
        HDC dc = SectionDc(c.bpp, bitmap);
        ASSERT_NE(bitmap, nullptr);
        std::vector<RGBQUAD> fresh(c.count + 1);
        for (UINT i = 0; i < fresh.size(); ++i)
            fresh[i] = RGBQUAD{static_cast<BYTE>(i + 1), static_cast<BYTE>(c.start), static_cast<BYTE>(c.bpp), 0x55};
        EXPECT_EQ(SetDIBColorTable(dc, c.start, c.count, fresh.data()), c.expected)
            << c.bpp << " bpp, start " << c.start << " count " << c.count;
        std::vector<RGBQUAD> back(c.count + 1, RGBQUAD{9, 9, 9, 9});
        ASSERT_EQ(GetDIBColorTable(dc, c.start, c.count, back.data()), c.expected);
        for (UINT i = 0; i < c.expected; ++i) {
            EXPECT_EQ(back[i].rgbBlue, static_cast<BYTE>(i + 1)) << c.bpp << " bpp, entry " << c.start + i;
            EXPECT_EQ(back[i].rgbReserved, 0) << "the spare byte is not kept";
        }
        EXPECT_EQ(back[c.expected].rgbBlue, 9) << "nothing written past the clipped range";
        // Pixels read through the new table.
        if (c.expected != 0 && c.start == 0) {
            EXPECT_EQ(GetPixel(dc, 0, 0), RGB(c.bpp, c.start, 1)) << c.bpp << " bpp";
        }
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
}

TEST_F(PaletteTables, NoColourTableWithoutAnIndexedSection) {
    RGBQUAD table[4] = {};
    HBITMAP deep = nullptr;
    HDC deepDc = SectionDc(24, deep);
    EXPECT_EQ(GetDIBColorTable(deepDc, 0, 4, table), 0u);
    EXPECT_EQ(SetDIBColorTable(deepDc, 0, 4, table), 0u);
    HDC plain = CreateCompatibleDC(nullptr);
    EXPECT_EQ(GetDIBColorTable(plain, 0, 2, table), 0u) << "monochrome DDB";
    HBITMAP ddb = CreateBitmap(4, 4, 1, 1, nullptr);
    SelectObject(plain, ddb);
    EXPECT_EQ(GetDIBColorTable(plain, 0, 2, table), 0u);
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(GetDIBColorTable(screen, 0, 2, table), 0u);
    EXPECT_EQ(GetDIBColorTable(nullptr, 0, 2, table), 0u);
    ReleaseDC(nullptr, screen);
    DeleteDC(plain);
    DeleteObject(ddb);
    DeleteDC(deepDc);
    DeleteObject(deep);
}

TEST_F(PaletteTables, ResizeKeepsEntriesAndAddsBlack) {
    LOGPALETTE two[2] = {};
    two[0].palVersion = 0x300;
    two[0].palNumEntries = 2;
    two[0].palPalEntry[0] = {1, 2, 3, PC_NOCOLLAPSE};
    std::memcpy(reinterpret_cast<BYTE *>(two) + sizeof(LOGPALETTE), &two[0].palPalEntry[0], sizeof(PALETTEENTRY));
    HPALETTE palette = CreatePalette(two);
    ASSERT_NE(palette, nullptr);
    for (UINT size : {5u, 1u, 0u, 300u}) {
        PALETTEENTRY before{};
        const UINT had = GetPaletteEntries(palette, 0, 1, &before);
        ASSERT_TRUE(ResizePalette(palette, size)) << size;
        EXPECT_EQ(GetPaletteEntries(palette, 0, 0, nullptr), size);
        std::vector<PALETTEENTRY> entries(size + 1);
        ASSERT_EQ(GetPaletteEntries(palette, 0, size, entries.data()), size);
        if (size > 0 && had > 0) EXPECT_EQ(std::memcmp(&entries[0], &before, sizeof before), 0) << size;
        for (UINT i = 1; i < size && had == 0; ++i) EXPECT_EQ(entries[i].peRed | entries[i].peFlags, 0) << i;
    }
    EXPECT_FALSE(ResizePalette(static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), 4));
    EXPECT_FALSE(ResizePalette(nullptr, 4));
    DeleteObject(palette);
}

TEST_F(PaletteTables, AllocationFailuresLeaveNothingBehind) {
    LOGPALETTE one{0x300, 1, {{5, 6, 7, 0}}};
    // Each run creates a palette, grows it and lets it go; a failure shows
    // as a NULL palette or a FALSE resize that left the palette as it was.
    bool created = false;
    BOOL resized = FALSE;
    UINT sizeAfter = 0;
    PALETTEENTRY firstAfter{};
    const auto createAndGrow = [&] {
        HPALETTE palette = CreatePalette(&one);
        created = palette != nullptr;
        if (!created) return;
        resized = ResizePalette(palette, 40);
        sizeAfter = GetPaletteEntries(palette, 0, 0, nullptr);
        GetPaletteEntries(palette, 0, 1, &firstAfter);
        DeleteObject(palette);
    };
    const long allocations = ForEachAllocationFailure(createAndGrow, [&](long failedAt) {
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY)) << "allocation " << failedAt;
        if (!created) return;
        EXPECT_FALSE(resized) << "allocation " << failedAt;
        EXPECT_EQ(sizeAfter, 1u) << "size unchanged";
        EXPECT_EQ(firstAfter.peRed, 5);
    });
    EXPECT_GE(allocations, 3) << "object, entries, grown entries";
    createAndGrow();
    EXPECT_TRUE(created);
    EXPECT_TRUE(resized);
    EXPECT_EQ(sizeAfter, 40u);
}

}  // namespace
}  // namespace zelt::test
