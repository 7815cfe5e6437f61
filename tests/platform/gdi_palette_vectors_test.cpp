// Replays every row of palette.json: the stock palette, CreatePalette,
// GetPaletteEntries, GetNearestPaletteIndex, Select/RealizePalette on a
// true-colour screen, GetNearestColor on DIB sections of every depth,
// PALETTEINDEX through SetPixel, DIB_PAL_COLORS sections, DIB colour tables.
#include <cstring>
#include <regex>
#include <string>
#include <vector>

#include "platform/vector_rows.h"
#include "support/leak_guard.h"
#include "zelt/host.h"

namespace zelt::test {
namespace {

// Tables named by the vectors, as RGBQUADs.
std::vector<RGBQUAD> NamedTable(const std::string &name) {
    static const BYTE vga[16][3] = {{0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
                                    {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {128, 128, 128},
                                    {192, 192, 192}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
                                    {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
    static const BYTE levels[8] = {0, 36, 73, 109, 146, 182, 219, 255};
    static const BYTE blues[4] = {0, 85, 170, 255};
    std::vector<RGBQUAD> table;
    if (name == "bw") {
        table = {{0, 0, 0, 0}, {255, 255, 255, 0}};
    } else if (name == "vga") {
        for (const auto &c : vga) table.push_back(RGBQUAD{c[2], c[1], c[0], 0});
    } else if (name == "332") {
        for (int i = 0; i < 256; ++i) table.push_back(RGBQUAD{blues[i & 3], levels[(i >> 2) & 7], levels[i >> 5], 0});
    }
    return table;
}

HPALETTE PaletteOf(const std::vector<RGBQUAD> &table) {
    std::vector<unsigned char> storage(sizeof(LOGPALETTE) + table.size() * sizeof(PALETTEENTRY));
    auto *logical = reinterpret_cast<LOGPALETTE *>(storage.data());
    logical->palVersion = 0x300;
    logical->palNumEntries = static_cast<WORD>(table.size());
    for (std::size_t i = 0; i < table.size(); ++i)
        logical->palPalEntry[i] = {table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue, 0};
    return CreatePalette(logical);
}

// A memory DC holding a DIB section; everything released by the destructor.
struct DibDc {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ old = nullptr;
    BYTE *bits = nullptr;
    DibDc(int width, int height, int bpp, const std::vector<RGBQUAD> &table) {
        std::vector<unsigned char> storage(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
        auto *info = reinterpret_cast<BITMAPINFO *>(storage.data());
        info->bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), width, height, 1, static_cast<WORD>(bpp), BI_RGB,
                                           0, 0, 0, static_cast<DWORD>(table.size()), 0};
        if (!table.empty()) std::memcpy(info->bmiColors, table.data(), table.size() * sizeof(RGBQUAD));
        dc = CreateCompatibleDC(nullptr);
        bitmap = CreateDIBSection(dc, info, DIB_RGB_COLORS, reinterpret_cast<void **>(&bits), nullptr, 0);
        old = SelectObject(dc, bitmap);
    }
    ~DibDc() {
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
};

std::string Hex(unsigned value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08x", value);
    return text;
}

std::vector<RGBQUAD> TableFromStrings(const JsonValue &list) {
    std::vector<RGBQUAD> table;
    for (const JsonValue &v : list.items()) {
        const unsigned rgb = ParseHex(v);
        table.push_back(RGBQUAD{static_cast<BYTE>(rgb), static_cast<BYTE>(rgb >> 8), static_cast<BYTE>(rgb >> 16), 0});
    }
    return table;
}

void ExpectQuads(const RGBQUAD *got, const std::vector<RGBQUAD> &want, const std::string &name) {
    for (std::size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(got[i].rgbRed, want[i].rgbRed) << name << " entry " << i;
        EXPECT_EQ(got[i].rgbGreen, want[i].rgbGreen) << name << " entry " << i;
        EXPECT_EQ(got[i].rgbBlue, want[i].rgbBlue) << name << " entry " << i;
    }
}

class PaletteVectors : public LeakCheckedTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(ZeltHostConfigureScreen(1024, 768, 32));
        LeakCheckedTest::SetUp();
        rows_ = LoadJsonFile(PlatformVectorPath("raster/palette.json"));
    }
    const JsonValue &Row(const std::string &name) {
        for (const JsonValue &item : rows_["items"].items())
            if (item["name"].AsString() == name) {
                ++replayed_;
                return item;
            }
        ADD_FAILURE() << "no row " << name;
        static const JsonValue null;
        return null;
    }
    JsonValue rows_;
    int replayed_ = 0;
};

TEST_F(PaletteVectors, StockDefaultPalette) {
    const JsonValue &row = Row("stock DEFAULT_PALETTE");
    HPALETTE def = static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE));
    WORD count = 0;
    ASSERT_EQ(GetObjectA(def, sizeof count, &count), static_cast<int>(sizeof count));
    EXPECT_EQ(count, row["GetObject_count"].AsInt());
    PALETTEENTRY e[256];
    const UINT n = GetPaletteEntries(def, 0, 256, e);
    ASSERT_EQ(n, static_cast<UINT>(row["GetPaletteEntries"].AsInt()));
    for (UINT i = 0; i < n; ++i) {
        const unsigned rgb = ParseHex(row["entries"][i]);
        EXPECT_EQ((e[i].peRed << 16) | (e[i].peGreen << 8) | e[i].peBlue, rgb) << "entry " << i;
        EXPECT_EQ(e[i].peFlags, row["flags"][i].AsInt()) << "entry " << i;
    }
    // The stock palette cannot be changed or deleted.
    EXPECT_EQ(SetPaletteEntries(def, 0, 1, e + 19), 0u);
    EXPECT_TRUE(DeleteObject(def));
    EXPECT_EQ(GetObjectType(def), static_cast<DWORD>(OBJ_PAL));
}

TEST_F(PaletteVectors, CreateAndReadPalettes) {
    for (int size : {0, 1, 16, 256, 257, 1024, 1025}) {
        const JsonValue &row = Row("CreatePalette palNumEntries=" + std::to_string(size));
        std::vector<unsigned char> storage(sizeof(LOGPALETTE) + 1100 * sizeof(PALETTEENTRY), 0x40);
        auto *logical = reinterpret_cast<LOGPALETTE *>(storage.data());
        logical->palVersion = 0x300;
        logical->palNumEntries = static_cast<WORD>(size);
        HPALETTE palette = CreatePalette(logical);
        ASSERT_EQ(palette == nullptr, row["handle_null"].AsBool()) << size;
        WORD count = 0;
        GetObjectA(palette, sizeof count, &count);
        EXPECT_EQ(count, row["GetObject_count"].AsInt()) << size;
        EXPECT_EQ(GetPaletteEntries(palette, 0, 0, nullptr), static_cast<UINT>(row["GetPaletteEntries_NULL"].AsInt()));
        DeleteObject(palette);
    }
    LOGPALETTE four[4] = {};
    four[0].palVersion = 0x100;
    four[0].palNumEntries = 4;
    HPALETTE old = CreatePalette(four);
    EXPECT_EQ(old == nullptr, Row("CreatePalette palVersion=0x100")["handle_null"].AsBool());
    DeleteObject(old);
    EXPECT_EQ(CreatePalette(nullptr) == nullptr, Row("CreatePalette(NULL)")["handle_null"].AsBool());

    const JsonValue &clip = Row("GetPaletteEntries on 16-entry palette");
    HPALETTE vga = PaletteOf(NamedTable("vga"));
    PALETTEENTRY e[256];
    EXPECT_EQ(GetPaletteEntries(vga, 0, 256, e), static_cast<UINT>(clip["start0_count256"].AsInt()));
    EXPECT_EQ(GetPaletteEntries(vga, 10, 10, e), static_cast<UINT>(clip["start10_count10"].AsInt()));
    EXPECT_EQ(GetPaletteEntries(vga, 16, 1, e), static_cast<UINT>(clip["start16_count1"].AsInt()));
    EXPECT_EQ(GetPaletteEntries(vga, 20, 1, e), static_cast<UINT>(clip["start20_count1"].AsInt()));
    EXPECT_EQ(GetPaletteEntries(vga, 0, 0, nullptr), static_cast<UINT>(clip["count_only_NULL"].AsInt()));
    DeleteObject(vga);
    EXPECT_EQ(replayed_, 10);
}

TEST_F(PaletteVectors, NearestPaletteIndex) {
    const RGBQUAD single{30, 20, 10, 0};
    const std::pair<const char *, std::vector<RGBQUAD>> palettes[] = {
        {"vga16", NamedTable("vga")}, {"332", NamedTable("332")}, {"single(0x0a141e)", {single}}};
    for (const auto &[name, table] : palettes) {
        const JsonValue &row = Row(std::string("GetNearestPaletteIndex ") + name);
        HPALETTE palette = PaletteOf(table);
        for (const JsonValue &c : row["cases"].items())
            EXPECT_EQ(GetNearestPaletteIndex(palette, ParseHex(c["colorref"])), static_cast<UINT>(c["index"].AsInt()))
                << name << " " << c["colorref"].AsString();
        DeleteObject(palette);
    }
    const JsonValue &ties = Row("GetNearestPaletteIndex ties (0,100,100,200 gray)");
    HPALETTE grays = PaletteOf({{0, 0, 0, 0}, {100, 100, 100, 0}, {100, 100, 100, 0}, {200, 200, 200, 0}});
    EXPECT_EQ(GetNearestPaletteIndex(grays, RGB(100, 100, 100)), static_cast<UINT>(ties["gray100"].AsInt()));
    EXPECT_EQ(GetNearestPaletteIndex(grays, RGB(50, 50, 50)), static_cast<UINT>(ties["gray50"].AsInt()));
    EXPECT_EQ(GetNearestPaletteIndex(grays, RGB(150, 150, 150)), static_cast<UINT>(ties["gray150"].AsInt()));
    DeleteObject(grays);
    EXPECT_EQ(GetNearestPaletteIndex(reinterpret_cast<HPALETTE>(0x1234), RGB(1, 2, 3)),
              ParseHex(Row("GetNearestPaletteIndex invalid palette")["result"]));
}

TEST_F(PaletteVectors, SelectAndRealizeOnTrueColour) {
    const JsonValue &row = Row("SelectPalette/RealizePalette memory DC");
    HPALETTE def = static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE));
    HPALETTE pal16 = PaletteOf(NamedTable("vga")), pal256 = PaletteOf(NamedTable("332"));
    HPALETTE pal1 = PaletteOf({{30, 20, 10, 0}});
    HDC mdc = CreateCompatibleDC(nullptr);
    EXPECT_EQ(GetCurrentObject(mdc, OBJ_PAL) == def, row["initial_is_DEFAULT_PALETTE"].AsBool());
    EXPECT_EQ(SelectPalette(mdc, pal16, FALSE) == def, row["SelectPalette_returns_DEFAULT_PALETTE"].AsBool());
    EXPECT_EQ(RealizePalette(mdc), ParseHex(row["RealizePalette_pal16"]));
    EXPECT_EQ(SelectPalette(mdc, pal256, TRUE) == pal16, row["SelectPalette_background_returns_pal16"].AsBool());
    EXPECT_EQ(RealizePalette(mdc), ParseHex(row["RealizePalette_pal256"]));
    EXPECT_EQ(SelectPalette(mdc, reinterpret_cast<HPALETTE>(0x1234), FALSE) == nullptr,
              row["SelectPalette_invalid_null"].AsBool());
    EXPECT_EQ(SelectPalette(mdc, reinterpret_cast<HPALETTE>(GetStockObject(BLACK_BRUSH)), FALSE) == nullptr,
              row["SelectPalette_brush_null"].AsBool());
    SelectPalette(mdc, def, FALSE);
    EXPECT_EQ(RealizePalette(mdc), ParseHex(row["RealizePalette_default"]));
    EXPECT_EQ(SelectObject(mdc, pal16) == nullptr, row["SelectObject_palette_null"].AsBool());
    SelectPalette(mdc, pal1, FALSE);
    EXPECT_EQ(DeleteObject(pal1), row["DeleteObject_selected_palette"].AsInt());
    EXPECT_EQ(GetObjectType(pal1), static_cast<DWORD>(row["palette_type_after"].AsInt()));
    SelectPalette(mdc, def, FALSE);
    EXPECT_EQ(GetObjectType(pal1), static_cast<DWORD>(row["palette_type_after_deselect"].AsInt()));
    DeleteDC(mdc);

    const JsonValue &screenRow = Row("SelectPalette/RealizePalette screen DC (true colour display)");
    HDC screen = GetDC(nullptr);
    HPALETTE old = SelectPalette(screen, pal256, FALSE);
    EXPECT_EQ(RealizePalette(screen), ParseHex(screenRow["RealizePalette_pal256"]));
    SelectPalette(screen, old, FALSE);
    EXPECT_EQ(RealizePalette(screen), ParseHex(screenRow["RealizePalette_restore"]));
    PALETTEENTRY e[256];
    EXPECT_EQ(GetSystemPaletteEntries(screen, 0, 256, e), static_cast<UINT>(screenRow["GetSystemPaletteEntries"].AsInt()));
    EXPECT_EQ(GetDeviceCaps(screen, SIZEPALETTE), screenRow["SIZEPALETTE"].AsInt());
    EXPECT_EQ(GetDeviceCaps(screen, NUMRESERVED), screenRow["NUMRESERVED"].AsInt());
    EXPECT_EQ((GetDeviceCaps(screen, RASTERCAPS) & RC_PALETTE) != 0, screenRow["RC_PALETTE"].AsBool());
    ReleaseDC(nullptr, screen);
    DeleteObject(pal16);
    DeleteObject(pal256);
}

TEST_F(PaletteVectors, NearestColorOnDibSectionsOfEveryDepth) {
    const std::regex name(R"(GetNearestColor memory DC with (\d+) bpp DIB section)");
    int depths = 0;
    for (const JsonValue &item : rows_["items"].items()) {
        std::smatch m;
        if (!std::regex_match(item["name"].AsString(), m, name)) continue;
        ++depths;
        const int bpp = std::stoi(m[1]);
        DibDc target(4, 4, bpp, NamedTable(item["table"].AsString()));
        ASSERT_NE(target.bitmap, nullptr) << bpp;
        for (const JsonValue &c : item["cases"].items())
            EXPECT_EQ(Hex(GetNearestColor(target.dc, ParseHex(c["colorref"]))), c["nearest"].AsString())
                << bpp << " bpp, " << c["colorref"].AsString();
    }
    EXPECT_EQ(depths, 6);
}

TEST_F(PaletteVectors, PaletteIndexThroughSetPixel) {
    const JsonValue &row = Row("SetPixel with PALETTEINDEX/PALETTERGB on 8 bpp DIB (3-3-2 table), VGA palette selected");
    DibDc target(6, 1, 8, NamedTable("332"));
    HPALETTE vga = PaletteOf(NamedTable("vga"));
    HPALETTE old = SelectPalette(target.dc, vga, FALSE);
    int x = 0;
    for (const JsonValue &c : row["cases"].items()) {
        const COLORREF colour = ParseHex(c["colorref"]);
        // What SetPixel stores is what GetNearestColor promises.
        EXPECT_EQ(Hex(GetNearestColor(target.dc, colour)), c["SetPixel"].AsString()) << c["colorref"].AsString();
        EXPECT_EQ(Hex(SetPixel(target.dc, x, 0, colour)), c["SetPixel"].AsString()) << c["colorref"].AsString();
        EXPECT_EQ(target.bits[x], c["raw"].AsInt()) << c["colorref"].AsString();
        EXPECT_EQ(Hex(GetPixel(target.dc, x, 0)), c["GetPixel"].AsString()) << c["colorref"].AsString();
        ++x;
    }
    SelectPalette(target.dc, old, FALSE);
    DeleteObject(vga);
}

TEST_F(PaletteVectors, DibColourTables) {
    const JsonValue &pal = Row("CreateDIBSection 4 bpp DIB_PAL_COLORS, indices 15..0, VGA palette selected");
    struct {
        BITMAPINFOHEADER h;
        WORD idx[16];
    } bi{};
    bi.h = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 4, 4, 1, 4, BI_RGB, 0, 0, 0, 0, 0};
    for (WORD i = 0; i < 16; ++i) bi.idx[i] = static_cast<WORD>(15 - i);
    HDC mdc = CreateCompatibleDC(nullptr);
    HPALETTE vga = PaletteOf(NamedTable("vga"));
    HPALETTE old = SelectPalette(mdc, vga, FALSE);
    void *bits = nullptr;
    HBITMAP section = CreateDIBSection(mdc, reinterpret_cast<BITMAPINFO *>(&bi), DIB_PAL_COLORS, &bits, nullptr, 0);
    SelectPalette(mdc, old, FALSE);
    ASSERT_EQ(section == nullptr, pal["handle_null"].AsBool());
    HGDIOBJ oldBitmap = SelectObject(mdc, section);
    RGBQUAD got[16];
    ASSERT_EQ(GetDIBColorTable(mdc, 0, 16, got), static_cast<UINT>(pal["GetDIBColorTable"].AsInt()));
    ExpectQuads(got, TableFromStrings(pal["table"]), "DIB_PAL_COLORS table");
    SelectObject(mdc, oldBitmap);
    DeleteObject(section);
    DeleteObject(vga);
    DeleteDC(mdc);

    const JsonValue &set = Row("SetDIBColorTable/GetDIBColorTable on 4 bpp DIB section");
    DibDc target(4, 1, 4, NamedTable("vga"));
    const RGBQUAD fresh[3] = {{3, 2, 1, 0}, {6, 5, 4, 0}, {9, 8, 7, 0}};
    EXPECT_EQ(SetDIBColorTable(target.dc, 14, 3, fresh), static_cast<UINT>(set["Set_start14_count3"].AsInt()));
    EXPECT_EQ(SetDIBColorTable(target.dc, 20, 1, fresh), static_cast<UINT>(set["Set_start20"].AsInt()));
    RGBQUAD back[8];
    const UINT n = GetDIBColorTable(target.dc, 12, 8, back);
    ASSERT_EQ(n, static_cast<UINT>(set["Get_start12_count8"].AsInt()));
    ExpectQuads(back, TableFromStrings(set["got"]), "after SetDIBColorTable");
}

}  // namespace
}  // namespace zelt::test
