// Paint entry and dispatch: argument checks, the rectangle rules, empty
// clips, and the path choice seen through what reaches the device.
#include <set>
#include <vector>

#include <gtest/gtest.h>

#include "front_test_support.h"
#include "paint/paint_front.h"
#include "paint_test_canvas.h"

namespace {

using namespace zelt::test;

bool Same(const RECT &a, const RECT &b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST(ClipRectRule, IntersectsSignedAndMayWriteInPlace) {
    const struct {
        RECT a, b, out;
        bool nonEmpty;
    } cases[] = {
        {{0, 0, 10, 10}, {5, -5, 20, 5}, {5, 0, 10, 5}, true},
        {{-8, -8, -2, -2}, {-5, -20, 0, -4}, {-5, -8, -2, -4}, true},
        {{0, 0, 10, 10}, {10, 0, 20, 10}, {10, 0, 10, 10}, false},  // touching edges
        {{0, 0, 10, 10}, {0, 10, 10, 20}, {0, 10, 10, 10}, false},
        {{0, 10, 10, 0}, {0, 0, 10, 10}, {0, 10, 10, 0}, false},     // upside-down input is empty
    };
    for (const auto &c : cases) {
        RECT out;
        EXPECT_EQ(ClipRect(&out, &c.a, &c.b), c.nonEmpty);
        EXPECT_TRUE(Same(out, c.out));
        RECT inPlace = c.a;
        EXPECT_EQ(ClipRect(&inPlace, &inPlace, &c.b), c.nonEmpty);
        EXPECT_TRUE(Same(inPlace, c.out));
    }
}

TEST(PaintRectRules, OneToOneAndShrinkFollowThePerspective) {
    const struct {
        RECT destination, source;
        int perspective;
        bool oneToOne, shrink;
    } cases[] = {
        {{0, 0, 100, 50}, {0, 0, 100, 50}, 0, true, false},
        {{0, 50, 100, 0}, {0, 0, 100, 50}, 0, true, false},    // upside down, same size
        {{0, 0, 50, 100}, {0, 0, 100, 50}, 5, true, false},    // axes exchanged
        {{0, 0, 50, 100}, {0, 0, 100, 50}, 0, false, false},
        {{0, 0, 100, 50}, {0, 0, 100, 50}, 4, false, false},
        {{0, 0, 99, 49}, {0, 0, 100, 50}, 0, false, true},
        {{0, 49, 99, 0}, {0, 0, 100, 50}, 2, false, true},
        {{0, 0, 100, 49}, {0, 0, 100, 50}, 0, false, false},   // one axis only
        {{0, 0, 49, 99}, {0, 0, 100, 50}, 8, false, true},
        {{0, 0, 49, 99}, {0, 0, 100, 50}, 6, false, false},    // 6 keeps the axes
        {{0, 0, 100, 50}, {0, 50, 100, 0}, 0, true, false},    // |sh| for an upside-down source
    };
    for (const auto &c : cases) {
        const bool exchanged = PerspectiveExchangesAxes(c.perspective);
        EXPECT_EQ(exchanged, c.perspective == 4 || c.perspective == 5 || c.perspective == 7 || c.perspective == 8);
        EXPECT_EQ(IsOneToOne(c.destination, c.source, exchanged), c.oneToOne) << "perspective " << c.perspective;
        EXPECT_EQ(IsShrink(c.destination, c.source, exchanged), c.shrink) << "perspective " << c.perspective;
    }
}

TEST(PaintRectRules, NullRectanglesDefaultToSourceImageAndDestination) {
    BitmapRecord bitmap{};
    bitmap.Width = 30;
    bitmap.Height = 20;
    const RECT destination{5, 5, 15, 25}, source{-4, 2, 10, 40}, sourceClip{0, 0, 8, 100}, clip{10, 0, 100, 100};
    PaintRects rects{};
    ASSERT_TRUE(FormPaintRects(&bitmap, nullptr, nullptr, &destination, nullptr, nullptr, &rects));
    EXPECT_TRUE(Same(rects.source, RECT{0, 0, 30, 20}));
    EXPECT_TRUE(Same(rects.sourceClip, RECT{0, 0, 30, 20}));
    EXPECT_TRUE(Same(rects.destinationClip, destination));
    ASSERT_TRUE(FormPaintRects(&bitmap, &source, &sourceClip, &destination, &clip, nullptr, &rects));
    EXPECT_TRUE(Same(rects.source, source));
    EXPECT_TRUE(Same(rects.sourceClip, RECT{0, 2, 8, 20}));  // cut to the image last
    EXPECT_TRUE(Same(rects.destinationClip, RECT{10, 5, 15, 25}));
    const RECT band{0, 5, 30, 7};
    ASSERT_TRUE(FormPaintRects(&bitmap, &source, nullptr, &destination, nullptr, &band, &rects));
    EXPECT_TRUE(Same(rects.sourceClip, RECT{0, 5, 10, 7}));
    const RECT outside{40, 0, 50, 10}, far{100, 100, 110, 110};
    EXPECT_FALSE(FormPaintRects(&bitmap, nullptr, &outside, &destination, nullptr, nullptr, &rects));
    EXPECT_FALSE(FormPaintRects(&bitmap, nullptr, nullptr, &destination, &far, nullptr, &rects));
    EXPECT_FALSE(FormPaintRects(&bitmap, &outside, nullptr, &destination, nullptr, nullptr, &rects));
}

// RGB colour tables throughout: palette indices would need a realised palette.
class DispatchTest : public LeakCheckedTest {
protected:
    ModeScope mode_{DISP_DEVICE_REDUCE};
};

TEST_F(DispatchTest, ArgumentsAreCheckedInOrder) {
    ScopedBitmap bitmap;
    ASSERT_EQ(CreateBitmap(bitmap.get(), 4, 4, 24), STATUS_OK);
    BitmapRecord unallocated{};
    ASSERT_EQ(KrnInitBitmapRecord(&unallocated, 4, 4, 24), STATUS_OK);
    const RECT destination{0, 0, 4, 4};
    Canvas canvas(4, 4);
    EXPECT_EQ(Z_PaintDC(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, SRCCOPY), STATUS_NO_BITMAP);
    EXPECT_EQ(Z_PaintDC(canvas.dc(), &unallocated, nullptr, nullptr, &destination, nullptr, SRCCOPY), STATUS_NO_BITMAP);
    EXPECT_EQ(Z_PaintDC(canvas.dc(), bitmap.get(), nullptr, nullptr, nullptr, nullptr, SRCCOPY), STATUS_BAD_PARAMETER);
    EXPECT_EQ(Z_PaintDC(nullptr, bitmap.get(), nullptr, nullptr, &destination, nullptr, SRCCOPY), STATUS_BAD_PARAMETER);
    EXPECT_EQ(Z_PaintDC(canvas.dc(), bitmap.get(), nullptr, nullptr, &destination, nullptr, SRCCOPY), STATUS_OK);
    EXPECT_EQ(bitmap->AccessCount, 0) << "the access bracket is closed again";
}

TEST_F(DispatchTest, EmptyClipsSucceedWithoutDrawing) {
    ScopedBitmap bitmap;
    ASSERT_EQ(CreateBitmap(bitmap.get(), 6, 6, 24), STATUS_OK);
    Canvas canvas(8, 8);
    const RECT destination{0, 0, 6, 6}, offImage{6, 0, 12, 6}, disjoint{7, 7, 8, 8}, sourcePart{0, 0, 3, 3},
        elsewhere{3, 3, 6, 6};
    struct Case {
        const RECT *source, *sourceClip, *destinationClip;
    };
    const Case cases[] = {
        {nullptr, &offImage, nullptr},      // source clip wholly outside the image
        {&offImage, nullptr, nullptr},      // source wholly outside the image
        {&sourcePart, &elsewhere, nullptr}, // source clip disjoint from the source
        {nullptr, nullptr, &disjoint},      // destination clip disjoint from the destination
    };
    for (const Case &c : cases) {
        EXPECT_EQ(Z_PaintDC(canvas.dc(), bitmap.get(), c.source, c.sourceClip, &destination, c.destinationClip, SRCCOPY),
                  STATUS_OK);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) ASSERT_EQ(canvas.At(x, y), kBackground) << x << "," << y;
    }
}

TEST_F(DispatchTest, NullClipsActLikeClipsEqualToTheRectangles) {
    ScopedBitmap bitmap;
    std::mt19937 random(7);
    MakeRandomBitmap(bitmap.get(), random, 5, 4, 24, 0);
    const RECT source{1, 0, 4, 4}, destination{2, 1, 8, 9};
    Canvas withNull(10, 10), withClips(10, 10);
    ASSERT_EQ(Z_PaintDC(withNull.dc(), bitmap.get(), &source, nullptr, &destination, nullptr, SRCCOPY), STATUS_OK);
    ASSERT_EQ(Z_PaintDC(withClips.dc(), bitmap.get(), &source, &source, &destination, &destination, SRCCOPY), STATUS_OK);
    int drawn = 0;
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) {
            EXPECT_EQ(withNull.At(x, y), withClips.At(x, y)) << x << "," << y;
            drawn += withNull.At(x, y) != kBackground;
        }
    EXPECT_GT(drawn, 0);
}

// A 1-bit checkerboard, white at (0, 0) (black and white palette, gray kind 1, or white and
// black, kind 2, with the bits inverted so the picture is the same).
void MakeChecker(BitmapRecord *bitmap, int width, int height, bool invertedPalette) {
    const auto palette = GrayRamp(2, invertedPalette);
    ASSERT_EQ(CreateBitmap(bitmap, width, height, 1, palette), STATUS_OK);
    std::vector<BYTE> row(static_cast<std::size_t>(bitmap->BytesPerLine));
    for (int r = 0; r < height; ++r) {
        const BYTE pattern = (r & 1) ? 0x55 : 0xAA;
        for (BYTE &b : row) b = invertedPalette ? BYTE(~pattern) : pattern;
        ASSERT_GE(KrnPutBitmapRow(bitmap, row.data(), r, static_cast<DWORD>(row.size())), 0);
    }
}

std::set<DWORD> Colours(const Canvas &canvas, int width, int height) {
    std::set<DWORD> colours;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) colours.insert(canvas.At(x, y));
    return colours;
}

// Gray painting of a 1-bit gray image: a 2 x 2 reduction averages each cell
// to 128 (255 - floor(255 * 2 / 4)); without the gray bit the general path
// picks pixels and stays black and white. The inverted kind paints the same.
TEST_F(DispatchTest, ShrinkingGrayImagesAverages) {
    for (bool inverted : {false, true}) {
        ScopedBitmap bitmap;
        MakeChecker(bitmap.get(), 8, 8, inverted);
        const RECT destination{0, 0, 4, 4};
        {
            ModeScope gray(DISP_DEVICE_REDUCE | DISP_BITONAL_GRAY);
            Canvas canvas(4, 4);
            ASSERT_EQ(Z_PaintDC(canvas.dc(), bitmap.get(), nullptr, nullptr, &destination, nullptr, SRCCOPY), STATUS_OK);
            EXPECT_EQ(Colours(canvas, 4, 4), std::set<DWORD>{0x808080u}) << "inverted " << inverted;
        }
        Canvas canvas(4, 4);
        ASSERT_EQ(Z_PaintDC(canvas.dc(), bitmap.get(), nullptr, nullptr, &destination, nullptr, SRCCOPY), STATUS_OK);
        for (DWORD c : Colours(canvas, 4, 4)) EXPECT_TRUE(c == 0 || c == 0xFFFFFF) << std::hex << c;
    }
}

// An all-black image of the inverted kind stays black: the dispatcher tells
// the gray path that bit value 1 is black.
TEST_F(DispatchTest, InvertedGrayKindPassesTheInvertFlag) {
    ScopedBitmap bitmap;
    ASSERT_EQ(CreateBitmap(bitmap.get(), 8, 8, 1, GrayRamp(2, true)), STATUS_OK);
    std::vector<BYTE> ones(static_cast<std::size_t>(bitmap->BytesPerLine), 0xFF);
    for (int r = 0; r < 8; ++r) ASSERT_GE(KrnPutBitmapRow(bitmap.get(), ones.data(), r, DWORD(ones.size())), 0);
    ModeScope gray(DISP_DEVICE_REDUCE | DISP_BITONAL_GRAY);
    for (const RECT destination : {RECT{0, 0, 4, 4}, RECT{0, 0, 8, 8}, RECT{0, 0, 12, 12}}) {
        Canvas canvas(12, 12);
        ASSERT_EQ(Z_PaintDC(canvas.dc(), bitmap.get(), nullptr, nullptr, &destination, nullptr, SRCCOPY), STATUS_OK);
        EXPECT_EQ(Colours(canvas, destination.right, destination.bottom), std::set<DWORD>{0}) << destination.right;
    }
}

// Enlarging a gray image interpolates between black and white.
TEST_F(DispatchTest, EnlargingGrayImagesInterpolates) {
    ScopedBitmap bitmap;
    MakeChecker(bitmap.get(), 8, 8, false);
    const RECT destination{0, 0, 20, 20};
    ModeScope gray(DISP_DEVICE_REDUCE | DISP_BITONAL_GRAY);
    Canvas canvas(20, 20);
    ASSERT_EQ(Z_PaintDC(canvas.dc(), bitmap.get(), nullptr, nullptr, &destination, nullptr, SRCCOPY), STATUS_OK);
    const auto colours = Colours(canvas, 20, 20);
    EXPECT_GT(colours.size(), 2u) << "interpolated grays between black and white";
    for (DWORD c : colours) EXPECT_TRUE((c & 0xFF) == ((c >> 8) & 0xFF) && (c & 0xFF) == (c >> 16)) << std::hex << c;
}

// The bitonal path keeps 1-bit output when scaled; at the image's own size
// the unscaled path shows the image as it is.
TEST_F(DispatchTest, BitonalModesStayBlackAndWhite) {
    ScopedBitmap bitmap;
    MakeChecker(bitmap.get(), 8, 8, false);
    ModeScope bitonal(DISP_DEVICE_REDUCE | DISP_BITONAL_RESAMPLE);
    for (const RECT destination : {RECT{0, 0, 5, 6}, RECT{0, 0, 13, 11}, RECT{0, 0, 8, 8}}) {
        Canvas canvas(13, 11);
        ASSERT_EQ(Z_PaintDC(canvas.dc(), bitmap.get(), nullptr, nullptr, &destination, nullptr, SRCCOPY), STATUS_OK);
        for (DWORD c : Colours(canvas, destination.right, destination.bottom))
            EXPECT_TRUE(c == 0 || c == 0xFFFFFF) << std::hex << c << " at width " << destination.right;
        if (destination.right == 8) {
            for (int y = 0; y < 8; ++y)
                for (int x = 0; x < 8; ++x) EXPECT_EQ(canvas.At(x, y), ((x + y) & 1) ? 0u : 0xFFFFFFu) << x << "," << y;
        }
    }
}

// One-to-one gray painting shows the pixels as 0 and 255 only.
TEST_F(DispatchTest, OneToOneGrayPaintingShowsThePixels) {
    ScopedBitmap bitmap;
    MakeChecker(bitmap.get(), 8, 8, false);
    ModeScope gray(DISP_DEVICE_REDUCE | DISP_BITONAL_GRAY);
    const RECT destination{0, 0, 8, 8};
    Canvas canvas(8, 8);
    ASSERT_EQ(Z_PaintDC(canvas.dc(), bitmap.get(), nullptr, nullptr, &destination, nullptr, SRCCOPY), STATUS_OK);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) EXPECT_EQ(canvas.At(x, y), ((x + y) & 1) ? 0u : 0xFFFFFFu) << x << "," << y;
}

// With perspective 5 a 6 x 3 image into a 3 x 6 destination is one-to-one:
// the unscaled path shows every stored pixel transposed.
TEST_F(DispatchTest, ExchangedAxesPaintOneToOne) {
    ScopedBitmap bitmap;
    std::mt19937 random(11);
    MakeRandomBitmap(bitmap.get(), random, 6, 3, 24, 5);
    const RECT destination{0, 0, 3, 6};
    Canvas canvas(3, 6);
    ASSERT_EQ(Z_PaintDC(canvas.dc(), bitmap.get(), nullptr, nullptr, &destination, nullptr, SRCCOPY), STATUS_OK);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 6; ++c)
            EXPECT_EQ(canvas.At(r, c), StoredColor(bitmap.get(), StoredPixel{c, r})) << "stored " << c << "," << r;
}

TEST_F(DispatchTest, AllocationFailuresLeakNothing) {
    ScopedBitmap bitmap;
    std::mt19937 random(3);
    MakeRandomBitmap(bitmap.get(), random, 9, 7, 8, 0);
    Canvas canvas(20, 20);
    const RECT destination{1, 1, 19, 15};
    int status = 0;
    ForEachAllocationFailure(
        [&] { status = Z_PaintDC(canvas.dc(), bitmap.get(), nullptr, nullptr, &destination, nullptr, SRCCOPY); },
        [&](long failedAt) {
            EXPECT_TRUE(status == STATUS_OK || status == STATUS_NO_MEMORY || status == STATUS_BAD_PARAMETER)
                << failedAt << ": " << status;
            EXPECT_EQ(bitmap->AccessCount, 0) << failedAt;
        });
}

}  // namespace
