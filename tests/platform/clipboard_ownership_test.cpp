// What the clipboard owns and who it tells: every object placed or made is
// released when the clipboard is emptied (also when any allocation fails on
// the way), an owner on another thread renders on request and hears that its
// data went, and an owner that goes away renders what it still owes.
#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "support/host_controls.h"
#include "support/leak_guard.h"
#include "zelt/win32.h"

namespace zelt::test {
namespace {

// The 4 x 2 picture: top row red, green, blue, white; bottom row black,
// yellow, cyan, magenta; bottom-up 24-bit rows.
constexpr BYTE kPicture24[24] = {0, 0, 0,    0, 0xff, 0xff, 0xff, 0xff, 0, 0xff, 0,    0xff,
                                 0, 0, 0xff, 0, 0xff, 0,    0xff, 0,    0, 0xff, 0xff, 0xff};
// The same size in 8 bits: red, green, blue, gray; top row 0 1 2 3, bottom 3 2 1 0.
constexpr BYTE kPicture8[8] = {3, 2, 1, 0, 0, 1, 2, 3};
constexpr RGBQUAD kColours4[4] = {{0, 0, 0xff, 0}, {0, 0xff, 0, 0}, {0xff, 0, 0, 0}, {0x80, 0x80, 0x80, 0}};

BITMAPINFOHEADER PictureHeader(WORD bits, DWORD colours) {
    return BITMAPINFOHEADER{40, 4, 2, 1, bits, BI_RGB, static_cast<DWORD>(((4 * bits + 31) / 32) * 4 * 2), 0, 0, colours, 0};
}

// The picture as a packed DIB in a GMEM_MOVEABLE | GMEM_DDESHARE block.
HGLOBAL PictureDib(WORD bits) {
    const BITMAPINFOHEADER header = PictureHeader(bits, bits == 8 ? 4 : 0);
    const std::size_t table = bits == 8 ? sizeof kColours4 : 0;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, sizeof header + table + header.biSizeImage);
    auto *p = static_cast<BYTE *>(GlobalLock(block));
    std::memcpy(p, &header, sizeof header);
    std::memcpy(p + sizeof header, kColours4, table);
    std::memcpy(p + sizeof header + table, bits == 8 ? kPicture8 : kPicture24, header.biSizeImage);
    GlobalUnlock(block);
    return block;
}

// The picture as a screen-compatible bitmap.
HBITMAP PictureBitmap() {
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 4, 2);
    const BITMAPINFOHEADER header = PictureHeader(24, 0);
    SetDIBits(screen, bitmap, 0, 2, kPicture24, reinterpret_cast<const BITMAPINFO *>(&header), DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    return bitmap;
}

// What the owner windows received.
std::vector<std::string> &OwnerLog() {
    static std::vector<std::string> log;
    return log;
}

LRESULT CALLBACK LoggingOwnerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROYCLIPBOARD) OwnerLog().push_back("WM_DESTROYCLIPBOARD");
    if (message == WM_RENDERFORMAT) OwnerLog().push_back("WM_RENDERFORMAT(" + std::to_string(wParam) + ")");
    if (message == WM_RENDERALLFORMATS) OwnerLog().push_back("WM_RENDERALLFORMATS");
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

class ClipboardOwnership : public LeakCheckedTest {
protected:
    void SetUp() override {
        LeakCheckedTest::SetUp();
        WNDCLASSA wc{};
        wc.lpfnWndProc = LoggingOwnerProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "ClipTestOwner";
        ASSERT_NE(RegisterClassA(&wc), 0);
        a_ = CreateWindowExA(0, "ClipTestOwner", "owner", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                             wc.hInstance, nullptr);
        b_ = CreateWindowExA(0, "ClipTestOwner", "other", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                             wc.hInstance, nullptr);
        ASSERT_TRUE(a_ != nullptr && b_ != nullptr);
        ASSERT_TRUE(OpenClipboard(a_) && EmptyClipboard() && CloseClipboard());
        OwnerLog().clear();
    }
    void TearDown() override {
        // What the clipboard holds counts as live: let it go before counting.
        OpenClipboard(nullptr);
        EmptyClipboard();
        CloseClipboard();
        DestroyWindow(b_);
        DestroyWindow(a_);
        EXPECT_TRUE(UnregisterClassA("ClipTestOwner", GetModuleHandleA(nullptr)));
        LeakCheckedTest::TearDown();
    }
    HWND a_ = nullptr;
    HWND b_ = nullptr;
};

TEST_F(ClipboardOwnership, EmptyingReleasesPlacedAndMadeData) {
    ZELT_REQUIRE_HOST_CONTROLS("live object counts");
    const UINT registered = RegisterClipboardFormatA("Clip Test Blocks");
    const LiveCounts before = LiveCounts::Now();
    ASSERT_TRUE(OpenClipboard(a_) && EmptyClipboard());
    SetClipboardData(CF_BITMAP, PictureBitmap());
    SetClipboardData(registered, PictureDib(8));
    SetClipboardData(CF_DIB, PictureDib(8));
    SetClipboardData(CF_DIB, PictureDib(24));  // frees the 8-bit one at once
    ASSERT_TRUE(CloseClipboard());
    ASSERT_TRUE(OpenClipboard(a_));
    for (UINT made : {CF_DIBV5, CF_DIB, CF_BITMAP}) EXPECT_NE(GetClipboardData(made), nullptr) << made;
    EXPECT_NE(LiveCounts::Now(), before);
    ASSERT_TRUE(EmptyClipboard());
    EXPECT_EQ(LiveCounts::Now(), before);
    ASSERT_TRUE(CloseClipboard());
}

TEST_F(ClipboardOwnership, NothingLeaksWhenAnAllocationFails) {
    ZELT_REQUIRE_HOST_CONTROLS("allocation failure injection");
    const long allocations = ForEachAllocationFailure(
        [&] {
            if (!OpenClipboard(a_)) return;
            EmptyClipboard();
            HBITMAP bitmap = PictureBitmap();
            if (bitmap != nullptr && SetClipboardData(CF_BITMAP, bitmap) == nullptr) DeleteObject(bitmap);
            CloseClipboard();
            if (OpenClipboard(b_)) {
                GetClipboardData(CF_DIBV5);
                EmptyClipboard();
                CloseClipboard();
            }
        },
        [&](long failedAt) {
            EXPECT_EQ(GetOpenClipboardWindow(), nullptr) << failedAt;
            EXPECT_EQ(CountClipboardFormats(), 0) << failedAt;
        });
    EXPECT_GT(allocations, 4);
}

// The owner on its own thread: it places CF_DIB for delayed rendering,
// renders it when asked (unable to open the clipboard meanwhile) and is told
// when the reader empties the clipboard.
LRESULT CALLBACK RenderingOwnerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_RENDERFORMAT) {
        OwnerLog().push_back("OpenClipboard " + std::to_string(OpenClipboard(hwnd)));
        SetClipboardData(static_cast<UINT>(wParam), PictureDib(24));
    }
    if (message == WM_DESTROY) PostQuitMessage(0);
    return LoggingOwnerProc(hwnd, message, wParam, lParam);
}

TEST_F(ClipboardOwnership, OwnerOnAnotherThreadRendersAndHearsOfEmptying) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = RenderingOwnerProc;
    wc.lpszClassName = "ClipTestRenderer";
    ASSERT_NE(RegisterClassA(&wc), 0);
    ASSERT_TRUE(OpenClipboard(nullptr) && EmptyClipboard() && CloseClipboard());  // no owner here
    OwnerLog().clear();
    std::atomic<HWND> owner{nullptr};
    std::thread worker([&] {
        HWND hwnd = CreateWindowExA(0, "ClipTestRenderer", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        if (OpenClipboard(hwnd) && EmptyClipboard() && SetClipboardData(CF_DIB, nullptr) == nullptr) CloseClipboard();
        owner = hwnd;
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    });
    while (owner == nullptr) std::this_thread::yield();
    EXPECT_EQ(GetClipboardOwner(), owner.load());
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_BITMAP) && IsClipboardFormatAvailable(CF_DIBV5));
    ASSERT_TRUE(OpenClipboard(a_));
    HGLOBAL dib = GetClipboardData(CF_DIB);
    ASSERT_NE(dib, nullptr);
    HGLOBAL expected = PictureDib(24);
    ASSERT_EQ(GlobalSize(dib), GlobalSize(expected));
    EXPECT_EQ(std::memcmp(GlobalLock(dib), GlobalLock(expected), GlobalSize(dib)), 0);
    GlobalUnlock(dib);
    GlobalUnlock(expected);
    GlobalFree(expected);
    // Made from the rendered DIB: the top left pixel is red.
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, GetClipboardData(CF_BITMAP));
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 0, 0));
    SelectObject(dc, old);
    DeleteDC(dc);
    EXPECT_TRUE(EmptyClipboard());
    EXPECT_EQ(GetClipboardOwner(), a_);
    EXPECT_TRUE(CloseClipboard());
    // The owner hears of the emptying before the message posted after it.
    PostMessageA(owner, WM_CLOSE, 0, 0);
    worker.join();
    EXPECT_EQ(OwnerLog(), (std::vector<std::string>{"OpenClipboard 0", "WM_RENDERFORMAT(8)", "WM_DESTROYCLIPBOARD"}));
    EXPECT_TRUE(UnregisterClassA("ClipTestRenderer", nullptr));
}

TEST_F(ClipboardOwnership, DestroyedOwnerRendersWhatItOwesOrDropsIt) {
    ASSERT_TRUE(OpenClipboard(a_) && EmptyClipboard());
    EXPECT_EQ(SetClipboardData(CF_DIB, nullptr), nullptr) << "delayed";
    ASSERT_TRUE(CloseClipboard());
    OwnerLog().clear();
    ASSERT_TRUE(DestroyWindow(a_));
    a_ = nullptr;
    EXPECT_EQ(OwnerLog(), std::vector<std::string>{"WM_RENDERALLFORMATS"});
    EXPECT_EQ(GetClipboardOwner(), nullptr);
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_DIB));
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_BITMAP)) << "nothing to make it from";
}

}  // namespace
}  // namespace zelt::test
