// Regions and DC clips at their edges: allocation failure in every creating
// call and in CombineRgn, invalid, stale and foreign handles, degenerate
// polygons; ExtSelectClipRgn in every mode against CombineRgn over seeded
// random regions, and the rectangle clip calls in device units.
#include <functional>
#include <random>

#include <gtest/gtest.h>

#include "gdi/region.h"
#include "support/leak_guard.h"
#include "support/surface_model.h"

namespace zelt::test {
namespace {

const RECT kBox{3, 4, 40, 30};
const POINT kStars[] = {{10, 0}, {16, 19}, {0, 7}, {20, 7}, {4, 19}, {30, 0}, {36, 19}, {20, 7}, {40, 7}, {24, 19}};
const INT kTwoStars[] = {5, 5};

class RegionEdges : public LeakCheckedTest {};

TEST_F(RegionEdges, EveryCreatingCallFailsCleanlyWhenMemoryRunsOut) {
    const std::function<HRGN()> creators[] = {
        [] { return CreateRectRgn(1, 2, 30, 40); },          [] { return CreateRectRgnIndirect(&kBox); },
        [] { return CreateEllipticRgn(0, 0, 300, 200); },    [] { return CreateEllipticRgnIndirect(&kBox); },
        [] { return CreateRoundRectRgn(0, 0, 300, 200, 40, 30); }, [] { return CreatePolygonRgn(kStars, 5, WINDING); },
        [] { return CreatePolyPolygonRgn(kStars, kTwoStars, 2, ALTERNATE); }};
    for (size_t i = 0; i < std::size(creators); ++i) {
        bool created = false;
        EXPECT_GE(ForEachAllocationFailure([&] { SetLastError(0), created = DeleteObject(creators[i]()); },
                                           [&](long failedAt) {
                                               EXPECT_FALSE(created) << "creator " << i << ", allocation " << failedAt;
                                               EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_ENOUGH_MEMORY)) << "creator " << i;
                                           }),
                  1)
            << "creator " << i;
    }
    // A failed CombineRgn leaves its destination as it was.
    HRGN a = CreateEllipticRgn(0, 0, 30, 20), b = CreateRoundRectRgn(5, 5, 40, 40, 9, 9), keep = CreateRectRgn(0, 0, 0, 0);
    for (int mode = RGN_AND; mode <= RGN_COPY; ++mode) {
        int result = 0;
        ForEachAllocationFailure([&] { CombineRgn(keep, a, nullptr, RGN_COPY), result = CombineRgn(a, a, b, mode); },
                                 [&](long failedAt) {
                                     EXPECT_EQ(result, ERROR) << "mode " << mode << " allocation " << failedAt;
                                     EXPECT_TRUE(EqualRgn(a, keep)) << "mode " << mode << " allocation " << failedAt;
                                 });
        CombineRgn(a, keep, nullptr, RGN_COPY);
    }
    for (HRGN r : {a, b, keep}) DeleteObject(r);
}

TEST_F(RegionEdges, BadHandlesCountsAndModesAreRefused) {
    HRGN stale = CreateRectRgn(0, 0, 5, 5), good = CreateRectRgn(0, 0, 5, 5);
    EXPECT_TRUE(GetObjectType(stale) == OBJ_REGION && DeleteObject(stale) && !DeleteObject(stale));
    LOGPALETTE palette{0x300, 1, {{1, 2, 3, 0}}};
    HPALETTE foreign = CreatePalette(&palette);
    for (HRGN bad : {HRGN(nullptr), stale, reinterpret_cast<HRGN>(foreign)}) {
        RECT box{7, 7, 7, 7};
        EXPECT_TRUE(GetRgnBox(bad, &box) == ERROR && box.left == 7 && OffsetRgn(bad, 1, 1) == ERROR);
        EXPECT_FALSE(PtInRegion(bad, 1, 1) || RectInRegion(bad, &kBox) || SetRectRgn(bad, 0, 0, 1, 1) || GetRegionData(bad, 0, nullptr));
        EXPECT_TRUE(EqualRgn(bad, good) == ERROR && EqualRgn(good, bad) == ERROR && CombineRgn(bad, good, good, RGN_OR) == ERROR);
        EXPECT_TRUE(CombineRgn(good, bad, good, RGN_OR) == ERROR && CombineRgn(good, good, bad, RGN_OR) == ERROR);
        EXPECT_EQ(CombineRgn(good, good, bad, RGN_COPY), SIMPLEREGION) << "a copy needs no second source";
    }
    EXPECT_TRUE(CombineRgn(good, good, good, 0) == ERROR && CombineRgn(good, good, good, 6) == ERROR);
    EXPECT_TRUE(CreateRectRgnIndirect(nullptr) == nullptr && CreateEllipticRgnIndirect(nullptr) == nullptr);
    // Polygons without area are empty regions; impossible counts fail.
    const POINT line[] = {{0, 0}, {5, 5}, {10, 10}, {20, 20}}, flat[] = {{0, 3}, {9, 3}, {4, 3}};
    for (const auto &[points, count] : {std::pair{line, 0}, {line, 1}, {line, 2}, {line, 4}, {flat, 3}, {nullptr, 0}}) {
        HRGN region = CreatePolygonRgn(points, count, ALTERNATE);
        EXPECT_TRUE(GetRgnBox(region, nullptr) == NULLREGION && platform::FindObject<platform::RegionObject>(region)->data.Validate());
        DeleteObject(region);
    }
    const INT negative[] = {3, -2};
    EXPECT_TRUE(CreatePolygonRgn(line, -1, ALTERNATE) == nullptr && CreatePolygonRgn(nullptr, 3, ALTERNATE) == nullptr);
    EXPECT_EQ(CreatePolyPolygonRgn(kStars, negative, 2, ALTERNATE), nullptr);
    EXPECT_EQ(CreatePolyPolygonRgn(kStars, nullptr, 2, ALTERNATE), nullptr);
    DeleteObject(foreign);
    DeleteObject(good);
}

TEST_F(RegionEdges, ExtSelectClipRgnCombinesWithThePreviousClip) {
    ModelDc dc(SurfaceModel(40, 30, 32));
    HRGN expected = CreateRectRgn(0, 0, 0, 0), clip = CreateRectRgn(0, 0, 0, 0);
    for (int n = 0; n < 300; ++n) {
        std::mt19937 rng{unsigned(n)};
        const auto c = [&] { return int(rng() % 60) - 10; };
        SetRectRgn(expected, 0, 0, 40, 30);  // no clip: the whole surface
        SelectClipRgn(dc.dc(), nullptr);
        for (int step = 0; step < 4; ++step) {
            HRGN region = CreateEllipticRgn(c(), c(), c(), c()), square = CreateRectRgn(c(), c(), c(), c());
            CombineRgn(region, region, square, RGN_XOR);
            const int mode = RGN_AND + int(rng() % 5);
            const int type = mode == RGN_COPY ? CombineRgn(expected, region, nullptr, RGN_COPY) : CombineRgn(expected, expected, region, mode);
            ASSERT_EQ(ExtSelectClipRgn(dc.dc(), region, mode), type) << "case " << n << " step " << step;
            ASSERT_TRUE(GetClipRgn(dc.dc(), clip) == 1 && EqualRgn(clip, expected)) << "case " << n << " step " << step << " mode " << mode;
            // The clip's box cut to the surface, edges as computed (an empty
            // cut keeps them unordered), and the clip's type unless empty.
            RECT box{}, own{};
            int clipType = GetRgnBox(expected, &own);
            const RECT want{std::max(own.left, LONG{0}), std::max(own.top, LONG{0}), std::min(own.right, LONG{40}),
                            std::min(own.bottom, LONG{30})};
            if (want.left >= want.right || want.top >= want.bottom) clipType = NULLREGION;
            ASSERT_TRUE(GetClipBox(dc.dc(), &box) == clipType && EqualRect(&box, &want)) << "case " << n << " step " << step;
            DeleteObject(region), DeleteObject(square);
        }
    }
    EXPECT_TRUE(ExtSelectClipRgn(dc.dc(), nullptr, RGN_AND) == ERROR && ExtSelectClipRgn(dc.dc(), nullptr, RGN_COPY) == SIMPLEREGION);
    EXPECT_TRUE(ExtSelectClipRgn(dc.dc(), clip, 0) == ERROR && ExtSelectClipRgn(dc.dc(), clip, 6) == ERROR);
    EXPECT_EQ(ExtSelectClipRgn(nullptr, clip, RGN_COPY), ERROR);
    EXPECT_EQ(GetClipRgn(dc.dc(), clip), 0) << "failed calls leave no clip behind";
    DeleteObject(expected), DeleteObject(clip);
}

// The rectangle calls take logical coordinates; the clip is kept in device units.
TEST_F(RegionEdges, RectangleClipCallsWorkInDeviceUnits) {
    ModelDc canvas(SurfaceModel(40, 30, 32));
    const HDC dc = canvas.dc();
    SetViewportOrgEx(dc, 4, 2, nullptr);  // logical (x, y) is device (x + 4, y + 2)
    HRGN clip = CreateRectRgn(0, 0, 0, 0), expected = CreateRectRgn(4, 2, 14, 12), hole = CreateRectRgn(6, 4, 8, 6);
    const auto clipIs = [&](HRGN want) { return GetClipRgn(dc, clip) == 1 && EqualRgn(clip, want); };
    EXPECT_EQ(IntersectClipRect(dc, 0, 0, 10, 10), SIMPLEREGION);
    EXPECT_TRUE(clipIs(expected));
    EXPECT_EQ(ExcludeClipRect(dc, 2, 2, 4, 4), COMPLEXREGION);
    CombineRgn(expected, expected, hole, RGN_DIFF);
    EXPECT_TRUE(clipIs(expected));
    EXPECT_EQ(OffsetClipRgn(dc, -3, 5), COMPLEXREGION);
    OffsetRgn(expected, -3, 5);
    EXPECT_TRUE(clipIs(expected));
    RECT box;
    const RECT logical{-3, 5, 7, 15};  // device (1, 7, 11, 17)
    EXPECT_TRUE(GetClipBox(dc, &box) == COMPLEXREGION && EqualRect(&box, &logical));
    const int level = SaveDC(dc);  // the clip is saved with the DC
    EXPECT_TRUE(IntersectClipRect(dc, 0, 0, 0, 0) == NULLREGION && GetClipBox(dc, &box) == NULLREGION);
    EXPECT_TRUE(RestoreDC(dc, level) && clipIs(expected));
    // Without a clip, ExcludeClipRect cuts the hole out of the whole surface.
    SelectClipRgn(dc, nullptr);
    EXPECT_TRUE(OffsetClipRgn(dc, 1, 1) == SIMPLEREGION && GetClipRgn(dc, clip) == 0);
    EXPECT_EQ(ExcludeClipRect(dc, 0, 0, 10, 10), COMPLEXREGION);
    SetRectRgn(expected, 0, 0, 40, 30), SetRectRgn(hole, 4, 2, 14, 12), CombineRgn(expected, expected, hole, RGN_DIFF);
    EXPECT_TRUE(clipIs(expected));
    EXPECT_EQ(ExcludeClipRect(dc, -4, -2, 36, 28), NULLREGION) << "the rest of the surface";
    EXPECT_TRUE(IntersectClipRect(nullptr, 0, 0, 1, 1) == ERROR && ExcludeClipRect(nullptr, 0, 0, 1, 1) == ERROR);
    EXPECT_TRUE(OffsetClipRgn(nullptr, 1, 1) == ERROR && GetClipBox(nullptr, &box) == ERROR && GetClipRgn(nullptr, clip) == -1);
    for (HRGN r : {clip, expected, hole}) DeleteObject(r);
}

}  // namespace
}  // namespace zelt::test
