// What the seeded model comparisons cannot show: refused arguments, turns
// by arbitrary angles, scales at the edges of 32 bits, and which changes
// drop the cached GDI region.
#include <cmath>
#include <numbers>
#include <vector>

#include "region_model.h"
#include "support/paint_canvas.h"

namespace zelt::test {
namespace {

using namespace zelt::region;

class RegionChecks : public LeakCheckedTest {};

// Every refused call answers its status, leaves the selection, the caller's
// rectangle and the device as they were; a refused combination still
// consumes its record. A null record or handle removes the selection.
TEST_F(RegionChecks, RefusedCallsChangeNothing) {
    const PixelMask existing = RandomShape(11, 30, 20);
    RegionBitmap bitmap(existing), whole(10, 10), empty(PixelMask(10, 10));
    BitmapRecord *const b = bitmap.get();
    RegionRecord *const r = b->Region;
    BitmapRecord unallocated{}, image{};
    ASSERT_EQ(KrnCreateBitmap(&image, KRN_MEMORY_CONVENTIONAL, 12, 9, 24, 0, nullptr, 0, nullptr, 0), STATUS_OK);
    Canvas canvas(16, 16);
    const RECT k{0, 0, 4, 4};
    const POINT p[] = {{0, 0}, {5, 0}, {0, 5}};
    const RegionXForm p6{6, 1, 1, 1, 1, 0, 0}, p9{9, 1, 1, 1, 1, 0, 0}, pNeg{-1, 1, 1, 1, 1, 0, 0};
    const RegionXForm zeroX{0, 1, 0, 1, 1, 0, 0}, zeroY{0, 1, 1, 1, 0, 0, 0}, scale{0, 3, 3, 2, 2, 0, 0};
    auto fresh = [] { return RecordFromMask(RandomShape(12, 30, 20)).release(); };
    LONG segments[32];
    DWORD value = 0;
    RECT rect{1, 2, 3, 4};
    HRGN h = nullptr;
    int owns = 0;
    HDC dc = canvas.dc();
    // clang-format off
    const int refused[] = {
        CombineBitmapRgn(b, nullptr, fresh(), 7), CombineBitmapRgn(b, nullptr, fresh(), -1),
        CombineBitmapRgn(b, &p6, fresh(), 4), CombineBitmapRgn(b, &p9, fresh(), 4),
        CombineBitmapRgn(b, &pNeg, fresh(), 4), CombineBitmapRgn(b, &zeroX, fresh(), 4),
        CombineBitmapRgn(b, &zeroY, fresh(), 4),
        Z_SetBitmapRgnRect(b, nullptr, nullptr, 1), Z_SetBitmapRgnRect(b, nullptr, &k, 7),
        Z_SetBitmapRgnEllipse(nullptr, nullptr, nullptr, 1), Z_SetBitmapRgnEllipse(nullptr, nullptr, &k, 1),
        Z_SetBitmapRgnRoundRect(nullptr, nullptr, &k, 2, 2, 1), Z_SetBitmapRgnPolygon(b, nullptr, nullptr, 3, 0, 1),
        Z_SetBitmapRgnPolygon(b, nullptr, p, 3, 2, 1), Z_SetBitmapRgnPolygon(nullptr, nullptr, p, 3, 0, 1),
        Z_SetBitmapRgnHandle(nullptr, nullptr, nullptr, 1), Z_SetBitmapRgnHandle(b, nullptr, HRGN(0x1234), 1),
        Z_SetBitmapRgnMagicWand(&image, 12, 0, 0, 1), Z_SetBitmapRgnMagicWand(&image, -1, 3, 0, 1),
        Z_SetBitmapRgnMagicWand(&image, 0, 9, 0, 1), Z_SetBitmapRgnMagicWand(&image, 4, -1, 0, 1),
        Z_SetBitmapRgnFromMask(nullptr, nullptr, &unallocated, 1), Z_SetBitmapRgnFromMask(b, nullptr, &unallocated, 1),
        Z_SetBitmapRgnFromMask(b, nullptr, nullptr, 1), Z_CreateMaskFromBitmapRgn(b, nullptr),
        RotateRgnRecord90(r, 30, 20, 30, 20, 4500), RotateRgnRecord90(r, 30, 20, 30, 20, 100),
        RotateRgnRecord90(r, 30, 20, 30, 20, -27100), ShearBitmapRgn(b, 9000), ShearBitmapRgn(b, -9000),
        ShearBitmapRgn(b, 13500), ShearBitmapRgn(b, 2147483647), ShearBitmapRgn(b, int(0x80000000u)),
        Z_CopyZeltRgn(nullptr, nullptr), CopyBitmapRgnOffset(nullptr, b, 0, 0), Z_FreeBitmapRgn(nullptr),
        Z_GetBitmapClipSegmentsMax(b, nullptr), Z_GetBitmapClipSegments(b, 0, segments, nullptr),
        Z_GetBitmapRgnBounds(b, &p6, &rect), Z_GetBitmapRgnBounds(b, &zeroX, &rect),
        BitmapRectToDisplay(b, nullptr, nullptr),
        RgnRecordToDisplay(b, &scale, nullptr), RgnRecordToDisplay(b, &p6, r), RgnRecordToDisplay(b, &p9, r),
        RgnRecordToDisplay(b, &pNeg, r), RgnRecordToDisplay(b, &zeroX, r), RgnRecordToDisplay(b, &zeroY, r),
        BuildRgnHandle(b, r, &p6, &h), BuildRgnHandle(b, r, &p9, &h), BuildRgnHandle(b, r, &zeroY, &h),
        BuildRgnHandle(b, nullptr, nullptr, &h), BuildRgnHandle(b, r, nullptr, nullptr),
        Z_IntGetBitmapRgnHandle(b, nullptr, nullptr, &owns), Z_IntGetBitmapRgnHandle(b, nullptr, &h, nullptr),
        Z_GetBitmapRgnHandle(b, nullptr, nullptr), Z_FrameBitmapRgn(dc, b, nullptr, 8),
        Z_FrameBitmapRgn(dc, b, nullptr, 0xFFFFFFFF), Z_FrameBitmapRgn(dc, b, &p6, 0),
        Z_FrameBitmapRgn(dc, b, &zeroX, 0),
        Z_ColorBitmapRgn(dc, b, &zeroY, 0), Z_GetResizedRgnHandle(b, nullptr, nullptr, &h, &owns),
        Z_PaintRgnDC(dc, b, nullptr, nullptr, nullptr, nullptr, SRCCOPY)};
    const int noBitmap[] = {
        CombineBitmapRgn(nullptr, nullptr, fresh(), 1), Z_SetBitmapRgnRect(nullptr, nullptr, &k, 1),
        Z_OffsetBitmapRgn(nullptr, 1, 1), Z_SetBitmapRgnColor(&unallocated, 0, 1), Z_SetBitmapRgnColor(nullptr, 0, 1),
        Z_SetBitmapRgnMagicWand(&unallocated, 0, 0, 0, 1), Z_SetBitmapRgnMagicWand(nullptr, 0, 0, 0, 1),
        RotateBitmapRgn(nullptr, 30, 20, 3000), ShearBitmapRgn(nullptr, 100), ResizeBitmapRgn(nullptr, 1, 1),
        Z_GetBitmapRgnArea(nullptr, &value), Z_GetBitmapClipSegmentsMax(nullptr, &value),
        Z_GetBitmapClipSegments(nullptr, 0, segments, &value), Z_GetBitmapRgnBounds(nullptr, nullptr, &rect),
        BitmapRectToDisplay(nullptr, nullptr, &rect), RgnRecordToDisplay(nullptr, &scale, r),
        Z_IntGetBitmapRgnHandle(nullptr, nullptr, &h, &owns), Z_GetBitmapRgnHandle(nullptr, nullptr, &h),
        Z_FrameBitmapRgn(dc, nullptr, nullptr, 0), Z_ColorBitmapRgn(dc, nullptr, nullptr, 0),
        Z_GetResizedRgnHandle(nullptr, nullptr, &k, &h, &owns),
        Z_PaintRgnDC(nullptr, nullptr, nullptr, nullptr, &k, nullptr, 0)};
    // Nothing selected to tint or frame is no error; a null bitmap has no region and contains no point.
    const int nothing[] = {
        Z_ColorBitmapRgn(dc, whole.get(), nullptr, 255) - STATUS_OK,
        Z_ColorBitmapRgn(dc, empty.get(), nullptr, 255) - STATUS_OK,
        Z_FrameBitmapRgn(dc, empty.get(), nullptr, 1) - STATUS_OK, Z_BitmapHasRgn(nullptr),
        Z_IsPtInBitmapRgn(nullptr, 0, 0)};
    // clang-format on
    for (size_t i = 0; i < std::size(refused); ++i) EXPECT_EQ(refused[i], STATUS_BAD_PARAMETER) << "refused " << i;
    for (size_t i = 0; i < std::size(noBitmap); ++i) EXPECT_EQ(noBitmap[i], STATUS_NO_BITMAP) << "no bitmap " << i;
    for (size_t i = 0; i < std::size(nothing); ++i) EXPECT_EQ(nothing[i], 0) << "nothing " << i;
    EXPECT_EQ(image.Region, nullptr);
    KrnFreeBitmap(&image);
    EXPECT_EQ(bitmap.Selection(), existing);
    EXPECT_TRUE(rect.left == 1 && rect.top == 2 && rect.right == 3 && rect.bottom == 4) << "a refusal wrote";
    EXPECT_TRUE(r->hRgnCache == nullptr && r->hFrameMask == nullptr);
    EXPECT_TRUE(canvas.Untouched()) << "a refusal drew";
    EXPECT_EQ(Z_SetBitmapRgnHandle(b, nullptr, nullptr, RGNMODE_OR), STATUS_OK);
    EXPECT_EQ(b->Region, nullptr);
    b->Region = RecordFromMask(existing).release();
    EXPECT_EQ(CombineBitmapRgn(b, nullptr, nullptr, RGNMODE_AND), STATUS_OK);
    EXPECT_EQ(b->Region, nullptr);
}

PixelMask Turned(const PixelMask &source, int angle, LONG perspective = 0) {
    RegionBitmap bitmap(source.width, source.height, RecordFromMask(source), perspective);
    EXPECT_EQ(RotateBitmapRgn(&bitmap.record, source.width, source.height, angle), STATUS_OK);
    return bitmap.Selection();
}

// A positive angle turns clockwise as displayed: an off-centre blob's centre
// of mass moves about the bitmap centre by the angle and its area stays
// nearly the same (stepping samples pixel corners, so within about two
// pixels; a wrong direction or centre is off by tens). Whole quarter turns
// are exact, a mirroring view turns the other way, whole turns change nothing.
TEST_F(RegionChecks, TurnsByAnyAngleAboutTheCentre) {
    const PixelMask blob = ModelOf(96, 96, 0, 0, [](LONG x, LONG y) {
        return std::pow((x + 0.5 - 66) / 14, 2) + std::pow((y + 0.5 - 40) / 9, 2) <= 1.0;
    });
    auto centroid = [](const PixelMask &m) {
        double x = 0, y = 0;
        for (LONG i = 0; i < 96 * 96; ++i)
            x += m.Get(i % 96, i / 96) * (i % 96 + 0.5), y += m.Get(i % 96, i / 96) * (i / 96 + 0.5);
        return std::vector<double>{x / double(m.Count()), y / double(m.Count()), double(m.Count())};
    };
    const std::vector<double> source = centroid(blob);
    for (int angle : {1000, 3000, 4500, 12345, 20000, 31500, -6000}) {
        const std::vector<double> got = centroid(Turned(blob, angle));
        const double theta = angle / 100.0 * std::numbers::pi / 180.0, rx = source[0] - 48, ry = source[1] - 48;
        EXPECT_NEAR(got[0], 48 + rx * std::cos(theta) - ry * std::sin(theta), 2.5) << angle;
        EXPECT_NEAR(got[1], 48 + rx * std::sin(theta) + ry * std::cos(theta), 2.5) << angle;
        EXPECT_NEAR(got[2], source[2], 0.04 * source[2]) << angle;
    }
    for (uint32_t seed = 1; seed <= 6; ++seed) {
        const PixelMask shape = RandomShape(seed, 40, 40, 4);
        for (int angle : {9000, 27000, 0, 36000, -72000}) {
            RecordPtr exact = RecordFromMask(shape);
            ASSERT_EQ(RotateRgnRecord90(exact.get(), 40, 40, 40, 40, angle), STATUS_OK);
            EXPECT_EQ(Turned(shape, angle), MaskFromRecord(*exact, shape)) << angle;
            EXPECT_TRUE(angle % 36000 != 0 || Turned(shape, angle) == shape) << angle;
        }
        for (LONG view : {1, 2, 5, 7}) EXPECT_EQ(Turned(shape, 2500, view), Turned(shape, -2500)) << view;
    }
}

// Scales whose 32-bit products wrap give a sound record or a refusal that
// leaves it alone.
TEST_F(RegionChecks, ScalesSurviveWrapping) {
    const LONG ratios[][4] = {{1 << 30, 1, 1, 1}, {0x7FFFFFFF, 3, 5, 1}, {7, 0x7FFFFFFF, 1, 1},
                              {1, 1, 1 << 29, 3}, {-5, 1, 1, 1},         {3, 1, 0x40000001, 2}};
    const PixelMask source = RandomShape(8, 40, 30, 4, -3, -2);
    for (const auto &q : ratios) {
        RecordPtr scaled = RecordFromMask(source);
        const int status = ScaleRgnRecord(scaled.get(), q[0], q[1], q[2], q[3]);
        EXPECT_TRUE(status == STATUS_OK ? bool(RecordIsWellFormed(*scaled))
                                        : status == STATUS_NO_MEMORY && MaskFromRecord(*scaled, source) == source)
            << q[0] << "/" << q[1] << " x " << q[2] << "/" << q[3];
    }
}

TEST_F(RegionChecks, OnlyGeometryChangesDropTheCachedHandle) {
    RegionBitmap bitmap(RandomShape(3, 20, 20));
    RegionRecord &record = bitmap.region();
    const HRGN cached = record.hRgnCache = CreateRectRgn(0, 0, 4, 4);
    const RECT wide{-50, -50, 50, 50};
    ASSERT_EQ(OffsetRgnRecord(&record, 0, 0), STATUS_OK);
    ASSERT_EQ(ClipRgnRecord(&record, &wide), STATUS_OK);
    ASSERT_EQ(Z_OffsetBitmapRgn(bitmap.get(), 0, 0), STATUS_OK);
    EXPECT_EQ(record.hRgnCache, cached);
    ASSERT_EQ(OffsetRgnRecord(&record, 0, 1), STATUS_OK);
    EXPECT_EQ(record.hRgnCache, nullptr);
}

}  // namespace
}  // namespace zelt::test
