// Z_PaintDC: the library's main export.
#include "paint/paint_engine.h"

extern "C" int ZELT_API Z_PaintDC(HDC hdc, BitmapRecord *bitmap, const RECT *source, const RECT *sourceClip,
                                  const RECT *destination, const RECT *destinationClip, DWORD rop) {
    if (bitmap == nullptr || !(bitmap->Flags & BITMAP_ALLOCATED)) return STATUS_NO_BITMAP;
    if (destination == nullptr || hdc == nullptr) return STATUS_BAD_PARAMETER;
    return PaintDispatch(hdc, bitmap, source, sourceClip, destination, destinationClip, rop, RowBand{});
}
