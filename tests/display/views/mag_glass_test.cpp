// The magnifying glass on a shown application window: screen contents
// against the glass model over seeded positions and settings, the cursor
// and message rules, the procedure chain, and that nothing stays behind.
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "support/host_controls.h"
#include "support/leak_guard.h"
#include "support/mag_model.h"
#include "zelt/display.h"
#if !defined(_WIN32)
#include <dlfcn.h>
#endif

namespace zelt::test {
namespace {

constexpr DWORD kAppFill = 0x203040;  // what the application paints beside the bitmap
constexpr int kClientW = 240, kClientH = 180, kBitmapW = 40, kBitmapH = 30;

HINSTANCE DisplayModule() {
#if defined(_WIN32)
    return GetModuleHandleA("zeltdisplay.dll");
#else
    Dl_info info{};
    dladdr(reinterpret_cast<void *>(&Z_StartMagGlass), &info);
    return static_cast<HINSTANCE>(info.dli_fbase);
#endif
}

DWORD Rgb(COLORREF c) { return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c); }

struct App {
    BitmapRecord bitmap{};
    RECT dest{};
    int setCursorSeen = 0, closeSeen = 0, laterSeen = 0;
    WNDPROC laterNext = nullptr;
} app;

LRESULT CALLBACK AppProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SETCURSOR) ++app.setCursorSeen;
    if (message == WM_CLOSE) return ++app.closeSeen, 0;
    if (message != WM_PAINT) return DefWindowProcA(hwnd, message, wParam, lParam);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    HBRUSH fill = CreateSolidBrush(RGB(0x20, 0x30, 0x40));
    FillRect(dc, &ps.rcPaint, fill);
    DeleteObject(fill);
    Z_PaintDC(dc, &app.bitmap, nullptr, nullptr, &app.dest, nullptr, SRCCOPY);
    EndPaint(hwnd, &ps);
    return 0;
}

LRESULT CALLBACK LaterProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_USER) ++app.laterSeen;
    return CallWindowProcA(app.laterNext, hwnd, message, wParam, lParam);
}

class MagGlassTest : public LeakCheckedTest {
protected:
    void SetUp() override {
        // Shared cursors (the lenses, the arrow a stop's WM_SETCURSOR picks)
        // are made once per process, not per glass.
        LoadCursorA(nullptr, IDC_ARROW);
        LoadCursorA(DisplayModule(), MAKEINTRESOURCEA(ZELT_CURSOR_ROUND_LENS));
        LoadCursorA(DisplayModule(), MAKEINTRESOURCEA(ZELT_CURSOR_RECT_LENS));
        LeakCheckedTest::SetUp();
        app = App{};
        ASSERT_EQ(KrnCreateBitmap(&app.bitmap, KRN_MEMORY_CONVENTIONAL, kBitmapW, kBitmapH, 24, 1, nullptr, 0,
                                  nullptr, 0), STATUS_OK);
        std::mt19937 random(7);
        for (int y = 0; y < kBitmapH; ++y)  // four colours in 2 x 2 blocks, for mask colours
            for (int x = 0; x < kBitmapW; ++x)
                std::fill_n(static_cast<BYTE *>(app.bitmap.Data) + y * app.bitmap.BytesPerLine + x * 3, 3,
                            static_cast<BYTE>(0x30 + 0x40 * ((x / 2 + y / 2 * 3 + random() % 2) % 4)));
        WNDCLASSA wc{CS_DBLCLKS, AppProc, 0, 0, GetModuleHandleA(nullptr), {}, {}, {}, {}, "ZeltMagApp"};
        RegisterClassA(&wc);
        window_ = CreateWindowExA(0, "ZeltMagApp", "", WS_POPUP | 0x8, 30, 20, kClientW, kClientH, nullptr,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(window_, nullptr);
        ShowWindow(window_, SW_SHOW);
    }
    void TearDown() override {
        if (IsWindow(window_)) DestroyWindow(window_);
        UnregisterClassA("ZeltMagApp", GetModuleHandleA(nullptr));
        KrnFreeBitmap(&app.bitmap);
        LeakCheckedTest::TearDown();
    }
    DWORD BitmapPixel(int x, int y) const {
        return static_cast<const BYTE *>(app.bitmap.Data)[y * app.bitmap.BytesPerLine + x * 3] * 0x010101u;
    }
    void Repaint() {
        InvalidateRect(window_, nullptr, TRUE);
        UpdateWindow(window_);
    }
    std::vector<DWORD> Client() {
        POINT origin{0, 0};
        ClientToScreen(window_, &origin);
        std::vector<DWORD> pixels(kClientW * kClientH);
        HDC screen = GetDC(nullptr);
        EXPECT_TRUE(ZeltHostReadPixels(screen, origin.x, origin.y, kClientW, kClientH, pixels.data()));
        ReleaseDC(nullptr, screen);
        for (DWORD &p : pixels) p &= 0xFFFFFF;
        return pixels;
    }
    int Start(const GlassSettings &s, bool ellipse, COLORREF *masks, int maskCount, bool ignore, int border = 0) {
        RECT dest = s.dest;
        return Z_StartMagGlass(window_, &app.bitmap, &dest, s.glassWidth, s.glassHeight, s.zoom,
                               RGB(s.pen >> 16, s.pen >> 8, s.pen), nullptr, RGB(s.back >> 16, s.back >> 8, s.back),
                               ellipse, border, 0, 0, masks, maskCount, s.crosshair, ignore, s.center);
    }
    HWND window_ = nullptr;
};

// Seeded cases: glass at a random point, then moved, then released. Inside
// the glass the model; outside it (and outside the ellipse) the
// application's own painting; after release, only the application's.
TEST_F(MagGlassTest, ScreenMatchesModelOverSeededCases) {
    ZELT_REQUIRE_HOST_CONTROLS("reading the screen");
    for (int c = 0; c < 60; ++c) {
        std::mt19937 random(c);
        auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
        GlassSettings s;
        s.glassWidth = pick(10, 60), s.glassHeight = pick(10, 60), s.zoom = pick(100, 400);
        const int scale = pick(1, 3), left = pick(0, 60), top = pick(0, 60);
        s.dest = {left, top, left + kBitmapW * scale, top + kBitmapH * scale};
        s.bitmapWidth = kBitmapW, s.bitmapHeight = kBitmapH, s.center = pick(0, 1), s.crosshair = pick(0, 3);
        s.pen = 0xE01020, s.back = 0x10C040;
        const bool ellipse = pick(0, 1), ignore = pick(0, 1);
        const int regionKind = pick(0, 2);  // 0 none, 1 mask colour, 2 own region
        COLORREF mask = RGB(0x70, 0x70, 0x70);
        const RECT own{pick(0, 20), pick(0, 15), pick(20, 40), pick(15, 30)};
        app.dest = s.dest;
        if (regionKind == 2) {
            ASSERT_EQ(Z_SetBitmapRgnRect(&app.bitmap, nullptr, &own, RGNMODE_SET), STATUS_OK);
        }
        Repaint();
        const std::vector<DWORD> before = Client();
        ASSERT_EQ(Start(s, ellipse, regionKind == 1 ? &mask : nullptr, 1, ignore), STATUS_OK) << "case " << c;
        auto selected = [&](int col, int row) {
            if (regionKind == 1) return BitmapPixel(col, row) != Rgb(mask);
            return regionKind != 2 || ignore || (col >= own.left && col < own.right && row >= own.top && row < own.bottom);
        };
        auto check = [&](int x, int y, const char *step) {
            const GlassPlacement p = PlaceGlass(s, x, y);
            HRGN shape = ellipse ? CreateEllipticRgnIndirect(&p.glass) : CreateRectRgnIndirect(&p.glass);
            const std::vector<DWORD> now = Client();
            int wrong = 0;
            for (int v = 0; v < kClientH; ++v)
                for (int u = 0; u < kClientW; ++u) {
                    const bool inside = PtInRegion(shape, u, v);
                    const DWORD want = inside ? GlassPixel(s, p, u - p.glass.left, v - p.glass.top,
                                                           [&](int cx, int cy) { return BitmapPixel(cx, cy); }, selected)
                                              : before[v * kClientW + u];
                    if (now[v * kClientW + u] != want && wrong++ < 3)
                        ADD_FAILURE() << "case " << c << " " << step << " pixel (" << u << ", " << v << "): "
                                      << std::hex << now[v * kClientW + u] << " instead of " << want;
                }
            DeleteObject(shape);
        };
        const int x0 = pick(0, kClientW - 1), y0 = pick(0, kClientH - 1);
        SendMessageA(window_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x0, y0));
        check(x0, y0, "down");
        const int x1 = x0 + pick(-25, 25), y1 = y0 + pick(-25, 25);
        SendMessageA(window_, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x1, y1));
        check(x1, y1, "moved");
        SendMessageA(window_, WM_LBUTTONUP, 0, MAKELPARAM(x1, y1));
        EXPECT_EQ(Client(), before) << "case " << c << ": the glass was not erased";
        EXPECT_EQ(Z_StopMagGlass(window_), STATUS_OK);
        Z_FreeBitmapRgn(&app.bitmap);
        if (HasFailure()) return;
    }
}

TEST_F(MagGlassTest, OutlineIsDrawnInThePenColour) {
    ZELT_REQUIRE_HOST_CONTROLS("reading the screen");
    const GlassSettings s{30, 20, 200, {0, 0, kBitmapW, kBitmapH}, kBitmapW, kBitmapH, false, 0, 0xE01020, 0x10C040};
    ASSERT_EQ(Start(s, false, nullptr, 0, false, 3), STATUS_OK);
    SendMessageA(window_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 80));
    const std::vector<DWORD> now = Client();
    EXPECT_EQ(now[70 * kClientW + 85], s.pen);  // top-left corner of the glass (85, 70) .. (115, 90), inside the pen
    EXPECT_EQ(now[89 * kClientW + 114], s.pen);
    SendMessageA(window_, WM_LBUTTONUP, 0, MAKELPARAM(100, 80));
    EXPECT_EQ(Z_StopMagGlass(window_), STATUS_OK);
}

TEST_F(MagGlassTest, ParameterChecks) {
    RECT dest{0, 0, kBitmapW, kBitmapH};
    BitmapRecord empty{};
    struct Row {
        HWND window;
        BitmapRecord *bitmap;
        RECT *dest;
        int width, height, zoom, status;
    } rows[] = {
        {nullptr, &app.bitmap, &dest, 20, 20, 200, STATUS_BAD_PARAMETER},
        {window_, &app.bitmap, &dest, 9, 20, 200, STATUS_BAD_PARAMETER},
        {window_, &app.bitmap, &dest, 20, 9, 200, STATUS_BAD_PARAMETER},
        {window_, &app.bitmap, &dest, 20, 20, 99, STATUS_BAD_PARAMETER},
        {window_, nullptr, &dest, 20, 20, 200, STATUS_NO_BITMAP},
        {window_, &empty, &dest, 20, 20, 200, STATUS_NO_BITMAP},
        {window_, &app.bitmap, nullptr, 20, 20, 200, STATUS_BAD_PARAMETER},
    };
    for (const Row &r : rows) {
        EXPECT_EQ(Z_StartMagGlass(r.window, r.bitmap, r.dest, r.width, r.height, r.zoom, 0, nullptr, 0, 0, 0, 0, 0,
                                  nullptr, 0, 0, 0, 0), r.status) << r.width << " " << r.height << " " << r.zoom;
        EXPECT_EQ(GetPropA(window_, "ZELTMAGDATA"), nullptr);
    }
    EXPECT_EQ(Z_StopMagGlass(window_), STATUS_BAD_PARAMETER);
    const GlassSettings s{20, 20, 200, dest, kBitmapW, kBitmapH};
    ASSERT_EQ(Start(s, true, nullptr, 0, false), STATUS_OK);
    EXPECT_EQ(Start(s, true, nullptr, 0, false), STATUS_BAD_PARAMETER);
    EXPECT_EQ(Z_StopMagGlass(window_), STATUS_OK);
    EXPECT_EQ(Z_StopMagGlass(window_), STATUS_BAD_PARAMETER);
}

// The lens cursor by shape, the hot spots of the resources, and
// WM_SETCURSOR never reaching the application.
TEST_F(MagGlassTest, CursorsAndSetCursor) {
    const GlassSettings s{20, 20, 200, {0, 0, kBitmapW, kBitmapH}, kBitmapW, kBitmapH};
    const struct { bool ellipse; int resource; DWORD hotX, hotY; } cases[] = {{true, 500, 14, 13}, {false, 501, 12, 11}};
    for (const auto &k : cases) {
        ASSERT_EQ(Start(s, k.ellipse, nullptr, 0, false), STATUS_OK);
        SetCursor(nullptr);
        EXPECT_EQ(SendMessageA(window_, WM_SETCURSOR, reinterpret_cast<WPARAM>(window_), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)), 1);
        EXPECT_EQ(GetCursor(), LoadCursorA(DisplayModule(), MAKEINTRESOURCEA(k.resource)));
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(GetCursor(), &info));
        EXPECT_EQ(info.xHotspot, k.hotX);
        EXPECT_EQ(info.yHotspot, k.hotY);
        DeleteObject(info.hbmMask);
        if (info.hbmColor != nullptr) DeleteObject(info.hbmColor);
        SendMessageA(window_, WM_SETCURSOR, reinterpret_cast<WPARAM>(window_), MAKELPARAM(HTCAPTION, WM_MOUSEMOVE));
        EXPECT_EQ(Z_StopMagGlass(window_), STATUS_OK);
    }
    EXPECT_EQ(app.setCursorSeen, 0);
}

// A later subclass survives the stop; the glass stays a pass-through, can
// be started again where it sits, and goes with the window.
TEST_F(MagGlassTest, LaterSubclassAndCloseAndStyle) {
    const GlassSettings s{20, 20, 200, {0, 0, kBitmapW, kBitmapH}, kBitmapW, kBitmapH};
    ASSERT_EQ(Start(s, false, nullptr, 0, false), STATUS_OK);
    EXPECT_EQ(GetWindowLongA(window_, GWL_STYLE) & 0x8, 0);
    app.laterNext = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&LaterProc)));
    EXPECT_EQ(Z_StopMagGlass(window_), STATUS_OK);
    EXPECT_EQ(GetWindowLongA(window_, GWL_STYLE) & 0x8, 0x8);
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window_, GWLP_WNDPROC)), &LaterProc);
    SendMessageA(window_, WM_USER, 0, 0);
    EXPECT_EQ(app.laterSeen, 1);
    SendMessageA(window_, WM_CLOSE, 0, 0);
    EXPECT_EQ(app.closeSeen, 1);  // through LaterProc and the pass-through glass
    ASSERT_EQ(Start(s, false, nullptr, 0, false), STATUS_OK);
    SendMessageA(window_, WM_CLOSE, 0, 0);  // stops the glass, then reaches the application
    EXPECT_EQ(app.closeSeen, 2);
    EXPECT_EQ(GetPropA(window_, "ZELTMAGDATA"), nullptr);
    EXPECT_TRUE(DestroyWindow(window_));
}

TEST_F(MagGlassTest, StartSurvivesEveryAllocationFailure) {
    ZELT_REQUIRE_HOST_CONTROLS("allocation failures");
    RECT own{5, 5, 30, 20};
    ASSERT_EQ(Z_SetBitmapRgnRect(&app.bitmap, nullptr, &own, RGNMODE_SET), STATUS_OK);
    COLORREF masks[2] = {RGB(0x70, 0x70, 0x70), RGB(0xB0, 0xB0, 0xB0)};
    const GlassSettings s{20, 20, 200, {0, 0, kBitmapW, kBitmapH}, kBitmapW, kBitmapH, true, 3};
    int status = 0, outOfMemory = 0;
    const long allocations = ForEachAllocationFailure(
        [&] {
            status = Start(s, true, masks, 2, false, 2);
            if (status == STATUS_OK) {
                EXPECT_EQ(Z_StopMagGlass(window_), STATUS_OK);
            }
        },
        [&](long failedAt) {
            EXPECT_TRUE(status == STATUS_OK || status == STATUS_NO_MEMORY) << failedAt;
            outOfMemory += status == STATUS_NO_MEMORY;
            EXPECT_EQ(GetPropA(window_, "ZELTMAGDATA"), nullptr);
            EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window_, GWLP_WNDPROC)), &AppProc);
        });
    EXPECT_GT(allocations, 4);
    EXPECT_GE(outOfMemory, 2);  // the record and the chain table
    EXPECT_NE(app.bitmap.Region, nullptr);
}

}  // namespace
}  // namespace zelt::test
