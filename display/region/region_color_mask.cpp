// Tinting the selected pixels: a colour XORed into the device through a
// monochrome fill mask of the region, cached in the record. The same call
// twice gives the device back exactly.
#include "region/region_mask_canvas.h"

namespace zelt::region {

namespace {

// Device XOR brush where the mask is set, the device unchanged elsewhere.
constexpr DWORD kRopXorThroughMask = 0x006A01E9;

}  // namespace

int BuildColorMask(BitmapRecord *bitmap, const RegionXForm *xform) {
    if (bitmap == nullptr) return STATUS_NO_BITMAP;
    if (bitmap->Region == nullptr) return STATUS_BAD_PARAMETER;

    OwnedRegion mapped;
    RECT box{};
    int status = MappedRegionCopy(*bitmap, xform, mapped, &box);
    if (status != STATUS_OK) return status;

    const LONG width = box.right > box.left ? box.right - box.left : 0;
    const LONG height = box.bottom > box.top ? box.bottom - box.top : 0;
    MaskCanvas canvas;
    status = canvas.Open(width, height);
    if (status != STATUS_OK) return status;

    HRGN fill = nullptr;
    status = BuildRgnHandle(bitmap, mapped.get(), nullptr, &fill);
    if (status != STATUS_OK) return status;
    GdiObjectGuard<HRGN> fillGuard(fill);
    if (OffsetRgn(fill, -box.left, -box.top) == ERROR || SelectObject(canvas.dc(), fill) == HGDI_ERROR ||
        (!PatBlt(canvas.dc(), 0, 0, width, height, WHITENESS) && width > 0 && height > 0)) {
        return STATUS_NO_MEMORY;
    }

    StoreMask(*bitmap, &RegionRecord::hColorMask, &RegionRecord::ColorMaskXForm, canvas.TakeMask(), xform);
    return STATUS_OK;
}

}  // namespace zelt::region

using namespace zelt::region;

int ZELT_API Z_ColorBitmapRgn(HDC hdc, BitmapRecord *bitmap, const RegionXForm *xform, COLORREF color) {
    if (bitmap == nullptr) return STATUS_NO_BITMAP;
    RegionRecord *region = bitmap->Region;
    if (region == nullptr) return STATUS_OK;
    if (xform != nullptr && (!IsAcceptedPerspective(xform->Perspective) || xform->XDen == 0 || xform->YDen == 0)) {
        return STATUS_BAD_PARAMETER;
    }

    const RegionXForm key = MaskKey(*bitmap, xform);
    if (MaskMatches(*bitmap, region->hColorMask, region->ColorMaskXForm, key)) {
        region->ColorMaskXForm.XOffset = key.XOffset;
        region->ColorMaskXForm.YOffset = key.YOffset;
    } else {
        if (region->hColorMask != nullptr) DeleteObject(region->hColorMask);
        region->hColorMask = nullptr;
        // Without a mask nothing is drawn, and that is no error.
        if (BuildColorMask(bitmap, xform) != STATUS_OK) return STATUS_OK;
    }

    RECT box = region->Bounds;
    int status = BitmapRectToDisplay(bitmap, xform, &box);
    if (status != STATUS_OK) return status;
    GdiObjectGuard<HBRUSH> brush(CreateSolidBrush(color));
    if (brush.get() == nullptr) return STATUS_NO_MEMORY;
    return DrawMask(hdc, region->hColorMask, box, brush.get(), kRopXorThroughMask, true);
}
