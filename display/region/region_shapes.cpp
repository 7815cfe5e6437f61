// Shape regions: a rectangle built directly, and the curved and polygonal
// shapes GDI rasterises, read back row by row and merged into the bitmap's
// region. No GDI object made here outlives the call.
#include "region/region_internal.h"

namespace zelt::region {

namespace {

// Reads `shape` into a record and merges it; the shape itself stays.
int CombineGdiRegion(BitmapRecord *bitmap, const RegionXForm *xform, HRGN shape, int mode) {
    RegionRecord *record = nullptr;
    const int status = ScanGdiRegion(shape, &record);
    if (status != STATUS_OK) return status;
    return CombineBitmapRgn(bitmap, xform, record, mode);
}

// For a shape region made for this call: GDI's refusal is a lack of memory,
// and the shape is deleted whatever happens.
int CombineGdiShape(BitmapRecord *bitmap, const RegionXForm *xform, HRGN shape, int mode) {
    if (shape == nullptr) return STATUS_NO_MEMORY;
    const int status =
        bitmap == nullptr ? STATUS_BAD_PARAMETER : CombineGdiRegion(bitmap, xform, shape, mode);
    DeleteObject(shape);
    return status;
}

}  // namespace

int ZELT_API SetBitmapRgnRectInt(BitmapRecord *bitmap, const RegionXForm *xform, const RECT *rect, int mode) {
    if (rect == nullptr) return STATUS_BAD_PARAMETER;
    RegionBuilder builder;
    int status = BeginRegion(builder, *rect);
    if (status != STATUS_OK) return status;
    const bool filled = rect->left < rect->right;
    for (LONG y = rect->top; y < rect->bottom; ++y) {
        if (filled) AppendRun(builder, rect->left, rect->right);
        status = EndRegionRow(builder);
        if (status != STATUS_OK) return status;
    }
    // A null bitmap is CombineBitmapRgn's to report; it frees the record.
    return CombineBitmapRgn(bitmap, xform, FinishRegion(builder), mode);
}

}  // namespace zelt::region

using namespace zelt::region;

int ZELT_API Z_SetBitmapRgnRect(BitmapRecord *bitmap, const RegionXForm *xform, const RECT *rect, int mode) {
    return SetBitmapRgnRectInt(bitmap, xform, rect, mode);
}

int ZELT_API Z_SetBitmapRgnRoundRect(BitmapRecord *bitmap, const RegionXForm *xform, const RECT *rect,
                                     int ellipseWidth, int ellipseHeight, int mode) {
    if (rect == nullptr) return STATUS_BAD_PARAMETER;
    HRGN shape = CreateRoundRectRgn(rect->left, rect->top, rect->right, rect->bottom, ellipseWidth, ellipseHeight);
    return CombineGdiShape(bitmap, xform, shape, mode);
}

int ZELT_API Z_SetBitmapRgnEllipse(BitmapRecord *bitmap, const RegionXForm *xform, const RECT *rect, int mode) {
    if (rect == nullptr) return STATUS_BAD_PARAMETER;
    return CombineGdiShape(bitmap, xform, CreateEllipticRgnIndirect(rect), mode);
}

int ZELT_API Z_SetBitmapRgnPolygon(BitmapRecord *bitmap, const RegionXForm *xform, const POINT *points,
                                   int pointCount, int fillMode, int mode) {
    if (points == nullptr) return STATUS_BAD_PARAMETER;
    if (fillMode != 0 && fillMode != 1) return STATUS_BAD_PARAMETER;
    // Our 0 is GDI's WINDING (2) and our 1 its ALTERNATE (1).
    HRGN shape = CreatePolygonRgn(points, pointCount, fillMode == 0 ? WINDING : ALTERNATE);
    return CombineGdiShape(bitmap, xform, shape, mode);
}

int ZELT_API Z_SetBitmapRgnHandle(BitmapRecord *bitmap, const RegionXForm *xform, HRGN region, int mode) {
    if (bitmap == nullptr) return STATUS_BAD_PARAMETER;
    if (region == nullptr) {
        // No shape at all removes the selection, whatever the mode.
        KrnFreeRegion(bitmap->Region);
        bitmap->Region = nullptr;
        return STATUS_OK;
    }
    return CombineGdiRegion(bitmap, xform, region, mode);
}
