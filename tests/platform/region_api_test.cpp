// Region calls at their edges: allocation failure on every creating call,
// invalid and foreign handles, degenerate polygons, poly-polygons against
// their parts, and large shapes.
#include <climits>
#include <functional>
#include <random>
#include <string>

#include "platform/region_test_support.h"
#include "support/leak_guard.h"
#include "zelt/host.h"

namespace zelt::test {
namespace {

class RegionApi : public LeakCheckedTest {};

const RECT kBox{3, 4, 40, 30};
const POINT kStar[] = {{10, 0}, {16, 19}, {0, 7}, {20, 7}, {4, 19}};
const INT kTwoStars[] = {5, 5};
const POINT kStars[] = {{10, 0}, {16, 19}, {0, 7}, {20, 7}, {4, 19}, {30, 0}, {36, 19}, {20, 7}, {40, 7}, {24, 19}};

TEST_F(RegionApi, EveryCreatingCallFailsCleanlyWhenMemoryRunsOut) {
    const struct {
        const char *name;
        std::function<HRGN()> create;
    } creators[] = {
        {"CreateRectRgn", [] { return CreateRectRgn(1, 2, 30, 40); }},
        {"CreateRectRgnIndirect", [] { return CreateRectRgnIndirect(&kBox); }},
        {"CreateEllipticRgn", [] { return CreateEllipticRgn(0, 0, 300, 200); }},
        {"CreateEllipticRgnIndirect", [] { return CreateEllipticRgnIndirect(&kBox); }},
        {"CreateRoundRectRgn", [] { return CreateRoundRectRgn(0, 0, 300, 200, 40, 30); }},
        {"CreatePolygonRgn", [] { return CreatePolygonRgn(kStar, 5, WINDING); }},
        {"CreatePolyPolygonRgn", [] { return CreatePolyPolygonRgn(kStars, kTwoStars, 2, ALTERNATE); }},
    };
    for (const auto &creator : creators) {
        bool created = false;
        const long allocations = ForEachAllocationFailure(
            [&] {
                SetLastError(0);
                HRGN made = creator.create();
                created = made != nullptr;
                if (made != nullptr) DeleteObject(made);
            },
            [&](long failedAt) {
                EXPECT_FALSE(created) << creator.name << ", allocation " << failedAt;
                EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY)) << creator.name;
            });
        EXPECT_GE(allocations, 1) << creator.name;
    }
}

TEST_F(RegionApi, InvalidStaleAndForeignHandlesAreRefused) {
    HRGN stale = CreateRectRgn(0, 0, 5, 5);
    ASSERT_NE(stale, nullptr);
    EXPECT_EQ(GetObjectType(stale), static_cast<DWORD>(OBJ_REGION));
    EXPECT_TRUE(DeleteObject(stale));
    EXPECT_FALSE(DeleteObject(stale));
    LOGPALETTE palette{0x300, 1, {{1, 2, 3, 0}}};
    HPALETTE foreign = CreatePalette(&palette);
    RegionHandle good(CreateRectRgn(0, 0, 5, 5));
    for (HRGN bad : {static_cast<HRGN>(nullptr), stale, reinterpret_cast<HRGN>(foreign)}) {
        RECT box{7, 7, 7, 7};
        EXPECT_EQ(GetRgnBox(bad, &box), ERROR);
        EXPECT_TRUE(SameRect(box, RECT{7, 7, 7, 7}));
        EXPECT_EQ(OffsetRgn(bad, 1, 1), ERROR);
        EXPECT_FALSE(PtInRegion(bad, 1, 1));
        EXPECT_FALSE(RectInRegion(bad, &kBox));
        EXPECT_FALSE(SetRectRgn(bad, 0, 0, 1, 1));
        EXPECT_EQ(EqualRgn(bad, good), ERROR);
        EXPECT_EQ(EqualRgn(good, bad), ERROR);
        EXPECT_EQ(GetRegionData(bad, 0, nullptr), 0u);
        EXPECT_EQ(CombineRgn(bad, good, good, RGN_OR), ERROR);
        EXPECT_EQ(CombineRgn(good, bad, good, RGN_OR), ERROR);
        EXPECT_EQ(CombineRgn(good, good, bad, RGN_OR), ERROR);
        EXPECT_EQ(CombineRgn(good, good, bad, RGN_COPY), SIMPLEREGION);
    }
    EXPECT_TRUE(DeleteObject(foreign));
    RECT box;
    EXPECT_EQ(GetRgnBox(good, &box), SIMPLEREGION);
    EXPECT_TRUE(SameRect(box, RECT{0, 0, 5, 5}));
    EXPECT_EQ(CreateRectRgnIndirect(nullptr), nullptr);
    EXPECT_EQ(CreateEllipticRgnIndirect(nullptr), nullptr);
}

TEST_F(RegionApi, DegeneratePolygonsGiveEmptyRegionsAndBadCountsFail) {
    const POINT line[] = {{0, 0}, {5, 5}, {10, 10}, {20, 20}};
    const POINT flat[] = {{0, 3}, {9, 3}, {4, 3}};
    const struct {
        const POINT *points;
        int count;
    } empties[] = {{line, 0}, {line, 1}, {line, 2}, {line, 4}, {flat, 3}, {nullptr, 0}};
    for (const auto &e : empties) {
        RegionHandle region(CreatePolygonRgn(e.points, e.count, ALTERNATE));
        ASSERT_NE(region.get(), nullptr) << e.count;
        EXPECT_EQ(GetRgnBox(region, nullptr), NULLREGION) << e.count;
        ExpectValid(region, "degenerate polygon");
    }
    EXPECT_EQ(CreatePolygonRgn(line, -1, ALTERNATE), nullptr);
    EXPECT_EQ(CreatePolygonRgn(nullptr, 3, ALTERNATE), nullptr);
    const INT negative[] = {3, -2};
    EXPECT_EQ(CreatePolyPolygonRgn(kStars, negative, 2, ALTERNATE), nullptr);
    EXPECT_EQ(CreatePolyPolygonRgn(kStars, nullptr, 2, ALTERNATE), nullptr);
}

// Crossing parities add, so an ALTERNATE poly-polygon is the XOR of its
// parts; parts traced the same way round add their windings, so a WINDING
// poly-polygon of convex parts is their union.
TEST_F(RegionApi, PolyPolygonsCombineTheirParts) {
    for (int n = 0; n < 300; ++n) {
        SCOPED_TRACE("case " + std::to_string(n));
        std::mt19937 rng(static_cast<unsigned>(n));
        std::vector<POINT> points;
        std::vector<INT> counts;
        const int parts = 2 + static_cast<int>(rng() % 3);
        for (int p = 0; p < parts; ++p) {
            // Random rectangles as quadrilaterals traced clockwise.
            const LONG x0 = static_cast<LONG>(rng() % 30), y0 = static_cast<LONG>(rng() % 30);
            const LONG x1 = x0 + 1 + static_cast<LONG>(rng() % 20), y1 = y0 + 1 + static_cast<LONG>(rng() % 20);
            points.insert(points.end(), {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}});
            counts.push_back(4);
        }
        RegionHandle alternate(CreatePolyPolygonRgn(points.data(), counts.data(), parts, ALTERNATE));
        RegionHandle winding(CreatePolyPolygonRgn(points.data(), counts.data(), parts, WINDING));
        RegionHandle xored(CreateRectRgn(0, 0, 0, 0)), unioned(CreateRectRgn(0, 0, 0, 0));
        for (int p = 0; p < parts; ++p) {
            RegionHandle part(CreatePolygonRgn(points.data() + 4 * p, 4, ALTERNATE));
            RegionHandle rect(CreateRectRgn(points[4 * p].x, points[4 * p].y, points[4 * p + 2].x, points[4 * p + 2].y));
            ASSERT_TRUE(EqualRgn(part, rect));
            CombineRgn(xored, xored, part, RGN_XOR);
            CombineRgn(unioned, unioned, part, RGN_OR);
        }
        ExpectValid(alternate, "alternate");
        ExpectValid(winding, "winding");
        EXPECT_TRUE(EqualRgn(alternate, xored));
        EXPECT_TRUE(EqualRgn(winding, unioned));
    }
}

// Polygons with long, steep and shallow edges in all directions and
// negative coordinates, pixel by pixel against the definition.
TEST_F(RegionApi, RandomPolygonsMatchTheirDefinition) {
    for (int n = 0; n < 60; ++n) {
        SCOPED_TRACE("case " + std::to_string(n));
        std::mt19937 rng(static_cast<unsigned>(n));
        std::vector<POINT> points(3 + rng() % 10);
        for (POINT &p : points) p = {static_cast<LONG>(rng() % 121) - 60, static_cast<LONG>(rng() % 121) - 60};
        const int mode = n % 2 == 0 ? ALTERNATE : WINDING;
        RegionHandle region(CreatePolygonRgn(points.data(), static_cast<int>(points.size()), mode));
        ExpectValid(region, "polygon");
        for (int y = -61; y <= 61; ++y)
            for (int x = -61; x <= 61; ++x)
                ASSERT_EQ(PtInRegion(region, x, y) != 0, PolygonPixel(points, mode, x, y)) << x << "," << y;
    }
}

// A large ellipse is symmetric, inside its box, touches the middle of each
// side and covers about pi/4 of the box.
TEST_F(RegionApi, LargeEllipseKeepsItsShape) {
    RegionHandle ellipse(CreateEllipticRgn(-2000, -1500, 2001, 1501));
    ExpectValid(ellipse, "large ellipse");
    RECT box;
    EXPECT_EQ(GetRgnBox(ellipse, &box), COMPLEXREGION);
    EXPECT_TRUE(SameRect(box, RECT{-2000, -1500, 2000, 1500})) << Describe(box);
    const std::vector<RECT> rects = RectsOf(ellipse);
    double area = 0;
    for (const RECT &r : rects) {
        area += double(r.right - r.left) * (r.bottom - r.top);
        EXPECT_EQ(r.left + r.right, 0) << Describe(r);  // centred on x = -0.5 .. pixel columns -2000..1999
    }
    const double expected = 3.14159265358979 / 4 * 4000.0 * 3000.0;
    EXPECT_NEAR(area / expected, 1.0, 0.001);
    for (LONG y = -1500; y < 1500; y += 37)
        EXPECT_EQ(PtInRegion(ellipse, 0, y) != 0, PtInRegion(ellipse, 0, -1 - y) != 0) << y;
}

// Corner ellipses too large for 64-bit recurrence terms take the wide path;
// the result must still be a valid, mirrored shape inside its rectangle.
TEST_F(RegionApi, HugeCornerTakesTheWidePath) {
    const int width = (1 << 21) + 1;
    RegionHandle round(CreateRoundRectRgn(0, 0, width, 9, width, 8));
    ExpectValid(round, "huge corner");
    RECT box;
    ASSERT_EQ(GetRgnBox(round, &box), COMPLEXREGION);
    EXPECT_TRUE(SameRect(box, RECT{0, 0, width - 1, 8})) << Describe(box);
    for (const RECT &r : RectsOf(round)) {
        EXPECT_EQ(r.left + r.right, width - 1) << Describe(r);
        EXPECT_EQ(r.left == 0, r.top == 3 && r.bottom == 5) << "only the two middle rows reach the sides " << Describe(r);
    }
}

TEST_F(RegionApi, GetRegionDataWritesOnlyWhatItReports) {
    RegionHandle region(CreateEllipticRgn(0, 0, 12, 9));
    const DWORD size = GetRegionData(region, 0, nullptr);
    std::vector<unsigned char> buffer(size + 16, 0xCD);
    EXPECT_EQ(GetRegionData(region, size + 16, reinterpret_cast<RGNDATA *>(buffer.data())), size);
    for (std::size_t i = size; i < buffer.size(); ++i) EXPECT_EQ(buffer[i], 0xCD) << i;
    std::vector<unsigned char> untouched(size, 0xAB);
    EXPECT_EQ(GetRegionData(region, size - 1, reinterpret_cast<RGNDATA *>(untouched.data())), 0u);
    for (unsigned char byte : untouched) EXPECT_EQ(byte, 0xAB);
}

}  // namespace
}  // namespace zelt::test
