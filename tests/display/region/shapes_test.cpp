// Shape regions: GDI regions read back pixel for pixel, shapes merged by
// mode against the per-pixel model, the offset export, and failures.
#include <functional>
#include <random>

#include <gtest/gtest.h>

#include "region_test_support.h"

namespace {

using namespace zelt::test;
using zelt::region::ScanGdiRegion;

class ShapeRegionTest : public LeakCheckedTest {};

struct GdiRegion {
    HRGN handle;
    explicit GdiRegion(HRGN h) : handle(h) {}
    GdiRegion(const GdiRegion &) = delete;
    GdiRegion &operator=(const GdiRegion &) = delete;
    ~GdiRegion() { DeleteObject(handle); }
};

// What GDI says is inside, on the box of `region` grown by 2.
PixelMask GdiPixels(HRGN region, RECT &canvas) {
    GetRgnBox(region, &canvas);
    canvas = RECT{canvas.left - 2, canvas.top - 2, canvas.right + 2, canvas.bottom + 2};
    return ModelOf(canvas.right - canvas.left, canvas.bottom - canvas.top, canvas.left, canvas.top,
                   [&](LONG x, LONG y) { return PtInRegion(region, x, y) != FALSE; });
}

// Random shapes: ellipses, rounded rectangles (thin corners included),
// polygons with crossing edges in both fill modes, and combinations of them
// with holes and separate pieces.
HRGN RandomGdiShape(std::mt19937 &rng, int depth = 0) {
    auto pick = [&](int lo, int hi) { return lo + int(rng() % uint32_t(hi - lo + 1)); };
    switch (depth < 2 ? pick(0, 3) : pick(0, 2)) {
    case 0: return CreateEllipticRgn(pick(-20, 30), pick(-20, 30), pick(-20, 60), pick(-20, 60));
    case 1:
        return CreateRoundRectRgn(pick(-20, 30), pick(-20, 30), pick(-20, 60), pick(-20, 60), pick(-5, 40),
                                  pick(-5, 40));
    case 2: {
        POINT points[9];
        const int count = pick(3, 9);
        for (int i = 0; i < count; ++i) points[i] = POINT{pick(-10, 50), pick(-10, 50)};
        return CreatePolygonRgn(points, count, pick(0, 1) != 0 ? WINDING : ALTERNATE);
    }
    default: {
        HRGN a = RandomGdiShape(rng, depth + 1);
        HRGN b = RandomGdiShape(rng, depth + 1);
        CombineRgn(a, a, b, pick(RGN_AND, RGN_DIFF));
        DeleteObject(b);
        return a;
    }
    }
}

TEST_F(ShapeRegionTest, ScanReproducesGdiRegionsPixelForPixel) {
    std::mt19937 rng(4242);
    for (int i = 0; i < 300; ++i) {
        SCOPED_TRACE("case " + std::to_string(i));
        GdiRegion shape(RandomGdiShape(rng));
        RegionRecord *scanned = nullptr;
        ASSERT_EQ(ScanGdiRegion(shape.handle, &scanned), STATUS_OK);
        RecordPtr record(scanned);
        ASSERT_TRUE(RecordIsWellFormed(*record));
        RECT canvas;
        const PixelMask expected = GdiPixels(shape.handle, canvas);
        const PixelMask got = MaskFromRecord(*record, expected.width, expected.height, canvas.left, canvas.top);
        EXPECT_EQ(got.outside, 0);
        EXPECT_TRUE(got == expected);
    }
}

// Each export against the existing selection and GDI's own pixels.
TEST_F(ShapeRegionTest, ShapesMergeByModeLikeThePixelModel) {
    constexpr LONG kW = 40, kH = 30;
    const RECT box{-5, 3, 33, 41};
    const POINT triangle[] = {{-4, 2}, {45, 12}, {8, 35}};
    const POINT star[] = {{20, 0}, {32, 29}, {0, 11}, {40, 11}, {8, 29}};  // a hole only when alternating
    struct Case {
        const char *name;
        std::function<int(BitmapRecord *, int)> apply;
        std::function<HRGN()> gdi;
    };
    const Case cases[] = {
        {"rect", [&](BitmapRecord *b, int m) { return Z_SetBitmapRgnRect(b, nullptr, &box, m); },
         [&] { return CreateRectRgnIndirect(&box); }},
        {"ellipse", [&](BitmapRecord *b, int m) { return Z_SetBitmapRgnEllipse(b, nullptr, &box, m); },
         [&] { return CreateEllipticRgnIndirect(&box); }},
        {"round rect", [&](BitmapRecord *b, int m) { return Z_SetBitmapRgnRoundRect(b, nullptr, &box, 14, 9, m); },
         [&] { return CreateRoundRectRgn(box.left, box.top, box.right, box.bottom, 14, 9); }},
        {"polygon", [&](BitmapRecord *b, int m) { return Z_SetBitmapRgnPolygon(b, nullptr, triangle, 3, 1, m); },
         [&] { return CreatePolygonRgn(triangle, 3, ALTERNATE); }},
        {"star winding", [&](BitmapRecord *b, int m) { return Z_SetBitmapRgnPolygon(b, nullptr, star, 5, 0, m); },
         [&] { return CreatePolygonRgn(star, 5, WINDING); }},
        {"star alternate", [&](BitmapRecord *b, int m) { return Z_SetBitmapRgnPolygon(b, nullptr, star, 5, 1, m); },
         [&] { return CreatePolygonRgn(star, 5, ALTERNATE); }},
    };
    const PixelMask existing = RandomShape(77, kW, kH);
    for (const Case &c : cases) {
        GdiRegion gdi(c.gdi());
        const PixelMask shape = ModelOf(kW, kH, 0, 0, [&](LONG x, LONG y) { return PtInRegion(gdi.handle, x, y) != 0; });
        for (int mode = RGNMODE_AND; mode <= RGNMODE_SETNOT; ++mode) {
            SCOPED_TRACE(std::string(c.name) + " mode " + std::to_string(mode));
            RegionBitmap bitmap(kW, kH, RecordFromMask(existing));
            ASSERT_EQ(c.apply(&bitmap.record, mode), STATUS_OK);
            EXPECT_EQ(bitmap.Selection(), ModelOf(kW, kH, 0, 0, [&](LONG x, LONG y) {
                          return CombinedPixel(mode, existing.Get(x, y), shape.Get(x, y));
                      }));
        }
    }
}

TEST_F(ShapeRegionTest, RectangleEdgeCasesAndHandles) {
    RegionBitmap bitmap(20, 10);
    const RECT inverted{8, 2, 3, 6};
    ASSERT_EQ(Z_SetBitmapRgnRect(&bitmap.record, nullptr, &inverted, RGNMODE_SET), STATUS_OK);
    ASSERT_NE(bitmap.record.Region, nullptr);  // an empty record, not none
    EXPECT_TRUE(RecordIsWellFormed(*bitmap.record.Region));
    EXPECT_EQ(bitmap.record.Region->RunData, nullptr);

    const RECT huge{-100, -50, 400, 300};
    ASSERT_EQ(Z_SetBitmapRgnRect(&bitmap.record, nullptr, &huge, RGNMODE_SET), STATUS_OK);
    EXPECT_EQ(bitmap.Selection().Count(), 200);
    const RECT b = bitmap.record.Region->Bounds;
    EXPECT_TRUE(b.left == 0 && b.top == 0 && b.right == 20 && b.bottom == 10);

    // The caller's handle is read, never changed or deleted; a null one
    // removes the selection whatever the mode.
    GdiRegion mine(CreateEllipticRgn(2, 1, 15, 9));
    ASSERT_EQ(Z_SetBitmapRgnHandle(&bitmap.record, nullptr, mine.handle, RGNMODE_SET), STATUS_OK);
    EXPECT_EQ(bitmap.Selection(), ModelOf(20, 10, 0, 0, [&](LONG x, LONG y) { return PtInRegion(mine.handle, x, y) != 0; }));
    RECT after;
    EXPECT_EQ(GetRgnBox(mine.handle, &after), COMPLEXREGION);
    ASSERT_EQ(Z_SetBitmapRgnHandle(&bitmap.record, nullptr, nullptr, RGNMODE_OR), STATUS_OK);
    EXPECT_EQ(bitmap.record.Region, nullptr);
}

TEST_F(ShapeRegionTest, ArgumentsAreCheckedInOrder) {
    RegionBitmap bitmap(8, 8);
    const RECT r{0, 0, 4, 4};
    const POINT p[] = {{0, 0}, {5, 0}, {0, 5}};
    const struct {
        int got, expected;
    } cases[] = {
        {Z_SetBitmapRgnRect(&bitmap.record, nullptr, nullptr, RGNMODE_SET), STATUS_BAD_PARAMETER},
        {Z_SetBitmapRgnRect(nullptr, nullptr, &r, RGNMODE_SET), STATUS_NO_BITMAP},
        {Z_SetBitmapRgnRect(&bitmap.record, nullptr, &r, 7), STATUS_BAD_PARAMETER},
        {Z_SetBitmapRgnEllipse(nullptr, nullptr, nullptr, RGNMODE_SET), STATUS_BAD_PARAMETER},
        {Z_SetBitmapRgnEllipse(nullptr, nullptr, &r, RGNMODE_SET), STATUS_BAD_PARAMETER},
        {Z_SetBitmapRgnRoundRect(nullptr, nullptr, &r, 2, 2, RGNMODE_SET), STATUS_BAD_PARAMETER},
        {Z_SetBitmapRgnPolygon(&bitmap.record, nullptr, nullptr, 3, 0, RGNMODE_SET), STATUS_BAD_PARAMETER},
        {Z_SetBitmapRgnPolygon(&bitmap.record, nullptr, p, 3, 2, RGNMODE_SET), STATUS_BAD_PARAMETER},
        {Z_SetBitmapRgnPolygon(nullptr, nullptr, p, 3, 0, RGNMODE_SET), STATUS_BAD_PARAMETER},
        {Z_SetBitmapRgnHandle(nullptr, nullptr, nullptr, RGNMODE_SET), STATUS_BAD_PARAMETER},
        {Z_SetBitmapRgnHandle(&bitmap.record, nullptr, reinterpret_cast<HRGN>(0x1234), RGNMODE_SET),
         STATUS_BAD_PARAMETER},
        {Z_OffsetBitmapRgn(nullptr, 1, 1), STATUS_NO_BITMAP},
    };
    for (size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(cases[i].got, cases[i].expected) << "case " << i;
    EXPECT_EQ(bitmap.record.Region, nullptr);
}

TEST_F(ShapeRegionTest, OffsetMovesAndCutsOff) {
    constexpr LONG kW = 31, kH = 17;
    for (int i = 0; i < 40; ++i) {
        std::mt19937 rng(900 + i);
        const int dx = int(rng() % 41) - 20, dy = int(rng() % 25) - 12;
        const bool none = i % 5 == 0;  // no region: the whole bitmap moves
        const PixelMask before = none ? WholeCanvas(kW, kH) : RandomShape(i, kW, kH);
        RegionBitmap bitmap(kW, kH, none ? nullptr : RecordFromMask(before));
        ASSERT_EQ(Z_OffsetBitmapRgn(&bitmap.record, dy, dx), STATUS_OK);
        ASSERT_NE(bitmap.record.Region, nullptr);
        EXPECT_EQ(bitmap.Selection(), ModelOf(kW, kH, 0, 0, [&](LONG x, LONG y) { return before.Get(x - dx, y - dy); }))
            << "dx " << dx << " dy " << dy;
    }
    // Not moving keeps the cached GDI region.
    RegionBitmap bitmap(kW, kH, RecordFromMask(RandomShape(5, kW, kH)));
    HRGN cache = CreateRectRgn(0, 0, 1, 1);
    bitmap.record.Region->hRgnCache = cache;
    ASSERT_EQ(Z_OffsetBitmapRgn(&bitmap.record, 0, 0), STATUS_OK);
    EXPECT_EQ(bitmap.record.Region->hRgnCache, cache);
}

// Every allocation of a shape export failing in turn: the status says so,
// the previous selection stays pixel for pixel and nothing leaks.
TEST_F(ShapeRegionTest, FailedAllocationsKeepThePreviousRegion) {
    constexpr LONG kW = 50, kH = 40;
    const RECT box{3, -4, 44, 33};
    const POINT star[] = {{20, 0}, {32, 38}, {0, 14}, {40, 14}, {8, 38}};
    const std::function<int(BitmapRecord *)> exports[] = {
        [&](BitmapRecord *b) { return Z_SetBitmapRgnRect(b, nullptr, &box, RGNMODE_XOR); },
        [&](BitmapRecord *b) { return Z_SetBitmapRgnRoundRect(b, nullptr, &box, 12, 20, RGNMODE_XOR); },
        [&](BitmapRecord *b) { return Z_SetBitmapRgnPolygon(b, nullptr, star, 5, 1, RGNMODE_XOR); },
        [&](BitmapRecord *b) { return Z_OffsetBitmapRgn(b, 3, -7); },
    };
    for (size_t e = 0; e < std::size(exports); ++e) {
        RegionBitmap bitmap(kW, kH, RecordFromMask(RandomShape(31, kW, kH)));
        EXPECT_GT(FailuresKeepingSelection(bitmap.record, [&] { return exports[e](&bitmap.record); }), 2) << e;
    }
}

}  // namespace
