// Rasterisation of pen strokes and shape interiors into device pixels.
// Every shape becomes a RegionData, so clipping is one intersection and a
// drawing call touches each pixel once (R2_NOT and R2_XORPEN rely on that:
// only pixels shared by two separate calls are inverted twice).
#pragma once

#include <vector>

#include "gdi/region.h"

namespace zelt::platform {

// Gathers pixels and row spans in any order and any overlap, and turns them
// into a canonical region.
class SpanCollector {
public:
    void Reserve(std::size_t spans) { spans_.reserve(spans); }
    void AddPixel(LONG x, LONG y) { AddSpan(y, x, x + 1); }
    void AddSpan(LONG y, LONG x0, LONG x1) {
        if (x0 < x1) spans_.push_back(RowSpan{y, x0, x1});
    }
    RegionData Finish();

private:
    struct RowSpan {
        LONG y, x0, x1;
    };
    std::vector<RowSpan> spans_;
};

// Visits the pixels of a cosmetic (1-pixel) line from `from` up to but not
// including `to`, in drawing order. Ties of the error term are broken by
// octant, so a line and its reverse may differ by a pixel at each tie.
template <class Plot>
void ForEachLinePixel(POINT from, POINT to, Plot plot) {
    const long long dx = static_cast<long long>(to.x) - from.x;
    const long long dy = static_cast<long long>(to.y) - from.y;
    if (dx == 0 && dy == 0) return;
    const long long adx = dx < 0 ? -dx : dx;
    const long long ady = dy < 0 ? -dy : dy;
    const LONG sx = dx > 0 ? 1 : -1;
    const LONG sy = dy > 0 ? 1 : -1;
    // Octants 3, 5, 6 and 8 step the minor axis on a tie.
    bool bias;
    if (dy > 0)
        bias = dx <= 0 && -dx <= dy;  // octant 3
    else
        bias = dx < 0 || dx > -dy;  // octants 5, 6, 8 (dy == 0 needs no bias)
    const long long major = adx > ady ? adx : ady;
    const long long minor = adx > ady ? ady : adx;
    const bool xMajor = adx > ady;
    long long err = 2 * minor - major;
    LONG x = from.x, y = from.y;
    for (long long i = 0; i < major; ++i) {
        plot(x, y);
        if (err + (bias ? 1 : 0) > 0) {
            if (xMajor)
                y += sy;
            else
                x += sx;
            err += 2 * minor - 2 * major;
        } else {
            err += 2 * minor;
        }
        if (xMajor)
            x += sx;
        else
            y += sy;
    }
}

// Pixels of a cosmetic line, end point excluded.
void AddCosmeticLine(POINT from, POINT to, SpanCollector &out);

// The round tip of a geometric pen `width` (>= 2) pixels wide, centred on
// the origin: the elliptic region of the square [-width/2, (width-1)/2]
// each way. It is every end cap and every round join.
RegionData PenTip(int width);

// Every pixel of `path` with the pen tip centred on it.
RegionData StrokeWithTip(const RegionData &path, const RegionData &tip);

// Rectangle(l, t, r, b) of a normalised box: the pen band and the area the
// brush fills. penWidth 0 stands for NULL_PEN, 1 for the cosmetic pen.
struct RectangleParts {
    RegionData outline;
    RECT interior;
};
RectangleParts RectangleShape(const RECT &box, int penWidth);

// One quadrant of the outline by the midpoint recurrence; (X, Y) relative to
// the box, X from the right edge inwards, Y from the middle row downwards.
template <class Emit>
void EllipseQuadrant(long long width, long long height, Emit emit) {
    const long long a = width - 1, c = height - 1;
    long long dx = 4 * c * c * (1 - a);
    long long dy = 4 * a * a * (1 + c % 2);
    long long err = dx + dy + a * a * (c % 2);
    long long x = a, y = height / 2;
    while (x >= width / 2) {
        emit(x, y);
        const long long e2 = 2 * err;
        if (e2 >= dx) {
            --x;
            dx += 8 * c * c;
            err += dx;
        }
        if (e2 <= dy) {
            ++y;
            dy += 8 * a * a;
            err += dy;
        }
    }
}

// The 1-pixel outline of Ellipse(box) for a normalised box.
RegionData EllipseOutline(const RECT &box);

// The pixels of `region` that have one of the four neighbours at distance
// |w| horizontally or |h| vertically outside it: FrameRgn's frame.
RegionData FrameOfRegion(const RegionData &region, int w, int h);

// A region moved by (dx, dy).
RegionData Shifted(RegionData region, int dx, int dy);

}  // namespace zelt::platform
