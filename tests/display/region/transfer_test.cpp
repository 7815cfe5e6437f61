// Regions travelling with bitmaps: deep copies, copies onto other bitmaps
// with an offset, rescaling with a resized bitmap, and shearing.
#include <cstdint>
#include <random>

#include "region_test_support.h"

namespace zelt::test {
namespace {

using namespace zelt::region;

class RegionTransfer : public LeakCheckedTest {};

TEST_F(RegionTransfer, DeepCopyIsIndependentAndCarriesItsOwnCachedHandle) {
    const PixelMask mask = RandomShape(11, 90, 70, 5);
    RecordPtr source = RecordFromMask(mask);
    ASSERT_TRUE(source);
    source->hRgnCache = CreateRectRgn(3, 4, 50, 60);
    source->RgnCacheXForm = RegionXForm{2, 3, 4, 5, 6, 7, 8};
    source->hFrameMask = CreateBitmap(8, 8, 1, 1, nullptr);
    source->MaskPerspective = 2;

    RegionRecord *raw = nullptr;
    ASSERT_EQ(Z_CopyZeltRgn(&raw, source.get()), STATUS_OK);
    RecordPtr copy(raw);
    EXPECT_TRUE(RecordIsWellFormed(*copy));
    EXPECT_EQ(MaskFromRecord(*copy, 90, 70), mask);
    EXPECT_NE(copy->RowTable, source->RowTable);
    EXPECT_NE(copy->RunData, source->RunData);
    EXPECT_EQ(copy->hFrameMask, nullptr);
    EXPECT_EQ(copy->MaskPerspective, 0);
    EXPECT_EQ(copy->RgnCacheXForm.YOffset, 8);
    ASSERT_NE(copy->hRgnCache, nullptr);
    ASSERT_NE(copy->hRgnCache, source->hRgnCache);

    // Deleting the source's cache leaves the copy's intact.
    DeleteObject(source->hRgnCache);
    source->hRgnCache = nullptr;
    RECT box{};
    EXPECT_EQ(GetRgnBox(copy->hRgnCache, &box), SIMPLEREGION);
    EXPECT_EQ(box.right, 50);
    EXPECT_EQ(box.bottom, 60);
}

TEST_F(RegionTransfer, DeepCopyOfNullAndEmptyRecords) {
    RegionRecord *out = reinterpret_cast<RegionRecord *>(uintptr_t(1));
    EXPECT_EQ(Z_CopyZeltRgn(nullptr, nullptr), STATUS_BAD_PARAMETER);
    EXPECT_EQ(Z_CopyZeltRgn(&out, nullptr), STATUS_OK);
    EXPECT_EQ(out, nullptr);

    RecordPtr empty = RecordFromMask(PixelMask(10, 10));
    ASSERT_EQ(Z_CopyZeltRgn(&out, empty.get()), STATUS_OK);
    RecordPtr copy(out);
    EXPECT_TRUE(RecordIsWellFormed(*copy));
    EXPECT_EQ(copy->RowTable, nullptr);
    EXPECT_EQ(copy->RunData, nullptr);
}

TEST_F(RegionTransfer, DeepCopyUnderAllocationFailureLeavesNothingBehind) {
    RecordPtr source = RecordFromMask(RandomShape(5, 40, 30));
    source->hRgnCache = CreateRectRgn(0, 0, 5, 5);
    int status = 0;
    RegionRecord *out = nullptr;
    const long allocations = ForEachAllocationFailure(
        [&] {
            status = Z_CopyZeltRgn(&out, source.get());
            // A cache that cannot be duplicated is dropped, not an error.
            if (status == STATUS_OK) KrnFreeRegion(out);
        },
        [&](long) {
            EXPECT_TRUE(status == STATUS_NO_MEMORY || status == STATUS_OK) << status;
            if (status == STATUS_NO_MEMORY) {
                EXPECT_EQ(out, nullptr);
            }
        });
    EXPECT_GE(allocations, 3);
}

// Copying onto another bitmap moves the region and cuts it to the new size.
TEST_F(RegionTransfer, CopyWithOffsetMatchesTheModel) {
    struct Case {
        LONG dx, dy, width, height;
    };
    const Case cases[] = {{0, 0, 64, 48}, {-10, -10, 64, 48}, {7, -3, 30, 70}, {100, 0, 64, 48}, {-5, 12, 80, 20}};
    uint32_t seed = 300;
    for (const Case &c : cases) {
        const PixelMask mask = RandomShape(++seed, 64, 48, 4);
        RegionBitmap source(mask), destination(c.width, c.height);
        ASSERT_EQ(CopyBitmapRgnOffset(destination.get(), source.get(), c.dx, c.dy), STATUS_OK);
        ASSERT_NE(destination.record.Region, source.record.Region);

        PixelMask expected(c.width, c.height);
        for (LONG y = 0; y < mask.height; ++y)
            for (LONG x = 0; x < mask.width; ++x)
                if (mask.Get(x, y)) expected.Set(x + c.dx, y + c.dy);
        EXPECT_EQ(destination.Selection(), expected) << "dx " << c.dx << " dy " << c.dy;
        EXPECT_EQ(source.Selection(), mask);  // the source is untouched
    }

    BitmapRecord plain{};
    ASSERT_EQ(KrnInitBitmapRecord(&plain, 5, 5, 1), STATUS_OK);
    BitmapRecord target = plain;
    target.Region = reinterpret_cast<RegionRecord *>(uintptr_t(8));  // never freed, only overwritten
    EXPECT_EQ(CopyBitmapRgnOffset(&target, &plain, 1, 1), STATUS_OK);
    EXPECT_EQ(target.Region, nullptr);
    EXPECT_EQ(CopyBitmapRgnOffset(nullptr, &plain, 0, 0), STATUS_BAD_PARAMETER);
}

TEST_F(RegionTransfer, ResizeFollowsTheBitmapSize) {
    const PixelMask mask = RandomShape(77, 61, 45, 3);
    RegionBitmap bitmap(mask);
    RegionRecord *const record = bitmap.record.Region;
    const RECT before = record->Bounds;

    ASSERT_EQ(ResizeBitmapRgn(bitmap.get(), 61, 45), STATUS_OK);
    EXPECT_EQ(bitmap.Selection(), mask);

    // Halving: row y covers the new rows up(y) .. up(y + 1), a run (s, e)
    // the columns up(s) .. up(e), with up(v) = ceil(v / 2) here.
    PixelMask expected(31, 23);
    auto up = [](LONG v, LONG num, LONG den) { return (v * num + den - 1) / den; };
    for (LONG y = 0; y < 45; ++y)
        for (LONG x = 0; x < 61; ++x)
            if (mask.Get(x, y))
                for (LONG ny = up(y, 23, 45); ny < up(y + 1, 23, 45); ++ny)
                    for (LONG nx = up(x, 31, 61); nx < up(x + 1, 31, 61); ++nx) expected.Set(nx, ny);
    ASSERT_EQ(ResizeBitmapRgn(bitmap.get(), 31, 23), STATUS_OK);
    EXPECT_EQ(bitmap.record.Region, record);  // the record keeps its address
    EXPECT_TRUE(RecordIsWellFormed(*record));
    EXPECT_EQ(MaskFromRecord(*record, 31, 23), expected);
    EXPECT_LE(record->Bounds.bottom, up(before.bottom, 23, 45));

    EXPECT_EQ(ResizeBitmapRgn(nullptr, 1, 1), STATUS_NO_BITMAP);
}

// Rows move by the whole part of tan(angle) per row, plus one pixel each
// time the accumulated remainder passes a full step.
LONG ShearShift(LONG rowIndex, LONG angle) {
    const int64_t c = KrnCosFixed(angle), s = KrnSinFixed(angle);
    const int64_t whole = s / c, rest = s % c;
    const int64_t accumulated = rowIndex * rest;
    const int64_t extra = accumulated > 0 ? (accumulated - 1) / c : 0;
    return LONG(rowIndex * whole + extra);
}

TEST_F(RegionTransfer, ShearMatchesTheModel) {
    struct Case {
        LONG angle, perspective;
    };
    const Case cases[] = {{0, 0}, {4500, 0}, {-4500, 0}, {1000, 2}, {3000, 4}, {2250, 5}, {6000, 7}};
    uint32_t seed = 900;
    for (const Case &c : cases) {
        const PixelMask mask = RandomShape(++seed, 120, 50, 4);
        RegionBitmap bitmap(mask, c.perspective);
        const LONG a = c.angle < 0 ? -c.angle : c.angle;
        const bool fromTop = c.perspective == 1 || c.perspective == 2 || c.perspective == 5 || c.perspective == 7;
        PixelMask expected(120, 50);
        for (LONG y = 0; y < 50; ++y) {
            const LONG shift = ShearShift(fromTop ? y : 49 - y, a);
            for (LONG x = 0; x < 120; ++x)
                if (mask.Get(x, y)) expected.Set(x + shift, y);
        }
        ASSERT_EQ(ShearBitmapRgn(bitmap.get(), c.angle), STATUS_OK);
        EXPECT_EQ(MaskFromRecord(bitmap.region(), 120, 50), expected) << "angle " << c.angle;
        EXPECT_TRUE(RecordIsWellFormed(bitmap.region()));
    }
}

TEST_F(RegionTransfer, ShearAtFortyFiveDegreesStepsOnePixelPerRow) {
    PixelMask column(40, 10);
    for (LONG y = 0; y < 10; ++y) column.Set(0, y);
    RegionBitmap bitmap(column);
    ASSERT_EQ(ShearBitmapRgn(bitmap.get(), 4500), STATUS_OK);
    // Processed from the bottom: the bottom row stays, each row above moves
    // one pixel further.
    for (LONG y = 0; y < 10; ++y) {
        const RowRuns row = RowOf(bitmap.region(), y);
        ASSERT_EQ(row.count, 2u) << y;
        EXPECT_EQ(row.values[0], 9 - y) << y;
    }
    // A quarter turn or more is no shear; the region stays as it was.
    const PixelMask sheared = bitmap.Selection();
    for (int angle : {9000, -9000, 13500, 2147483647, int(0x80000000u)})
        EXPECT_EQ(ShearBitmapRgn(bitmap.get(), angle), STATUS_BAD_PARAMETER) << angle;
    EXPECT_EQ(bitmap.Selection(), sheared);
    EXPECT_EQ(ShearBitmapRgn(nullptr, 100), STATUS_NO_BITMAP);
}

}  // namespace
}  // namespace zelt::test
