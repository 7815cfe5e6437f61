#include "gdi/draw_wide.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>

namespace zelt::platform {

namespace {

long long CeilDiv(long long num, long long den) {  // den > 0
    const long long q = num / den;
    return q + ((num % den) > 0 ? 1 : 0);
}

LONG RoundHalfUp(double v) { return static_cast<LONG>(std::floor(v + 0.5)); }

// An axis-aligned segment is a plain band, `width` rows (or columns) from
// half the width before the line; its ends are left to the tips.
void AddAxisSegment(POINT from, POINT to, int width, SpanCollector &out) {
    const LONG before = width / 2;
    if (from.y == to.y) {
        const LONG x0 = std::min(from.x, to.x), x1 = std::max(from.x, to.x);
        for (LONG y = from.y - before; y < from.y - before + width; ++y) out.AddSpan(y, x0, x1);
    } else {
        const LONG y0 = std::min(from.y, to.y), y1 = std::max(from.y, to.y);
        for (LONG y = y0; y < y1; ++y) out.AddSpan(y, from.x - before, from.x - before + width);
    }
}

// Every pixel of `tip` moved to (x, y).
void AddTipAt(const RegionData &tip, LONG x, LONG y, SpanCollector &out) {
    tip.ForEachRect([&](const RECT &r) {
        for (LONG row = r.top; row < r.bottom; ++row) out.AddSpan(row + y, r.left + x, r.right + x);
    });
}

}  // namespace

SegmentQuad SlantedSegmentQuad(POINT from, POINT to, int width) {
    const double dx = static_cast<double>(to.x) - from.x, dy = static_cast<double>(to.y) - from.y;
    const double length = std::hypot(dx, dy);
    // The pen's width across the line, projected on each axis.
    const double extentX = width * std::fabs(dy) / length, extentY = width * std::fabs(dx) / length;
    const POINT narrow{RoundHalfUp(extentX / 2), RoundHalfUp(extentY / 2)};
    const POINT wide{RoundHalfUp((extentX + 1) / 2), RoundHalfUp((extentY + 1) / 2)};
    // A line falling to the right has its +x side above it, a rising one below.
    const LONG side = (dx > 0) == (dy > 0) ? -1 : 1;
    const POINT right{wide.x, side * wide.y}, left{-narrow.x, -side * narrow.y};
    return SegmentQuad{{POINT{from.x + right.x, from.y + right.y}, POINT{to.x + right.x, to.y + right.y},
                        POINT{to.x + left.x, to.y + left.y}, POINT{from.x + left.x, from.y + left.y}}};
}

void AddConvexPolygon(std::span<const POINT> corners, SpanCollector &out) {
    if (corners.size() < 3) return;
    LONG top = std::numeric_limits<LONG>::max(), bottom = std::numeric_limits<LONG>::min();
    for (const POINT &p : corners) {
        top = std::min(top, p.y);
        bottom = std::max(bottom, p.y);
    }
    for (LONG y = top; y < bottom; ++y) {
        // Edges hold their top row and not their bottom one; a convex
        // outline crosses each row twice, and what lies between is inside.
        long long x0 = LLONG_MAX, x1 = LLONG_MIN;
        for (std::size_t i = 0; i < corners.size(); ++i) {
            POINT a = corners[i], b = corners[(i + 1) % corners.size()];
            if (a.y == b.y) continue;
            if (a.y > b.y) std::swap(a, b);
            if (y < a.y || y >= b.y) continue;
            const long long crossing =
                a.x + CeilDiv(static_cast<long long>(y - a.y) * (static_cast<long long>(b.x) - a.x),
                              static_cast<long long>(b.y) - a.y);
            x0 = std::min(x0, crossing);
            x1 = std::max(x1, crossing);
        }
        if (x0 < x1) out.AddSpan(y, static_cast<LONG>(x0), static_cast<LONG>(x1));
    }
}

RegionData WideStroke(std::span<const POINT> points, int width, bool closed) {
    SpanCollector out;
    if (points.empty()) return out.Finish();
    const std::size_t segments = closed ? points.size() : points.size() - 1;
    for (std::size_t i = 0; i < segments; ++i) {
        const POINT from = points[i], to = points[(i + 1) % points.size()];
        if (from.x == to.x && from.y == to.y) continue;
        if (from.x == to.x || from.y == to.y) {
            AddAxisSegment(from, to, width, out);
        } else {
            const SegmentQuad quad = SlantedSegmentQuad(from, to, width);
            AddConvexPolygon(quad.corner, out);
        }
    }
    const RegionData tip = PenTip(width);
    for (const POINT &p : points) AddTipAt(tip, p.x, p.y, out);
    return out.Finish();
}

std::vector<POINT> EllipseOutlinePath(const RECT &box) {
    const LONG width = box.right - box.left, height = box.bottom - box.top;
    std::vector<POINT> path;
    if (width <= 2 || height <= 2) return path;
    std::vector<POINT> quadrant;  // right middle down to bottom middle
    quadrant.reserve(static_cast<std::size_t>(width + height));
    EllipseQuadrant(width, height, [&](long long x, long long y) {
        quadrant.push_back(POINT{static_cast<LONG>(x), static_cast<LONG>(y)});
    });
    const auto add = [&](LONG x, LONG y) {
        const POINT p{box.left + x, box.top + y};
        // Quadrants meet on the middle row or column, where the mirrored
        // point may repeat the last one.
        if (path.empty() || path.back().x != p.x || path.back().y != p.y) path.push_back(p);
    };
    path.reserve(4 * quadrant.size());
    const std::size_t n = quadrant.size();
    for (std::size_t i = 0; i < n; ++i) add(quadrant[i].x, quadrant[i].y);
    for (std::size_t i = n; i-- > 0;) add(width - 1 - quadrant[i].x, quadrant[i].y);
    for (std::size_t i = 0; i < n; ++i) add(width - 1 - quadrant[i].x, height - 1 - quadrant[i].y);
    for (std::size_t i = n; i-- > 0;) add(quadrant[i].x, height - 1 - quadrant[i].y);
    if (path.size() > 1 && path.front().x == path.back().x && path.front().y == path.back().y) path.pop_back();
    return path;
}

RegionData WideEllipseOutline(const RECT &box, int width) {
    const std::vector<POINT> path = EllipseOutlinePath(box);
    if (path.empty()) return StrokeWithTip(EllipseOutline(box), PenTip(width));
    return WideStroke(path, width, true);
}

}  // namespace zelt::platform
