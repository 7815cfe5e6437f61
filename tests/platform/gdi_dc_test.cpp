// Device contexts: SetPixel/GetPixel against objects.json, DIB section
// descriptions, the SaveDC/RestoreDC state stack, mapping modes, host pixel
// reads and allocation failure on every creating call.
#include <cstring>
#include <vector>

#include "platform/gdi_dib_support.h"
#include "platform/vector_rows.h"
#include "support/leak_guard.h"
#include "zelt/host.h"

namespace zelt::test {
namespace {

class GdiDc : public LeakCheckedTest {};

// Table named in objects.json's SetPixel rows.
int TableFor(const std::string &name, RGBQUAD *out) {
    if (name == "black,white") {
        out[0] = RGBQUAD{0, 0, 0, 0};
        out[1] = RGBQUAD{255, 255, 255, 0};
        return 2;
    }
    if (name == "VGA16") {
        static const unsigned vga[16] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0x808080,
                                         0xc0c0c0, 0xff0000, 0x00ff00, 0xffff00, 0x0000ff, 0xff00ff, 0x00ffff, 0xffffff};
        for (int i = 0; i < 16; ++i) out[i] = RGBQUAD{BYTE(vga[i]), BYTE(vga[i] >> 8), BYTE(vga[i] >> 16), 0};
        return 16;
    }
    if (name == "3-3-2") {
        static const BYTE levels[8] = {0, 36, 73, 109, 146, 182, 219, 255};
        static const BYTE blues[4] = {0, 85, 170, 255};
        for (int i = 0; i < 256; ++i) out[i] = RGBQUAD{blues[i & 3], levels[(i >> 2) & 7], levels[i >> 5], 0};
        return 256;
    }
    return 0;
}

TEST_F(GdiDc, SetPixelAndGetPixelMatchProbedRows) {
    const JsonValue objects = LoadJsonFile(PlatformVectorPath("raster/objects.json"));
    int replayed = 0;
    for (const JsonValue &item : objects["items"].items()) {
        const std::string &name = item["name"].AsString();
        if (name.rfind("SetPixel/GetPixel on ", 0) != 0) continue;
        const bool mono = name.find("monochrome DDB") != std::string::npos;
        HDC dc = CreateCompatibleDC(nullptr);
        HBITMAP bitmap;
        int bpp = 1;
        if (mono) {
            bitmap = CreateBitmap(4, 4, 1, 1, nullptr);
            SetBkColor(dc, RGB(255, 0, 0));
            SetTextColor(dc, RGB(0, 0, 255));
        } else {
            bpp = std::stoi(name.substr(std::strlen("SetPixel/GetPixel on ")));
            DibHeader dib;
            dib.header = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 4, 4, 1, static_cast<WORD>(bpp), BI_RGB, 0, 0, 0, 0, 0};
            dib.header.biClrUsed = static_cast<DWORD>(TableFor(item["table"].AsString(), dib.colours));
            void *bits = nullptr;
            bitmap = CreateDIBSection(nullptr, dib.Info(), DIB_RGB_COLORS, &bits, nullptr, 0);
        }
        ASSERT_NE(bitmap, nullptr) << name;
        HGDIOBJ old = SelectObject(dc, bitmap);
        ASSERT_NE(old, nullptr) << name;
        for (const JsonValue &c : item["cases"].items()) {
            const COLORREF colour = ParseHex(c["colorref"]);
            EXPECT_EQ(SetPixel(dc, 1, 2, colour), ParseHex(c["SetPixel"])) << name << " colour " << c["colorref"].AsString();
            EXPECT_EQ(GetPixel(dc, 1, 2), ParseHex(c["GetPixel"])) << name << " colour " << c["colorref"].AsString();
            if (!mono && c.Has("raw")) {
                BITMAP info;
                ASSERT_EQ(GetObjectA(bitmap, sizeof info, &info), static_cast<int>(sizeof info));
                // Bottom-up: visual row 2 of 4 is memory row 1.
                const BYTE *row = static_cast<const BYTE *>(info.bmBits) + info.bmWidthBytes * 1;
                EXPECT_EQ(GetRawPixel(row, 1, bpp), ParseHex(c["raw"])) << name << " colour " << c["colorref"].AsString();
            }
        }
        EXPECT_EQ(GetPixel(dc, 4, 0), CLR_INVALID) << name;
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(bitmap);
        ++replayed;
    }
    EXPECT_EQ(replayed, 7);
}

TEST_F(GdiDc, DibSectionsDescribeThemselvesPerProbedRows) {
    const JsonValue objects = LoadJsonFile(PlatformVectorPath("raster/objects.json"));
    int replayed = 0;
    for (const JsonValue &item : objects["items"].items()) {
        const std::string &name = item["name"].AsString();
        int width, height, bpp;
        if (std::sscanf(name.c_str(), "CreateDIBSection(%dx%d, %d bpp)", &width, &height, &bpp) != 3) continue;
        if (name.find("biClrUsed") != std::string::npos) continue;
        ++replayed;
        DibHeader dib;
        dib.header = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), width, height, 1, static_cast<WORD>(bpp), BI_RGB, 0, 0, 0, 0, 0};
        void *bits = reinterpret_cast<void *>(1);
        HBITMAP bitmap = CreateDIBSection(nullptr, dib.Info(), DIB_RGB_COLORS, &bits, nullptr, 0);
        ASSERT_EQ(bitmap == nullptr, item["handle_null"].AsBool()) << name;
        if (bitmap == nullptr) {
            EXPECT_EQ(bits, nullptr) << name;
            continue;
        }
        DIBSECTION section;
        EXPECT_EQ(GetObjectA(bitmap, sizeof section, &section), static_cast<int>(sizeof(DIBSECTION))) << name;
        EXPECT_EQ(GetObjectA(bitmap, 0, nullptr), static_cast<int>(sizeof(BITMAP))) << name;
        EXPECT_EQ(section.dsBm.bmBits, bits) << name;
        EXPECT_EQ(section.dsBm.bmWidthBytes, item["bmWidthBytes"].AsInt()) << name;
        EXPECT_EQ(section.dsBm.bmHeight, item["bmHeight"].AsInt()) << name;
        const JsonValue &ds = item["dsBmih"];
        EXPECT_EQ(section.dsBmih.biHeight, ds["biHeight"].AsInt()) << name;
        EXPECT_EQ(section.dsBmih.biClrUsed, static_cast<DWORD>(ds["biClrUsed"].AsInt())) << name;
        EXPECT_EQ(section.dsBmih.biSizeImage, static_cast<DWORD>(ds["biSizeImage"].AsInt())) << name;
        EXPECT_EQ(section.dsBmih.biCompression, static_cast<DWORD>(ds["biCompression"].AsInt())) << name;
        DeleteObject(bitmap);
    }
    EXPECT_GE(replayed, 12);
}

TEST_F(GdiDc, SaveAndRestoreBringBackEveryAttribute) {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP first = CreateBitmap(8, 8, 1, 1, nullptr), second = CreateBitmap(4, 4, 1, 1, nullptr);
    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    HGDIOBJ initialBitmap = SelectObject(dc, first);
    EXPECT_EQ(SaveDC(dc), 1);
    SelectObject(dc, second);
    HGDIOBJ initialBrush = SelectObject(dc, brush);
    SetBkColor(dc, RGB(9, 9, 9));
    SetTextColor(dc, RGB(7, 7, 7));
    SetROP2(dc, R2_NOT);
    SetStretchBltMode(dc, COLORONCOLOR);
    SetBrushOrgEx(dc, 3, 4, nullptr);
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowExtEx(dc, 2, 3, nullptr);
    SetViewportOrgEx(dc, 5, 6, nullptr);
    EXPECT_EQ(SaveDC(dc), 2);
    SetBkColor(dc, RGB(1, 1, 1));
    EXPECT_EQ(SaveDC(dc), 3);
    EXPECT_FALSE(RestoreDC(dc, 4));
    EXPECT_TRUE(RestoreDC(dc, -1));  // back to level 2's state
    EXPECT_EQ(GetBkColor(dc), RGB(1, 1, 1));
    EXPECT_TRUE(RestoreDC(dc, -1));
    EXPECT_EQ(GetBkColor(dc), RGB(9, 9, 9));
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BITMAP), second);
    EXPECT_TRUE(RestoreDC(dc, 1));
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BITMAP), first);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), initialBrush);
    EXPECT_EQ(GetBkColor(dc), RGB(255, 255, 255));
    EXPECT_EQ(GetTextColor(dc), RGB(0, 0, 0));
    EXPECT_EQ(GetROP2(dc), R2_COPYPEN);
    EXPECT_EQ(GetStretchBltMode(dc), BLACKONWHITE);
    EXPECT_EQ(GetMapMode(dc), MM_TEXT);
    POINT origin;
    GetBrushOrgEx(dc, &origin);
    EXPECT_EQ(origin.x, 0);
    GetViewportOrgEx(dc, &origin);
    EXPECT_EQ(origin.x, 0);
    EXPECT_FALSE(RestoreDC(dc, -1));
    EXPECT_EQ(SaveDC(dc), 1);
    EXPECT_TRUE(RestoreDC(dc, 1));
    SelectObject(dc, initialBitmap);
    DeleteDC(dc);
    EXPECT_TRUE(DeleteObject(first));
    EXPECT_TRUE(DeleteObject(second));
    EXPECT_TRUE(DeleteObject(brush));
}

TEST_F(GdiDc, SelectedBitmapDeletionWaitsForDeselection) {
    HDC dc = CreateCompatibleDC(nullptr);
    HDC other = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateBitmap(8, 8, 1, 1, nullptr);
    HGDIOBJ initial = SelectObject(dc, bitmap);
    EXPECT_EQ(SelectObject(dc, bitmap), bitmap);
    EXPECT_EQ(SelectObject(other, bitmap), nullptr);  // already in another DC
    EXPECT_TRUE(DeleteObject(bitmap));
    EXPECT_EQ(GetObjectType(bitmap), static_cast<DWORD>(OBJ_BITMAP));
    SelectObject(dc, initial);
    EXPECT_EQ(GetObjectType(bitmap), 0u);
    EXPECT_EQ(GetObjectType(dc), static_cast<DWORD>(OBJ_MEMDC));
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(GetObjectType(screen), static_cast<DWORD>(OBJ_DC));
    HBITMAP small = CreateBitmap(1, 1, 1, 1, nullptr);
    EXPECT_EQ(SelectObject(screen, small), nullptr);  // screen DCs hold no bitmap
    DeleteObject(small);
    ReleaseDC(nullptr, screen);
    DeleteDC(other);
    DeleteDC(dc);
}

TEST_F(GdiDc, MappingModesTransformBothWays) {
    HDC dc = CreateCompatibleDC(nullptr);
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowOrgEx(dc, 10, 20, nullptr);
    SetWindowExtEx(dc, 100, 200, nullptr);
    SetViewportOrgEx(dc, 5, 7, nullptr);
    SetViewportExtEx(dc, 50, -400, nullptr);
    POINT points[2] = {{10, 20}, {110, 120}};
    ASSERT_TRUE(LPtoDP(dc, points, 2));
    EXPECT_EQ(points[0].x, 5);
    EXPECT_EQ(points[0].y, 7);
    EXPECT_EQ(points[1].x, 55);
    EXPECT_EQ(points[1].y, -193);
    ASSERT_TRUE(DPtoLP(dc, points, 2));
    EXPECT_EQ(points[1].x, 110);
    EXPECT_EQ(points[1].y, 120);
    // Isotropic: equal physical units, the larger viewport extent shrinks.
    SetMapMode(dc, MM_ISOTROPIC);
    SetWindowExtEx(dc, 100, 100, nullptr);
    SetViewportExtEx(dc, 400, 200, nullptr);
    SIZE extent;
    GetViewportExtEx(dc, &extent);
    EXPECT_EQ(extent.cx, 200);
    EXPECT_EQ(extent.cy, 200);
    SetMapMode(dc, MM_TEXT);
    GetViewportExtEx(dc, &extent);
    EXPECT_EQ(extent.cx, 1);
    DeleteDC(dc);
}

TEST_F(GdiDc, HostReadsWhatStretchDIBitsWrote) {
    HDC dc = CreateCompatibleDC(nullptr);
    DibHeader dib;
    dib.header = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 3, -2, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void *bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, dib.Info(), DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bitmap);
    const DWORD source[6] = {0x112233, 0x445566, 0x778899, 0xAABBCC, 0xDDEEFF, 0x010203};
    EXPECT_EQ(StretchDIBits(dc, 0, 0, 3, 2, 0, 0, 3, 2, source, dib.Info(), DIB_RGB_COLORS, SRCCOPY), 2);
    DWORD read[6] = {};
    ASSERT_TRUE(ZeltHostReadPixels(dc, 0, 0, 3, 2, read));
    for (int i = 0; i < 6; ++i) EXPECT_EQ(read[i], source[i]) << i;
    EXPECT_FALSE(ZeltHostReadPixels(dc, 1, 0, 3, 2, read));
    ASSERT_TRUE(ZeltHostReadPixels(bitmap, 2, 1, 1, 1, read));
    EXPECT_EQ(read[0], 0x010203u);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bitmap);
}

TEST_F(GdiDc, AllocationFailureOnEveryCreatingCall) {
    // Each operation records whether it produced a handle and frees it at
    // once, so only a failed run's leftovers could show up as leaks.
    bool created = false;
    const auto check = [&](long failedAt) { EXPECT_FALSE(created) << "allocation " << failedAt; };
    HDC screen = GetDC(nullptr);
    DibHeader dib;
    dib.header = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 7, 5, 1, 8, BI_RGB, 0, 0, 0, 0, 0};
    void *bits = nullptr;
    const long counts[] = {
        ForEachAllocationFailure(
            [&] {
                HDC dc = CreateCompatibleDC(nullptr);
                created = dc != nullptr;
                DeleteDC(dc);
            },
            check),
        ForEachAllocationFailure(
            [&] {
                HBITMAP bitmap = CreateCompatibleBitmap(screen, 5, 3);
                created = bitmap != nullptr;
                DeleteObject(bitmap);
            },
            check),
        ForEachAllocationFailure(
            [&] {
                HBITMAP bitmap = CreateDIBSection(screen, dib.Info(), DIB_RGB_COLORS, &bits, nullptr, 0);
                created = bitmap != nullptr;
                if (!created) EXPECT_EQ(bits, nullptr);
                DeleteObject(bitmap);
            },
            check),
        ForEachAllocationFailure(
            [&] {
                HDC dc = GetDC(nullptr);
                created = dc != nullptr;
                ReleaseDC(nullptr, dc);
            },
            check),
    };
    for (long count : counts) EXPECT_GE(count, 1);
    ReleaseDC(nullptr, screen);
}

}  // namespace
}  // namespace zelt::test
