// Questions asked of a selection (area, bounds, points, clip segments) and
// its mapping into display space: as a record, a rectangle and a cached GDI
// region.
#include <algorithm>
#include <climits>
#include <random>
#include <string>
#include <vector>

#include "support/host_controls.h"
#include "region_model.h"

namespace zelt::test {
namespace {

using namespace zelt::region;

class RegionQueries : public LeakCheckedTest {};

// Seeded selections, empty ones and bitmaps without a region (every row all
// selected, rows outside the bitmap too).
TEST_F(RegionQueries, AnswersMatchThePixelModel) {
    for (uint32_t seed = 1; seed <= 70; ++seed) {
        std::mt19937 rng(seed);
        const LONG w = 1 + LONG(rng() % 70), h = 1 + LONG(rng() % 50);
        const bool none = seed % 7 == 0;
        const PixelMask mask = none ? WholeCanvas(w, h) : seed % 10 == 0 ? PixelMask(w, h) : RandomShape(seed, w, h, 3);
        RegionBitmap bitmap(w, h, none ? nullptr : RecordFromMask(mask));
        SCOPED_TRACE("seed " + std::to_string(seed));
        RECT box{INT_MAX, INT_MAX, INT_MIN, INT_MIN}, bounds{};
        for (LONG i = 0; i < w * h; ++i)
            if (mask.Get(i % w, i / w))
                box = RECT{std::min(box.left, i % w), std::min(box.top, i / w), std::max(box.right, i % w + 1),
                           std::max(box.bottom, i / w + 1)};
        if (box.left == INT_MAX) box = RECT{0, 0, 0, 0};
        DWORD area = 0, most = 0;
        ASSERT_EQ(Z_GetBitmapRgnArea(bitmap.get(), &area), STATUS_OK);
        ASSERT_EQ(Z_GetBitmapClipSegmentsMax(bitmap.get(), &most), STATUS_OK);
        ASSERT_EQ(Z_GetBitmapRgnBounds(bitmap.get(), nullptr, &bounds), STATUS_OK);
        EXPECT_TRUE(Z_BitmapHasRgn(bitmap.get()) == !none && long(area) == mask.Count());
        EXPECT_EQ(most, none ? 2u : DWORD(box.right - box.left + 1) & ~1u);
        EXPECT_TRUE(EqualRect(&bounds, &box));
        for (LONG y = -2; y < h + 2; ++y) {
            std::vector<LONG> want, got(most + 1, -12345);
            for (LONG x = 0; x < w; ++x) {
                auto in = [&](LONG c) { return none || mask.Get(c, y); };
                if (in(x) && (x == 0 || !in(x - 1))) want.push_back(x);
                if (in(x) && (x == w - 1 || !in(x + 1))) want.push_back(x + 1);
            }
            DWORD count = 99;
            ASSERT_EQ(Z_GetBitmapClipSegments(bitmap.get(), y, got.data(), &count), STATUS_OK);
            want.resize(got.size(), -12345);  // nothing written past the count
            EXPECT_TRUE(count <= most && got == want) << "row " << y;
            for (LONG x = -2; x < w + 2; ++x)
                EXPECT_EQ(Z_IsPtInBitmapRgn(bitmap.get(), y, x), mask.Get(x, y)) << x << "," << y;
        }
    }
    RegionBitmap bitmap(RandomShape(3, 30, 20));
    bitmap.region().hRgnCache = CreateRectRgn(0, 0, 4, 4);  // released with the record
    EXPECT_TRUE(Z_FreeBitmapRgn(bitmap.get()) == STATUS_OK && bitmap.record.Region == nullptr);
    EXPECT_EQ(Z_FreeBitmapRgn(bitmap.get()), STATUS_OK);
}

// Rectangles of a 100 x 80 bitmap of the given view mapped: columns round
// up and 0 stays 0, negative edges truncate, rows round down except in
// perspective 2 or when perspective 0 shows a view 4 bitmap, large products
// go through doubles and results saturate.
TEST_F(RegionQueries, RectangleMappingGoldens) {
    const struct {
        LONG view;
        RegionXForm xform;
        RECT in, want;
    } cases[] = {
        {0, {0, 1, 2, 1, 1, 0, 0}, {3, 0, 5, 7}, {2, 0, 3, 7}},
        {0, {0, 1, 2, 1, 2, 0, 0}, {-3, -3, 0, 1}, {-1, -1, 0, 0}},
        {0, {0, 1, 1, 1, 2, 0, 0}, {0, 3, 1, 5}, {0, 1, 1, 2}},
        {2, {2, 1, 1, 1, 2, 0, 0}, {0, 3, 1, 5}, {0, 2, 1, 3}},
        {0, {0, 2, 1, 3, 1, 5, -7}, {1, 2, 3, 4}, {7, -1, 11, 5}},
        {6, {0, 3, 2, 1, 1, 1, 1}, {1, 2, 3, 4}, {3, 3, 6, 5}},
        {2, {0, 1, 1, 1, 1, 0, 0}, {10, 3, 20, 5}, {10, 75, 20, 77}},
        {4, {1, 1, 1, 1, 3, 0, 0}, {10, 3, 20, 5}, {3, 3, 5, 6}},
        {0, {1, 1, 1, 1, 1, 0, 0}, {10, 3, 20, 5}, {80, 3, 90, 5}},
        {0, {5, 1, 1, 1, 1, 0, 0}, {10, 3, 20, 5}, {3, 10, 5, 20}},
        {4, {0, 1, 1, 1, 3, 0, 0}, {10, 3, 20, 5}, {75, 4, 77, 7}},
        {0, {0, 65536, 65536, 40000, 80000, 0, 0}, {65536, 65536, 131072, 131072}, {65536, 32768, 131072, 65536}},
        {0, {0, 4, 1, -4, 1, 0, 0}, {1 << 28, 1 << 28, 1 << 30, 1 << 30}, {1 << 30, -(1 << 30), INT_MAX, INT_MIN}},
        {0, {0, 1, 1, 1, 1, INT_MAX, INT_MIN}, {0, 0, 5, -5}, {INT_MAX, INT_MIN, INT_MAX, INT_MIN}},
    };
    for (const auto &c : cases) {
        RegionBitmap bitmap(100, 80, nullptr, c.view);
        RECT r = c.in;
        ASSERT_EQ(BitmapRectToDisplay(bitmap.get(), &c.xform, &r), STATUS_OK);
        ASSERT_EQ(BitmapRectToDisplay(bitmap.get(), nullptr, &r), STATUS_OK);  // no transform: unchanged
        EXPECT_TRUE(EqualRect(&r, &c.want)) << r.left << "," << r.top << "," << r.right << "," << r.bottom;
    }
}

const PixelMask kCanvas(260, 260, -40, -40);

::testing::AssertionResult HandleSelects(HRGN handle, const PixelMask &model) {
    RECT box{};
    const PixelMask got = ModelOf(model.width, model.height, model.originX, model.originY,
                                  [&](LONG x, LONG y) { return PtInRegion(handle, x, y) != FALSE; });
    if (GetRgnBox(handle, &box) != ERROR && model.outside == 0 && got == model &&
        (IsRectEmpty(box) || (box.left >= model.originX && box.top >= model.originY &&
                              box.right <= model.originX + model.width && box.bottom <= model.originY + model.height)))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << got.Count() << " pixels, model " << model.Count();
}

// Random regions of every height from one row (the handle's merge tree takes
// every shape), views, perspectives, scales from 1/5 to 5 and offsets; the
// record lies inside the bounds mapped as a rectangle.
TEST_F(RegionQueries, DisplayMappingsMatchTheModel) {
    const LONG views[] = {0, 1, 2, 3, 4, 5, 7, 8};
    for (uint32_t seed = 0; seed < 240; ++seed) {
        std::mt19937 rng(seed);
        const LONG w = 1 + LONG(rng() % 36), h = 1 + LONG(rng() % 33), view = views[rng() % 8];
        const PixelMask shape = seed % 29 == 0 ? PixelMask(w, h) : RandomShape(seed + 9000, w, h, 1 + int(rng() % 5));
        auto ratio = [&] { return rng() % 3 == 0 ? 1 : 1 + LONG(rng() % 5); };
        RegionXForm xform{views[rng() % 8],     ratio(), ratio(), ratio(), ratio(), LONG(rng() % 41) - 20,
                          LONG(rng() % 41) - 20};
        const RegionXForm *passed = seed % 11 == 0 ? nullptr : &xform;
        if (!passed) xform = RegionXForm{view, 1, 1, 1, 1, 0, 0};
        SCOPED_TRACE(::testing::Message() << "seed " << seed << " view " << view << " to " << xform.Perspective);
        RegionBitmap bitmap(shape, view);
        const PixelMask want = DisplayModel(shape, view, xform, kCanvas);
        RecordPtr mapped = RecordFromMask(shape);
        RECT box{};
        ASSERT_EQ(RgnRecordToDisplay(bitmap.get(), passed, mapped.get()), STATUS_OK);
        ASSERT_EQ(Z_GetBitmapRgnBounds(bitmap.get(), &xform, &box), STATUS_OK);
        const RECT &b = mapped->Bounds;
        EXPECT_TRUE(RecordIsWellFormed(*mapped) && MaskFromRecord(*mapped, kCanvas) == want && want.outside == 0);
        EXPECT_TRUE(IsRectEmpty(b) ||
                    (b.left >= box.left && b.top >= box.top && b.right <= box.right && b.bottom <= box.bottom));
        if (seed % 5 != 0) continue;
        HRGN handle = nullptr;
        ASSERT_EQ(BuildRgnHandle(bitmap.get(), bitmap.record.Region, passed, &handle), STATUS_OK);
        EXPECT_TRUE(HandleSelects(handle, want));
        DeleteObject(handle);
    }
}

// The cached handle is served for the same key without building anything,
// moved when only the offsets change and rebuilt for a new scale or view;
// without a transform the key is the bitmap's view at scale 1. Callers get
// their own copies; a bitmap without a region gives a fresh rectangle.
TEST_F(RegionQueries, CachedHandleIsKeptMovedOrRebuilt) {
    ZELT_REQUIRE_HOST_CONTROLS("counting the allocations of each handle request");
    const PixelMask mask = RandomShape(5, 48, 36, 4);
    RegionBitmap bitmap(mask, 2);
    const RegionXForm first{0, 3, 2, 1, 2, 4, 5}, moved{0, 3, 2, 1, 2, -30, 12}, zoomed{0, 2, 1, 2, 1, -30, 12};
    const RegionXForm own{2, 1, 1, 1, 1, 0, 0};
    const struct {
        const RegionXForm *xform;
        LONG view;
        bool builds;
    } steps[] = {{&first, 2, true},  {&first, 2, false}, {&moved, 2, false}, {&zoomed, 2, true},
                 {nullptr, 2, true}, {&own, 2, false},   {&zoomed, 2, true}, {&zoomed, 0, true}};
    HRGN handle = nullptr, copy = nullptr;
    int owns = -1;
    for (const auto &step : steps) {
        bitmap.record.ViewPerspective = step.view;
        ZeltHostFailAllocationAfter(-1);
        ASSERT_EQ(Z_IntGetBitmapRgnHandle(bitmap.get(), step.xform, &handle, &owns), STATUS_OK);
        EXPECT_EQ(ZeltHostFailAllocationAfter(-1) > 0, step.builds) << (&step - steps);
        EXPECT_TRUE(owns == 0 && handle == bitmap.region().hRgnCache);
        EXPECT_TRUE(HandleSelects(handle, DisplayModel(mask, step.view, step.xform ? *step.xform : own, kCanvas)));
    }
    ASSERT_EQ(Z_GetBitmapRgnHandle(bitmap.get(), &zoomed, &copy), STATUS_OK);
    EXPECT_TRUE(copy != handle && EqualRgn(copy, handle));
    DeleteObject(copy);
    RegionBitmap whole(30, 17, nullptr, 4);  // shown 17 wide and 30 high
    const RegionXForm display{0, 2, 1, 1, 2, 10, 20};
    ASSERT_EQ(Z_IntGetBitmapRgnHandle(whole.get(), &display, &copy, &owns), STATUS_OK);
    EXPECT_TRUE(owns == 1 && HandleSelects(copy, DisplayModel(WholeCanvas(30, 17), 4, display, kCanvas)));
    DeleteObject(copy);
}

// Each allocation of a request failing in turn, from an empty cache and from
// one of another scale: NO_MEMORY, no handle, nothing leaked, and the cache
// as it was or wholly refreshed (when only the caller's copy failed).
TEST_F(RegionQueries, HandleRequestsSurviveAllocationFailures) {
    ZELT_REQUIRE_HOST_CONTROLS("failing each allocation of a handle request");
    const PixelMask mask = RandomShape(13, 16, 9, 3);
    const RegionXForm before{0, 1, 2, 1, 2, 0, 0}, wanted{4, 2, 1, 3, 2, 5, 5};
    for (const bool warm : {false, true}) {
        for (long failedAt = 1;; ++failedAt) {
            RegionBitmap bitmap(mask);
            HRGN old = nullptr, out = nullptr;
            int owns = 0;
            ASSERT_TRUE(!warm || Z_IntGetBitmapRgnHandle(bitmap.get(), &before, &old, &owns) == STATUS_OK);
            const LiveCounts start = LiveCounts::Now();
            ZeltHostFailAllocationAfter(failedAt);
            const int status = Z_GetBitmapRgnHandle(bitmap.get(), &wanted, &out);
            ZeltHostFailAllocationAfter(-1);
            const HRGN cache = bitmap.region().hRgnCache;
            if (status == STATUS_OK) {  // every allocation has been failed once
                EXPECT_TRUE(failedAt > 5 && HandleSelects(out, DisplayModel(mask, 0, wanted, kCanvas)));
                DeleteObject(out);
                break;
            }
            EXPECT_TRUE(status == STATUS_NO_MEMORY && out == nullptr) << failedAt;
            EXPECT_TRUE(cache == old ? bitmap.region().RgnCacheXForm.XNum == (warm ? before.XNum : 0)
                                     : bool(HandleSelects(cache, DisplayModel(mask, 0, wanted, kCanvas))));
            LiveCounts expected = start;
            expected.gdi += cache == old || warm ? 0 : 1;
            EXPECT_EQ(LiveCounts::Now(), expected) << failedAt;
        }
    }
}

}  // namespace
}  // namespace zelt::test
