#include "gdi/draw_device.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <numbers>
#include <span>
#include <vector>

#include "gdi/brush_pattern.h"
#include "gdi/draw_raster.h"
#include "gdi/draw_wide.h"
#include "gdi/region_shapes.h"

namespace zelt::platform {

namespace {

// Rasterising costs a step per row a figure spans: within this distance of
// the drawable area exact rasterisation stays cheap, beyond it curved
// shapes are drawn as polygons and cut.
constexpr LONG kExactReach = LONG{1} << 14;
// Wider pens are drawn this wide: a pen's cost grows with the square of its
// width, and no picture worth drawing needs more.
constexpr int kWidestPen = 1024;

// Where anything drawn may still show: the drawable bounds grown by a
// margin. Inclusive edges, so cut points may lie on it.
struct GuardBox {
    LONG left, top, right, bottom;
    bool Holds(POINT p) const noexcept { return p.x >= left && p.x <= right && p.y >= top && p.y <= bottom; }
    bool Holds(const RECT &r) const noexcept { return r.left >= left && r.right <= right && r.top >= top && r.bottom <= bottom; }
};

// False when nothing may be drawn at all.
bool GuardOf(const DcObject &dc, LONG margin, GuardBox &guard) {
    const RECT d = dc.DrawableBounds();
    if (d.left >= d.right || d.top >= d.bottom) return false;
    guard = GuardBox{d.left - margin, d.top - margin, d.right + margin, d.bottom + margin};
    return true;
}

DevicePen Bounded(DevicePen pen) {
    pen.width = std::clamp(pen.width, 1, kWidestPen);
    return pen;
}

// Cutting moves the start of a line's pixel walk, so it happens only far
// out, where figures that merely overhang the surface are never cut; and a
// pen's pixels reach half its width from the line.
LONG MarginOf(const DevicePen &pen) { return kExactReach + (pen.null ? 2 : pen.width + 2); }

bool AllHeld(const GuardBox &guard, const POINT *points, std::size_t count) {
    return std::all_of(points, points + count, [&](POINT p) { return guard.Holds(p); });
}

// The part t0..t1 of the segment a→b inside the guard (Liang–Barsky);
// false when none is.
bool CutSegment(const GuardBox &g, POINT a, POINT b, double &t0, double &t1) {
    t0 = 0;
    t1 = 1;
    const double dx = static_cast<double>(b.x) - a.x, dy = static_cast<double>(b.y) - a.y;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {static_cast<double>(a.x) - g.left, static_cast<double>(g.right) - a.x,
                         static_cast<double>(a.y) - g.top, static_cast<double>(g.bottom) - a.y};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1) return false;
    }
    return true;
}

POINT Along(POINT a, POINT b, double t) {
    return POINT{static_cast<LONG>(std::lround(a.x + t * (static_cast<double>(b.x) - a.x))),
                 static_cast<LONG>(std::lround(a.y + t * (static_cast<double>(b.y) - a.y)))};
}

// The pixels of a path held by the guard, as Polyline (open) or a
// polygon's outline (closed) paints them.
RegionData StrokeOfHeldPath(const POINT *points, std::size_t count, bool closed, const DevicePen &pen) {
    if (count < 2) return RegionData();
    if (pen.width > 1) return WideStroke(std::span<const POINT>(points, count), pen.width, closed);
    SpanCollector path;
    const std::size_t segments = closed ? count : count - 1;
    for (std::size_t i = 0; i < segments; ++i) AddCosmeticLine(points[i], points[(i + 1) % count], path);
    return path.Finish();
}

// The same for any path: segments are cut at the guard and each run of
// connected pieces stroked on its own.
RegionData StrokeOfPath(const GuardBox &guard, const POINT *points, std::size_t count, bool closed,
                        const DevicePen &pen) {
    if (AllHeld(guard, points, count)) return StrokeOfHeldPath(points, count, closed, pen);
    RegionData stroke;
    std::vector<POINT> run;
    const auto flush = [&] {
        if (run.size() >= 2)
            stroke = RegionData::Combine(stroke, StrokeOfHeldPath(run.data(), run.size(), false, pen), RGN_OR);
        run.clear();
    };
    const std::size_t segments = closed ? count : count - 1;
    for (std::size_t i = 0; i < segments; ++i) {
        const POINT a = points[i], b = points[(i + 1) % count];
        double t0, t1;
        if (!CutSegment(guard, a, b, t0, t1)) {
            flush();
            continue;
        }
        if (t0 > 0) flush();
        if (run.empty()) run.push_back(t0 > 0 ? Along(a, b, t0) : a);
        run.push_back(t1 < 1 ? Along(a, b, t1) : b);
        if (t1 < 1) flush();
    }
    flush();
    return stroke;
}

struct Vertex {
    double x, y;
};

// One pass of Sutherland–Hodgman: keeps the side of one guard edge where
// `inside` holds.
template <class Inside, class Cross>
void CutPolygonByEdge(const std::vector<Vertex> &in, std::vector<Vertex> &out, Inside inside, Cross cross) {
    out.clear();
    if (in.empty()) return;
    Vertex previous = in.back();
    bool previousIn = inside(previous);
    for (const Vertex &v : in) {
        const bool vIn = inside(v);
        if (vIn != previousIn) out.push_back(cross(previous, v));
        if (vIn) out.push_back(v);
        previous = v;
        previousIn = vIn;
    }
}

// Polygons cut to the guard. Every point of the box keeps its winding
// number, so both fill modes fill it as before.
struct CutPolygons {
    std::vector<POINT> points;
    std::vector<INT> counts;
};
CutPolygons CutToGuard(const GuardBox &g, const POINT *points, const INT *counts, int polygons) {
    CutPolygons cut;
    std::vector<Vertex> a, b;
    const auto crossX = [](double edge) {
        return [edge](const Vertex &p, const Vertex &q) {
            const double t = (edge - p.x) / (q.x - p.x);
            return Vertex{edge, p.y + t * (q.y - p.y)};
        };
    };
    const auto crossY = [](double edge) {
        return [edge](const Vertex &p, const Vertex &q) {
            const double t = (edge - p.y) / (q.y - p.y);
            return Vertex{p.x + t * (q.x - p.x), edge};
        };
    };
    const double left = g.left, right = g.right, top = g.top, bottom = g.bottom;
    for (int p = 0; p < polygons; ++p) {
        const int n = counts[p];
        a.clear();
        for (int i = 0; i < n; ++i) a.push_back(Vertex{static_cast<double>(points[i].x), static_cast<double>(points[i].y)});
        points += n;
        CutPolygonByEdge(a, b, [&](const Vertex &v) { return v.x >= left; }, crossX(left));
        CutPolygonByEdge(b, a, [&](const Vertex &v) { return v.x <= right; }, crossX(right));
        CutPolygonByEdge(a, b, [&](const Vertex &v) { return v.y >= top; }, crossY(top));
        CutPolygonByEdge(b, a, [&](const Vertex &v) { return v.y <= bottom; }, crossY(bottom));
        if (a.size() < 3) continue;
        for (const Vertex &v : a)
            cut.points.push_back(POINT{static_cast<LONG>(std::lround(v.x)), static_cast<LONG>(std::lround(v.y))});
        cut.counts.push_back(static_cast<INT>(a.size()));
    }
    return cut;
}

int TotalPoints(const INT *counts, int polygons) {
    long long total = 0;
    for (int p = 0; p < polygons; ++p) total += std::max<INT>(counts[p], 0);
    return static_cast<int>(std::min<long long>(total, 0x7FFFFFFF));
}

bool Polygons(DcObject &dc, const POINT *points, const INT *counts, int polygons, int fillMode, bool fill,
              const DevicePen &pen) {
    GuardBox guard;
    if (polygons <= 0 || !GuardOf(dc, MarginOf(pen), guard)) return true;
    const int total = TotalPoints(counts, polygons);
    if (!AllHeld(guard, points, static_cast<std::size_t>(total))) {
        const CutPolygons cut = CutToGuard(guard, points, counts, polygons);
        if (cut.counts.empty()) return true;
        return Polygons(dc, cut.points.data(), cut.counts.data(), static_cast<int>(cut.counts.size()), fillMode, fill,
                        pen);
    }
    const RegionData filled = fill ? PolygonRegion(points, counts, polygons, fillMode) : RegionData();
    RegionData outline;
    if (!pen.null) {
        const POINT *polygon = points;
        for (int p = 0; p < polygons; ++p) {
            const RegionData one = StrokeOfHeldPath(polygon, static_cast<std::size_t>(counts[p]), true, pen);
            outline = polygons == 1 ? one : RegionData::Combine(outline, one, RGN_OR);
            polygon += counts[p];
        }
    }
    return PaintShape(dc, filled, outline, pen);
}

// The outline of a box with elliptic corners of radii rx, ry as a polygon,
// for shapes too large to rasterise exactly.
std::vector<POINT> RoundedBoxPolygon(const RECT &box, double rx, double ry) {
    const int steps = std::clamp(static_cast<int>(std::ceil(2 * std::sqrt(std::max(rx, ry)))), 2, 4096);
    const double cx[4] = {box.right - rx, box.left + rx, box.left + rx, box.right - rx};
    const double cy[4] = {box.top + ry, box.top + ry, box.bottom - ry, box.bottom - ry};
    std::vector<POINT> polygon;
    polygon.reserve(4 * static_cast<std::size_t>(steps + 1));
    for (int corner = 0; corner < 4; ++corner) {
        for (int i = 0; i <= steps; ++i) {
            const double angle = (corner + static_cast<double>(i) / steps) * std::numbers::pi / 2;
            polygon.push_back(POINT{static_cast<LONG>(std::lround(cx[corner] + rx * std::cos(angle))),
                                    static_cast<LONG>(std::lround(cy[corner] - ry * std::sin(angle)))});
        }
    }
    return polygon;
}

bool HugeRoundedBox(DcObject &dc, const RECT &box, double rx, double ry, const DevicePen &pen) {
    const std::vector<POINT> polygon = RoundedBoxPolygon(box, rx, ry);
    const INT count = static_cast<INT>(polygon.size());
    return Polygons(dc, polygon.data(), &count, 1, ALTERNATE, true, pen);
}

// Ellipse and RoundRect paint what the region of the box grown by one
// pixel right and down holds.
RECT Grown(const RECT &box) { return RECT{box.left, box.top, box.right + 1, box.bottom + 1}; }

// Brush interior and pen outline of a shape whose painted pixels are
// `filled`: a cosmetic pen takes `cosmetic`, a geometric one strokes it
// with its tip.
bool PaintOutlined(DcObject &dc, const RegionData &filled, const RegionData &cosmetic, const DevicePen &pen) {
    if (pen.null) return PaintShape(dc, filled, RegionData(), pen);
    const RegionData outline = pen.width <= 1 ? cosmetic : StrokeWithTip(cosmetic, PenTip(pen.width));
    return PaintShape(dc, RegionData::Combine(filled, outline, RGN_DIFF), outline, pen);
}

// Whether exact rasterisation of `box` stays cheap.
bool WithinExactReach(const DcObject &dc, const RECT &box) {
    GuardBox reach;
    return GuardOf(dc, kExactReach, reach) && reach.Holds(box);
}

template <class Body>
bool Guarded(Body body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc &) {
        return false;
    }
}

}  // namespace

bool DeviceRectangle(DcObject &dc, const RECT &deviceBox, const DevicePen &anyPen) noexcept {
    return Guarded([&] {
        const DevicePen pen = Bounded(anyPen);
        GuardBox g;
        if (!GuardOf(dc, MarginOf(pen), g)) return true;
        RECT box = FigureBox(deviceBox, pen);
        // Sides beyond the guard move onto it, where nothing of them shows.
        box = RECT{std::max(box.left, g.left), std::max(box.top, g.top), std::min(box.right, g.right),
                   std::min(box.bottom, g.bottom)};
        if (box.left > box.right || box.top > box.bottom) return true;
        const RectangleParts parts = RectangleShape(box, pen.null ? 0 : pen.width);
        return PaintShape(dc, RegionData::FromRect(parts.interior), parts.outline, pen);
    });
}

bool DeviceEllipse(DcObject &dc, const RECT &deviceBox, const DevicePen &anyPen) noexcept {
    return Guarded([&] {
        const DevicePen pen = Bounded(anyPen);
        const RECT box = FigureBox(deviceBox, pen);
        if (box.left == box.right || box.top == box.bottom) return true;
        if (!WithinExactReach(dc, box))
            return HugeRoundedBox(dc, box, (box.right - box.left) / 2.0, (box.bottom - box.top) / 2.0, pen);
        const RegionData filled = EllipticRegion(Grown(box));
        if (!pen.null && pen.width > 1) {
            // A geometric pen strokes the outline as a closed polygon.
            const RegionData outline = WideEllipseOutline(box, pen.width);
            return PaintShape(dc, RegionData::Combine(filled, outline, RGN_DIFF), outline, pen);
        }
        return PaintOutlined(dc, filled, pen.null ? RegionData() : EllipseOutline(box), pen);
    });
}

bool DeviceRoundRect(DcObject &dc, const RECT &deviceBox, int cornerWidth, int cornerHeight,
                     const DevicePen &anyPen) noexcept {
    return Guarded([&] {
        const DevicePen pen = Bounded(anyPen);
        const RECT box = FigureBox(deviceBox, pen);
        if (box.left == box.right || box.top == box.bottom) return true;
        if (!WithinExactReach(dc, box)) {
            const double rx = std::min<double>(std::abs(cornerWidth), box.right - box.left) / 2;
            const double ry = std::min<double>(std::abs(cornerHeight), box.bottom - box.top) / 2;
            return HugeRoundedBox(dc, box, rx, ry, pen);
        }
        const RegionData filled = RoundRectRegion(Grown(box), cornerWidth, cornerHeight);
        return PaintOutlined(dc, filled, pen.null ? RegionData() : FrameOfRegion(filled, 1, 1), pen);
    });
}

bool DevicePolygons(DcObject &dc, const POINT *points, const INT *counts, int polygons, int fillMode, bool fill,
                    const DevicePen &pen) noexcept {
    return Guarded([&] { return Polygons(dc, points, counts, polygons, fillMode, fill, Bounded(pen)); });
}

bool DevicePolyline(DcObject &dc, const POINT *points, int count, bool closed, const DevicePen &anyPen) noexcept {
    return Guarded([&] {
        const DevicePen pen = Bounded(anyPen);
        GuardBox guard;
        if (pen.null || count < 2 || !GuardOf(dc, MarginOf(pen), guard)) return true;
        return PaintWithPen(dc, StrokeOfPath(guard, points, static_cast<std::size_t>(count), closed, pen), pen.colour);
    });
}

RegionData DevicePolygonRegion(const DcObject &dc, const POINT *points, const INT *counts, int polygons, int fillMode) {
    GuardBox guard;
    if (polygons <= 0 || !GuardOf(dc, kExactReach, guard)) return RegionData();
    if (AllHeld(guard, points, static_cast<std::size_t>(TotalPoints(counts, polygons))))
        return PolygonRegion(points, counts, polygons, fillMode);
    const CutPolygons cut = CutToGuard(guard, points, counts, polygons);
    return PolygonRegion(cut.points.data(), cut.counts.data(), static_cast<int>(cut.counts.size()), fillMode);
}

bool DeviceFillPolygons(DcObject &dc, const POINT *points, const INT *counts, int polygons, int fillMode,
                        HBRUSH brush, DWORD rop3) noexcept {
    return Guarded(
        [&] { return PaintWithBrush(dc, DevicePolygonRegion(dc, points, counts, polygons, fillMode), brush, rop3); });
}

}  // namespace zelt::platform
