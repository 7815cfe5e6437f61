// The device-context rows of objects.json (CreateCompatibleBitmap, the
// initial bitmap, SelectObject and DeleteObject of selected objects,
// GetCurrentObject) and the capabilities of every DC kind in devcaps.json
// that this platform has (metafile DCs are counted and skipped).
#include <cstdio>
#include <regex>
#include <string>

#include "platform/gdi_dib_support.h"
#include "support/leak_guard.h"
#include "zelt/host.h"

namespace zelt::test {
namespace {

class GdiDcVectors : public LeakCheckedTest {
protected:
    void SetUp() override {
        LeakCheckedTest::SetUp();
        ASSERT_TRUE(ZeltHostConfigureScreen(1024, 768, 32));
        screen_ = GetDC(nullptr);
        ASSERT_NE(screen_, nullptr);
    }
    void TearDown() override {
        ReleaseDC(nullptr, screen_);
        LeakCheckedTest::TearDown();
    }
    HDC screen_ = nullptr;
};

const JsonValue &Item(const JsonValue &doc, const std::string &name) {
    for (const JsonValue &item : doc["items"].items())
        if (item["name"].AsString() == name) return item;
    ADD_FAILURE() << "no item " << name;
    static const JsonValue null;
    return null;
}

// GetObjectA of a bitmap against a probed row (sizes as this build's).
void ExpectBitmapRow(HBITMAP bitmap, const JsonValue &row, const std::string &name) {
    ASSERT_NE(bitmap, nullptr) << name;
    const bool section = row["GetObjectA_sizeof_DIBSECTION"].AsInt() != row["GetObjectA_sizeof_BITMAP"].AsInt();
    DIBSECTION ds{};
    EXPECT_EQ(GetObjectA(bitmap, 0, nullptr), static_cast<int>(sizeof(BITMAP))) << name;
    EXPECT_EQ(GetObjectA(bitmap, sizeof(DIBSECTION), &ds), static_cast<int>(section ? sizeof(DIBSECTION) : sizeof(BITMAP)))
        << name;
    EXPECT_EQ(GetObjectA(bitmap, static_cast<int>(sizeof(BITMAP)) - 1, &ds), 0) << name;
    EXPECT_EQ(ds.dsBm.bmType, row["bmType"].AsInt()) << name;
    EXPECT_EQ(ds.dsBm.bmWidth, row["bmWidth"].AsInt()) << name;
    EXPECT_EQ(ds.dsBm.bmHeight, row["bmHeight"].AsInt()) << name;
    EXPECT_EQ(ds.dsBm.bmWidthBytes, row["bmWidthBytes"].AsInt()) << name;
    EXPECT_EQ(ds.dsBm.bmPlanes, row["bmPlanes"].AsInt()) << name;
    EXPECT_EQ(ds.dsBm.bmBitsPixel, row["bmBitsPixel"].AsInt()) << name;
    EXPECT_EQ(ds.dsBm.bmBits == nullptr, row["bmBits_null"].AsBool()) << name;
    if (row.Has("dsBmih")) {
        const JsonValue &h = row["dsBmih"];
        EXPECT_EQ(ds.dsBmih.biWidth, h["biWidth"].AsInt()) << name;
        EXPECT_EQ(ds.dsBmih.biHeight, h["biHeight"].AsInt()) << name;
        EXPECT_EQ(ds.dsBmih.biBitCount, h["biBitCount"].AsInt()) << name;
        EXPECT_EQ(ds.dsBmih.biClrUsed, static_cast<DWORD>(h["biClrUsed"].AsInt())) << name;
        EXPECT_EQ(ds.dsBmih.biSizeImage, static_cast<DWORD>(h["biSizeImage"].AsInt())) << name;
        EXPECT_EQ(ds.dsBmih.biCompression, static_cast<DWORD>(h["biCompression"].AsInt())) << name;
    }
}

TEST_F(GdiDcVectors, CreateCompatibleBitmapFollowsTheSelectedBitmap) {
    const JsonValue doc = LoadJsonFile(PlatformVectorPath("raster/objects.json"));
    struct ScreenCall {
        const char *name;
        int cx, cy;
    };
    for (const ScreenCall &call : {ScreenCall{"CreateCompatibleBitmap(screen,5,3)", 5, 3},
                                   ScreenCall{"CreateCompatibleBitmap(screen,0,0)", 0, 0},
                                   ScreenCall{"CreateCompatibleBitmap(screen,-5,3)", -5, 3}}) {
        HBITMAP bitmap = CreateCompatibleBitmap(screen_, call.cx, call.cy);
        ExpectBitmapRow(bitmap, Item(doc, call.name), call.name);
        DeleteObject(bitmap);
    }
    HDC memory = CreateCompatibleDC(nullptr);
    HBITMAP fromFresh = CreateCompatibleBitmap(memory, 5, 3);
    ExpectBitmapRow(fromFresh, Item(doc, "CreateCompatibleBitmap(fresh memory DC,5,3)"), "fresh memory DC");
    DeleteObject(fromFresh);

    const JsonValue &initial = Item(doc, "initial bitmap of CreateCompatibleDC(NULL)");
    HBITMAP first = static_cast<HBITMAP>(GetCurrentObject(memory, OBJ_BITMAP));
    ExpectBitmapRow(first, initial, "initial bitmap");
    EXPECT_EQ(first == GetStockObject(21 /* DEFAULT_BITMAP */), initial["is_stock_DEFAULT_BITMAP"].AsBool());
    EXPECT_EQ(DeleteObject(first), initial["DeleteObject_initial_bitmap"].AsInt());
    EXPECT_EQ(GetObjectType(first), static_cast<DWORD>(OBJ_BITMAP)) << "the shared initial bitmap survives";

    for (int bpp : {1, 4, 8, 16, 24, 32}) {
        DibHeader dib;
        dib.header = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 8, 8, 1, static_cast<WORD>(bpp), BI_RGB, 0, 0, 0, 0, 0};
        void *bits = nullptr;
        HBITMAP section = CreateDIBSection(screen_, dib.Info(), DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ old = SelectObject(memory, section);
        const std::string name = "CreateCompatibleBitmap(memory DC holding " + std::to_string(bpp) + " bpp DIB section,5,3)";
        HBITMAP made = CreateCompatibleBitmap(memory, 5, 3);
        ExpectBitmapRow(made, Item(doc, name), name);
        DeleteObject(made);
        SelectObject(memory, old);
        DeleteObject(section);
    }
    DeleteDC(memory);
}

TEST_F(GdiDcVectors, SelectionAndDeletionMatchProbedRows) {
    const JsonValue doc = LoadJsonFile(PlatformVectorPath("raster/objects.json"));
    HDC memory = CreateCompatibleDC(nullptr), other = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateBitmap(8, 8, 1, 1, nullptr);
    HGDIOBJ old = SelectObject(memory, bitmap);
    EXPECT_EQ(GetCurrentObject(memory, OBJ_BITMAP), bitmap);

    EXPECT_EQ(SelectObject(other, bitmap) == nullptr, Item(doc, "SelectObject bitmap already selected in another DC")["result_null"].AsBool());
    EXPECT_EQ(SelectObject(memory, bitmap) == bitmap, Item(doc, "SelectObject same bitmap again into same DC")["returns_same_handle"].AsBool());

    const JsonValue &deletion = Item(doc, "DeleteObject of a bitmap selected into a DC");
    EXPECT_EQ(DeleteObject(bitmap), deletion["DeleteObject"].AsInt());
    EXPECT_EQ(GetObjectType(bitmap), static_cast<DWORD>(deletion["GetObjectType_after"].AsInt()));
    EXPECT_EQ(SelectObject(memory, old) == bitmap, deletion["reselect_returns_it"].AsBool());
    EXPECT_EQ(GetObjectType(bitmap), static_cast<DWORD>(deletion["GetObjectType_after_deselect"].AsInt()));

    HBITMAP forScreen = CreateCompatibleBitmap(screen_, 4, 4);
    EXPECT_EQ(SelectObject(screen_, forScreen) == nullptr,
              Item(doc, "SelectObject bitmap into a non-memory (screen) DC")["result_null"].AsBool());
    DeleteObject(forScreen);
    EXPECT_EQ(SelectObject(memory, reinterpret_cast<HGDIOBJ>(static_cast<ULONG_PTR>(0x12345678))) == nullptr,
              Item(doc, "SelectObject invalid handle")["result_null"].AsBool());

    const JsonValue &edges = Item(doc, "DeleteObject edge cases");
    EXPECT_EQ(DeleteObject(nullptr), edges["DeleteObject_NULL"].AsInt());
    EXPECT_EQ(DeleteObject(GetStockObject(BLACK_BRUSH)), edges["DeleteObject_stock_black_brush"].AsInt());
    EXPECT_EQ(GetObjectType(GetStockObject(BLACK_BRUSH)) != 0, edges["stock_still_valid"].AsBool());
    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    HGDIOBJ oldBrush = SelectObject(memory, brush);
    EXPECT_EQ(GetCurrentObject(memory, OBJ_BRUSH), brush);
    EXPECT_EQ(DeleteObject(brush), edges["DeleteObject_selected_brush"].AsInt());
    EXPECT_EQ(GetObjectType(brush), static_cast<DWORD>(edges["brush_type_after"].AsInt()));
    SelectObject(memory, oldBrush);
    EXPECT_EQ(GetObjectType(brush), static_cast<DWORD>(edges["brush_type_after_deselect"].AsInt()));

    // A brush deleted while a saved state still holds it goes when that
    // state is dropped, not before.
    HBRUSH saved = CreateSolidBrush(RGB(4, 5, 6));
    oldBrush = SelectObject(memory, saved);
    const int level = SaveDC(memory);
    SelectObject(memory, oldBrush);
    EXPECT_TRUE(DeleteObject(saved));
    EXPECT_EQ(GetObjectType(saved), static_cast<DWORD>(OBJ_BRUSH));
    EXPECT_TRUE(RestoreDC(memory, level));
    EXPECT_EQ(GetCurrentObject(memory, OBJ_BRUSH), saved);
    SelectObject(memory, oldBrush);
    EXPECT_EQ(GetObjectType(saved), 0u);

    // Objects deleted while selected go with the DC that held them.
    HBRUSH heldBrush = CreateSolidBrush(RGB(7, 8, 9));
    HBITMAP heldBitmap = CreateBitmap(2, 2, 1, 1, nullptr);
    SelectObject(other, heldBrush);
    SelectObject(other, heldBitmap);
    SaveDC(other);
    EXPECT_TRUE(DeleteObject(heldBrush));
    EXPECT_TRUE(DeleteObject(heldBitmap));
    DeleteDC(memory);
    DeleteDC(other);
    EXPECT_EQ(GetObjectType(heldBrush), 0u);
    EXPECT_EQ(GetObjectType(heldBitmap), 0u);
}

TEST_F(GdiDcVectors, DeviceCapsOfEveryPlatformDcKind) {
    const JsonValue doc = LoadJsonFile(PlatformVectorPath("raster/devcaps.json"));
    static const std::pair<const char *, int> kIndex[] = {
        {"TECHNOLOGY", TECHNOLOGY}, {"BITSPIXEL", BITSPIXEL}, {"PLANES", PLANES},     {"NUMCOLORS", NUMCOLORS},
        {"HORZRES", HORZRES},       {"VERTRES", VERTRES},     {"HORZSIZE", HORZSIZE}, {"VERTSIZE", VERTSIZE},
        {"LOGPIXELSX", LOGPIXELSX}, {"LOGPIXELSY", LOGPIXELSY}, {"RASTERCAPS", RASTERCAPS},
        {"SIZEPALETTE", SIZEPALETTE}, {"NUMRESERVED", NUMRESERVED}, {"COLORRES", COLORRES}};
    int checked = 0, skipped = 0;
    for (const JsonValue &row : doc["dcs"].items()) {
        const std::string kind = row["dc"].AsString();
        HDC dc = nullptr;
        HBITMAP bitmap = nullptr;
        HGDIOBJ old = nullptr;
        int bpp = 0;
        if (kind == "screen") {
            dc = GetDC(nullptr);
        } else if (kind == "memory_default") {
            dc = CreateCompatibleDC(nullptr);
        } else if (std::sscanf(kind.c_str(), "memory_dib%d", &bpp) == 1) {
            dc = CreateCompatibleDC(nullptr);
            DibHeader dib;
            dib.header = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 8, 8, 1, static_cast<WORD>(bpp), BI_RGB, 0, 0, 0, 0, 0};
            void *bits = nullptr;
            bitmap = CreateDIBSection(dc, dib.Info(), DIB_RGB_COLORS, &bits, nullptr, 0);
        } else if (kind == "memory_mono_ddb") {
            dc = CreateCompatibleDC(nullptr);
            bitmap = CreateBitmap(8, 8, 1, 1, nullptr);
        } else if (kind == "memory_screen_ddb") {
            dc = CreateCompatibleDC(nullptr);
            bitmap = CreateCompatibleBitmap(screen_, 8, 8);
        } else {
            // CreateDCA("DISPLAY") and the metafile DCs are not on this platform yet.
            ++skipped;
            continue;
        }
        ASSERT_NE(dc, nullptr) << kind;
        if (bitmap != nullptr) old = SelectObject(dc, bitmap);
        EXPECT_EQ(GetObjectType(dc), static_cast<DWORD>(row["GetObjectType"].AsInt())) << kind;
        for (const auto &[name, index] : kIndex)
            EXPECT_EQ(GetDeviceCaps(dc, index), row["caps"][name].AsInt()) << kind << " " << name;
        if (old != nullptr) SelectObject(dc, old);
        if (bitmap != nullptr) DeleteObject(bitmap);
        if (kind == "screen")
            ReleaseDC(nullptr, dc);
        else
            DeleteDC(dc);
        ++checked;
    }
    std::printf("devcaps: %d DC kinds checked, %d skipped (display by name, metafile DCs)\n", checked, skipped);
    EXPECT_EQ(checked + skipped, 14);
    EXPECT_EQ(checked, 10);
}

}  // namespace
}  // namespace zelt::test
