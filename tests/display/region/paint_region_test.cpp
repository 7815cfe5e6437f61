// Painting through a region: the pixels inside the mapped region are those
// of the same paint without a region, every other pixel keeps its colour,
// and the device's own clip region comes back afterwards.
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "display/paint/front_test_support.h"
#include "display/paint/paint_test_canvas.h"
#include "region_draw_support.h"

namespace {

using namespace zelt::test;

class PaintRegionTest : public FrontTest {
protected:
    ModeScope mode_{DISP_DEFAULT_MODE};
};

// The region piece under `source` (whole bitmap when null), at its origin.
PixelMask SourcePiece(const PixelMask &shape, const RECT *source) {
    if (source == nullptr) return shape;
    PixelMask piece(source->right - source->left, source->bottom - source->top);
    for (LONG y = 0; y < piece.height; ++y)
        for (LONG x = 0; x < piece.width; ++x) piece.Set(x, y, shape.Get(x + source->left, y + source->top));
    return piece;
}

PixelMask PaintedModel(const PixelMask &piece, const RECT &destination, const DrawCanvas &canvas) {
    const RegionXForm stretch{0, destination.right - destination.left, piece.width, destination.bottom - destination.top,
                              piece.height, destination.left, destination.top};
    return DisplayModel(piece, 0, stretch, PixelMask(canvas.width(), canvas.height()));
}

// What the paint shows inside the selection, the earlier pixels outside.
std::vector<DWORD> Through(const std::vector<DWORD> &before, const std::vector<DWORD> &painted,
                           const PixelMask &selected, int width) {
    std::vector<DWORD> expected = before;
    for (size_t i = 0; i < expected.size(); ++i)
        if (selected.Get(LONG(i % size_t(width)), LONG(i / size_t(width)))) expected[i] = painted[i];
    return expected;
}

TEST_F(PaintRegionTest, OnlyTheMappedRegionIsPainted) {
    for (uint32_t seed = 0; seed < 40; ++seed) {
        std::mt19937 rng(seed);
        auto pick = [&](LONG lo, LONG hi) { return lo + LONG(rng() % uint32_t(hi - lo + 1)); };
        const LONG w = pick(2, 40), h = pick(2, 40);
        ScopedBitmap bitmap;
        MakeRandomBitmap(bitmap.get(), rng, w, h, 24, 0);
        const PixelMask shape = RandomShape(seed + 40, w, h, pick(1, 4));
        RECT sourceRect{};
        const RECT *source = nullptr;
        if (seed % 2 == 1) {
            sourceRect.left = pick(0, w - 1);
            sourceRect.top = pick(0, h - 1);
            sourceRect.right = pick(sourceRect.left + 1, w);
            sourceRect.bottom = pick(sourceRect.top + 1, h);
            source = &sourceRect;
        }
        // One-to-one, enlarged or reduced.
        const LONG dw = seed % 3 == 0 ? (source ? sourceRect.right - sourceRect.left : w) : pick(1, 70);
        const LONG dh = seed % 3 == 0 ? (source ? sourceRect.bottom - sourceRect.top : h) : pick(1, 70);
        const RECT destination{pick(-10, 30), pick(-10, 30), 0, 0};
        const RECT dest{destination.left, destination.top, destination.left + dw, destination.top + dh};
        SCOPED_TRACE(::testing::Message() << "seed " << seed << " image " << w << "x" << h << " source "
                                          << (source ? "given" : "none") << " destination " << dest.left << ","
                                          << dest.top << " " << dw << "x" << dh);

        DrawCanvas plain(80, 80), clipped(80, 80);
        plain.Fill(seed);
        clipped.Fill(seed);
        const std::vector<DWORD> before = clipped.Pixels();
        ASSERT_EQ(Z_PaintDC(plain.dc(), bitmap.get(), source, source, &dest, nullptr, SRCCOPY), STATUS_OK);
        bitmap->Region = RecordFromMask(shape).release();
        // Now and then the caller has a clip of its own covering only the
        // top left corner: it must not limit the painting and must be in
        // force again afterwards.
        HRGN callerClip = seed % 4 == 2 ? CreateRectRgn(0, 0, 12, 12) : nullptr;
        SelectClipRgn(clipped.dc(), callerClip);
        ASSERT_EQ(Z_PaintRgnDC(clipped.dc(), bitmap.get(), source, source, &dest, nullptr, SRCCOPY), STATUS_OK);

        const PixelMask selected = PaintedModel(SourcePiece(shape, source), dest, clipped);
        EXPECT_EQ(CountMismatches(clipped, Through(before, plain.Pixels(), selected, 80), "through region"), 0);
        HRGN current = CreateRectRgn(0, 0, 0, 0);
        EXPECT_EQ(GetClipRgn(clipped.dc(), current), callerClip ? 1 : 0);
        if (callerClip) {
            EXPECT_TRUE(EqualRgn(current, callerClip));
            DeleteObject(callerClip);
        }
        DeleteObject(current);
    }
}

TEST_F(PaintRegionTest, BufferPaintingIsLimitedTheSameWay) {
    std::mt19937 rng(9);
    ScopedBitmap bitmap;
    MakeRandomBitmap(bitmap.get(), rng, 24, 18, 24, 0);
    std::vector<BYTE> rows(size_t(bitmap->BytesPerLine) * 18);
    for (int r = 0; r < 18; ++r) KrnGetBitmapRow(bitmap.get(), &rows[size_t(r * bitmap->BytesPerLine)], r, DWORD(bitmap->BytesPerLine));
    const PixelMask shape = RandomShape(31, 24, 18, 3);
    const RECT source{3, 2, 21, 16}, dest{1, 2, 37, 30};
    DrawCanvas plain(40, 32), clipped(40, 32);
    plain.Fill(2u);
    clipped.Fill(2u);
    const std::vector<DWORD> before = clipped.Pixels();
    ASSERT_EQ(Z_PaintDCBuffer(plain.dc(), bitmap.get(), &source, nullptr, &dest, nullptr, SRCCOPY, rows.data(), 0, 18),
              STATUS_OK);
    bitmap->Region = RecordFromMask(shape).release();
    ASSERT_EQ(Z_PaintRgnDCBuffer(clipped.dc(), bitmap.get(), &source, nullptr, &dest, nullptr, SRCCOPY, rows.data(), 0,
                                 18),
              STATUS_OK);
    const PixelMask selected = PaintedModel(SourcePiece(shape, &source), dest, clipped);
    EXPECT_EQ(CountMismatches(clipped, Through(before, plain.Pixels(), selected, 40), "buffer through region"), 0);
}

TEST_F(PaintRegionTest, ResizedHandleOwnership) {
    RegionBitmap bitmap(RandomShape(12, 20, 16, 3));
    const RECT dest{0, 0, 40, 32}, source{2, 3, 18, 13};
    HRGN handle = nullptr;
    int owns = -1;
    // Without a source rectangle the handle is the region's cached one.
    ASSERT_EQ(Z_GetResizedRgnHandle(bitmap.get(), nullptr, &dest, &handle, &owns), STATUS_OK);
    EXPECT_EQ(owns, 0);
    EXPECT_EQ(handle, bitmap.record.Region->hRgnCache);
    // With one it comes from a temporary record: the caller gets its own copy.
    ASSERT_EQ(Z_GetResizedRgnHandle(bitmap.get(), &source, &dest, &handle, &owns), STATUS_OK);
    EXPECT_EQ(owns, 1);
    RECT box{};
    EXPECT_NE(GetRgnBox(handle, &box), 0);
    EXPECT_NE(handle, bitmap.record.Region->hRgnCache);
    EXPECT_TRUE(DeleteObject(handle));

    EXPECT_EQ(Z_GetResizedRgnHandle(nullptr, nullptr, &dest, &handle, &owns), STATUS_NO_BITMAP);
    EXPECT_EQ(Z_GetResizedRgnHandle(bitmap.get(), nullptr, nullptr, &handle, &owns), STATUS_BAD_PARAMETER);
    EXPECT_EQ(Z_PaintRgnDC(nullptr, nullptr, nullptr, nullptr, &dest, nullptr, SRCCOPY), STATUS_NO_BITMAP);
    EXPECT_EQ(Z_PaintRgnDC(nullptr, bitmap.get(), nullptr, nullptr, nullptr, nullptr, SRCCOPY), STATUS_BAD_PARAMETER);
}

}  // namespace
