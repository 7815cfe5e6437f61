// GDI objects: CreateBitmap against the probed objects.json rows, palettes
// against palette.json, pattern brushes, handle validation and failure
// injection on every creating call.
#include <array>
#include <cstring>
#include <functional>
#include <regex>
#include <vector>

#include "platform/vector_rows.h"
#include "support/leak_guard.h"
#include "zelt/host.h"

namespace zelt::test {
namespace {

class GdiObjects : public LeakCheckedTest {};

TEST_F(GdiObjects, CreateBitmapMatchesProbedRows) {
    const JsonValue objects = LoadJsonFile(PlatformVectorPath("raster/objects.json"));
    const std::regex call(R"(CreateBitmap\((-?\d+),(-?\d+),(\d+),(\d+),NULL\))");
    int replayed = 0;
    for (const JsonValue &item : objects["items"].items()) {
        std::smatch m;
        const std::string &name = item["name"].AsString();
        if (!std::regex_match(name, m, call)) continue;
        ++replayed;
        SetLastError(0);
        HBITMAP bitmap = CreateBitmap(std::stoi(m[1]), std::stoi(m[2]), std::stoul(m[3]), std::stoul(m[4]), nullptr);
        ASSERT_EQ(bitmap == nullptr, item["handle_null"].AsBool()) << name;
        if (bitmap == nullptr) {
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(item["last_error"].AsInt())) << name;
            continue;
        }
        EXPECT_EQ(GetObjectType(bitmap), static_cast<DWORD>(OBJ_BITMAP));
        EXPECT_EQ(GetObjectA(bitmap, 0, nullptr), static_cast<int>(sizeof(BITMAP))) << name;
        BITMAP info;
        EXPECT_EQ(GetObjectA(bitmap, static_cast<int>(sizeof(BITMAP)) - 1, &info), 0) << name;
        EXPECT_EQ(GetObjectA(bitmap, sizeof info, &info), static_cast<int>(sizeof(BITMAP))) << name;
        EXPECT_EQ(info.bmType, item["bmType"].AsInt()) << name;
        EXPECT_EQ(info.bmWidth, item["bmWidth"].AsInt()) << name;
        EXPECT_EQ(info.bmHeight, item["bmHeight"].AsInt()) << name;
        EXPECT_EQ(info.bmWidthBytes, item["bmWidthBytes"].AsInt()) << name;
        EXPECT_EQ(info.bmPlanes, item["bmPlanes"].AsInt()) << name;
        EXPECT_EQ(info.bmBitsPixel, item["bmBitsPixel"].AsInt()) << name;
        EXPECT_EQ(info.bmBits == nullptr, item["bmBits_null"].AsBool()) << name;
        EXPECT_TRUE(DeleteObject(bitmap)) << name;
    }
    EXPECT_GE(replayed, 10);
}

TEST_F(GdiObjects, BitmapRowsAreWordAlignedAndBitsCopied) {
    for (UINT bpp : {1u, 4u, 8u, 16u, 24u, 32u}) {
        for (int width = 1; width <= 40; width += 3) {
            const int rowBytes = ((width * static_cast<int>(bpp) + 15) / 16) * 2;
            std::vector<unsigned char> bits(static_cast<std::size_t>(rowBytes) * 3);
            for (std::size_t i = 0; i < bits.size(); ++i) bits[i] = static_cast<unsigned char>(i * 7 + bpp);
            HBITMAP bitmap = CreateBitmap(width, 3, 1, bpp, bits.data());
            ASSERT_NE(bitmap, nullptr) << bpp << " bpp, width " << width;
            BITMAP info;
            ASSERT_EQ(GetObjectA(bitmap, sizeof info, &info), static_cast<int>(sizeof info));
            EXPECT_EQ(info.bmWidthBytes, rowBytes) << bpp << " bpp, width " << width;
            DeleteObject(bitmap);
        }
    }
}

TEST_F(GdiObjects, PalettesMatchProbedRows) {
    const JsonValue palettes = LoadJsonFile(PlatformVectorPath("raster/palette.json"));
    const std::regex call(R"(CreatePalette palNumEntries=(\d+))");
    int replayed = 0;
    for (const JsonValue &item : palettes["items"].items()) {
        std::smatch m;
        const std::string &name = item["name"].AsString();
        if (name == "CreatePalette(NULL)") {
            EXPECT_EQ(CreatePalette(nullptr), nullptr);
            continue;
        }
        if (name == "GetPaletteEntries on 16-entry palette") {
            std::vector<unsigned char> storage(sizeof(LOGPALETTE) + 16 * sizeof(PALETTEENTRY));
            auto *logical = reinterpret_cast<LOGPALETTE *>(storage.data());
            logical->palVersion = 0x300;
            logical->palNumEntries = 16;
            HPALETTE palette = CreatePalette(logical);
            ASSERT_NE(palette, nullptr);
            PALETTEENTRY out[256];
            EXPECT_EQ(GetPaletteEntries(palette, 0, 256, out), static_cast<UINT>(item["start0_count256"].AsInt()));
            EXPECT_EQ(GetPaletteEntries(palette, 10, 10, out), static_cast<UINT>(item["start10_count10"].AsInt()));
            EXPECT_EQ(GetPaletteEntries(palette, 16, 1, out), static_cast<UINT>(item["start16_count1"].AsInt()));
            EXPECT_EQ(GetPaletteEntries(palette, 20, 1, out), static_cast<UINT>(item["start20_count1"].AsInt()));
            EXPECT_EQ(GetPaletteEntries(palette, 0, 0, nullptr), static_cast<UINT>(item["count_only_NULL"].AsInt()));
            DeleteObject(palette);
            ++replayed;
            continue;
        }
        if (!std::regex_match(name, m, call)) continue;
        const UINT count = std::stoul(m[1]);
        std::vector<unsigned char> storage(sizeof(LOGPALETTE) + count * sizeof(PALETTEENTRY));
        auto *logical = reinterpret_cast<LOGPALETTE *>(storage.data());
        logical->palVersion = 0x300;
        logical->palNumEntries = static_cast<WORD>(count);
        for (UINT i = 0; i < count; ++i)
            logical->palPalEntry[i] = {static_cast<BYTE>(i), static_cast<BYTE>(i >> 8), static_cast<BYTE>(i * 3), 0};
        HPALETTE palette = CreatePalette(logical);
        ASSERT_EQ(palette == nullptr, item["handle_null"].AsBool()) << name;
        WORD reported = 0xFFFF;
        EXPECT_EQ(GetObjectA(palette, sizeof reported, &reported), static_cast<int>(sizeof(WORD))) << name;
        EXPECT_EQ(reported, item["GetObject_count"].AsInt()) << name;
        EXPECT_EQ(GetPaletteEntries(palette, 0, 0, nullptr), static_cast<UINT>(item["GetPaletteEntries_NULL"].AsInt()));
        std::vector<PALETTEENTRY> read(count + 1);
        ASSERT_EQ(GetPaletteEntries(palette, 0, count + 1, read.data()), count) << name;
        EXPECT_EQ(std::memcmp(read.data(), logical->palPalEntry, count * sizeof(PALETTEENTRY)), 0) << name;
        EXPECT_EQ(GetObjectType(palette), static_cast<DWORD>(OBJ_PAL));
        DeleteObject(palette);
        ++replayed;
    }
    EXPECT_GE(replayed, 7);
}

TEST_F(GdiObjects, SetPaletteEntriesIsClippedAndReadBack) {
    LOGPALETTE logical{0x300, 1, {{1, 2, 3, 0}}};
    std::vector<unsigned char> storage(sizeof(LOGPALETTE) + 7 * sizeof(PALETTEENTRY));
    auto *eight = reinterpret_cast<LOGPALETTE *>(storage.data());
    *eight = logical;
    eight->palNumEntries = 8;
    HPALETTE palette = CreatePalette(eight);
    ASSERT_NE(palette, nullptr);
    const PALETTEENTRY fresh[4] = {{10, 11, 12, 0}, {20, 21, 22, PC_NOCOLLAPSE}, {30, 31, 32, 0}, {40, 41, 42, 0}};
    EXPECT_EQ(SetPaletteEntries(palette, 6, 4, fresh), 2u);
    EXPECT_EQ(SetPaletteEntries(palette, 8, 1, fresh), 0u);
    PALETTEENTRY back[2];
    ASSERT_EQ(GetPaletteEntries(palette, 6, 2, back), 2u);
    EXPECT_EQ(std::memcmp(back, fresh, sizeof back), 0);
    DeleteObject(palette);
}

TEST_F(GdiObjects, BrushesDescribeThemselvesAndOwnTheirPattern) {
    HBRUSH solid = CreateSolidBrush(RGB(10, 20, 30));
    ASSERT_NE(solid, nullptr);
    LOGBRUSH logical;
    ASSERT_EQ(GetObjectA(solid, sizeof logical, &logical), static_cast<int>(sizeof logical));
    EXPECT_EQ(logical.lbStyle, static_cast<UINT>(BS_SOLID));
    EXPECT_EQ(logical.lbColor, RGB(10, 20, 30));
    EXPECT_EQ(GetObjectType(solid), static_cast<DWORD>(OBJ_BRUSH));

    const WORD stripes[8] = {0x0F, 0x1E, 0x3C, 0x78, 0xF0, 0xE1, 0xC3, 0x87};
    HBITMAP bitmap = CreateBitmap(8, 8, 1, 1, stripes);
    ASSERT_NE(bitmap, nullptr);
    HBRUSH pattern = CreatePatternBrush(bitmap);
    ASSERT_NE(pattern, nullptr);
    EXPECT_TRUE(DeleteObject(bitmap));
    ASSERT_EQ(GetObjectA(pattern, sizeof logical, &logical), static_cast<int>(sizeof logical));
    EXPECT_EQ(logical.lbStyle, static_cast<UINT>(BS_PATTERN));
    EXPECT_EQ(logical.lbHatch, reinterpret_cast<ULONG_PTR>(bitmap));
    EXPECT_EQ(GetObjectType(pattern), static_cast<DWORD>(OBJ_BRUSH)) << "valid after its bitmap is gone";
    EXPECT_EQ(CreatePatternBrush(bitmap), nullptr) << "a deleted bitmap makes no brush";
    EXPECT_TRUE(DeleteObject(pattern));
    EXPECT_TRUE(DeleteObject(solid));
}

TEST_F(GdiObjects, StaleForeignAndWrongKindHandles) {
    HPALETTE palette = CreatePalette(std::array<LOGPALETTE, 1>{{{0x300, 1, {{1, 2, 3, 0}}}}}.data());
    HBRUSH brush = CreateSolidBrush(0);
    ASSERT_NE(palette, nullptr);
    ASSERT_NE(brush, nullptr);
    // Wrong kind: a brush is not a palette.
    EXPECT_EQ(GetPaletteEntries(reinterpret_cast<HPALETTE>(brush), 0, 0, nullptr), 0u);
    EXPECT_EQ(CreatePatternBrush(reinterpret_cast<HBITMAP>(palette)), nullptr);
    EXPECT_TRUE(DeleteObject(palette));
    // Stale: every call on a deleted handle fails, even after its slot is
    // reused by a new object.
    HBRUSH reuse = CreateSolidBrush(1);
    EXPECT_NE(static_cast<void *>(reuse), static_cast<void *>(palette));
    EXPECT_FALSE(DeleteObject(palette));
    EXPECT_EQ(GetObjectType(palette), 0u);
    EXPECT_EQ(GetPaletteEntries(palette, 0, 0, nullptr), 0u);
    WORD count;
    EXPECT_EQ(GetObjectA(palette, sizeof count, &count), 0);
    // Foreign values: NULL, pointers, small integers, flipped bits.
    int local = 0;
    for (void *bogus : {static_cast<void *>(nullptr), static_cast<void *>(&local), reinterpret_cast<void *>(1),
                        reinterpret_cast<void *>(reinterpret_cast<std::uintptr_t>(brush) ^ 0x80000000u),
                        reinterpret_cast<void *>(reinterpret_cast<std::uintptr_t>(brush) + 1)}) {
        EXPECT_EQ(GetObjectType(bogus), 0u) << bogus;
        EXPECT_FALSE(DeleteObject(bogus)) << bogus;
    }
    EXPECT_TRUE(DeleteObject(reuse));
    EXPECT_TRUE(DeleteObject(brush));
}

// Every creating call fails cleanly at each of its allocations: NULL, no
// object left behind, ERROR_NOT_ENOUGH_MEMORY.
TEST_F(GdiObjects, AllocationFailureOnEveryCreatingCall) {
    const WORD bits[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    HBITMAP source = CreateBitmap(8, 8, 1, 1, bits);
    ASSERT_NE(source, nullptr);
    struct Creator {
        const char *name;
        std::function<HGDIOBJ()> create;
    };
    const std::array<LOGPALETTE, 1> logical{{{0x300, 1, {{1, 2, 3, 0}}}}};
    const Creator creators[] = {
        {"CreateBitmap", [&] { return static_cast<HGDIOBJ>(CreateBitmap(16, 16, 1, 24, nullptr)); }},
        {"CreateSolidBrush", [] { return static_cast<HGDIOBJ>(CreateSolidBrush(RGB(1, 2, 3))); }},
        {"CreatePatternBrush", [&] { return static_cast<HGDIOBJ>(CreatePatternBrush(source)); }},
        {"CreatePalette", [&] { return static_cast<HGDIOBJ>(CreatePalette(logical.data())); }},
    };
    for (const Creator &creator : creators) {
        bool created = false;
        const long allocations = ForEachAllocationFailure(
            [&] {
                SetLastError(0);
                HGDIOBJ made = creator.create();
                created = made != nullptr;
                if (made != nullptr) DeleteObject(made);
            },
            [&](long failedAt) {
                EXPECT_FALSE(created) << creator.name << ", allocation " << failedAt;
                EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY)) << creator.name;
            });
        EXPECT_GE(allocations, 1) << creator.name;
    }
    DeleteObject(source);
}

}  // namespace
}  // namespace zelt::test
