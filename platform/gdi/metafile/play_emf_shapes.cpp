// Enhanced metafile records that draw lines and shapes or build paths.
// Outside a path, figures are drawn at once; inside one they are kept, in
// device coordinates, until a record fills, strokes or clips with them.
#include "gdi/draw_device.h"
#include "gdi/metafile/play_emf_player.h"

namespace zelt::platform {

namespace {

// The points of a poly record: 32-bit or 16-bit x, y pairs from `at`.
class PointList {
public:
    PointList(ByteView r, std::size_t at, std::size_t count, bool wide) : r_(r), at_(at), count_(count), wide_(wide) {}
    std::size_t Size() const { return count_; }
    DPoint operator[](std::size_t i) const {
        if (wide_) return DPoint{static_cast<double>(r_.I32(at_ + 8 * i)), static_cast<double>(r_.I32(at_ + 8 * i + 4))};
        return DPoint{static_cast<double>(r_.I16(at_ + 4 * i)), static_cast<double>(r_.I16(at_ + 4 * i + 2))};
    }
    // Whether `count` points from `at` lie within the record.
    static bool Fits(const ByteView &r, std::size_t at, std::uint64_t count, bool wide) {
        return at <= r.Size() && count <= (r.Size() - at) / (wide ? 8 : 4);
    }

private:
    ByteView r_;
    std::size_t at_, count_;
    bool wide_;
};

// Bounds, count, points.
bool ReadPoints(const ByteView &r, bool wide, PointList &out) {
    const std::uint32_t count = r.U32(24);
    if (!PointList::Fits(r, 28, count, wide)) return false;
    out = PointList(r, 28, count, wide);
    return true;
}

// Adds figures through `add`: into the open path, or into scratch figures
// drawn at once (filled and stroked as asked).
template <class Add>
void Figures(EmfPlayer &p, bool fill, bool stroke, Add add) {
    FigureSet &target = p.FigureTarget();
    if (!add(target)) return p.Fail();
    if (!p.PathOpen()) p.DrawFigures(target, fill, stroke);
}

// A figure through the points, from `first` on.
bool AddPolyline(EmfPlayer &p, FigureSet &out, const PointList &points, bool closed) {
    if (points.Size() == 0 || !out.MoveTo(p.ToDevice(points[0]))) return points.Size() == 0;
    for (std::size_t i = 1; i < points.Size(); ++i)
        if (!out.LineTo(p.ToDevice(points[i]))) return false;
    if (closed) out.CloseFigure();
    return true;
}

// Cubic pieces of three points each after the figure's current point.
bool AddBeziers(EmfPlayer &p, FigureSet &out, const PointList &points, std::size_t first) {
    for (std::size_t i = first; i + 2 < points.Size(); i += 3)
        if (!out.BezierTo(p.ToDevice(points[i]), p.ToDevice(points[i + 1]), p.ToDevice(points[i + 2]))) return false;
    return true;
}

// Starts at the current position unless a figure of the path is open.
bool ContinueFromPosition(EmfPlayer &p, FigureSet &out) {
    return out.IsOpen() || out.MoveTo(p.ToDevice(p.state.position));
}

void Polyline(EmfPlayer &p, const ByteView &r, bool wide) {
    PointList points(r, 0, 0, wide);
    if (!ReadPoints(r, wide, points) || points.Size() < 2) return;
    Figures(p, false, true, [&](FigureSet &out) { return AddPolyline(p, out, points, false); });
}

void Polygon(EmfPlayer &p, const ByteView &r, bool wide) {
    PointList points(r, 0, 0, wide);
    if (!ReadPoints(r, wide, points) || points.Size() < 2) return;
    Figures(p, true, true, [&](FigureSet &out) { return AddPolyline(p, out, points, true); });
}

void PolylineTo(EmfPlayer &p, const ByteView &r, bool wide) {
    PointList points(r, 0, 0, wide);
    if (!ReadPoints(r, wide, points) || points.Size() == 0) return;
    Figures(p, false, true, [&](FigureSet &out) {
        if (!ContinueFromPosition(p, out)) return false;
        for (std::size_t i = 0; i < points.Size(); ++i)
            if (!out.LineTo(p.ToDevice(points[i]))) return false;
        return true;
    });
    p.state.position = points[points.Size() - 1];
}

// A start point, then three points per cubic.
void PolyBezier(EmfPlayer &p, const ByteView &r, bool wide) {
    PointList points(r, 0, 0, wide);
    if (!ReadPoints(r, wide, points) || points.Size() < 4) return;
    Figures(p, false, true,
            [&](FigureSet &out) { return out.MoveTo(p.ToDevice(points[0])) && AddBeziers(p, out, points, 1); });
}

void PolyBezierTo(EmfPlayer &p, const ByteView &r, bool wide) {
    PointList points(r, 0, 0, wide);
    if (!ReadPoints(r, wide, points) || points.Size() < 3) return;
    Figures(p, false, true, [&](FigureSet &out) { return ContinueFromPosition(p, out) && AddBeziers(p, out, points, 0); });
    p.state.position = points[points.Size() / 3 * 3 - 1];
}

// Bounds, figure count, point count, the count of each figure, the points.
void PolyPoly(EmfPlayer &p, const ByteView &r, bool wide, bool closed) {
    const std::uint32_t figures = r.U32(24);
    if (figures == 0 || figures > (r.Size() - 32) / 4) return;
    const std::size_t pointsAt = 32 + std::size_t{figures} * 4;
    std::uint64_t total = 0;
    for (std::uint32_t i = 0; i < figures; ++i) total += r.U32(32 + 4 * std::size_t{i});
    if (!PointList::Fits(r, pointsAt, total, wide)) return;
    const PointList points(r, pointsAt, static_cast<std::size_t>(total), wide);
    Figures(p, closed, true, [&](FigureSet &out) {
        std::size_t next = 0;
        for (std::uint32_t i = 0; i < figures; ++i) {
            const std::size_t count = r.U32(32 + 4 * std::size_t{i});
            for (std::size_t k = 0; k < count; ++k, ++next)
                if (!(k == 0 ? out.MoveTo(p.ToDevice(points[next])) : out.LineTo(p.ToDevice(points[next])))) return false;
            if (closed && count > 0) out.CloseFigure();
        }
        return true;
    });
}

RECT BoxAt(const ByteView &r, std::size_t at) { return RECT{r.I32(at), r.I32(at + 4), r.I32(at + 8), r.I32(at + 12)}; }

// The device box of a logical box under a transform that keeps boxes.
RECT DeviceBox(EmfPlayer &p, const RECT &box) {
    return ToDeviceBox(p.ToDevice(DPoint{static_cast<double>(box.left), static_cast<double>(box.top)}),
                       p.ToDevice(DPoint{static_cast<double>(box.right), static_cast<double>(box.bottom)}));
}

// Closed shapes: rasterised as the shape calls do while the transform keeps
// boxes, else (and in paths) as figures.
template <class Exact, class Add>
void Shape(EmfPlayer &p, Exact exact, Add add) {
    if (!p.PathOpen() && p.Transform().AxisAligned()) {
        if (!exact()) p.Fail();
        return;
    }
    Figures(p, true, true, add);
}

void ArcRecord(EmfPlayer &p, const ByteView &r, ArcKind kind) {
    const RECT box = BoxAt(r, 8);
    const POINT start{r.I32(24), r.I32(28)}, end{r.I32(32), r.I32(36)};
    const bool closed = kind != ArcKind::Open;
    Figures(p, closed, true, [&](FigureSet &out) {
        return AddArcFigure(out, p.Transform(), box, start, end, p.state.clockwise, kind);
    });
}

}  // namespace

void EmfMoveTo(EmfPlayer &p, const ByteView &r) {
    p.state.position = DPoint{static_cast<double>(r.I32(8)), static_cast<double>(r.I32(12))};
    if (p.PathOpen() && !p.Path().MoveTo(p.ToDevice(p.state.position))) p.Fail();
}

void EmfLineTo(EmfPlayer &p, const ByteView &r) {
    const DPoint to{static_cast<double>(r.I32(8)), static_cast<double>(r.I32(12))};
    Figures(p, false, true, [&](FigureSet &out) { return ContinueFromPosition(p, out) && out.LineTo(p.ToDevice(to)); });
    p.state.position = to;
}

void EmfPolyline(EmfPlayer &p, const ByteView &r) { Polyline(p, r, true); }
void EmfPolyline16(EmfPlayer &p, const ByteView &r) { Polyline(p, r, false); }
void EmfPolylineTo(EmfPlayer &p, const ByteView &r) { PolylineTo(p, r, true); }
void EmfPolylineTo16(EmfPlayer &p, const ByteView &r) { PolylineTo(p, r, false); }
void EmfPolygon(EmfPlayer &p, const ByteView &r) { Polygon(p, r, true); }
void EmfPolygon16(EmfPlayer &p, const ByteView &r) { Polygon(p, r, false); }
void EmfPolyBezier(EmfPlayer &p, const ByteView &r) { PolyBezier(p, r, true); }
void EmfPolyBezier16(EmfPlayer &p, const ByteView &r) { PolyBezier(p, r, false); }
void EmfPolyBezierTo(EmfPlayer &p, const ByteView &r) { PolyBezierTo(p, r, true); }
void EmfPolyBezierTo16(EmfPlayer &p, const ByteView &r) { PolyBezierTo(p, r, false); }
void EmfPolyPolyline(EmfPlayer &p, const ByteView &r) { PolyPoly(p, r, true, false); }
void EmfPolyPolyline16(EmfPlayer &p, const ByteView &r) { PolyPoly(p, r, false, false); }
void EmfPolyPolygon(EmfPlayer &p, const ByteView &r) { PolyPoly(p, r, true, true); }
void EmfPolyPolygon16(EmfPlayer &p, const ByteView &r) { PolyPoly(p, r, false, true); }

// Box, as the call was given it.
void EmfRectangle(EmfPlayer &p, const ByteView &r) {
    const RECT box = BoxAt(r, 8);
    Shape(p, [&] { return DeviceRectangle(p.Dc(), DeviceBox(p, box), p.Pen()); },
          [&](FigureSet &out) { return AddBoxFigure(out, p.Transform(), box); });
}

void EmfEllipse(EmfPlayer &p, const ByteView &r) {
    const RECT box = BoxAt(r, 8);
    Shape(p, [&] { return DeviceEllipse(p.Dc(), DeviceBox(p, box), p.Pen()); },
          [&](FigureSet &out) { return AddEllipseFigure(out, p.Transform(), box); });
}

// Box, then the corner ellipse's width and height.
void EmfRoundRect(EmfPlayer &p, const ByteView &r) {
    const RECT box = BoxAt(r, 8);
    const LONG cornerWidth = r.I32(24), cornerHeight = r.I32(28);
    Shape(
        p,
        [&] {
            const Affine &t = p.Transform();
            return DeviceRoundRect(p.Dc(), DeviceBox(p, box), ToDeviceUnit(std::fabs(cornerWidth * t.m11)),
                                   ToDeviceUnit(std::fabs(cornerHeight * t.m22)), p.Pen());
        },
        [&](FigureSet &out) { return AddRoundRectFigure(out, p.Transform(), box, cornerWidth, cornerHeight); });
}

// Box, start point, end point.
void EmfArc(EmfPlayer &p, const ByteView &r) { ArcRecord(p, r, ArcKind::Open); }
void EmfChord(EmfPlayer &p, const ByteView &r) { ArcRecord(p, r, ArcKind::Chord); }
void EmfPie(EmfPlayer &p, const ByteView &r) { ArcRecord(p, r, ArcKind::Pie); }

// Point, colour.
void EmfSetPixel(EmfPlayer &p, const ByteView &r) {
    const DPoint at = p.ToDevice(DPoint{static_cast<double>(r.I32(8)), static_cast<double>(r.I32(12))});
    if (InDeviceRange(at.x) && InDeviceRange(at.y)) SetPixelV(p.Hdc(), ToDeviceUnit(at.x), ToDeviceUnit(at.y), r.U32(16));
}

void EmfBeginPath(EmfPlayer &p, const ByteView &) { p.BeginPath(); }
void EmfEndPath(EmfPlayer &p, const ByteView &) { p.EndPath(); }
void EmfAbortPath(EmfPlayer &p, const ByteView &) { p.AbortPath(); }
void EmfCloseFigure(EmfPlayer &p, const ByteView &) {
    if (p.PathOpen()) p.Path().CloseFigure();
}

void EmfFillPath(EmfPlayer &p, const ByteView &) {
    p.EndPath();
    p.DrawFigures(p.Path(), true, false);
    p.AbortPath();
}

void EmfStrokePath(EmfPlayer &p, const ByteView &) {
    p.EndPath();
    p.DrawFigures(p.Path(), false, true);
    p.AbortPath();
}

void EmfStrokeAndFillPath(EmfPlayer &p, const ByteView &) {
    p.EndPath();
    p.DrawFigures(p.Path(), true, true);
    p.AbortPath();
}

// Mode; the path's interior by the fill mode becomes (part of) the clip.
void EmfSelectClipPath(EmfPlayer &p, const ByteView &r) {
    const int mode = r.I32(8);
    p.EndPath();
    if (mode >= RGN_AND && mode <= RGN_COPY) {
        if (!p.device.From(p.Path(), 2)) {
            p.Fail();
        } else {
            const FigurePoints &d = p.device;
            p.CombineClip(DevicePolygonRegion(p.Dc(), d.points.Data(), d.counts.Data(), static_cast<int>(d.counts.Size()),
                                              p.Dc().State().polyFillMode),
                          mode);
        }
    }
    p.AbortPath();
}

}  // namespace zelt::platform
