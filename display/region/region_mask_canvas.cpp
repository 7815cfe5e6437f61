// Drawing and showing the monochrome masks of framing and colouring.
#include "region/region_mask_canvas.h"

#include <utility>

namespace zelt::region {

namespace {

bool Selected(HGDIOBJ previous) { return previous != nullptr && previous != HGDI_ERROR; }

LONG Extent(LONG from, LONG to) { return to > from ? to - from : 0; }

}  // namespace

int MappedRegionCopy(const BitmapRecord &bitmap, const RegionXForm *xform, OwnedRegion &copy, RECT *box) {
    copy.reset();
    // The copy needs no duplicate of the cached GDI region: it is hidden
    // from the copy rather than copied and deleted again.
    RegionRecord &region = *bitmap.Region;
    const HRGN cached = region.hRgnCache;
    region.hRgnCache = nullptr;
    RegionRecord *raw = nullptr;
    int status = Z_CopyZeltRgn(&raw, &region);
    region.hRgnCache = cached;
    OwnedRegion mapped(raw);
    if (status != STATUS_OK) return status;
    status = RgnRecordToDisplay(&bitmap, xform, mapped.get());
    if (status != STATUS_OK) return status;
    *box = bitmap.Region->Bounds;
    status = BitmapRectToDisplay(&bitmap, xform, box);
    if (status != STATUS_OK) return status;
    copy = std::move(mapped);
    return STATUS_OK;
}

void StoreMask(BitmapRecord &bitmap, HBITMAP RegionRecord::*slot, RegionXForm RegionRecord::*keySlot, HBITMAP mask,
               const RegionXForm *xform) {
    RegionRecord &region = *bitmap.Region;
    AdoptCacheView(region, bitmap.ViewPerspective);
    if (region.*slot != nullptr) DeleteObject(region.*slot);
    region.*slot = mask;
    region.*keySlot = MaskKey(bitmap, xform);
}

MaskCanvas::~MaskCanvas() {
    Close();
    if (mask_ != nullptr) DeleteObject(mask_);
}

void MaskCanvas::Close() {
    if (memory_ != nullptr) {
        if (Selected(previous_)) SelectObject(memory_, previous_);
        DeleteDC(memory_);
    }
    if (display_ != nullptr) DeleteDC(display_);
    memory_ = display_ = nullptr;
    previous_ = nullptr;
}

int MaskCanvas::Open(LONG width, LONG height) {
    mask_ = CreateBitmap(width, height, 1, 1, nullptr);
    display_ = CreateDC("DISPLAY", nullptr, nullptr, nullptr);
    memory_ = display_ != nullptr ? CreateCompatibleDC(display_) : nullptr;
    if (mask_ != nullptr && memory_ != nullptr) previous_ = SelectObject(memory_, mask_);
    if (!Selected(previous_)) {
        Close();
        if (mask_ != nullptr) DeleteObject(mask_);
        mask_ = nullptr;
        return STATUS_NO_MEMORY;
    }
    if (!PatBlt(memory_, 0, 0, width, height, BLACKNESS) && width > 0 && height > 0) {
        Close();
        DeleteObject(mask_);
        mask_ = nullptr;
        return STATUS_NO_MEMORY;
    }
    return STATUS_OK;
}

HBITMAP MaskCanvas::TakeMask() {
    Close();
    HBITMAP mask = mask_;
    mask_ = nullptr;
    return mask;
}

int DrawMask(HDC hdc, HBITMAP mask, const RECT &box, HBRUSH brush, DWORD rop, bool leaveWhiteBackground) {
    HDC memory = CreateCompatibleDC(hdc);
    if (memory == nullptr) return STATUS_NO_MEMORY;
    const HGDIOBJ previousBitmap = SelectObject(memory, mask);
    if (!Selected(previousBitmap)) {
        DeleteDC(memory);
        return STATUS_NO_MEMORY;
    }
    const HGDIOBJ previousBrush = SelectObject(hdc, brush);
    // A monochrome source takes the destination's text colour for clear
    // bits and its background for set bits: black and white make the mask
    // an exact all-zero / all-one selector.
    const COLORREF text = SetTextColor(hdc, RGB(0, 0, 0));
    const COLORREF background = SetBkColor(hdc, RGB(255, 255, 255));
    const LONG width = Extent(box.left, box.right), height = Extent(box.top, box.bottom);
    const BOOL drawn = BitBlt(hdc, box.left, box.top, width, height, memory, 0, 0, rop);
    SetTextColor(hdc, text);
    if (!leaveWhiteBackground) SetBkColor(hdc, background);
    if (Selected(previousBrush)) SelectObject(hdc, previousBrush);
    SelectObject(memory, previousBitmap);
    DeleteDC(memory);
    // The blit fails only for want of memory once both contexts exist.
    return drawn || width == 0 || height == 0 ? STATUS_OK : STATUS_NO_MEMORY;
}

}  // namespace zelt::region
