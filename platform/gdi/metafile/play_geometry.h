// Geometry of playback: affine maps in floating point, device coordinates
// rounded and held in range, and figures (polylines with curves flattened)
// built in device space as paths and curved shapes need them.
#pragma once

#include <cmath>

#include "gdi/metafile/play_array.h"
#include "zelt/win32.h"

namespace zelt::platform {

struct DcState;

struct DPoint {
    double x, y;
};

// x' = m11·x + m21·y + dx, y' = m12·x + m22·y + dy: the order of XFORM.
struct Affine {
    double m11 = 1, m12 = 0, m21 = 0, m22 = 1, dx = 0, dy = 0;

    DPoint Apply(DPoint p) const noexcept { return DPoint{m11 * p.x + m21 * p.y + dx, m12 * p.x + m22 * p.y + dy}; }
    // The map that applies `first`, then this one.
    Affine After(const Affine &first) const noexcept;
    // No rotation or shear: boxes stay boxes.
    bool AxisAligned() const noexcept { return m12 == 0 && m21 == 0; }
    // How much lengths grow on average (square root of the area scale).
    double LengthScale() const noexcept { return std::sqrt(std::fabs(m11 * m22 - m12 * m21)); }
    bool Finite() const noexcept;
    bool Invertible() const noexcept { return m11 * m22 - m12 * m21 != 0; }
    // The map back (for an invertible one).
    Affine Inverted() const noexcept;

    static Affine Scaling(double sx, double sy, double dx, double dy) noexcept { return Affine{sx, 0, 0, sy, dx, dy}; }
};

// A DC's logical-to-device mapping along both axes, computed as the DC
// computes it (x − window origin) · viewport/window extent + viewport
// origin, in floating point so that no value can overflow.
struct DcMapping {
    double windowX, windowY, viewportX, viewportY, scaleX, scaleY;

    static DcMapping Of(const DcState &state) noexcept;
    DPoint Apply(double x, double y) const noexcept {
        return DPoint{(x - windowX) * scaleX + viewportX, (y - windowY) * scaleY + viewportY};
    }
    Affine AsAffine() const noexcept {
        return Affine::Scaling(scaleX, scaleY, viewportX - windowX * scaleX, viewportY - windowY * scaleY);
    }
};

// Device coordinates stay within ±2^29, so that the rasterisers' integer
// arithmetic (sums of coordinates and extents) never overflows; nothing that
// far away is visible anyway.
constexpr double kDeviceLimit = 536870912.0;

// Rounds half up as the DC does; NaN counts as 0.
LONG ToDeviceUnit(double value) noexcept;
inline POINT ToDevicePoint(DPoint p) noexcept { return POINT{ToDeviceUnit(p.x), ToDeviceUnit(p.y)}; }
// True when the value needs no holding back.
inline bool InDeviceRange(double value) noexcept { return value > -kDeviceLimit && value < kDeviceLimit; }
// The normalised box with corners a and b.
RECT ToDeviceBox(DPoint a, DPoint b) noexcept;

// Figures in device space: each a polyline, open or closed, with curves
// flattened so that no point of a curve is more than half a pixel from it.
class FigureSet {
public:
    struct Figure {
        std::size_t start;
        std::size_t count;
        bool closed;
        bool curved;  // holds a flattened curve
    };

    // Starts a new figure at p (an empty figure left open is dropped).
    [[nodiscard]] bool MoveTo(DPoint p) noexcept;
    // Continues the open figure, starting one at the last point if the
    // previous was closed.
    [[nodiscard]] bool LineTo(DPoint p) noexcept;
    [[nodiscard]] bool BezierTo(DPoint c1, DPoint c2, DPoint end) noexcept;
    // Closes the open figure; the next drawing starts a new one at its start.
    void CloseFigure() noexcept;
    // Marks the open figure as part of a curve (dashes cut from one).
    void MarkCurved() noexcept {
        if (open_) figures_.Back().curved = true;
    }
    // Leaves the open figure open-ended; drawing goes on in a new one.
    void EndFigure() noexcept { open_ = false; }
    void Clear() noexcept;

    bool Empty() const noexcept { return figures_.Empty(); }
    std::size_t FigureCount() const noexcept { return figures_.Size(); }
    const Figure &FigureAt(std::size_t i) const noexcept { return figures_[i]; }
    const DPoint *Points() const noexcept { return points_.Data(); }
    // A figure is open: LineTo and BezierTo continue it.
    bool IsOpen() const noexcept { return open_; }

private:
    [[nodiscard]] bool Append(DPoint p) noexcept;

    PodArray<DPoint> points_;
    PodArray<Figure> figures_;
    DPoint current_{0, 0};
    bool open_ = false;
};

// Integer points of figures, ready for the device drawing calls.
struct FigurePoints {
    PodArray<POINT> points;
    PodArray<INT> counts;
    PodArray<bool> closed;

    // Rounds every figure of at least `minPoints` points; false on
    // allocation failure.
    [[nodiscard]] bool From(const FigureSet &figures, std::size_t minPoints) noexcept;
};

// Curved outlines in logical space (the box and points as recorded), added
// as figures through `map`. The arc runs from the ray through `start` to
// the ray through `end`, counterclockwise on the screen unless `clockwise`.
enum class ArcKind { Open, Chord, Pie };
[[nodiscard]] bool AddEllipseFigure(FigureSet &out, const Affine &map, const RECT &box) noexcept;
[[nodiscard]] bool AddArcFigure(FigureSet &out, const Affine &map, const RECT &box, POINT start, POINT end,
                                bool clockwise, ArcKind kind) noexcept;
[[nodiscard]] bool AddRoundRectFigure(FigureSet &out, const Affine &map, const RECT &box, int cornerWidth,
                                      int cornerHeight) noexcept;
[[nodiscard]] bool AddBoxFigure(FigureSet &out, const Affine &map, const RECT &box) noexcept;

}  // namespace zelt::platform
