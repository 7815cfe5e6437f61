// GDI regions built from a bitmap's selection: pixel equality with the
// display model, the cached handle and its key, and allocation failures.
#include <string>

#include "region_test_support.h"
#include "zelt/host.h"

namespace zelt::test {
namespace {

using namespace zelt::region;

class RegionHandle : public LeakCheckedTest {};

// A canvas wide enough for every mapping below.
const PixelMask kCanvas(200, 200, -40, -40);

PixelMask Mapped(const PixelMask &mask, LONG view, const RegionXForm &xform) {
    return DisplayModel(mask, view, xform, kCanvas);
}

PixelMask Rectangle(const RECT &r) {
    return ModelOf(kCanvas.width, kCanvas.height, kCanvas.originX, kCanvas.originY,
                   [&](LONG x, LONG y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; });
}

// The handle selects exactly the model's pixels: its box lies on the
// model's canvas and every canvas pixel agrees.
::testing::AssertionResult HandleSelects(HRGN handle, const PixelMask &model) {
    RECT box{};
    if (GetRgnBox(handle, &box) == ERROR) return ::testing::AssertionFailure() << "not a region handle";
    if (model.outside != 0) return ::testing::AssertionFailure() << "the model runs off its canvas";
    if (!IsRectEmpty(box) && (box.left < model.originX || box.top < model.originY ||
                              box.right > model.originX + model.width || box.bottom > model.originY + model.height))
        return ::testing::AssertionFailure() << "the handle runs off the canvas";
    long wrong = 0;
    std::string first;
    for (LONG y = model.originY; y < model.originY + model.height; ++y)
        for (LONG x = model.originX; x < model.originX + model.width; ++x)
            if ((PtInRegion(handle, x, y) != FALSE) != model.Get(x, y) && wrong++ == 0)
                first = "(" + std::to_string(x) + "," + std::to_string(y) + ")";
    if (wrong > 0) return ::testing::AssertionFailure() << wrong << " pixels differ, first at " << first;
    return ::testing::AssertionSuccess();
}

struct MappingCase {
    LONG view;
    RegionXForm xform;
};

const MappingCase kMappings[] = {
    {0, {0, 1, 1, 1, 1, 0, 0}},   {0, {0, 1, 2, 1, 2, 3, -4}}, {0, {0, 3, 2, 2, 1, -7, 5}},
    {2, {2, 2, 3, 3, 2, 0, 0}},   {2, {0, 1, 1, 1, 1, 0, 0}},  {0, {1, 1, 1, 1, 1, 9, 9}},
    {0, {3, 2, 1, 1, 3, 0, 0}},   {4, {0, 1, 1, 1, 2, 0, 0}},  {4, {7, 2, 1, 2, 1, 1, 1}},
    {5, {8, 1, 3, 3, 1, -2, 0}},  {8, {4, 1, 1, 1, 1, 0, 0}},  {6, {0, 5, 4, 4, 5, 0, 0}},
};

// Seeded random regions of every height from 1 row (so the merge tree
// takes every shape) over a spread of perspectives and scales.
TEST_F(RegionHandle, BuiltRegionMatchesTheDisplayModel) {
    uint32_t seed = 0;
    for (const MappingCase &m : kMappings) {
        for (int round = 0; round < 6; ++round) {
            std::mt19937 rng(++seed);
            const LONG width = 1 + LONG(rng() % 40), height = 1 + LONG(rng() % 33);
            const PixelMask mask = RandomShape(seed, width, height, 1 + int(rng() % 4));
            RegionBitmap bitmap(mask, m.view);
            HRGN handle = nullptr;
            ASSERT_EQ(BuildRgnHandle(bitmap.get(), bitmap.record.Region, &m.xform, &handle), STATUS_OK);
            EXPECT_TRUE(HandleSelects(handle, Mapped(mask, m.view, m.xform)))
                << "seed " << seed << " view " << m.view << " perspective " << m.xform.Perspective << " size "
                << width << "x" << height;
            DeleteObject(handle);
        }
    }
}

TEST_F(RegionHandle, IdentityEmptyRegionsAndRefusals) {
    const PixelMask mask = RandomShape(77, 53, 41, 5);
    RegionBitmap bitmap(mask);
    HRGN handle = nullptr;
    ASSERT_EQ(BuildRgnHandle(bitmap.get(), bitmap.record.Region, nullptr, &handle), STATUS_OK);
    EXPECT_TRUE(HandleSelects(handle, Mapped(mask, 0, RegionXForm{0, 1, 1, 1, 1, 0, 0})));
    DeleteObject(handle);

    RegionBitmap empty(PixelMask(20, 20));
    RECT box{1, 1, 1, 1};
    ASSERT_EQ(BuildRgnHandle(empty.get(), empty.record.Region, nullptr, &handle), STATUS_OK);
    EXPECT_EQ(GetRgnBox(handle, &box), NULLREGION);
    DeleteObject(handle);
    int owns = -1;
    ASSERT_EQ(Z_IntGetBitmapRgnHandle(empty.get(), nullptr, &handle, &owns), STATUS_OK);
    EXPECT_EQ(owns, 0);
    EXPECT_EQ(GetRgnBox(handle, &box), NULLREGION);

    const RegionXForm refused[] = {{6, 1, 1, 1, 1, 0, 0}, {9, 1, 1, 1, 1, 0, 0}, {0, 1, 1, 1, 0, 0, 0}};
    for (const RegionXForm &x : refused)
        EXPECT_EQ(BuildRgnHandle(empty.get(), empty.record.Region, &x, &handle), STATUS_BAD_PARAMETER);
    EXPECT_EQ(BuildRgnHandle(empty.get(), nullptr, nullptr, &handle), STATUS_BAD_PARAMETER);
    EXPECT_EQ(BuildRgnHandle(empty.get(), empty.record.Region, nullptr, nullptr), STATUS_BAD_PARAMETER);
    EXPECT_EQ(Z_IntGetBitmapRgnHandle(nullptr, nullptr, &handle, &owns), STATUS_NO_BITMAP);
    EXPECT_EQ(Z_IntGetBitmapRgnHandle(empty.get(), nullptr, nullptr, &owns), STATUS_BAD_PARAMETER);
    EXPECT_EQ(Z_IntGetBitmapRgnHandle(empty.get(), nullptr, &handle, nullptr), STATUS_BAD_PARAMETER);
    EXPECT_EQ(Z_GetBitmapRgnHandle(empty.get(), nullptr, nullptr), STATUS_BAD_PARAMETER);
    EXPECT_EQ(Z_GetBitmapRgnHandle(nullptr, nullptr, &handle), STATUS_NO_BITMAP);
}

TEST_F(RegionHandle, BitmapWithoutRegionGivesTheWholeBitmapToTheCaller) {
    RegionBitmap bitmap(30, 17, nullptr, 4);  // shown 17 wide and 30 high
    const RegionXForm display{0, 2, 1, 1, 2, 10, 20};
    HRGN handle = nullptr;
    int owns = 0;
    ASSERT_EQ(Z_IntGetBitmapRgnHandle(bitmap.get(), &display, &handle, &owns), STATUS_OK);
    EXPECT_EQ(owns, 1);
    EXPECT_TRUE(HandleSelects(handle, Rectangle(RECT{10, 20, 10 + 34, 20 + 15})));
    DeleteObject(handle);
    ASSERT_EQ(Z_GetBitmapRgnHandle(bitmap.get(), nullptr, &handle), STATUS_OK);
    EXPECT_TRUE(HandleSelects(handle, Rectangle(RECT{0, 0, 30, 17})));
    DeleteObject(handle);
}

// Allocations made since the last call (the count of GDI objects and
// blocks a request created, whether or not they still live).
long AllocationsSinceLastCall() { return ZeltHostFailAllocationAfter(-1); }

TEST_F(RegionHandle, CacheIsKeptMovedOrRebuilt) {
    const PixelMask mask = RandomShape(5, 48, 36, 4);
    RegionBitmap bitmap(mask, 2);
    const RegionXForm first{0, 3, 2, 1, 2, 4, 5};
    HRGN cached = nullptr;
    int owns = -1;
    AllocationsSinceLastCall();
    ASSERT_EQ(Z_IntGetBitmapRgnHandle(bitmap.get(), &first, &cached, &owns), STATUS_OK);
    EXPECT_GT(AllocationsSinceLastCall(), 0);
    EXPECT_EQ(owns, 0);
    EXPECT_EQ(cached, bitmap.region().hRgnCache);
    EXPECT_TRUE(HandleSelects(cached, Mapped(mask, 2, first)));

    // The same key is served without building anything.
    HRGN again = nullptr;
    ASSERT_EQ(Z_IntGetBitmapRgnHandle(bitmap.get(), &first, &again, &owns), STATUS_OK);
    EXPECT_EQ(AllocationsSinceLastCall(), 0);
    EXPECT_EQ(again, cached);

    // Only the offsets change: the same handle, moved.
    const RegionXForm scrolled{0, 3, 2, 1, 2, -30, 12};
    ASSERT_EQ(Z_IntGetBitmapRgnHandle(bitmap.get(), &scrolled, &again, &owns), STATUS_OK);
    EXPECT_EQ(AllocationsSinceLastCall(), 0);
    EXPECT_EQ(again, cached);
    EXPECT_EQ(bitmap.region().RgnCacheXForm.XOffset, -30);
    EXPECT_EQ(bitmap.region().RgnCacheXForm.YOffset, 12);
    EXPECT_TRUE(HandleSelects(again, Mapped(mask, 2, scrolled)));

    // A new scale rebuilds.
    const RegionXForm zoomed{0, 2, 1, 2, 1, -30, 12};
    ASSERT_EQ(Z_IntGetBitmapRgnHandle(bitmap.get(), &zoomed, &again, &owns), STATUS_OK);
    EXPECT_NE(again, cached);
    EXPECT_EQ(again, bitmap.region().hRgnCache);
    EXPECT_TRUE(HandleSelects(again, Mapped(mask, 2, zoomed)));
    cached = again;

    // The caller's copy is its own: deleting it leaves the cache alone.
    HRGN copy = nullptr;
    ASSERT_EQ(Z_GetBitmapRgnHandle(bitmap.get(), &zoomed, &copy), STATUS_OK);
    EXPECT_NE(copy, cached);
    EXPECT_TRUE(EqualRgn(copy, cached));
    DeleteObject(copy);
    EXPECT_EQ(bitmap.region().hRgnCache, cached);
    EXPECT_TRUE(HandleSelects(cached, Mapped(mask, 2, zoomed)));

    // Without a transform the key is the bitmap's own view at scale 1; a
    // changed view misses.
    ASSERT_EQ(Z_IntGetBitmapRgnHandle(bitmap.get(), nullptr, &again, &owns), STATUS_OK);
    EXPECT_TRUE(HandleSelects(again, Mapped(mask, 2, RegionXForm{2, 1, 1, 1, 1, 0, 0})));
    const RegionXForm key = bitmap.region().RgnCacheXForm;
    EXPECT_TRUE(key.Perspective == 2 && key.XNum == 1 && key.XDen == 1 && key.YNum == 1 && key.YDen == 1);
    ASSERT_EQ(Z_IntGetBitmapRgnHandle(bitmap.get(), &zoomed, &again, &owns), STATUS_OK);
    bitmap.record.ViewPerspective = 0;
    AllocationsSinceLastCall();
    ASSERT_EQ(Z_IntGetBitmapRgnHandle(bitmap.get(), &zoomed, &again, &owns), STATUS_OK);
    EXPECT_GT(AllocationsSinceLastCall(), 0);
    EXPECT_TRUE(HandleSelects(again, Mapped(mask, 0, zoomed)));
}

TEST_F(RegionHandle, BuildUnderAllocationFailureReleasesEverything) {
    RegionBitmap bitmap(RandomShape(9, 12, 7, 3), 4);
    const RegionXForm xform{0, 3, 2, 1, 1, 2, 2};
    int status = 0;
    HRGN handle = nullptr;
    const long allocations = ForEachAllocationFailure(
        [&] {
            handle = nullptr;
            status = BuildRgnHandle(bitmap.get(), bitmap.record.Region, &xform, &handle);
            if (status == STATUS_OK) DeleteObject(handle);
        },
        [&](long failedAt) {
            EXPECT_EQ(status, STATUS_NO_MEMORY) << "allocation " << failedAt;
            EXPECT_EQ(handle, nullptr) << "allocation " << failedAt;
        });
    EXPECT_GE(allocations, 8);
}

// Every allocation of a caller's request failing in turn, from an empty
// cache and from a cache of another scale: the status is NO_MEMORY,
// nothing leaks, and the cache is either as it was or fully refreshed
// (when only the caller's copy failed).
TEST_F(RegionHandle, RequestUnderAllocationFailureKeepsTheCache) {
    const PixelMask mask = RandomShape(13, 16, 9, 3);
    const RegionXForm before{0, 1, 2, 1, 2, 0, 0}, wanted{1, 2, 1, 3, 2, 5, 5};
    for (const bool warm : {false, true}) {
        long failedAt = 1;
        for (;; ++failedAt) {
            RegionBitmap bitmap(mask);
            HRGN old = nullptr, out = nullptr;
            int owns = 0;
            if (warm) {
                ASSERT_EQ(Z_IntGetBitmapRgnHandle(bitmap.get(), &before, &old, &owns), STATUS_OK);
            }
            const LiveCounts start = LiveCounts::Now();
            ZeltHostFailAllocationAfter(failedAt);
            const int status = Z_GetBitmapRgnHandle(bitmap.get(), &wanted, &out);
            ZeltHostFailAllocationAfter(-1);
            if (status == STATUS_OK) {  // every allocation has been failed once
                EXPECT_TRUE(HandleSelects(out, Mapped(mask, 0, wanted)));
                DeleteObject(out);
                break;
            }
            SCOPED_TRACE("warm " + std::to_string(warm) + " allocation " + std::to_string(failedAt));
            EXPECT_EQ(status, STATUS_NO_MEMORY);
            EXPECT_EQ(out, nullptr);
            RegionRecord &region = bitmap.region();
            if (region.hRgnCache == old) {
                EXPECT_EQ(region.RgnCacheXForm.XNum, warm ? before.XNum : 0);
                EXPECT_EQ(LiveCounts::Now(), start);
            } else {
                // Refreshed: the old handle was replaced by the new one.
                EXPECT_EQ(region.RgnCacheXForm.Perspective, wanted.Perspective);
                EXPECT_EQ(region.RgnCacheXForm.XOffset, wanted.XOffset);
                EXPECT_TRUE(HandleSelects(region.hRgnCache, Mapped(mask, 0, wanted)));
                LiveCounts expected = start;
                expected.gdi += warm ? 0 : 1;
                EXPECT_EQ(LiveCounts::Now(), expected);
            }
        }
        EXPECT_GE(failedAt, 6) << "warm " << warm;
    }
}

}  // namespace
}  // namespace zelt::test
