// Painting: the recorded invalidation/paint table replayed call for call,
// WM_PAINT's place in the message loop, and window DCs (origin, clip, and
// that drawing through a covered window leaves the window above alone).
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/json_reader.h"
#include "support/leak_guard.h"
#include "zelt/host.h"
#include "zelt/win32.h"

namespace zelt::test {
namespace {

std::vector<std::string> paintLog;

std::string Box(const RECT &r) {
    return "[" + std::to_string(r.left) + ", " + std::to_string(r.top) + ", " + std::to_string(r.right) + ", " +
           std::to_string(r.bottom) + "]";
}

LRESULT CALLBACK PaintProc(HWND hwnd, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_PAINT) {
        paintLog.push_back("WM_PAINT");
        PAINTSTRUCT ps;
        BeginPaint(hwnd, &ps);
        paintLog.push_back("BeginPaint " + Box(ps.rcPaint) + " fErase " + std::to_string(ps.fErase));
        EndPaint(hwnd, &ps);
        return 0;
    }
    if (m == WM_ERASEBKGND) {
        const LRESULT r = DefWindowProcA(hwnd, m, w, l);
        paintLog.push_back("WM_ERASEBKGND " + std::to_string(r));
        return r;
    }
    if (m >= WM_USER) paintLog.push_back("WM_USER+" + std::to_string(m - WM_USER));
    return DefWindowProcA(hwnd, m, w, l);
}

class WindowPaint : public LeakCheckedTest {
protected:
    void SetUp() override {
        LeakCheckedTest::SetUp();
        ASSERT_TRUE(ZeltHostConfigureScreen(1024, 768, 32));
        for (const auto &[name, brush] : {std::pair{"PaintBlack", GetStockObject(BLACK_BRUSH)}, {"PaintBare", nullptr}}) {
            WNDCLASSA wc{};
            wc.lpfnWndProc = PaintProc;
            wc.lpszClassName = name;
            wc.hbrBackground = static_cast<HBRUSH>(brush);
            ASSERT_NE(RegisterClassA(&wc), 0);
        }
    }
    void TearDown() override {
        for (HWND w : windows_) DestroyWindow(w);
        ZeltHostPumpMessages();
        UnregisterClassA("PaintBlack", nullptr);
        UnregisterClassA("PaintBare", nullptr);
        LeakCheckedTest::TearDown();
    }
    // A frameless shown window, validated, its log cleared.
    HWND Make(const char *cls, int x, int y, int w, int h) {
        HWND hwnd = CreateWindowExA(0, cls, "", WS_POPUP, x, y, w, h, nullptr, nullptr, nullptr, nullptr);
        windows_.push_back(hwnd);
        ShowWindow(hwnd, SW_SHOWNOACTIVATE);
        ZeltHostPumpMessages();
        ValidateRect(hwnd, nullptr);
        paintLog.clear();
        return hwnd;
    }
    std::vector<HWND> windows_;
};

// The recorded log of one sequence in this test's words.
std::vector<std::string> Expected(const JsonValue &log) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < log.size(); ++i) {
        const JsonValue &e = log[i];
        if (!e["returned_by"].IsNull()) out.push_back("WM_ERASEBKGND " + std::to_string(e["value"].AsInt()));
        else if (!e["call"].IsNull()) {
            const JsonValue &r = e["rcPaint"];
            out.push_back("BeginPaint " + Box(RECT{LONG(r[0].AsInt()), LONG(r[1].AsInt()), LONG(r[2].AsInt()), LONG(r[3].AsInt())}) +
                          " fErase " + std::to_string(e["fErase"].AsInt()));
        } else if (e["msg"].AsString() == "WM_PAINT") out.push_back("WM_PAINT");
        else if (e["msg"].AsString() == "WM_USER+1") out.push_back("WM_USER+1");
    }
    return out;
}

TEST_F(WindowPaint, RecordedInvalidationTable) {
    const JsonValue vectors = LoadJsonFile(PlatformVectorPath("meta_user/user_paint.json"));
    const RECT r1{10, 10, 50, 30}, a{0, 0, 10, 10}, b{20, 20, 30, 30}, big{-10, -10, 1000, 1000}, part{0, 0, 20, 20};
    struct Row {
        const char *key;
        void (*run)(HWND, const RECT *);
    };
    // Each row runs the recorded calls; the rectangles come in the order
    // r1, a, b, big, part.
    const Row rows[] = {
        {"invalidate_rect_erase_then_UpdateWindow", [](HWND h, const RECT *r) { InvalidateRect(h, &r[0], TRUE); UpdateWindow(h); }},
        {"invalidate_all_no_erase_then_UpdateWindow", [](HWND h, const RECT *) { InvalidateRect(h, nullptr, FALSE); UpdateWindow(h); }},
        {"two_rects_union", [](HWND h, const RECT *r) { InvalidateRect(h, &r[1], FALSE); InvalidateRect(h, &r[2], FALSE); UpdateWindow(h); }},
        {"rect_beyond_client", [](HWND h, const RECT *r) { InvalidateRect(h, &r[3], FALSE); UpdateWindow(h); }},
        {"invalidate_then_ValidateRect_NULL", [](HWND h, const RECT *r) { InvalidateRect(h, &r[0], TRUE); ValidateRect(h, nullptr); EXPECT_TRUE(UpdateWindow(h)); }},
        {"invalidate_all_then_validate_part", [](HWND h, const RECT *r) { InvalidateRect(h, nullptr, TRUE); ValidateRect(h, &r[4]); UpdateWindow(h); }},
        {"paint_via_message_loop", [](HWND h, const RECT *r) { InvalidateRect(h, &r[0], FALSE); PostMessageA(h, WM_USER + 1, 0, 0); ZeltHostPumpMessages(); }},
    };
    const RECT rects[] = {r1, a, b, big, part};
    HWND pan = Make("PaintBlack", 53, 82, 300, 150);
    for (const Row &row : rows) {
        SCOPED_TRACE(row.key);
        paintLog.clear();
        row.run(pan, rects);
        EXPECT_EQ(paintLog, Expected(vectors[row.key]["log"]));
        RECT left;
        EXPECT_FALSE(GetUpdateRect(pan, &left, FALSE));
    }
    // The erase filled the update area with the class brush, nothing else.
    HDC dc = GetDC(pan);
    SetPixel(dc, 15, 15, RGB(9, 9, 9));
    InvalidateRect(pan, &r1, TRUE);
    UpdateWindow(pan);
    EXPECT_EQ(GetPixel(dc, 15, 15), RGB(0, 0, 0));
    ReleaseDC(pan, dc);

    HWND bare = Make("PaintBare", 500, 300, 144, 75);
    InvalidateRect(bare, nullptr, TRUE);
    UpdateWindow(bare);
    EXPECT_EQ(paintLog, Expected(vectors["class_without_background_brush"]["log"]));
}

TEST_F(WindowPaint, PaintComesAfterPostedMessagesAndQuit) {
    HWND pan = Make("PaintBlack", 10, 10, 100, 100);
    PostMessageA(pan, WM_USER + 1, 0, 0);
    PostMessageA(pan, WM_USER + 3, 0, 0);
    InvalidateRect(pan, nullptr, FALSE);
    PostQuitMessage(7);
    PostMessageA(pan, WM_USER + 4, 0, 0);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0)) DispatchMessageA(&msg);
    EXPECT_EQ(msg.wParam, 7u);
    EXPECT_EQ(paintLog, (std::vector<std::string>{"WM_USER+1", "WM_USER+3", "WM_USER+4"}));
    paintLog.clear();
    EXPECT_EQ(ZeltHostPumpMessages(), 1);
    EXPECT_EQ(paintLog, (std::vector<std::string>{"WM_PAINT", "BeginPaint [0, 0, 100, 100] fErase 0"}));
}

TEST_F(WindowPaint, WindowDcDrawsOnlyWhereTheWindowShows) {
    const JsonValue facts = LoadJsonFile(PlatformVectorPath("meta_user/user_paint.json"))["GetDC_window"];
    HWND lower = Make("PaintBlack", 53, 82, 300, 150);
    HWND upper = Make("PaintBare", 200, 100, 200, 100);
    HDC dc = GetDC(lower);
    POINT origin;
    RECT clip;
    ASSERT_TRUE(GetDCOrgEx(dc, &origin));
    EXPECT_EQ(origin.x, facts["GetDCOrgEx"][0].AsInt());
    EXPECT_EQ(origin.y, facts["GetDCOrgEx"][1].AsInt());
    EXPECT_EQ(GetClipBox(dc, &clip), COMPLEXREGION);  // the upper window bites a corner out
    EXPECT_EQ(WindowFromDC(dc), lower);
    HDC screen = GetDC(nullptr);
    std::vector<DWORD> before(1024 * 768), after(1024 * 768);
    ASSERT_TRUE(ZeltHostReadPixels(screen, 0, 0, 1024, 768, before.data()));
    RECT all{0, 0, 300, 150};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    ASSERT_TRUE(ZeltHostReadPixels(screen, 0, 0, 1024, 768, after.data()));
    // Every pixel changed lies in the lower window's client and outside the
    // upper window; every pixel there is white.
    for (int y = 0; y < 768; ++y)
        for (int x = 0; x < 1024; ++x) {
            const bool inLower = x >= 53 && x < 353 && y >= 82 && y < 232;
            const bool inUpper = x >= 200 && x < 400 && y >= 100 && y < 200;
            const DWORD expected = inLower && !inUpper ? 0xFFFFFF : before[y * 1024 + x];
            ASSERT_EQ(after[y * 1024 + x], expected) << x << "," << y;
        }
    EXPECT_EQ(ReleaseDC(lower, dc), facts["ReleaseDC"].AsInt());
    EXPECT_EQ(ReleaseDC(lower, dc), facts["ReleaseDC_again"].AsInt());
    // Uncovered, the clip box is the whole client, not the update region.
    DestroyWindow(upper);
    windows_.pop_back();
    dc = GetDC(lower);
    EXPECT_EQ(GetClipBox(dc, &clip), SIMPLEREGION);
    EXPECT_EQ(Box(clip), "[0, 0, 300, 150]");
    ReleaseDC(lower, dc);
    ReleaseDC(nullptr, screen);
}

}  // namespace
}  // namespace zelt::test
