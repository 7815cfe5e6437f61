// Strokes of geometric pens (width >= 2, solid, round caps and joins). Each
// segment is filled as a polygon: the segment widened across its direction,
// the half-widths rounded to whole pixels. The pen's round tip covers every
// vertex, which gives both the end caps and the joins.
#pragma once

#include <span>
#include <vector>

#include "gdi/draw_raster.h"
#include "gdi/region.h"

namespace zelt::platform {

// The four corners of the polygon a slanted segment (neither horizontal nor
// vertical) is filled as, in order round it: the side towards +x is pushed
// out by the half-width rounded from (extent + 1) / 2, the other side by the
// half-width rounded from extent / 2, extent being the pen's width projected
// on each axis. Whole-pixel polygon edges exclude the right and bottom
// boundaries, so the larger half on the right keeps the stroke `width` wide.
struct SegmentQuad {
    POINT corner[4];
};
SegmentQuad SlantedSegmentQuad(POINT from, POINT to, int width);

// Adds the pixels of a convex polygon under the region fill rule (a pixel is
// inside when its top-left point is, left and top edges included, right and
// bottom edges excluded).
void AddConvexPolygon(std::span<const POINT> corners, SpanCollector &out);

// The pixels the pen covers along the path through `points`: every segment
// (and the closing one when `closed`) plus the tip at every vertex.
RegionData WideStroke(std::span<const POINT> points, int width, bool closed);

// The 1-pixel outline of Ellipse(box) as a closed path, pixel by pixel round
// the box (each point a neighbour of the one before). Empty for boxes of
// width or height 2 or less, whose outline is a rectangle's.
std::vector<POINT> EllipseOutlinePath(const RECT &box);

// What a geometric pen `width` >= 2 pixels wide paints for Ellipse(box): the
// outline path stroked as a closed polygon.
RegionData WideEllipseOutline(const RECT &box, int width);

}  // namespace zelt::platform
