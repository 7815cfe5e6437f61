// The pan window against the geometry model over seeded random cases (drawn
// rectangle, PAN_MOVED rectangles while dragging), its image against a plain
// paint, its message and callback sequences, and its failures.
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "support/front_fixture.h"
#include "support/paint_canvas.h"
#include "support/pan_model.h"

// RECT lives in the global namespace: its operators go there for lookup to find them.
static bool operator==(const RECT &a, const RECT &b) { return std::memcmp(&a, &b, sizeof a) == 0; }
static std::ostream &operator<<(std::ostream &out, const RECT &r) {
    return out << "(" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
}

namespace zelt::test {
namespace {

struct Recorder {
    HWND pan = nullptr;
    std::vector<UINT> codes;
    int closeResult = 0;
    std::vector<RECT> moves;
};

int ZELT_CDECL Record(HWND pan, HWND, UINT code, RECT *rect, void *user) {
    auto *recorder = static_cast<Recorder *>(user);
    if (code == PAN_CREATED) recorder->pan = pan;
    if (code == PAN_MOVED) recorder->moves.push_back(*rect);
    recorder->codes.push_back(code);
    return code == PAN_CLOSE ? recorder->closeResult : 1;
}

LPARAM Packed(int x, int y) { return static_cast<LPARAM>((static_cast<DWORD>(y & 0xFFFF) << 16) | (x & 0xFFFF)); }

RECT ClientOf(HWND window) { RECT r{}; GetClientRect(window, &r); return r; }

// Screen pixels (0x00RRGGBB) of a rectangle of a window's client.
std::vector<DWORD> ScreenPixels(HWND window, const RECT &r) {
    POINT origin{r.left, r.top};
    ClientToScreen(window, &origin);
    std::vector<DWORD> pixels(static_cast<std::size_t>((r.right - r.left) * (r.bottom - r.top)));
    HDC screen = GetDC(nullptr);
    EXPECT_TRUE(ZeltHostReadPixels(screen, origin.x, origin.y, r.right - r.left, r.bottom - r.top, pixels.data()));
    ReleaseDC(nullptr, screen);
    return pixels;
}

DWORD Rgb(COLORREF c) { return (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF); }

// A one-pixel pen draws the four sides as lines without their last points:
// a 1 x 1 rectangle has four empty sides and shows nothing.
bool OnOutline(const RECT &r, int x, int y) {
    if (r.right - r.left == 1 && r.bottom - r.top == 1) return false;
    const bool inX = x >= r.left && x < r.right, inY = y >= r.top && y < r.bottom;
    return (inY && (x == r.left || x == r.right - 1)) || (inX && (y == r.top || y == r.bottom - 1));
}

class PanWindow : public FrontTest {
protected:
    void SetUp() override {
        WNDCLASSA ownerClass{0, DefWindowProcA, 0, 0, GetModuleHandleA(nullptr), {}, {}, {}, {}, "PanTestOwner"};
        RegisterClassA(&ownerClass);
        // The thread's first window also makes its message queue: not ours to count.
        DestroyWindow(CreateWindowExA(0, "PanTestOwner", "", WS_POPUP, 0, 0, 8, 8, {}, {}, {}, {}));
        FrontTest::SetUp();
        owner_ = CreateWindowExA(0, "PanTestOwner", "", WS_POPUP, 0, 0, 640, 480, {}, {}, {}, {});
        ASSERT_NE(owner_, nullptr);
    }
    void TearDown() override {
        DestroyWindow(owner_);
        FrontTest::TearDown();
        UnregisterClassA("PanTestOwner", GetModuleHandleA(nullptr));
    }
    int Create(BitmapRecord *bitmap, int width, int height, const char *name = "PanTest", bool callback = true) {
        return Z_CreatePanWindow(owner_, bitmap, 0, 600, 300, width, height, const_cast<char *>(name), nullptr,
                                 nullptr, 0, callback ? Record : nullptr, &recorder_);
    }
    int Update(HWND pan, BitmapRecord *bitmap, RECT view, COLORREF pen = RGB(255, 0, 0), const char *title = "T") {
        return Z_UpdatePanWindow(pan, bitmap, 0, pen, const_cast<char *>(title), &view);
    }
    static std::string Title(HWND window) {
        char text[32] = {};
        GetWindowTextA(window, text, sizeof text);
        return text;
    }
    HWND owner_ = nullptr;
    Recorder recorder_;
};

TEST_F(PanWindow, MatchesTheModelOverRandomViewsAndDrags) {
    std::mt19937 random(613);
    const auto uniform = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
    const int minTrackX = GetSystemMetrics(SM_CXMINTRACK), minTrackY = GetSystemMetrics(SM_CYMINTRACK);
    long pixelChecks = 0;
    for (int group = 0; group < 96; ++group) {
        ScopedBitmap bitmap;
        const int shape = uniform(0, 3);  // now and then a sliver
        ASSERT_EQ(CreateBitmap(bitmap.get(), shape == 0 ? uniform(1, 8) : uniform(1, 400),
                               shape == 1 ? uniform(1, 8) : uniform(1, 400), 24),
                  STATUS_OK);
        recorder_ = {};
        const int askW = uniform(10, 300), askH = uniform(10, 300);
        ASSERT_EQ(Create(bitmap.get(), askW, askH), STATUS_OK);
        const HWND pan = recorder_.pan;
        PanModel model{bitmap->Width, bitmap->Height};
        const auto checkClient = [&](const RECT &expected, const char *when) {
            RECT outer{};
            GetWindowRect(pan, &outer);  // not raised to the minimum tracking size
            const bool free = outer.right - outer.left > minTrackX && outer.bottom - outer.top > minTrackY;
            EXPECT_TRUE(!free || ClientOf(pan) == expected) << when << ", group " << group << ": " << ClientOf(pan);
        };
        checkClient(model.Fit({0, 0, (std::max)(askW, GetSystemMetrics(SM_CXMIN)),
                               (std::max)(askH, GetSystemMetrics(SM_CYMIN))}),
                    "created");
        for (int step = 0; step < 8; ++step) {
            SCOPED_TRACE(testing::Message() << "group " << group << " step " << step);
            const RECT before = ClientOf(pan);
            const int perspective = uniform(0, 8);
            bitmap->ViewPerspective = perspective;
            const bool turned = perspective == 4 || perspective == 5 || perspective == 7 || perspective == 8;
            const PanModel old = model;
            model.displayWidth = turned ? bitmap->Height : bitmap->Width;
            model.displayHeight = turned ? bitmap->Width : bitmap->Height;
            const int kw = uniform(1, 800), kh = uniform(1, 600);
            SetWindowPos(owner_, nullptr, 0, 0, kw, kh, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            const RECT k = ClientOf(owner_);
            const int vl = uniform(-2 * kw, kw), vt = uniform(-2 * kh, kh);
            const int vh = uniform(1, 3 * kh) * (uniform(0, 4) == 0 ? -1 : 1);
            const RECT view = uniform(0, 5) == 0 ? k : RECT{vl, vt, vl + uniform(1, 3 * kw), vt + vh};
            const COLORREF pen = RGB(uniform(64, 255), uniform(64, 255), uniform(0, 255));
            ASSERT_EQ(Update(pan, bitmap.get(), view, pen), STATUS_OK);
            if (old.displayWidth != model.displayWidth || old.displayHeight != model.displayHeight)
                checkClient(model.Fit(before), "resized");
            model.Update(k, view, ClientOf(pan));
            // An inverted rectangle invalidates nothing, so what it drew stays:
            // start such cases from a whole repaint.
            if (old.panRect.right <= old.panRect.left || old.panRect.bottom <= old.panRect.top)
                InvalidateRect(pan, nullptr, FALSE);
            UpdateWindow(pan);
            const auto checkPixels = [&] {
                const RECT &r = model.panRect, &area = model.imageArea;
                if (!kHostControls || r.right <= r.left || r.bottom <= r.top || area.right == 0 || area.bottom == 0)
                    return;
                const std::vector<DWORD> pixels = ScreenPixels(pan, area);
                for (int y = 0; y < area.bottom; ++y)
                    for (int x = 0; x < area.right; ++x)
                        ASSERT_EQ(pixels[static_cast<std::size_t>(y * area.right + x)], OnOutline(r, x, y) ? Rgb(pen) : 0u)
                            << "pixel (" << x << ", " << y << "), pan rectangle " << r << ", image " << area;
                ++pixelChecks;
            };
            checkPixels();
            for (int drag = 0; drag < 4; ++drag) {
                const int x = uniform(-90, model.imageArea.right + 90), y = uniform(-90, model.imageArea.bottom + 90);
                SendMessageA(pan, drag == 0 ? WM_LBUTTONDOWN : WM_MOUSEMOVE, MK_LBUTTON, Packed(x, y));
                drag == 0 ? model.Press(x, y) : model.Drag(x, y);
                ASSERT_EQ(recorder_.moves.size(), 1u);
                EXPECT_EQ(recorder_.moves[0], model.Reported()) << "point " << x << ", " << y;
                EXPECT_EQ(GetCapture(), pan);
                recorder_.moves.clear();
            }
            checkPixels();
            SendMessageA(pan, WM_LBUTTONUP, 0, Packed(1, 1));
            SendMessageA(pan, WM_MOUSEMOVE, 0, Packed(2, 2));
            EXPECT_TRUE(recorder_.moves.empty()) << "no report once the button is up";
            EXPECT_NE(GetCapture(), pan);
        }
        ASSERT_EQ(Z_DestroyPanWindow(pan), STATUS_OK);
    }
    EXPECT_TRUE(!kHostControls || pixelChecks > 300) << pixelChecks;
}

TEST_F(PanWindow, ImageAreaShowsTheBitmapReducedToFit) {
    ZELT_REQUIRE_HOST_CONTROLS("reading the screen");
    std::mt19937 random(7);
    for (const int perspective : {0, 5}) {
        ScopedBitmap bitmap;
        MakeRandomBitmap(bitmap.get(), random, 37, 57, perspective == 0 ? 24 : 8, perspective);
        recorder_ = {};
        ASSERT_EQ(Create(bitmap.get(), 230, 170), STATUS_OK);
        SetWindowPos(owner_, nullptr, 0, 0, 400, 400, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        const RECT quarter{0, 0, 1600, 1600};  // the owner shows the top-left quarter
        ASSERT_EQ(Update(recorder_.pan, bitmap.get(), quarter, RGB(0, 255, 0)), STATUS_OK);
        UpdateWindow(recorder_.pan);
        PanModel model{perspective == 5 ? 57 : 37, perspective == 5 ? 37 : 57};
        model.Update(ClientOf(owner_), quarter, ClientOf(recorder_.pan));
        const RECT area = model.imageArea;
        Canvas expected(area.right, area.bottom);  // painted as an application would: through the paint palette
        HPALETTE palette = Z_CreatePaintPalette(expected.dc(), bitmap.get());
        HPALETTE old = palette != nullptr ? SelectPalette(expected.dc(), palette, FALSE) : nullptr;
        RealizePalette(expected.dc());
        ASSERT_EQ(Z_PaintDC(expected.dc(), bitmap.get(), nullptr, nullptr, &area, nullptr, SRCCOPY), STATUS_OK);
        if (palette != nullptr) DeleteObject((SelectPalette(expected.dc(), old, FALSE), palette));
        const std::vector<DWORD> shown = ScreenPixels(recorder_.pan, area);
        int outline = 0;
        for (int y = 0; y < area.bottom; ++y)
            for (int x = 0; x < area.right; ++x) {
                const bool onOutline = OnOutline(model.panRect, x, y);
                outline += onOutline;
                ASSERT_EQ(shown[static_cast<std::size_t>(y * area.right + x)], onOutline ? 0x00FF00u : expected.At(x, y))
                    << "pixel (" << x << ", " << y << ")";
            }
        EXPECT_GT(outline, 40) << "perspective " << perspective;
        EXPECT_EQ(Z_DestroyPanWindow(recorder_.pan), STATUS_OK);
    }
}

TEST_F(PanWindow, LifecycleClosingSharedClassesAndArgumentChecks) {
    ScopedBitmap bitmap;
    ASSERT_EQ(CreateBitmap(bitmap.get(), 64, 48, 8), STATUS_OK);
    ASSERT_EQ(Create(bitmap.get(), 128, 96, "PanShared"), STATUS_OK);
    const HWND pan = recorder_.pan;
    const auto library = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(pan, GWLP_HINSTANCE));
    EXPECT_EQ(recorder_.codes, (std::vector<UINT>{PAN_CREATED}));
    EXPECT_FALSE(IsWindowVisible(pan)) << "hidden until the first update";
    EXPECT_EQ(GetWindow(pan, GW_OWNER), owner_);
    ASSERT_EQ(Update(pan, bitmap.get(), ClientOf(owner_), RGB(255, 0, 0), "Overview"), STATUS_OK);
    EXPECT_TRUE(IsWindowVisible(pan));
    EXPECT_EQ(Title(pan), "Overview");
    UpdateWindow(pan);
    recorder_.codes.clear();
    SendMessageA(pan, WM_QUERYNEWPALETTE, 0, 0);
    SendMessageA(pan, WM_PALETTECHANGED, reinterpret_cast<WPARAM>(owner_), 0);  // invalidates the window
    UpdateWindow(pan);
    EXPECT_EQ(recorder_.codes, (std::vector<UINT>{PAN_PAINTED}));
    for (const int result : {0, 5}) {
        recorder_ = {pan, {}, result, {}};
        EXPECT_EQ(SendMessageA(pan, WM_CLOSE, 0, 0), result);
        EXPECT_TRUE(IsWindow(pan)) << "closing is the application's decision";
        EXPECT_EQ(recorder_.codes, (std::vector<UINT>{PAN_CLOSE}));
    }
    // A second window of the class; the class outlives the first.
    ASSERT_EQ(Create(bitmap.get(), 120, 120, "PanShared", false), STATUS_OK);
    HWND quiet = GetWindow(owner_, GW_HWNDFIRST);
    while (quiet != nullptr && (quiet == pan || GetWindow(quiet, GW_OWNER) != owner_))
        quiet = GetWindow(quiet, GW_HWNDNEXT);
    ASSERT_NE(quiet, nullptr);
    recorder_.codes.clear();
    ASSERT_EQ(Z_DestroyPanWindow(pan), STATUS_OK);
    EXPECT_FALSE(IsWindow(pan));
    EXPECT_EQ(recorder_.codes, (std::vector<UINT>{PAN_DESTROYED}));
    EXPECT_EQ(Z_DestroyPanWindow(pan), STATUS_BAD_PARAMETER);
    EXPECT_NE(SendMessageA(quiet, WM_CLOSE, 0, 0), 0) << "without a callback a close changes nothing";
    EXPECT_TRUE(IsWindow(quiet));
    EXPECT_EQ(Update(quiet, bitmap.get(), ClientOf(owner_)), STATUS_OK);

    // Refusals that change nothing: the caption stays.
    EXPECT_EQ(Update(quiet, bitmap.get(), RECT{10, 10, 10, 90}, 0, "changed"), STATUS_BAD_PARAMETER);
    EXPECT_EQ(Update(quiet, bitmap.get(), RECT{10, 20, 90, 20}, 0, "changed"), STATUS_BAD_PARAMETER);
    EXPECT_EQ(Z_UpdatePanWindow(quiet, bitmap.get(), 0, 0, nullptr, nullptr), STATUS_BAD_PARAMETER);
    EXPECT_EQ(Update(owner_, bitmap.get(), ClientOf(owner_)), STATUS_BAD_PARAMETER) << "not a pan window";
    ShowWindow(owner_, SW_MINIMIZE);
    EXPECT_EQ(Update(quiet, bitmap.get(), ClientOf(owner_), 0, "changed"), STATUS_BAD_PARAMETER);
    ShowWindow(owner_, SW_RESTORE);
    EXPECT_EQ(Title(quiet), "T");
    EXPECT_EQ(Update(quiet, nullptr, ClientOf(owner_)), STATUS_NO_BITMAP);
    EXPECT_FALSE(IsWindow(quiet));
    WNDCLASSA left{};
    EXPECT_FALSE(GetClassInfoA(library, "PanShared", &left)) << "the last window takes the class with it";

    // An owner takes its pan window with it.
    HWND owner = CreateWindowExA(0, "PanTestOwner", "", WS_POPUP, 0, 0, 64, 64, {}, {}, {}, {});
    ASSERT_EQ(Z_CreatePanWindow(owner, bitmap.get(), 0, 0, 0, 80, 80, const_cast<char *>("PanShared"), nullptr,
                                nullptr, 1, Record, &recorder_),
              STATUS_OK);
    recorder_.codes.clear();
    DestroyWindow(owner);
    EXPECT_EQ(recorder_.codes, (std::vector<UINT>{PAN_DESTROYED}));
    EXPECT_TRUE(UnregisterClassA("PanShared", library)) << "destroyed by its owner, the window leaves its class";

    ScopedBitmap empty;
    EXPECT_EQ(Z_CreatePanWindow(nullptr, bitmap.get(), 0, 0, 0, 9, 9, const_cast<char *>("P"), {}, {}, 0, {}, {}),
              STATUS_BAD_PARAMETER);
    EXPECT_EQ(Create(nullptr, 50, 50), STATUS_NO_BITMAP);
    EXPECT_EQ(Create(empty.get(), 50, 50), STATUS_NO_BITMAP);
    EXPECT_EQ(Create(bitmap.get(), 50, 50, ""), STATUS_BAD_PARAMETER);
    EXPECT_EQ(Create(bitmap.get(), 50, 50, nullptr), STATUS_BAD_PARAMETER);
    // The window system takes class names of up to 255 characters; the record
    // cuts longer ones to 259, which the registration then refuses.
    const std::string longest(255, 'p'), tooLong(300, 'q');
    recorder_.codes.clear();
    EXPECT_EQ(Create(bitmap.get(), 50, 50, tooLong.c_str()), STATUS_CREATE_WINDOW_FAILED);
    EXPECT_TRUE(recorder_.codes.empty());
    ASSERT_EQ(Create(bitmap.get(), 50, 50, longest.c_str()), STATUS_OK);
    char name[300] = {};
    EXPECT_EQ(GetClassNameA(recorder_.pan, name, sizeof name), 255);
    EXPECT_EQ(Z_DestroyPanWindow(recorder_.pan), STATUS_OK);
}

TEST_F(PanWindow, AllocationFailuresInCreateLeaveNothing) {
    ZELT_REQUIRE_HOST_CONTROLS("allocation failures");
    ScopedBitmap bitmap;
    ASSERT_EQ(CreateBitmap(bitmap.get(), 90, 30, 24), STATUS_OK);
    int status = 0;
    HINSTANCE library = nullptr;  // the module the class is registered for
    const long allocations = ForEachAllocationFailure(
        [&] {
            recorder_ = {};
            status = Create(bitmap.get(), 150, 90, "PanFailing");
            if (status != STATUS_OK) return;
            library = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(recorder_.pan, GWLP_HINSTANCE));
            Z_DestroyPanWindow(recorder_.pan);
        },
        [&](long failedAt) {
            WNDCLASSA left{};
            EXPECT_FALSE(GetClassInfoA(library, "PanFailing", &left)) << "class left at allocation " << failedAt;
            EXPECT_TRUE(status == STATUS_OK || status == STATUS_NO_MEMORY || status == STATUS_CREATE_WINDOW_FAILED)
                << status << " at allocation " << failedAt;
            EXPECT_EQ(recorder_.codes.empty(), status != STATUS_OK) << "PAN_CREATED only on success";
        });
    EXPECT_GE(allocations, 3);
}

}  // namespace
}  // namespace zelt::test
