// The clipboard: bitmap and region round trip, what is placed, damaged
// regions, pasted metafiles, allocation failures.
#include <cstring>
#include <future>
#include <random>
#include <thread>

#include <gtest/gtest.h>

#include "support/front_fixture.h"
#include "support/paint_canvas.h"

namespace zelt::test {
namespace {

// A window of the test's own (message-only where Wine has no display) owns the clipboard.
class Clipboard : public FrontTest {
protected:
    void SetUp() override {
        WNDCLASSA windowClass{0, DefWindowProcA, 0, 0, GetModuleHandleA(nullptr), {}, {}, {}, {}, "ZeltClipboard"};
        RegisterClassA(&windowClass);
#if defined(_WIN32)
        window_ = CreateWindowExA(0, "ZeltClipboard", "", 0, 0, 0, 8, 8, HWND_MESSAGE, {}, {}, {});
#else
        window_ = CreateWindowExA(0, "ZeltClipboard", "", 0, 0, 0, 8, 8, {}, {}, {}, {});
#endif
        ASSERT_NE(window_, nullptr);
        // Palette and device bitmap need the window's DC, which a
        // message-only window may not give.
        HDC dc = GetDC(window_);
        everything_ = dc != nullptr ? 0x1F : COPY_EMPTY | COPY_DIB | COPY_REGION;
        if (dc != nullptr) ReleaseDC(window_, dc);
        Empty();
        FrontTest::SetUp();
    }
    void TearDown() override {
        Empty();
        FrontTest::TearDown();
        DestroyWindow(window_);
    }
    void Empty() {
        ASSERT_TRUE(OpenClipboard(window_));
        EmptyClipboard();
        CloseClipboard();
    }
    HWND window_ = nullptr;
    UINT everything_ = 0;
};

TEST_F(Clipboard, ImagesAndRegionsComeBack) {
    std::mt19937 random(1);
    ScopedBitmap original, pasted, plain;
    MakeRandomBitmap(original.get(), random, 37, 23, 8, 2);
    const RECT ellipse{3, 2, 30, 21};
    ASSERT_EQ(Z_SetBitmapRgnEllipse(original.get(), nullptr, &ellipse, RGNMODE_SET), STATUS_OK);
    EXPECT_EQ(Z_CopyToClipboard(window_, original.get()), everything_ == 0x1F);
    ASSERT_EQ(Z_CopyToClipboardExt(window_, original.get(), everything_), STATUS_OK);
    EXPECT_NE(Z_ClipboardReady(), 0);
    ASSERT_EQ(Z_CopyFromClipboard(window_, pasted.get()), 1);
    // Same stored pixels and selection: a bottom-up original keeps its rows.
    ASSERT_TRUE(pasted->Width == 37 && pasted->Height == 23);
    for (int r = 0; r < 23; ++r)
        for (int c = 0; c < 37; ++c) {
            ASSERT_EQ(KrnGetPixelColor(pasted.get(), r, c), KrnGetPixelColor(original.get(), r, c)) << c << "," << r;
            ASSERT_EQ(Z_IsPtInBitmapRgn(pasted.get(), r, c), Z_IsPtInBitmapRgn(original.get(), r, c)) << c << "," << r;
        }
    // Only what is asked for is placed; a damaged region block is dropped.
    EXPECT_EQ(Z_FreeBitmapRgn(original.get()), STATUS_OK);
    EXPECT_EQ(Z_CopyToClipboardExt(window_, original.get(), COPY_EMPTY | COPY_DIB | COPY_REGION), STATUS_OK);
    const UINT region = RegisterClipboardFormatA("ZELTWORKS 8.0 Region");
    EXPECT_FALSE(IsClipboardFormatAvailable(region)) << "no region, no region data";
    HGLOBAL damaged = GlobalAlloc(GMEM_MOVEABLE, 12);
    std::memset(GlobalLock(damaged), 0x7F, 12);
    GlobalUnlock(damaged);
    ASSERT_TRUE(OpenClipboard(window_));
    EXPECT_NE(SetClipboardData(region, damaged), nullptr);
    CloseClipboard();
    EXPECT_EQ(Z_CopyToClipboardExt(window_, original.get(), 0), STATUS_OK) << "places nothing, empties nothing";
    ASSERT_EQ(Z_CopyFromClipboard(window_, plain.get()), 1);
    EXPECT_TRUE(plain->Width == 37 && Z_BitmapHasRgn(plain.get()) == 0);
    EXPECT_EQ(Z_CopyToClipboardExt(window_, nullptr, 0x1F), STATUS_NO_BITMAP);
    // An enhanced metafile with bounds (0, 0, 99, 49): a 100 x 50 24-bit image.
    ScopedBitmap picture, metafile;
    ASSERT_EQ(CreateBitmap(picture.get(), 100, 50, 24), STATUS_OK);
    KrnFillBitmap(picture.get(), RGB(10, 200, 30));
    ASSERT_TRUE(OpenClipboard(window_));
    EmptyClipboard();
    SetClipboardData(CF_ENHMETAFILE, Z_ConvertToEMF(picture.get()));
    CloseClipboard();
    EXPECT_NE(Z_ClipboardReady(), 0) << "an enhanced metafile offers a metafile picture";
    ASSERT_EQ(Z_CopyFromClipboard(window_, metafile.get()), 1);
    EXPECT_TRUE(metafile->Width == 100 && metafile->Height == 50 && metafile->BitsPerPixel == 24);
    EXPECT_EQ(KrnGetPixelColor(metafile.get(), 20, 40), RGB(10, 200, 30));
}

TEST_F(Clipboard, AnotherApplicationsDrawingPastes) {
    // Another application: a thread with a window of its own records a
    // drawing, places it and keeps its window until the paste is done.
    std::promise<void> placed, pasted;
    std::thread other([&] {
#if defined(_WIN32)
        HWND owner = CreateWindowExA(0, "ZeltClipboard", "", 0, 0, 0, 8, 8, HWND_MESSAGE, {}, {}, {});
#else
        HWND owner = CreateWindowExA(0, "ZeltClipboard", "", 0, 0, 0, 8, 8, {}, {}, {}, {});
#endif
        HDC recorder = CreateEnhMetaFileA(nullptr, nullptr, nullptr, "Other\0Drawing\0");
        HGDIOBJ brush = SelectObject(recorder, GetStockObject(BLACK_BRUSH));
        Rectangle(recorder, 10, 5, 60, 25);  // bounds (10, 5, 59, 24)
        SelectObject(recorder, brush);
        HENHMETAFILE drawing = CloseEnhMetaFile(recorder);
        if (OpenClipboard(owner)) {
            EmptyClipboard();
            SetClipboardData(CF_ENHMETAFILE, drawing);
            CloseClipboard();
        }
        placed.set_value();
        pasted.get_future().wait();
        DestroyWindow(owner);
    });
    placed.get_future().wait();
    ScopedBitmap bitmap;
    const int result = Z_CopyFromClipboard(window_, bitmap.get());
    // The system offers the drawing as a metafile picture too.
    METAFILEPICT picture{};
    if (OpenClipboard(window_)) {
        if (HGLOBAL block = GetClipboardData(CF_METAFILEPICT)) {
            picture = *static_cast<const METAFILEPICT *>(GlobalLock(block));
            GlobalUnlock(block);
        }
        CloseClipboard();
    }
    pasted.set_value();
    other.join();
    ASSERT_EQ(result, 1);
    EXPECT_TRUE(bitmap->Width == 50 && bitmap->Height == 20 && bitmap->BitsPerPixel == 24)
        << bitmap->Width << " x " << bitmap->Height;
    EXPECT_EQ(KrnGetPixelColor(bitmap.get(), 10, 25), RGB(0, 0, 0)) << "the drawing fills its bounds";
    EXPECT_TRUE((picture.mm == MM_ISOTROPIC || picture.mm == MM_ANISOTROPIC) && picture.hMF != nullptr) << picture.mm;
}

TEST_F(Clipboard, FailuresLeaveNothingBehind) {
    std::mt19937 random(3);
    ScopedBitmap original, pasted;
    MakeRandomBitmap(original.get(), random, 7, 5, 4, 0);
    const RECT box{1, 1, 5, 4};
    ASSERT_EQ(Z_SetBitmapRgnRect(original.get(), nullptr, &box, RGNMODE_SET), STATUS_OK);
    ForEachAllocationFailure(
        [&] {
            Empty();
            if (Z_CopyToClipboardExt(window_, original.get(), everything_) == STATUS_OK &&
                Z_CopyFromClipboard(window_, pasted.get()))
                KrnFreeBitmap(pasted.get());
            Empty();
        },
        [&](long) { EXPECT_TRUE(!(pasted->Flags & BITMAP_ALLOCATED) && Z_BitmapHasRgn(original.get())); });
}

}  // namespace
}  // namespace zelt::test
