// Geometry of the general and unscaled paint paths: which part of the
// destination is painted, and which stored source pixel each destination
// pixel shows.
//
// The mapping, for every perspective: destination pixel (x, y) shows the
// displayed source pixel (src.left + floor((x - dst.left) * srcW / dstW),
// src.bottom - 1 - floor((dst.bottom - 1 - y) * srcH / dstH)), columns
// counted from the destination's left edge and rows from its bottom edge;
// the perspective then names the stored pixel behind that displayed one.
// A destination given upside down (bottom above top) is painted mirrored
// top to bottom: it is normalised and the mirror is folded into the
// perspective. All proportional products are 64-bit, so no size overflows.
#pragma once

#include <cstdint>

#include "zelt/kernel.h"

namespace paint_geometry {

// floor(a / b) and a mod b with a non-negative result, for b > 0.
inline std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    const std::int64_t q = a / b;
    return (a % b != 0 && a < 0) ? q - 1 : q;
}
inline std::int64_t FloorMod(std::int64_t a, std::int64_t b) { return a - FloorDiv(a, b) * b; }

// Source positions along one stored axis: stored = base + sign * floor(t *
// num / den), where t is a destination line's distance from the anchor
// edge (x - dst.left for destination columns, dst.bottom - 1 - y for rows).
struct AxisMap {
    std::int64_t base = 0;
    int sign = 1;
    std::int64_t num = 1;
    std::int64_t den = 1;
    bool fromColumns = true;  // t counts destination columns (else rows)

    std::int64_t At(std::int64_t t) const { return base + sign * FloorDiv(t * num, den); }
};

// The Bresenham walk of KrnResampleRow producing the stored positions of
// the destination lines t0, t0 + dir, t0 + 2 dir, … in increasing order.
struct AxisWalk {
    int first = 0;
    int step = 0;
    int error = 0;
    int remainder = 0;
    int extent = 1;
};
// dir must equal map.sign (the positions then increase).
AxisWalk WalkFrom(const AxisMap &map, std::int64_t t0, int dir);

struct PaintGeometry {
    int perspective = 0;     // the bitmap's, with a mirrored destination folded in
    bool exchanged = false;  // perspective exchanges the axes
    int angle = 0;           // KrnGetPerspectiveChange(perspective, 2)
    int flip = 0;
    RECT src{};              // source rectangle, display coordinates
    RECT dst{};              // destination, normalised
    RECT visible{};          // painted part of the destination
    std::int64_t srcW = 0, srcH = 0, dstW = 0, dstH = 0;
    AxisMap column;          // stored column of a destination pixel
    AxisMap row;             // stored row
    int storedWidth = 0, storedHeight = 0;

    int VisibleWidth() const { return visible.right - visible.left; }
    int VisibleHeight() const { return visible.bottom - visible.top; }
    // Distance of destination column x / row y from its anchor edge.
    std::int64_t TOfColumn(int x) const { return x - dst.left; }
    std::int64_t TOfRow(int y) const { return dst.bottom - 1 - y; }
};

// Scaled painting (the general path). False when nothing is to be painted
// (an empty size, or a visible area that is empty).
bool PrepareScaled(const BitmapRecord *bitmap, const RECT &srcRect, const RECT &srcClip, const RECT &dstRect,
                   const RECT &dstClip, PaintGeometry *geometry);

// Painting at the source's size (the unscaled path): the source clip is
// moved by the destination offset instead of scaled.
bool PrepareUnscaled(const BitmapRecord *bitmap, const RECT &srcRect, const RECT &srcClip, const RECT &dstRect,
                     const RECT &dstClip, PaintGeometry *geometry);

// The perspective that shows the picture of `perspective` mirrored top to
// bottom.
int MirroredPerspective(int perspective);

}  // namespace paint_geometry
