// Shapes given in device pixels, for callers that transform coordinates
// themselves (the metafile players). They rasterise exactly as the public
// drawing calls do, with the DC's brush, ROP2 and clip and a pen already in
// device units. Coordinates may lie anywhere: lines and polygon edges are
// cut at a guard box 2^14 pixels beyond the drawable area (so figures that
// merely overhang it draw exactly as the calls draw them), and curved
// shapes larger than that are drawn as polygons; a figure a billion pixels
// wide costs little more than its visible part. Out of memory gives false,
// never an exception. Polygon point counts are never negative.
#pragma once

#include "gdi/draw_paint.h"

namespace zelt::platform {

// Rectangle(box) as the call draws it; `box` normalised.
bool DeviceRectangle(DcObject &dc, const RECT &box, const DevicePen &pen) noexcept;
// Ellipse(box) and RoundRect(box, cornerWidth, cornerHeight).
bool DeviceEllipse(DcObject &dc, const RECT &box, const DevicePen &pen) noexcept;
bool DeviceRoundRect(DcObject &dc, const RECT &box, int cornerWidth, int cornerHeight, const DevicePen &pen) noexcept;

// PolyPolygon: `polygons` closed outlines of counts[i] points each, the
// interior filled by `fillMode` with the DC's brush when `fill`, then
// outlined with the pen.
bool DevicePolygons(DcObject &dc, const POINT *points, const INT *counts, int polygons, int fillMode, bool fill,
                    const DevicePen &pen) noexcept;

// Polyline through `count` points (closed: back to the first one).
bool DevicePolyline(DcObject &dc, const POINT *points, int count, bool closed, const DevicePen &pen) noexcept;

// The interior of polygons painted with `brush` under a ROP3 without source
// (a PatBlt of a turned rectangle).
bool DeviceFillPolygons(DcObject &dc, const POINT *points, const INT *counts, int polygons, int fillMode,
                        HBRUSH brush, DWORD rop3) noexcept;

// The pixels polygons cover by `fillMode`, limited to what lies near the
// DC's drawable area (clip regions made of polygons). Throws
// std::bad_alloc as region operations do.
RegionData DevicePolygonRegion(const DcObject &dc, const POINT *points, const INT *counts, int polygons, int fillMode);

}  // namespace zelt::platform
