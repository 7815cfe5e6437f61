// Geometric (wide) pens: the segment polygon against the region fill rule,
// geometric bounds of a stroke, symmetry under reversal, Polyline as the
// union of its segments, and the ellipse outline path, over seeded random
// inputs (the case number seeds the generator).
#include <cmath>
#include <random>
#include <set>
#include <sstream>
#include <vector>

#include "gdi/draw_raster.h"
#include "gdi/draw_wide.h"
#include "gdi/region_shapes.h"
#include "platform/gdi_draw_canvas.h"
#include "support/leak_guard.h"

namespace zelt::test {
namespace {

using platform::RegionData;
using platform::SpanCollector;

bool SamePixels(const RegionData &a, const RegionData &b) {
    return RegionData::Combine(a, b, RGN_XOR).Empty();
}

std::string Describe(std::span<const POINT> points) {
    std::ostringstream out;
    for (const POINT &p : points) out << "(" << p.x << "," << p.y << ")";
    return out.str();
}

POINT RandomSlantedEnd(std::mt19937 &rng, POINT from) {
    std::uniform_int_distribution<int> d(-30, 30);
    POINT to;
    do to = POINT{from.x + d(rng), from.y + d(rng)};
    while (to.x == from.x || to.y == from.y);
    return to;
}

TEST(DrawWide, SegmentQuadOfTheProbedLine) {
    // LineTo(4,4 -> 20,10) with a 3-pixel pen: the polygon its probed mask
    // is the fill of; reversed, the same corners.
    const std::set<std::pair<LONG, LONG>> want{{5, 2}, {21, 8}, {19, 11}, {3, 5}};
    for (const auto &[from, to] : {std::pair{POINT{4, 4}, POINT{20, 10}}, std::pair{POINT{20, 10}, POINT{4, 4}}}) {
        const platform::SegmentQuad quad = platform::SlantedSegmentQuad(from, to, 3);
        std::set<std::pair<LONG, LONG>> got;
        for (const POINT &p : quad.corner) got.insert({p.x, p.y});
        EXPECT_EQ(got, want) << Describe(quad.corner);
    }
}

TEST(DrawWide, ConvexPolygonsFollowTheRegionFillRule) {
    for (int caseNumber = 0; caseNumber < 400; ++caseNumber) {
        std::mt19937 rng(static_cast<unsigned>(caseNumber));
        std::uniform_int_distribution<int> c(-20, 20), width(2, 12);
        std::vector<POINT> corners;
        if (caseNumber % 2 == 0) {
            const POINT from{c(rng), c(rng)};
            const platform::SegmentQuad quad = platform::SlantedSegmentQuad(from, RandomSlantedEnd(rng, from), width(rng));
            corners.assign(std::begin(quad.corner), std::end(quad.corner));
        } else {
            corners = {POINT{c(rng), c(rng)}, POINT{c(rng), c(rng)}, POINT{c(rng), c(rng)}};  // any triangle is convex
        }
        SpanCollector spans;
        platform::AddConvexPolygon(corners, spans);
        const INT count = static_cast<INT>(corners.size());
        const RegionData oracle = platform::PolygonRegion(corners.data(), &count, 1, ALTERNATE);
        EXPECT_TRUE(SamePixels(spans.Finish(), oracle)) << "case " << caseNumber << " " << Describe(corners);
    }
}

// Distance from the point (x, y) to the segment from a to b.
double DistanceToSegment(double x, double y, POINT a, POINT b) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    double t = ((x - a.x) * dx + (y - a.y) * dy) / (dx * dx + dy * dy);
    t = t < 0 ? 0 : (t > 1 ? 1 : t);
    return std::hypot(x - (a.x + t * dx), y - (a.y + t * dy));
}

TEST(DrawWide, StrokeLiesWithinHalfThePenOfTheSegment) {
    // Half-widths rounded to whole pixels on each axis push the polygon's
    // corners out by up to half a pixel each way, and the excluded right and
    // bottom edges pull the far side in by up to a pixel.
    for (int caseNumber = 0; caseNumber < 300; ++caseNumber) {
        std::mt19937 rng(static_cast<unsigned>(caseNumber));
        std::uniform_int_distribution<int> c(-10, 10), width(2, 12);
        const POINT from{c(rng), c(rng)};
        const POINT ends[2] = {from, caseNumber % 5 == 0 ? POINT{from.x + c(rng), from.y} : RandomSlantedEnd(rng, from)};
        const int w = width(rng);
        const RegionData stroke = platform::WideStroke(ends, w, false);
        const RECT box = stroke.Bounds();
        int strays = 0, holes = 0;
        for (LONG y = box.top - 2; y < box.bottom + 2; ++y)
            for (LONG x = box.left - 2; x < box.right + 2; ++x) {
                const double d = DistanceToSegment(x, y, ends[0], ends[1]);
                const bool in = stroke.Contains(x, y);
                strays += in && d > w / 2.0 + 1.5 ? 1 : 0;
                holes += !in && d <= w / 2.0 - 1.0 ? 1 : 0;
            }
        EXPECT_EQ(strays, 0) << "case " << caseNumber << " width " << w << " " << Describe(ends);
        EXPECT_EQ(holes, 0) << "case " << caseNumber << " width " << w << " " << Describe(ends);
    }
}

TEST(DrawWide, StrokeIsTheSameInBothDirections) {
    for (int caseNumber = 0; caseNumber < 300; ++caseNumber) {
        std::mt19937 rng(static_cast<unsigned>(caseNumber));
        std::uniform_int_distribution<int> c(-40, 40), width(2, 15);
        const POINT a{c(rng), c(rng)}, b{c(rng), c(rng)};
        const int w = width(rng);
        const POINT forward[2] = {a, b}, backward[2] = {b, a};
        EXPECT_TRUE(SamePixels(platform::WideStroke(forward, w, false), platform::WideStroke(backward, w, false)))
            << "case " << caseNumber << " width " << w << " " << Describe(forward);
    }
}

TEST(DrawWide, ClosedRectanglePathGivesTheRectangleBand) {
    // Up to width 5 the round tip loses only the corner pixel, so stroking
    // the corner points must give Rectangle's band.
    for (int w = 2; w <= 5; ++w) {
        const RECT box{5, 7, 19, 16};
        const POINT corners[4] = {{box.left, box.top}, {box.right - 1, box.top}, {box.right - 1, box.bottom - 1}, {box.left, box.bottom - 1}};
        EXPECT_TRUE(SamePixels(platform::WideStroke(corners, w, true), platform::RectangleShape(box, w).outline)) << "width " << w;
    }
}

TEST(DrawWide, EllipsePathIsAClosedChainOfNeighboursOverItsOutline) {
    // Where a quadrant runs along the middle row or column the mirrored one
    // walks back over it; the stroke is a union, so that costs nothing.
    for (int caseNumber = 0; caseNumber < 200; ++caseNumber) {
        std::mt19937 rng(static_cast<unsigned>(caseNumber));
        std::uniform_int_distribution<int> origin(-5, 5), size(3, 60);
        const LONG l = origin(rng), t = origin(rng);
        const RECT box{l, t, l + size(rng), t + size(rng)};
        const std::vector<POINT> path = platform::EllipseOutlinePath(box);
        ASSERT_GE(path.size(), 4u) << "case " << caseNumber;
        SpanCollector visited;
        for (std::size_t i = 0; i < path.size(); ++i) {
            const POINT p = path[i], q = path[(i + 1) % path.size()];
            EXPECT_EQ(std::max(std::abs(p.x - q.x), std::abs(p.y - q.y)), 1) << "case " << caseNumber << " step " << i;
            visited.AddPixel(p.x, p.y);
        }
        EXPECT_TRUE(SamePixels(visited.Finish(), platform::EllipseOutline(box)))
            << "case " << caseNumber << " box " << box.right - box.left << "x" << box.bottom - box.top;
    }
}

class DrawWidePens : public LeakCheckedTest {};

std::vector<bool> Painted(const DrawCanvas &canvas) { return canvas.Differs(canvas.surface().RawOf(RGB(255, 255, 255))); }

TEST_F(DrawWidePens, PolylineIsTheUnionOfItsLineTos) {
    // Round joins are the caps of the meeting segments, so a polyline paints
    // exactly what its segments drawn one by one paint together.
    for (int caseNumber = 0; caseNumber < 60; ++caseNumber) {
        std::mt19937 rng(static_cast<unsigned>(caseNumber));
        std::uniform_int_distribution<int> c(3, 44), width(2, 8), count(2, 6);
        std::vector<POINT> points(static_cast<std::size_t>(count(rng)));
        for (POINT &p : points) p = POINT{c(rng), c(rng)};
        HPEN pen = CreatePen(PS_SOLID, width(rng), RGB(0, 0, 0));
        DrawCanvas joined(48, 48), separate(48, 48);
        HGDIOBJ oldJoined = SelectObject(joined.dc(), pen);
        HGDIOBJ oldSeparate = SelectObject(separate.dc(), pen);
        EXPECT_TRUE(Polyline(joined.dc(), points.data(), static_cast<int>(points.size())));
        for (std::size_t i = 0; i + 1 < points.size(); ++i) {
            MoveToEx(separate.dc(), points[i].x, points[i].y, nullptr);
            EXPECT_TRUE(LineTo(separate.dc(), points[i + 1].x, points[i + 1].y));
        }
        EXPECT_EQ(Painted(joined), Painted(separate)) << "case " << caseNumber << " " << Describe(points);
        SelectObject(joined.dc(), oldJoined);
        SelectObject(separate.dc(), oldSeparate);
        DeleteObject(pen);
    }
}

TEST_F(DrawWidePens, PolygonOutlineIsTheClosedPolyline) {
    // Without a brush, Polygon's outline is the polyline back to the start.
    for (int caseNumber = 0; caseNumber < 40; ++caseNumber) {
        std::mt19937 rng(static_cast<unsigned>(caseNumber));
        std::uniform_int_distribution<int> c(4, 43), width(2, 7);
        std::vector<POINT> points(5);
        for (POINT &p : points) p = POINT{c(rng), c(rng)};
        HPEN pen = CreatePen(PS_SOLID, width(rng), RGB(0, 0, 0));
        DrawCanvas polygon(48, 48), polyline(48, 48);
        HGDIOBJ oldPen = SelectObject(polygon.dc(), pen);
        HGDIOBJ oldBrush = SelectObject(polygon.dc(), GetStockObject(NULL_BRUSH));
        HGDIOBJ oldLinePen = SelectObject(polyline.dc(), pen);
        EXPECT_TRUE(Polygon(polygon.dc(), points.data(), static_cast<int>(points.size())));
        points.push_back(points.front());
        EXPECT_TRUE(Polyline(polyline.dc(), points.data(), static_cast<int>(points.size())));
        EXPECT_EQ(Painted(polygon), Painted(polyline)) << "case " << caseNumber << " " << Describe(points);
        SelectObject(polygon.dc(), oldPen);
        SelectObject(polygon.dc(), oldBrush);
        SelectObject(polyline.dc(), oldLinePen);
        DeleteObject(pen);
    }
}

}  // namespace
}  // namespace zelt::test
