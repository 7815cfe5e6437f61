// GetDIBColorTable / SetDIBColorTable: the colour table of the DIB section
// selected into a memory DC, for sections of 1, 4 and 8 bpp.
#include <algorithm>

#include "gdi/bitmap.h"
#include "gdi/dc.h"
#include "gdi/palette.h"

using namespace zelt::platform;

namespace {

// The table of the DC's DIB section, or nullptr when it has none.
Surface *SectionTable(HDC hdc) {
    DcObject *dc = FindDc(hdc);
    BitmapObject *bitmap = dc != nullptr ? dc->SelectedBitmap() : nullptr;
    if (bitmap == nullptr || !bitmap->IsDibSection()) return nullptr;
    Surface &surface = bitmap->GetSurface();
    return surface.ops->indexed ? &surface : nullptr;
}

}  // namespace

extern "C" {

UINT WINAPI GetDIBColorTable(HDC hdc, UINT iStart, UINT cEntries, RGBQUAD *prgbq) {
    const Surface *surface = SectionTable(hdc);
    if (surface == nullptr || prgbq == nullptr) return 0;
    const UINT count = ClipEntryRange(static_cast<UINT>(surface->tableSize), iStart, cEntries);
    std::copy_n(surface->table + iStart, count, prgbq);
    return count;
}

UINT WINAPI SetDIBColorTable(HDC hdc, UINT iStart, UINT cEntries, const RGBQUAD *prgbq) {
    Surface *surface = SectionTable(hdc);
    if (surface == nullptr || prgbq == nullptr) return 0;
    const UINT count = ClipEntryRange(static_cast<UINT>(surface->tableSize), iStart, cEntries);
    for (UINT i = 0; i < count; ++i) {
        surface->table[iStart + i] = prgbq[i];
        // Tables compare whole entries; the spare byte means nothing.
        surface->table[iStart + i].rgbReserved = 0;
    }
    return count;
}

}  // extern "C"
