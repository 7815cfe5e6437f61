// Painting a bitmap through its region: the region is mapped from the
// source rectangle onto the destination rectangle, made the clip region of
// the device for the one paint, and the device's own clip comes back
// afterwards.
#include <cstdlib>

#include "region/region_internal.h"

namespace zelt::region {

namespace {

LONG Width(const RECT &r) { return r.right - r.left; }
LONG Height(const RECT &r) { return r.bottom - r.top; }

// The transform that stretches the picture of `bitmap`, as displayed, onto
// `destination`. Views that exchange the axes show a Height x Width
// picture, and the painter scales that onto the destination.
RegionXForm StretchOnto(const BitmapRecord &bitmap, const RECT &destination) {
    RECT shown{0, 0, bitmap.Width, bitmap.Height};
    KrnRectFromBitmap(&bitmap, 0, &shown);
    return RegionXForm{0, Width(destination), Width(shown), Height(destination), Height(shown), destination.left,
                       destination.top};
}

// Attaches to `part` the piece of the bitmap's region under `source`,
// moved to the part's origin. Without memory for it the part simply has
// no region (it then counts as wholly selected).
void AttachSourcePiece(const BitmapRecord &bitmap, const RECT &source, BitmapRecord &part) {
    RegionRecord *piece = nullptr;
    if (Z_CopyZeltRgn(&piece, bitmap.Region) != STATUS_OK) return;
    DropRegionCaches(*piece);  // the cached handle was keyed for the whole bitmap
    const RECT whole{0, 0, part.Width, part.Height};
    if (OffsetRgnRecord(piece, -source.left, -source.top) != STATUS_OK || ClipRgnRecord(piece, &whole) != STATUS_OK) {
        KrnFreeRegion(piece);
        return;
    }
    part.Region = piece;
}

// The region of the source rectangle alone, through a temporary record of
// the rectangle's size. A handle cached in that record dies with it, so
// the caller always gets a copy of its own.
int SourceRegionHandle(BitmapRecord &bitmap, const RECT &source, const RECT &destination, HRGN *out,
                       int *callerOwns) {
    BitmapRecord part{};
    int status = KrnInitBitmapFrom(&part, &bitmap, Width(source), std::abs(Height(source)), bitmap.BitsPerPixel, 0);
    if (status != STATUS_OK) return status;
    if (bitmap.Region != nullptr) AttachSourcePiece(bitmap, source, part);

    const RegionXForm xform = StretchOnto(part, destination);
    HRGN handle = nullptr;
    int owns = 0;
    status = Z_IntGetBitmapRgnHandle(&part, &xform, &handle, &owns);
    if (status == STATUS_OK && owns == 0) {
        handle = CopyGdiRegion(handle);
        if (handle == nullptr) status = STATUS_NO_MEMORY;
    }
    KrnReleaseBitmapRecord(&part);
    if (status != STATUS_OK) return status;
    *out = handle;
    *callerOwns = 1;
    return STATUS_OK;
}

int ResizedRegionHandle(BitmapRecord &bitmap, const RECT *source, const RECT &destination, HRGN *out,
                        int *callerOwns) {
    if (source != nullptr) return SourceRegionHandle(bitmap, *source, destination, out, callerOwns);
    const RegionXForm xform = StretchOnto(bitmap, destination);
    return Z_IntGetBitmapRgnHandle(&bitmap, &xform, out, callerOwns);
}

// Runs `paint` with the mapped region as the only clip of hdc; the
// device context is restored whatever the paint returns.
template <typename Paint>
int PaintThroughRegion(HDC hdc, BitmapRecord *bitmap, const RECT *source, const RECT *destination, Paint paint) {
    if (bitmap == nullptr) return STATUS_NO_BITMAP;
    if (destination == nullptr) return STATUS_BAD_PARAMETER;
    HRGN clip = nullptr;
    int callerOwns = 0;
    int status = ResizedRegionHandle(*bitmap, source, *destination, &clip, &callerOwns);
    if (status != STATUS_OK) return status;

    const int saved = SaveDC(hdc);
    // Selecting a region makes a copy of it the clip region, replacing
    // whatever clip the device had; the handle is not needed afterwards.
    const bool clipped = saved != 0 && SelectObject(hdc, clip) != HGDI_ERROR;
    if (callerOwns != 0) DeleteObject(clip);
    if (saved == 0) return STATUS_BAD_PARAMETER;
    // Painting unclipped would reach pixels outside the region.
    status = clipped ? paint() : STATUS_NO_MEMORY;
    RestoreDC(hdc, -1);
    return status;
}

}  // namespace

}  // namespace zelt::region

using namespace zelt::region;

int ZELT_API Z_GetResizedRgnHandle(BitmapRecord *bitmap, const RECT *source, const RECT *destination, HRGN *region,
                                   int *callerOwns) {
    if (bitmap == nullptr) return STATUS_NO_BITMAP;
    if (destination == nullptr || region == nullptr || callerOwns == nullptr) return STATUS_BAD_PARAMETER;
    return ResizedRegionHandle(*bitmap, source, *destination, region, callerOwns);
}

int ZELT_API Z_PaintRgnDC(HDC hdc, BitmapRecord *bitmap, const RECT *source, const RECT *sourceClip,
                          const RECT *destination, const RECT *destinationClip, DWORD rop) {
    return PaintThroughRegion(hdc, bitmap, source, destination, [&] {
        return Z_PaintDC(hdc, bitmap, source, sourceClip, destination, destinationClip, rop);
    });
}

int ZELT_API Z_PaintRgnDCBuffer(HDC hdc, BitmapRecord *bitmap, const RECT *source, const RECT *sourceClip,
                                const RECT *destination, const RECT *destinationClip, DWORD rop, void *buffer,
                                int firstRow, int rowCount) {
    return PaintThroughRegion(hdc, bitmap, source, destination, [&] {
        return Z_PaintDCBuffer(hdc, bitmap, source, sourceClip, destination, destinationClip, rop, buffer, firstRow,
                               rowCount);
    });
}
