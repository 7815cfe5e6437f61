// BuildRgnHandle against the straightforward construction: every run mapped
// by BitmapRectToDisplay on its own and ORed into one region, over seeded
// shapes, views, perspectives, scales of either sign and offsets up to the
// saturation limits.
#include <algorithm>
#include <climits>
#include <random>
#include <vector>

#include "region_model.h"
#include "support/rect_union_model.h"

namespace zelt::test {
namespace {

using namespace zelt::region;

// Every run mapped on its own, edges put in order as SetRectRgn would.
std::vector<RECT> PerRunRects(const BitmapRecord *bitmap, const RegionRecord &region, const RegionXForm *xform) {
    std::vector<RECT> rects;
    for (LONG y = region.Bounds.top; y < region.Bounds.bottom; ++y) {
        const RowRuns runs = RowOf(region, y);
        for (DWORD i = 0; i + 1 < runs.count; i += 2) {
            RECT r{runs.values[i], y, runs.values[i + 1], y + 1};
            EXPECT_EQ(BitmapRectToDisplay(bitmap, xform, &r), STATUS_OK);
            rects.push_back({std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right), std::max(r.top, r.bottom)});
        }
    }
    return rects;
}

class RgnHandleModel : public LeakCheckedTest {};

TEST_F(RgnHandleModel, HandlesMatchThePerRunUnion) {
    const LONG views[] = {0, 1, 2, 3, 4, 5, 7, 8};
    const LONG ratios[] = {1, 1, 2, 3, 5, 7, -1, -2, -3};
    const LONG offsets[] = {0, 3, -17, 1000, INT_MAX - 40, INT_MIN + 40};
    for (uint32_t seed = 0; seed < 1200; ++seed) {
        std::mt19937 rng(seed);
        const LONG w = 1 + LONG(rng() % 70), h = 1 + LONG(rng() % 60);
        RegionBitmap bitmap(RandomShape(seed + 300, w, h, 1 + int(rng() % 6)), views[rng() % 8]);
        const RegionXForm xform{views[rng() % 8], ratios[rng() % 9], ratios[rng() % 9], ratios[rng() % 9],
                                ratios[rng() % 9], offsets[rng() % 6] + LONG(rng() % 9), offsets[rng() % 6] - LONG(rng() % 9)};
        const RegionXForm *passed = seed % 13 == 0 ? nullptr : &xform;
        HRGN got = nullptr;
        ASSERT_EQ(BuildRgnHandle(bitmap.get(), bitmap.record.Region, passed, &got), STATUS_OK);
        HRGN want = RectUnionModel(PerRunRects(bitmap.get(), bitmap.region(), passed));
        EXPECT_TRUE(EqualRgn(got, want)) << "seed " << seed << " view " << bitmap.record.ViewPerspective;
        DeleteObject(got);
        DeleteObject(want);
    }
}

}  // namespace
}  // namespace zelt::test
