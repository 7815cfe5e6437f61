// GDI regions built from a bitmap's selection: pixel equality with a model
// mapped run by run, the cached handle and its key, and allocation failures.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "region_test_support.h"
#include "support/leak_guard.h"
#include "support/perspective_oracle.h"
#include "zelt/host.h"

namespace zelt::test {
namespace {

using namespace zelt::region;

class RegionHandle : public LeakCheckedTest {};

// A described bitmap (no image data) that owns the region made from `mask`.
struct MaskedBitmap {
    BitmapRecord record{};
    MaskedBitmap(const PixelMask &mask, LONG view = 0) {
        EXPECT_EQ(KrnInitBitmapRecord(&record, mask.width, mask.height, 1), STATUS_OK);
        record.ViewPerspective = view;
        record.Region = RecordFromMask(mask).release();
    }
    ~MaskedBitmap() { KrnFreeRegion(record.Region); }
    MaskedBitmap(const MaskedBitmap &) = delete;
    MaskedBitmap &operator=(const MaskedBitmap &) = delete;
    RegionRecord &region() { return *record.Region; }
};

// Coordinates in perspective `to` of the stored pixels of a w x h bitmap
// shown in perspective `view`, found by inverting the display table.
class PerspectiveModel {
public:
    PerspectiveModel(int view, int to, int w, int h) : view_(view), w_(w), h_(h) {
        shownW_ = ExchangesAxes(view) ? h : w;
        const int shownH = ExchangesAxes(view) ? w : h;
        const int toW = ExchangesAxes(to) ? shownH : shownW_, toH = ExchangesAxes(to) ? shownW_ : shownH;
        inverse_.resize(size_t(w) * size_t(h));
        for (int r = 0; r < toH; ++r)
            for (int c = 0; c < toW; ++c) {
                const Point shown = Displayed(to, toW, toH, c, r);
                inverse_[size_t(shown.y) * size_t(shownW_) + size_t(shown.x)] = Point{c, r};
            }
    }
    Point Map(int c, int r) const {
        const Point shown = Displayed(view_, w_, h_, c, r);
        return inverse_[size_t(shown.y) * size_t(shownW_) + size_t(shown.x)];
    }

private:
    int view_, w_, h_, shownW_;
    std::vector<Point> inverse_;
};

LONG ScaleEdgeModel(int64_t v, LONG num, LONG den, bool roundUp) {
    return v == 0 ? 0 : LONG((v * num + (roundUp ? den - 1 : 0)) / den);
}

// Display rectangles of the mask's runs under `xform` over a bitmap shown
// in `view`.
std::vector<RECT> ModelRectangles(const PixelMask &mask, LONG view, const RegionXForm &xform) {
    const PerspectiveModel turn(view, xform.Perspective, mask.width, mask.height);
    const bool rowsUp = xform.Perspective == 2 || (xform.Perspective == 0 && view == 4);
    std::vector<RECT> out;
    for (LONG y = 0; y < mask.height; ++y)
        for (LONG x = 0; x < mask.width;) {
            if (!mask.Get(x, y)) {
                ++x;
                continue;
            }
            const LONG start = x;
            while (x < mask.width && mask.Get(x, y)) ++x;
            const Point a = turn.Map(start, y), b = turn.Map(x - 1, y);
            const int64_t left = std::min(a.x, b.x), right = std::max(a.x, b.x) + 1;
            const int64_t top = std::min(a.y, b.y), bottom = std::max(a.y, b.y) + 1;
            out.push_back(RECT{ScaleEdgeModel(left, xform.XNum, xform.XDen, true) + xform.XOffset,
                               ScaleEdgeModel(top, xform.YNum, xform.YDen, rowsUp) + xform.YOffset,
                               ScaleEdgeModel(right, xform.XNum, xform.XDen, true) + xform.XOffset,
                               ScaleEdgeModel(bottom, xform.YNum, xform.YDen, rowsUp) + xform.YOffset});
        }
    return out;
}

// Compares the handle with the union of `rects` pixel by pixel over their
// box grown by 2; reports the first differences.
::testing::AssertionResult RegionEquals(HRGN handle, const std::vector<RECT> &rects) {
    RECT box{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
    for (const RECT &r : rects) {
        if (r.right <= r.left || r.bottom <= r.top) continue;
        box = RECT{std::min(box.left, r.left), std::min(box.top, r.top), std::max(box.right, r.right),
                   std::max(box.bottom, r.bottom)};
    }
    if (box.left == INT_MAX) box = RECT{0, 0, 0, 0};
    PixelMask model(box.right - box.left + 4, box.bottom - box.top + 4, box.left - 2, box.top - 2);
    for (const RECT &r : rects)
        for (LONG y = r.top; y < r.bottom; ++y)
            for (LONG x = r.left; x < r.right; ++x) model.Set(x, y);
    RECT actualBox{};
    const int type = GetRgnBox(handle, &actualBox);
    if (type == ERROR) return ::testing::AssertionFailure() << "not a region handle";
    if (actualBox.left != box.left || actualBox.top != box.top || actualBox.right != box.right ||
        actualBox.bottom != box.bottom) {
        return ::testing::AssertionFailure() << "box (" << actualBox.left << "," << actualBox.top << ","
                                             << actualBox.right << "," << actualBox.bottom << ") want (" << box.left
                                             << "," << box.top << "," << box.right << "," << box.bottom << ")";
    }
    int wrong = 0;
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

// The built handle selects exactly the runs mapped one rectangle at a time,
// for seeded random regions of every height from 1 row (so the merge tree
// takes every shape) and a spread of perspectives and scales.
TEST_F(RegionHandle, BuiltRegionMatchesTheRunsMappedToDisplay) {
    uint32_t seed = 0;
    for (const MappingCase &m : kMappings) {
        for (int round = 0; round < 6; ++round) {
            std::mt19937 rng(++seed);
            const LONG width = 1 + LONG(rng() % 40), height = 1 + LONG(rng() % 33);
            const PixelMask mask = RandomShape(seed, width, height, 1 + int(rng() % 4));
            MaskedBitmap bitmap(mask, m.view);
            HRGN handle = nullptr;
            ASSERT_EQ(BuildRgnHandle(&bitmap.record, bitmap.record.Region, &m.xform, &handle), STATUS_OK);
            EXPECT_TRUE(RegionEquals(handle, ModelRectangles(mask, m.view, m.xform)))
                << "seed " << seed << " view " << m.view << " perspective " << m.xform.Perspective << " size "
                << width << "x" << height;
            DeleteObject(handle);
        }
    }
}

TEST_F(RegionHandle, IdentityAndEmptyRegions) {
    const PixelMask mask = RandomShape(77, 53, 41, 5);
    MaskedBitmap bitmap(mask);
    HRGN handle = nullptr;
    ASSERT_EQ(BuildRgnHandle(&bitmap.record, bitmap.record.Region, nullptr, &handle), STATUS_OK);
    EXPECT_TRUE(RegionEquals(handle, ModelRectangles(mask, 0, RegionXForm{0, 1, 1, 1, 1, 0, 0})));
    DeleteObject(handle);

    MaskedBitmap empty(PixelMask(20, 20));
    RECT box{1, 1, 1, 1};
    ASSERT_EQ(BuildRgnHandle(&empty.record, empty.record.Region, nullptr, &handle), STATUS_OK);
    EXPECT_EQ(GetRgnBox(handle, &box), NULLREGION);
    DeleteObject(handle);
    int owns = -1;
    ASSERT_EQ(Z_IntGetBitmapRgnHandle(&empty.record, nullptr, &handle, &owns), STATUS_OK);
    EXPECT_EQ(owns, 0);
    EXPECT_EQ(GetRgnBox(handle, &box), NULLREGION);

    const RegionXForm refused[] = {{6, 1, 1, 1, 1, 0, 0}, {9, 1, 1, 1, 1, 0, 0}, {0, 1, 1, 1, 0, 0, 0}};
    for (const RegionXForm &x : refused)
        EXPECT_EQ(BuildRgnHandle(&empty.record, empty.record.Region, &x, &handle), STATUS_BAD_PARAMETER);
    EXPECT_EQ(BuildRgnHandle(&empty.record, nullptr, nullptr, &handle), STATUS_BAD_PARAMETER);
    EXPECT_EQ(BuildRgnHandle(&empty.record, empty.record.Region, nullptr, nullptr), STATUS_BAD_PARAMETER);
    EXPECT_EQ(Z_IntGetBitmapRgnHandle(nullptr, nullptr, &handle, &owns), STATUS_NO_BITMAP);
    EXPECT_EQ(Z_IntGetBitmapRgnHandle(&empty.record, nullptr, nullptr, &owns), STATUS_BAD_PARAMETER);
    EXPECT_EQ(Z_IntGetBitmapRgnHandle(&empty.record, nullptr, &handle, nullptr), STATUS_BAD_PARAMETER);
    EXPECT_EQ(Z_GetBitmapRgnHandle(&empty.record, nullptr, nullptr), STATUS_BAD_PARAMETER);
    EXPECT_EQ(Z_GetBitmapRgnHandle(nullptr, nullptr, &handle), STATUS_NO_BITMAP);
}

TEST_F(RegionHandle, BitmapWithoutRegionGivesTheWholeBitmapToTheCaller) {
    BitmapRecord bitmap{};
    ASSERT_EQ(KrnInitBitmapRecord(&bitmap, 30, 17, 1), STATUS_OK);
    bitmap.ViewPerspective = 4;  // shown 17 wide and 30 high
    const RegionXForm display{0, 2, 1, 1, 2, 10, 20};
    HRGN handle = nullptr;
    int owns = 0;
    ASSERT_EQ(Z_IntGetBitmapRgnHandle(&bitmap, &display, &handle, &owns), STATUS_OK);
    EXPECT_EQ(owns, 1);
    EXPECT_TRUE(RegionEquals(handle, {RECT{10, 20, 10 + 34, 20 + 15}}));
    DeleteObject(handle);
    ASSERT_EQ(Z_GetBitmapRgnHandle(&bitmap, nullptr, &handle), STATUS_OK);
    EXPECT_TRUE(RegionEquals(handle, {RECT{0, 0, 30, 17}}));
    DeleteObject(handle);
}

// Allocations made since the last call (the count of GDI objects and
// blocks a request created, whether or not they still live).
long AllocationsSinceLastCall() { return ZeltHostFailAllocationAfter(-1); }

TEST_F(RegionHandle, CacheIsKeptMovedOrRebuilt) {
    const PixelMask mask = RandomShape(5, 48, 36, 4);
    MaskedBitmap bitmap(mask, 2);
    const RegionXForm first{0, 3, 2, 1, 2, 4, 5};
    HRGN cached = nullptr;
    int owns = -1;
    AllocationsSinceLastCall();
    ASSERT_EQ(Z_IntGetBitmapRgnHandle(&bitmap.record, &first, &cached, &owns), STATUS_OK);
    EXPECT_GT(AllocationsSinceLastCall(), 0);
    EXPECT_EQ(owns, 0);
    EXPECT_EQ(cached, bitmap.region().hRgnCache);
    EXPECT_TRUE(RegionEquals(cached, ModelRectangles(mask, 2, first)));

    // The same key is served without building anything.
    HRGN again = nullptr;
    ASSERT_EQ(Z_IntGetBitmapRgnHandle(&bitmap.record, &first, &again, &owns), STATUS_OK);
    EXPECT_EQ(AllocationsSinceLastCall(), 0);
    EXPECT_EQ(again, cached);

    // Only the offsets change: the same handle, moved.
    const RegionXForm scrolled{0, 3, 2, 1, 2, -30, 12};
    ASSERT_EQ(Z_IntGetBitmapRgnHandle(&bitmap.record, &scrolled, &again, &owns), STATUS_OK);
    EXPECT_EQ(AllocationsSinceLastCall(), 0);
    EXPECT_EQ(again, cached);
    EXPECT_EQ(bitmap.region().RgnCacheXForm.XOffset, -30);
    EXPECT_EQ(bitmap.region().RgnCacheXForm.YOffset, 12);
    EXPECT_TRUE(RegionEquals(again, ModelRectangles(mask, 2, scrolled)));

    // A new scale rebuilds.
    const RegionXForm zoomed{0, 2, 1, 2, 1, -30, 12};
    ASSERT_EQ(Z_IntGetBitmapRgnHandle(&bitmap.record, &zoomed, &again, &owns), STATUS_OK);
    EXPECT_NE(again, cached);
    EXPECT_EQ(again, bitmap.region().hRgnCache);
    EXPECT_TRUE(RegionEquals(again, ModelRectangles(mask, 2, zoomed)));
    cached = again;

    // The caller's copy is its own: deleting it leaves the cache alone.
    HRGN copy = nullptr;
    ASSERT_EQ(Z_GetBitmapRgnHandle(&bitmap.record, &zoomed, &copy), STATUS_OK);
    EXPECT_NE(copy, cached);
    EXPECT_TRUE(EqualRgn(copy, cached));
    DeleteObject(copy);
    EXPECT_EQ(bitmap.region().hRgnCache, cached);
    EXPECT_TRUE(RegionEquals(cached, ModelRectangles(mask, 2, zoomed)));

    // Without a transform the key is the bitmap's own view at scale 1; a
    // changed view misses.
    ASSERT_EQ(Z_IntGetBitmapRgnHandle(&bitmap.record, nullptr, &again, &owns), STATUS_OK);
    EXPECT_TRUE(RegionEquals(again, ModelRectangles(mask, 2, RegionXForm{2, 1, 1, 1, 1, 0, 0})));
    const RegionXForm key = bitmap.region().RgnCacheXForm;
    EXPECT_TRUE(key.Perspective == 2 && key.XNum == 1 && key.XDen == 1 && key.YNum == 1 && key.YDen == 1);
    ASSERT_EQ(Z_IntGetBitmapRgnHandle(&bitmap.record, &zoomed, &again, &owns), STATUS_OK);
    bitmap.record.ViewPerspective = 0;
    AllocationsSinceLastCall();
    ASSERT_EQ(Z_IntGetBitmapRgnHandle(&bitmap.record, &zoomed, &again, &owns), STATUS_OK);
    EXPECT_GT(AllocationsSinceLastCall(), 0);
    EXPECT_TRUE(RegionEquals(again, ModelRectangles(mask, 0, zoomed)));
}

TEST_F(RegionHandle, BuildUnderAllocationFailureReleasesEverything) {
    const PixelMask mask = RandomShape(9, 12, 7, 3);
    MaskedBitmap bitmap(mask, 4);
    const RegionXForm xform{0, 3, 2, 1, 1, 2, 2};
    int status = 0;
    HRGN handle = nullptr;
    const long allocations = ForEachAllocationFailure(
        [&] {
            handle = nullptr;
            status = BuildRgnHandle(&bitmap.record, bitmap.record.Region, &xform, &handle);
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
            MaskedBitmap bitmap(mask);
            HRGN old = nullptr, out = nullptr;
            int owns = 0;
            if (warm) {
                ASSERT_EQ(Z_IntGetBitmapRgnHandle(&bitmap.record, &before, &old, &owns), STATUS_OK);
            }
            const LiveCounts start = LiveCounts::Now();
            ZeltHostFailAllocationAfter(failedAt);
            const int status = Z_GetBitmapRgnHandle(&bitmap.record, &wanted, &out);
            ZeltHostFailAllocationAfter(-1);
            if (status == STATUS_OK) {  // every allocation has been failed once
                EXPECT_TRUE(RegionEquals(out, ModelRectangles(mask, 0, wanted)));
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
                EXPECT_TRUE(RegionEquals(region.hRgnCache, ModelRectangles(mask, 0, wanted)));
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
