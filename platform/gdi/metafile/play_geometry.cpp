#include "gdi/metafile/play_geometry.h"

#include <algorithm>
#include <numbers>

#include "gdi/dc.h"

namespace zelt::platform {

Affine Affine::After(const Affine &f) const noexcept {
    return Affine{m11 * f.m11 + m21 * f.m12, m12 * f.m11 + m22 * f.m12,
                  m11 * f.m21 + m21 * f.m22, m12 * f.m21 + m22 * f.m22,
                  m11 * f.dx + m21 * f.dy + dx, m12 * f.dx + m22 * f.dy + dy};
}

Affine Affine::Inverted() const noexcept {
    const double det = m11 * m22 - m12 * m21;
    Affine inverse{m22 / det, -m12 / det, -m21 / det, m11 / det, 0, 0};
    inverse.dx = -(inverse.m11 * dx + inverse.m21 * dy);
    inverse.dy = -(inverse.m12 * dx + inverse.m22 * dy);
    return inverse;
}

bool Affine::Finite() const noexcept {
    return std::isfinite(m11) && std::isfinite(m12) && std::isfinite(m21) && std::isfinite(m22) &&
           std::isfinite(dx) && std::isfinite(dy);
}

DcMapping DcMapping::Of(const DcState &s) noexcept {
    const auto scale = [](LONG viewport, LONG window) {
        return viewport == window || window == 0 ? 1.0 : static_cast<double>(viewport) / window;
    };
    return DcMapping{static_cast<double>(s.windowOrg.x), static_cast<double>(s.windowOrg.y),
                     static_cast<double>(s.viewportOrg.x), static_cast<double>(s.viewportOrg.y),
                     scale(s.viewportExt.cx, s.windowExt.cx), scale(s.viewportExt.cy, s.windowExt.cy)};
}

LONG ToDeviceUnit(double value) noexcept {
    if (std::isnan(value)) return 0;
    return static_cast<LONG>(std::floor(std::clamp(value, -kDeviceLimit, kDeviceLimit) + 0.5));
}

RECT ToDeviceBox(DPoint a, DPoint b) noexcept {
    const POINT p = ToDevicePoint(a), q = ToDevicePoint(b);
    return RECT{std::min(p.x, q.x), std::min(p.y, q.y), std::max(p.x, q.x), std::max(p.y, q.y)};
}

// ---- figures ----

bool FigureSet::Append(DPoint p) noexcept {
    if (!points_.Push(p)) return false;
    ++figures_.Back().count;
    current_ = p;
    return true;
}

bool FigureSet::MoveTo(DPoint p) noexcept {
    if (open_ && figures_.Back().count == 1) {
        points_.Pop();
        figures_.Pop();
    }
    if (!figures_.Push(Figure{points_.Size(), 0, false, false})) return false;
    open_ = true;
    if (Append(p)) return true;
    figures_.Pop();
    open_ = false;
    return false;
}

bool FigureSet::LineTo(DPoint p) noexcept {
    if (!open_ && !MoveTo(current_)) return false;
    return Append(p);
}

bool FigureSet::BezierTo(DPoint c1, DPoint c2, DPoint end) noexcept {
    if (!open_ && !MoveTo(current_)) return false;
    figures_.Back().curved = true;
    const DPoint p0 = current_;
    // Chords of n equal parameter steps stray at most 3/4·L/n² from a cubic
    // whose second differences are at most L. Half a pixel would need
    // n² >= 1.5·L; a fifth keeps the edges of wide strokes, where the error
    // grows with the width, from showing facets.
    const double l = std::max(std::hypot(p0.x - 2 * c1.x + c2.x, p0.y - 2 * c1.y + c2.y),
                              std::hypot(c1.x - 2 * c2.x + end.x, c1.y - 2 * c2.y + end.y));
    constexpr int kMostSteps = 1024;
    const int steps = l < 1e6 ? std::clamp(static_cast<int>(std::ceil(std::sqrt(3.75 * l))), 1, kMostSteps) : kMostSteps;
    if (!points_.Reserve(points_.Size() + static_cast<std::size_t>(steps))) return false;
    for (int i = 1; i <= steps; ++i) {
        const double t = static_cast<double>(i) / steps, u = 1 - t;
        const double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
        const DPoint p = i == steps ? end
                                    : DPoint{a * p0.x + b * c1.x + c * c2.x + d * end.x,
                                             a * p0.y + b * c1.y + c * c2.y + d * end.y};
        if (!Append(p)) return false;
    }
    return true;
}

void FigureSet::CloseFigure() noexcept {
    if (!open_) return;
    Figure &figure = figures_.Back();
    figure.closed = true;
    open_ = false;
    current_ = points_[figure.start];
}

void FigureSet::Clear() noexcept {
    points_.Clear();
    figures_.Clear();
    open_ = false;
}

bool FigurePoints::From(const FigureSet &figures, std::size_t minPoints) noexcept {
    points.Clear();
    counts.Clear();
    closed.Clear();
    for (std::size_t f = 0; f < figures.FigureCount(); ++f) {
        const FigureSet::Figure &figure = figures.FigureAt(f);
        if (figure.count < minPoints || figure.count > 0x7FFFFFFF) continue;
        if (!points.Reserve(points.Size() + figure.count)) return false;
        for (std::size_t i = 0; i < figure.count; ++i)
            if (!points.Push(ToDevicePoint(figures.Points()[figure.start + i]))) return false;
        if (!counts.Push(static_cast<INT>(figure.count)) || !closed.Push(figure.closed)) return false;
    }
    return true;
}

// ---- curved outlines ----

namespace {

struct EllipseFrame {
    double cx, cy, rx, ry;
    static EllipseFrame Of(const RECT &box) {
        return EllipseFrame{(static_cast<double>(box.left) + box.right) / 2, (static_cast<double>(box.top) + box.bottom) / 2,
                            std::fabs(static_cast<double>(box.right) - box.left) / 2,
                            std::fabs(static_cast<double>(box.bottom) - box.top) / 2};
    }
    // θ grows counterclockwise on the screen, where y grows downwards.
    DPoint At(double theta) const { return DPoint{cx + rx * std::cos(theta), cy - ry * std::sin(theta)}; }
    DPoint Tangent(double theta) const { return DPoint{-rx * std::sin(theta), -ry * std::cos(theta)}; }
    double AngleOf(POINT p) const {
        return std::atan2(-(p.y - cy) / (ry > 0 ? ry : 1), (p.x - cx) / (rx > 0 ? rx : 1));
    }
};

// Cubics of at most a quarter turn each along the ellipse from θ0 by
// `sweep`, continuing the open figure.
bool AddEllipseArc(FigureSet &out, const Affine &map, const EllipseFrame &e, double theta0, double sweep) {
    const int parts = std::max(1, static_cast<int>(std::ceil(std::fabs(sweep) / (std::numbers::pi / 2) - 1e-9)));
    const double step = sweep / parts, k = 4.0 / 3.0 * std::tan(step / 4);
    for (int i = 0; i < parts; ++i) {
        const double a = theta0 + i * step, b = a + step;
        const DPoint p0 = e.At(a), p3 = e.At(b), t0 = e.Tangent(a), t3 = e.Tangent(b);
        if (!out.BezierTo(map.Apply(DPoint{p0.x + k * t0.x, p0.y + k * t0.y}),
                          map.Apply(DPoint{p3.x - k * t3.x, p3.y - k * t3.y}), map.Apply(p3)))
            return false;
    }
    return true;
}

}  // namespace

bool AddEllipseFigure(FigureSet &out, const Affine &map, const RECT &box) noexcept {
    const EllipseFrame e = EllipseFrame::Of(box);
    if (!out.MoveTo(map.Apply(e.At(0))) || !AddEllipseArc(out, map, e, 0, 2 * std::numbers::pi)) return false;
    out.CloseFigure();
    return true;
}

bool AddArcFigure(FigureSet &out, const Affine &map, const RECT &box, POINT start, POINT end, bool clockwise,
                  ArcKind kind) noexcept {
    const EllipseFrame e = EllipseFrame::Of(box);
    const double from = e.AngleOf(start);
    double sweep = e.AngleOf(end) - from;
    // The same ray twice is a whole turn.
    if (clockwise) {
        while (sweep >= 0) sweep -= 2 * std::numbers::pi;
    } else {
        while (sweep <= 0) sweep += 2 * std::numbers::pi;
    }
    if (kind == ArcKind::Pie) {
        if (!out.MoveTo(map.Apply(DPoint{e.cx, e.cy})) || !out.LineTo(map.Apply(e.At(from)))) return false;
    } else if (!out.MoveTo(map.Apply(e.At(from)))) {
        return false;
    }
    if (!AddEllipseArc(out, map, e, from, sweep)) return false;
    if (kind != ArcKind::Open) out.CloseFigure();
    return true;
}

bool AddRoundRectFigure(FigureSet &out, const Affine &map, const RECT &box, int cornerWidth, int cornerHeight) noexcept {
    const double left = std::min(box.left, box.right), right = std::max(box.left, box.right);
    const double top = std::min(box.top, box.bottom), bottom = std::max(box.top, box.bottom);
    const double rx = std::min<double>(std::abs(static_cast<double>(cornerWidth)), right - left) / 2;
    const double ry = std::min<double>(std::abs(static_cast<double>(cornerHeight)), bottom - top) / 2;
    const double half = std::numbers::pi / 2;
    // Corner centres from the top right on, counterclockwise.
    const DPoint centres[4] = {{right - rx, top + ry}, {left + rx, top + ry}, {left + rx, bottom - ry}, {right - rx, bottom - ry}};
    if (!out.MoveTo(map.Apply(DPoint{right, top + ry}))) return false;
    for (int corner = 0; corner < 4; ++corner) {
        const EllipseFrame c{centres[corner].x, centres[corner].y, rx, ry};
        if (!out.LineTo(map.Apply(c.At(corner * half))) || !AddEllipseArc(out, map, c, corner * half, half)) return false;
    }
    out.CloseFigure();
    return true;
}

bool AddBoxFigure(FigureSet &out, const Affine &map, const RECT &box) noexcept {
    const double l = box.left, t = box.top, r = box.right, b = box.bottom;
    if (!out.MoveTo(map.Apply(DPoint{l, t})) || !out.LineTo(map.Apply(DPoint{l, b})) ||
        !out.LineTo(map.Apply(DPoint{r, b})) || !out.LineTo(map.Apply(DPoint{r, t})))
        return false;
    out.CloseFigure();
    return true;
}

}  // namespace zelt::platform
