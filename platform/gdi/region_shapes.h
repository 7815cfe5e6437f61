// Shape regions: rounded rectangles (ellipses being the full-corner case)
// and polygons, rasterised to the pixels the system gives.
#pragma once

#include "gdi/region.h"

namespace zelt::platform {

// CreateRoundRectRgn's pixels for the rectangle (left, top, right, bottom),
// corners in any order, with a corner ellipse of cornerWidth x cornerHeight.
RegionData RoundRectRegion(const RECT &box, int cornerWidth, int cornerHeight);

// CreateEllipticRgn's pixels: the round rectangle whose corners are the box.
RegionData EllipticRegion(const RECT &box);

// CreatePolyPolygonRgn's pixels: polygonCount closed polygons, the i-th of
// counts[i] points, taken in turn from points. fillMode WINDING fills where
// the winding number is non-zero, anything else where it is odd.
RegionData PolygonRegion(const POINT *points, const INT *counts, int polygonCount, int fillMode);

}  // namespace zelt::platform
