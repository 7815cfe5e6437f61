// Device-dependent bitmaps and screen capture: a record taken to an HBITMAP
// and back paints as the original did; a capture holds the device's pixels;
// failures leave every input as it was.
#include <array>
#include <random>

#include <gtest/gtest.h>

#include "support/front_fixture.h"
#include "support/paint_canvas.h"

namespace zelt::test {
namespace {

class DeviceBitmaps : public FrontTest {};

// The record painted 1:1 at its displayed size onto a fresh canvas, in the
// mode the conversion paints in (colours, not palette indices).
std::vector<DWORD> Painted(BitmapRecord *bitmap, int width, int height) {
    const ModeScope mode((Z_GetDisplayMode() & ~DISP_INDEXED_PAINT) | DISP_DEVICE_REDUCE);
    Canvas canvas(width, height);
    const RECT whole{0, 0, width, height};
    EXPECT_EQ(Z_PaintDC(canvas.dc(), bitmap, nullptr, nullptr, &whole, nullptr, SRCCOPY), STATUS_OK);
    return {canvas.Data(), canvas.Data() + width * height};
}

BITMAP Described(HBITMAP handle) {
    BITMAP described{};
    EXPECT_NE(GetObjectA(handle, sizeof(described), &described), 0);
    return described;
}

TEST_F(DeviceBitmaps, RoundTripsPaintAsTheOriginal) {
    if (ScreenBitsPerPixel() < 24) GTEST_SKIP() << "a round trip keeps every colour on a true-colour screen only";
    for (unsigned c = 0; c < 60; ++c) {
        std::mt19937 random(c);
        const int bits = std::array{1, 4, 8, 16, 24, 32}[c % 6], perspective = int(c % 9);
        const int width = 1 + int(random() % 40), height = 1 + int(random() % 30);
        SCOPED_TRACE(::testing::Message() << "case " << c << ": " << bits << " bits, perspective " << perspective);
        ScopedBitmap original, back;
        MakeRandomBitmap(original.get(), random, width, height, bits, perspective);
        const bool turned = perspective == 4 || perspective == 5 || perspective == 7 || perspective == 8;
        const int shownWidth = turned ? height : width, shownHeight = turned ? width : height;
        const UINT mode = Z_GetDisplayMode();
        HBITMAP ddb = Z_ConvertToDDB(nullptr, original.get());
        ASSERT_NE(ddb, nullptr);
        EXPECT_EQ(Z_GetDisplayMode(), mode);
        const BITMAP described = Described(ddb);
        EXPECT_EQ(described.bmWidth, shownWidth);
        EXPECT_EQ(described.bmHeight, shownHeight);
        HDC screen = GetDC(nullptr);
        ASSERT_EQ(Z_ConvertFromDDB(screen, back.get(), ddb, nullptr), STATUS_OK);
        ReleaseDC(nullptr, screen);
        EXPECT_EQ(Described(ddb).bmWidth, shownWidth) << "the handle stays the caller's";
        DeleteObject(ddb);
        ASSERT_TRUE(back->Width == shownWidth && back->Height == shownHeight);
        EXPECT_EQ(Painted(back.get(), shownWidth, shownHeight), Painted(original.get(), shownWidth, shownHeight));
    }
}

// A 1-bit gray record gives a monochrome bitmap, a coloured one a
// screen-compatible bitmap; Change frees the record on success only.
TEST_F(DeviceBitmaps, MonochromeOnlyForGrayAndChangeConsumes) {
    for (const bool gray : {true, false}) {
        ScopedBitmap bitmap;
        std::mt19937 random(gray);
        MakeRandomBitmap(bitmap.get(), random, 17, 5, 1, 0,
                         gray ? GrayRamp(2) : std::vector<RGBQUAD>{{0, 0, 255, 0}, {0, 255, 0, 0}});
        HBITMAP ddb = Z_ChangeToDDB(nullptr, bitmap.get());
        ASSERT_NE(ddb, nullptr);
        EXPECT_EQ(Described(ddb).bmBitsPixel, gray ? 1 : ScreenBitsPerPixel());
        EXPECT_FALSE(bitmap->Flags & BITMAP_ALLOCATED) << "Change frees the record";
        EXPECT_EQ(Z_ChangeToDDB(nullptr, bitmap.get()), nullptr);
        DeleteObject(ddb);
    }
}

// A capture holds the device's pixels under the rectangle; one given
// bottom-up takes |bottom - top| rows from its top.
TEST_F(DeviceBitmaps, CaptureHoldsTheDevicePixels) {
    Canvas device(50, 40);
    std::mt19937 random(9);
    for (int i = 0; i < 50 * 40; ++i) device.Data()[i] = random() & 0xFFFFFF;
    for (const RECT rect : {RECT{0, 0, 50, 40}, RECT{7, 3, 30, 29}, RECT{40, 20, 50, 39}, RECT{5, 20, 25, 2}}) {
        ScopedBitmap captured;
        ASSERT_EQ(Z_ScreenCaptureBitmap(device.dc(), captured.get(), &rect), STATUS_OK);
        const int w = rect.right - rect.left, h = std::abs(rect.bottom - rect.top);
        const std::vector<DWORD> shown = Painted(captured.get(), w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                ASSERT_EQ(shown[std::size_t(y * w + x)] & 0xFFFFFF, device.At(rect.left + x, rect.top + y))
                    << x << "," << y << " of (" << rect.left << "," << rect.top << "," << rect.right << ","
                    << rect.bottom << ")";
    }
}

TEST_F(DeviceBitmaps, BadArgumentsAndFailuresLeaveInputsAlone) {
    ScopedBitmap empty, out;
    EXPECT_EQ(Z_ConvertToDDB(nullptr, nullptr), nullptr);
    EXPECT_EQ(Z_ConvertToDDB(nullptr, empty.get()), nullptr);
    EXPECT_EQ(Z_ConvertFromDDB(nullptr, out.get(), nullptr, nullptr), STATUS_BAD_PARAMETER);
    HPALETTE palette = KrnCreateDevicePalette(8);
    EXPECT_EQ(Z_ChangeFromDDB(nullptr, out.get(), reinterpret_cast<HBITMAP>(palette), palette), STATUS_BAD_PARAMETER);
    PALETTEENTRY entry;
    EXPECT_EQ(GetPaletteEntries(palette, 0, 1, &entry), 1u) << "a failed Change keeps the handles";
    DeleteObject(palette);
    Canvas device(8, 8);
    for (const RECT rect : {RECT{0, 0, 0, 5}, RECT{3, 3, 2, 5}, RECT{0, 4, 8, 4}}) {
        EXPECT_EQ(Z_ScreenCaptureBitmap(device.dc(), out.get(), &rect), STATUS_BAD_PARAMETER);
    }
    EXPECT_EQ(Z_ScreenCaptureBitmap(device.dc(), out.get(), nullptr), STATUS_BAD_PARAMETER);
    EXPECT_FALSE(out->Flags & BITMAP_ALLOCATED);
    // Each allocation failing in turn: nothing leaks, the caller's record is untouched.
    std::mt19937 random(4);
    ScopedBitmap source;
    MakeRandomBitmap(source.get(), random, 9, 6, 8, 2);
    const RECT rect{1, 1, 7, 6};
    ForEachAllocationFailure(
        [&] {
            if (HBITMAP ddb = Z_ConvertToDDB(nullptr, source.get())) DeleteObject(ddb);
            if (Z_ScreenCaptureBitmap(device.dc(), out.get(), &rect) == STATUS_OK) KrnFreeBitmap(out.get());
        },
        [&](long) { EXPECT_TRUE((source->Flags & BITMAP_ALLOCATED) && !(out->Flags & BITMAP_ALLOCATED)); });
}

}  // namespace
}  // namespace zelt::test
