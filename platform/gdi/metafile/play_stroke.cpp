#include "gdi/metafile/play_stroke.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <numbers>
#include <vector>

#include "gdi/draw_device.h"

namespace zelt::platform {

namespace {

// As the device drawing calls: wider pens are drawn this wide.
constexpr int kWidestPen = 1024;

bool AddPolygon(FigurePoints &out, const DPoint *corners, int count) {
    for (int i = 0; i < count; ++i)
        if (!out.points.Push(ToDevicePoint(corners[i]))) return false;
    return out.counts.Push(count);
}

// The union of the polygons, each filled on its own: slivers and pieces
// shorter than a pixel may turn either way once rounded, which a single
// fill by the winding rule would take for holes.
RegionData UnionOfPolygons(const DcObject &dc, const POINT *points, const INT *counts, std::size_t first, std::size_t count,
                           const std::size_t *starts) {
    if (count == 1) return DevicePolygonRegion(dc, points + starts[first], counts + first, 1, ALTERNATE);
    const std::size_t half = count / 2;
    return RegionData::Combine(UnionOfPolygons(dc, points, counts, first, half, starts),
                               UnionOfPolygons(dc, points, counts, first + half, count - half, starts), RGN_OR);
}

bool AddDisc(FigurePoints &out, DPoint centre, double radius) {
    DPoint corners[64];
    const int sides = std::clamp(static_cast<int>(4 * radius), 8, 64);
    for (int i = 0; i < sides; ++i) {
        const double angle = 2 * std::numbers::pi * i / sides;
        corners[i] = DPoint{centre.x + radius * std::cos(angle), centre.y + radius * std::sin(angle)};
    }
    return AddPolygon(out, corners, sides);
}

struct Offset {
    double x, y;
};

// Offsets up to this factor of the half-width stay shared between two
// pieces (their bodies then meet edge to edge and leave no crack); sharper
// corners get a join of their own.
constexpr double kSharedOffsetLimit = 1.1;

// The outer wedge at v between pieces with offsets `in` and `out` (each of
// length `half`): bevelled, or mitred while within the limit, or round.
bool AddJoin(FigurePoints &out, DPoint v, Offset in, Offset next, DPoint nextDirection, double half,
             const StrokeStyle &style) {
    const DWORD join = style.bits & StrokeStyle::kJoinMask;
    if (join == 0) return AddDisc(out, v, half);
    // The turn goes towards +offset when the next piece leans that way; the
    // outer side is the other one.
    const double side = nextDirection.x * in.x + nextDirection.y * in.y > 0 ? -1 : 1;
    const DPoint p1{v.x + side * in.x, v.y + side * in.y}, p2{v.x + side * next.x, v.y + side * next.y};
    const double dot = in.x * next.x + in.y * next.y;
    if (join == StrokeStyle::kJoinMiter && half * half + dot > 0) {
        const double scale = half * half / (half * half + dot);
        const DPoint tip{v.x + side * (in.x + next.x) * scale, v.y + side * (in.y + next.y) * scale};
        if (std::hypot(tip.x - v.x, tip.y - v.y) <= style.miterLimit * half) {
            const DPoint corners[4] = {v, p1, tip, p2};
            return AddPolygon(out, corners, 4);
        }
    }
    const DPoint corners[3] = {v, p1, p2};
    return AddPolygon(out, corners, 3);
}

bool AddOutline(FigurePoints &out, const DPoint *source, std::size_t sourceCount, bool closed, double half,
                const StrokeStyle &style) {
    // Points without repeats; a closed figure's last point is not its first.
    std::vector<DPoint> q;
    for (std::size_t i = 0; i < sourceCount; ++i)
        if (q.empty() || q.back().x != source[i].x || q.back().y != source[i].y) q.push_back(source[i]);
    if (closed && q.size() > 1 && q.back().x == q.front().x && q.back().y == q.front().y) q.pop_back();
    const DWORD end = style.bits & StrokeStyle::kEndMask;
    if (q.size() < 2) return end != 0 || AddDisc(out, q[0], half);
    const std::size_t n = q.size(), pieces = closed ? n : n - 1;
    std::vector<DPoint> direction(pieces);
    std::vector<Offset> normal(pieces), startOffset(pieces), endOffset(pieces);
    for (std::size_t k = 0; k < pieces; ++k) {
        const DPoint a = q[k], b = q[(k + 1) % n];
        const double length = std::hypot(b.x - a.x, b.y - a.y);
        direction[k] = DPoint{(b.x - a.x) / length, (b.y - a.y) / length};
        normal[k] = startOffset[k] = endOffset[k] = Offset{-direction[k].y * half, direction[k].x * half};
    }
    // Joins: vertex j ends piece j - 1 and starts piece j.
    for (std::size_t j = closed ? 0 : 1; j < (closed ? n : n - 1); ++j) {
        const std::size_t in = (j + pieces - 1) % pieces, next = j;
        const double dot = normal[in].x * normal[next].x + normal[in].y * normal[next].y;
        const double ratio = half * half + dot > 0 ? std::sqrt(2 * half * half / (half * half + dot)) : 1e9;
        if (ratio <= kSharedOffsetLimit) {
            const double scale = half * half / (half * half + dot);
            endOffset[in] = startOffset[next] =
                Offset{(normal[in].x + normal[next].x) * scale, (normal[in].y + normal[next].y) * scale};
        } else if (!AddJoin(out, q[j], normal[in], normal[next], direction[next], half, style)) {
            return false;
        }
    }
    const double extra = end == StrokeStyle::kEndSquare ? half : 0;
    for (std::size_t k = 0; k < pieces; ++k) {
        const double back = !closed && k == 0 ? extra : 0, ahead = !closed && k + 1 == pieces ? extra : 0;
        const DPoint a{q[k].x - direction[k].x * back, q[k].y - direction[k].y * back};
        const DPoint b{q[(k + 1) % n].x + direction[k].x * ahead, q[(k + 1) % n].y + direction[k].y * ahead};
        const Offset s = startOffset[k], e = endOffset[k];
        const DPoint corners[4] = {{a.x + s.x, a.y + s.y}, {b.x + e.x, b.y + e.y}, {b.x - e.x, b.y - e.y}, {a.x - s.x, a.y - s.y}};
        if (!AddPolygon(out, corners, 4)) return false;
    }
    return closed || end != 0 || (AddDisc(out, q.front(), half) && AddDisc(out, q.back(), half));
}

}  // namespace

bool DashFigure(const FigureSet &figures, std::size_t index, const double *pattern, int count, FigureSet &out) noexcept {
    out.Clear();
    const FigureSet::Figure &figure = figures.FigureAt(index);
    const DPoint *points = figures.Points() + figure.start;
    const std::size_t pieces = figure.closed ? figure.count : figure.count - 1;
    double period = 0, length = 0;
    for (int i = 0; i < count; ++i) period += pattern[i];
    for (std::size_t k = 0; k < pieces; ++k) {
        const DPoint a = points[k], b = points[(k + 1) % figure.count];
        length += std::hypot(b.x - a.x, b.y - a.y);
    }
    // More dashes than this are no longer dashes one can see.
    constexpr double kMostDashes = 100000;
    const bool solid = count < 2 || !(period >= 1) || !(length / period < kMostDashes);
    int entry = 0;
    double left = count > 0 ? pattern[0] : 0;  // of the current entry
    bool drawing = false;      // a dash is open in `out`
    for (std::size_t k = 0; k < pieces; ++k) {
        const DPoint a = points[k], b = points[(k + 1) % figure.count];
        const double piece = std::hypot(b.x - a.x, b.y - a.y);
        const auto along = [&](double at) { return DPoint{a.x + (b.x - a.x) * at / piece, a.y + (b.y - a.y) * at / piece}; };
        for (double at = 0; at < piece;) {
            const bool on = solid || entry % 2 == 0;
            const double step = solid ? piece - at : std::min(left, piece - at);
            const DPoint from = along(at);
            at += step;
            if (on) {
                if (!drawing && !out.MoveTo(from)) return false;
                if (!out.LineTo(along(at))) return false;
                if (figure.curved) out.MarkCurved();
                drawing = true;
            }
            if (solid || (left -= step) > 0) continue;
            entry = (entry + 1) % count;
            left = pattern[entry];
            if (entry % 2 == 1 && drawing) out.EndFigure(), drawing = false;
        }
    }
    return true;
}

bool StrokeFigure(DcObject &dc, const FigureSet &figures, std::size_t index, const DevicePen &pen,
                  const StrokeStyle &style, FigurePoints &scratch) noexcept {
    const FigureSet::Figure &figure = figures.FigureAt(index);
    if (pen.null || figure.count < 2 || figure.count > 0x7FFFFFFF) return true;
    const DPoint *points = figures.Points() + figure.start;
    scratch.points.Clear();
    scratch.counts.Clear();
    if (pen.width <= 1 || (!figure.curved && style.Round())) {
        if (!scratch.points.Reserve(figure.count)) return false;
        for (std::size_t i = 0; i < figure.count; ++i) (void)scratch.points.Push(ToDevicePoint(points[i]));
        return DevicePolyline(dc, scratch.points.Data(), static_cast<int>(figure.count), figure.closed, pen);
    }
    const double half = std::min(pen.width, kWidestPen) / 2.0;
    if (!AddOutline(scratch, points, figure.count, figure.closed, half, style)) return false;
    try {
        const std::size_t polygons = scratch.counts.Size();
        std::vector<std::size_t> starts(polygons);
        for (std::size_t i = 1; i < polygons; ++i) starts[i] = starts[i - 1] + static_cast<std::size_t>(scratch.counts[i - 1]);
        return polygons == 0 || PaintWithPen(dc,
                                             UnionOfPolygons(dc, scratch.points.Data(), scratch.counts.Data(), 0,
                                                             polygons, starts.data()),
                                             pen.colour);
    } catch (const std::bad_alloc &) {
        return false;
    }
}

}  // namespace zelt::platform
