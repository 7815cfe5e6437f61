// The region services the library hands the kernel at load, and regions
// following bitmaps through the kernel's copies.
#include "region_test_support.h"

namespace zelt::test {
namespace {

using namespace zelt::region;

template <typename Function>
KRNSERVICEPROC Entry(Function function) {
    return reinterpret_cast<KRNSERVICEPROC>(function);
}

TEST(RegionServices, EveryEntryIsRegisteredAtLoad) {
    const KRNSERVICEPROC expected[KRN_REGION_SERVICE_COUNT] = {
        Entry(&FlipBitmapRgnHorz),         Entry(&CopyBitmapRgnOffset),     Entry(&Z_SetBitmapRgnFromMask),
        Entry(&Z_GetBitmapClipSegmentsMax), Entry(&Z_GetBitmapClipSegments), Entry(&ResizeBitmapRgn),
        Entry(&CombineBitmapRgn),          Entry(&Z_GetBitmapRgnBounds),    Entry(&Z_CopyZeltRgn),
        Entry(&OffsetRgnRecord),           Entry(&FlipRgnRecordVert),       Entry(&ShearBitmapRgn),
        Entry(&RotateBitmapRgn),           Entry(&Z_IntGetBitmapRgnHandle), Entry(&SetBitmapRgnColorInt),
        Entry(&SetBitmapRgnRectInt),       Entry(&Z_IsPtInBitmapRgn),       Entry(&Z_CreateMaskFromBitmapRgn),
        Entry(&FlipBitmapRgnVert),         Entry(&Z_GetBitmapRgnHandle),    Entry(&KrnGetBitmapListCount),
        Entry(&KrnGetBitmapListItem),      Entry(&KrnSetBitmapListItem)};
    for (int i = 0; i < KRN_REGION_SERVICE_COUNT; ++i) EXPECT_EQ(KrnGetRegionService(i), expected[i]) << i;
}

class RegionsFollowCopies : public LeakCheckedTest {};

TEST_F(RegionsFollowCopies, KernelCopiesCarryTheRegion) {
    struct Case {
        LONG x, y, width, height;
    };
    const Case crops[] = {{0, 0, 50, 40}, {10, 5, 20, 20}, {-8, -4, 30, 30}, {45, 35, 20, 20}};
    uint32_t seed = 40;
    for (const Case &crop : crops) {
        const PixelMask mask = RandomShape(++seed, 50, 40, 4);
        BitmapRecord source{};
        ASSERT_EQ(KrnCreateBitmap(&source, KRN_MEMORY_CONVENTIONAL, 50, 40, 8, 0, nullptr, 0, nullptr, 0),
                  STATUS_OK);
        source.Region = RecordFromMask(mask).release();

        BitmapRecord whole{}, part{};
        ASSERT_EQ(KrnCopyBitmap(&whole, &source), STATUS_OK);
        ASSERT_NE(whole.Region, nullptr);
        ASSERT_NE(whole.Region, source.Region);
        EXPECT_EQ(MaskFromRecord(*whole.Region, 50, 40), mask);

        ASSERT_EQ(KrnCopyBitmapRect(&part, &source, crop.x, crop.y, crop.width, crop.height), STATUS_OK);
        PixelMask expected(crop.width, crop.height);
        for (LONG y = 0; y < 40; ++y)
            for (LONG x = 0; x < 50; ++x)
                if (mask.Get(x, y)) expected.Set(x - crop.x, y - crop.y);
        ASSERT_NE(part.Region, nullptr);
        EXPECT_TRUE(RecordIsWellFormed(*part.Region));
        EXPECT_EQ(MaskFromRecord(*part.Region, crop.width, crop.height), expected) << crop.x << "," << crop.y;

        BitmapRecord converted{};
        ASSERT_EQ(KrnConvertColorRes(&source, &converted, 1, KRN_COLORRES_FIXED_PALETTE, nullptr, nullptr, 0, 0, 0),
                  STATUS_OK);
        ASSERT_NE(converted.Region, nullptr);
        ASSERT_NE(converted.Region, source.Region);
        EXPECT_EQ(MaskFromRecord(*converted.Region, 50, 40), mask);

        KrnFreeBitmap(&converted);
        KrnFreeBitmap(&part);
        KrnFreeBitmap(&whole);
        KrnFreeBitmap(&source);
    }
}

}  // namespace
}  // namespace zelt::test
