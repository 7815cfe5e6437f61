// The Win32 region calls over RegionObject.
#include <cstring>
#include <new>

#include "gdi/region.h"
#include "gdi/region_shapes.h"

namespace {

using zelt::platform::FindObject;
using zelt::platform::RegionData;
using zelt::platform::RegionObject;

// Region storage grows through std::vector; running out of memory there
// must surface as the call's failure value, never as an exception.
template <class Result, class Operation>
Result Guarded(Result failure, Operation operation) noexcept {
    try {
        return operation();
    } catch (const std::bad_alloc &) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return failure;
    }
}

RECT Normalised(LONG x1, LONG y1, LONG x2, LONG y2) {
    return {x1 < x2 ? x1 : x2, y1 < y2 ? y1 : y2, x1 < x2 ? x2 : x1, y1 < y2 ? y2 : y1};
}

// Wraps pixels in a new region object; NULL when the allocator refuses.
HRGN NewRegion(RegionData data) {
    HANDLE handle = zelt::platform::CreateObject<RegionObject>(nullptr, std::move(data));
    if (handle == nullptr) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return static_cast<HRGN>(handle);
}

RegionObject *FindRegion(HRGN hrgn) { return FindObject<RegionObject>(hrgn); }

}  // namespace

extern "C" {

HRGN WINAPI CreateRectRgn(int x1, int y1, int x2, int y2) {
    return Guarded<HRGN>(nullptr, [&] { return NewRegion(RegionData::FromRect(Normalised(x1, y1, x2, y2))); });
}

HRGN WINAPI CreateRectRgnIndirect(const RECT *lprect) {
    if (lprect == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return CreateRectRgn(lprect->left, lprect->top, lprect->right, lprect->bottom);
}

BOOL WINAPI SetRectRgn(HRGN hrgn, int left, int top, int right, int bottom) {
    RegionObject *region = FindRegion(hrgn);
    if (region == nullptr) return FALSE;
    return Guarded<BOOL>(FALSE, [&] {
        region->data = RegionData::FromRect(Normalised(left, top, right, bottom));
        return TRUE;
    });
}

HRGN WINAPI CreateRoundRectRgn(int x1, int y1, int x2, int y2, int w, int h) {
    return Guarded<HRGN>(nullptr,
                         [&] { return NewRegion(zelt::platform::RoundRectRegion(RECT{x1, y1, x2, y2}, w, h)); });
}

HRGN WINAPI CreateEllipticRgn(int x1, int y1, int x2, int y2) {
    return Guarded<HRGN>(nullptr, [&] { return NewRegion(zelt::platform::EllipticRegion(RECT{x1, y1, x2, y2})); });
}

HRGN WINAPI CreateEllipticRgnIndirect(const RECT *lprect) {
    if (lprect == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return CreateEllipticRgn(lprect->left, lprect->top, lprect->right, lprect->bottom);
}

HRGN WINAPI CreatePolyPolygonRgn(const POINT *pptl, const INT *pc, int cPoly, int iMode) {
    if (cPoly < 0 || (cPoly > 0 && pc == nullptr)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    long total = 0;
    for (int i = 0; i < cPoly; ++i) {
        if (pc[i] < 0) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
        total += pc[i];
    }
    if (total > 0 && pptl == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return Guarded<HRGN>(nullptr,
                         [&] { return NewRegion(zelt::platform::PolygonRegion(pptl, pc, cPoly, iMode)); });
}

HRGN WINAPI CreatePolygonRgn(const POINT *pptl, int cPoint, int iMode) {
    return CreatePolyPolygonRgn(pptl, &cPoint, 1, iMode);
}

int WINAPI CombineRgn(HRGN hrgnDst, HRGN hrgnSrc1, HRGN hrgnSrc2, int iMode) {
    RegionObject *destination = FindRegion(hrgnDst);
    const RegionObject *first = FindRegion(hrgnSrc1);
    if (destination == nullptr || first == nullptr || iMode < RGN_AND || iMode > RGN_COPY) return ERROR;
    if (iMode == RGN_COPY) {
        // The operand of a copy may be the destination itself.
        if (destination != first) return Guarded<int>(ERROR, [&] {
            destination->data = first->data;
            return destination->data.Complexity();
        });
        return destination->data.Complexity();
    }
    const RegionObject *second = FindRegion(hrgnSrc2);
    if (second == nullptr) return ERROR;
    return Guarded<int>(ERROR, [&] {
        // Built aside, so the destination is untouched when memory runs out.
        RegionData result = RegionData::Combine(first->data, second->data, iMode);
        destination->data = std::move(result);
        return destination->data.Complexity();
    });
}

int WINAPI GetRgnBox(HRGN hrgn, LPRECT lprc) {
    const RegionObject *region = FindRegion(hrgn);
    if (region == nullptr) return ERROR;
    if (lprc != nullptr) *lprc = region->data.Bounds();
    return region->data.Complexity();
}

int WINAPI OffsetRgn(HRGN hrgn, int x, int y) {
    RegionObject *region = FindRegion(hrgn);
    if (region == nullptr) return ERROR;
    region->data.Offset(x, y);
    return region->data.Complexity();
}

BOOL WINAPI PtInRegion(HRGN hrgn, int x, int y) {
    const RegionObject *region = FindRegion(hrgn);
    return region != nullptr && region->data.Contains(x, y) ? TRUE : FALSE;
}

BOOL WINAPI RectInRegion(HRGN hrgn, const RECT *lprect) {
    const RegionObject *region = FindRegion(hrgn);
    if (region == nullptr || lprect == nullptr) return FALSE;
    const RECT rect = Normalised(lprect->left, lprect->top, lprect->right, lprect->bottom);
    return region->data.Overlaps(rect) ? TRUE : FALSE;
}

BOOL WINAPI EqualRgn(HRGN hrgn1, HRGN hrgn2) {
    const RegionObject *first = FindRegion(hrgn1);
    const RegionObject *second = FindRegion(hrgn2);
    if (first == nullptr || second == nullptr) return ERROR;
    // Canonical form makes equal pixel sets equal representations.
    return first->data == second->data ? TRUE : FALSE;
}

DWORD WINAPI GetRegionData(HRGN hrgn, DWORD nCount, LPRGNDATA lpRgnData) {
    const RegionObject *region = FindRegion(hrgn);
    if (region == nullptr) return 0;
    const RegionData &data = region->data;
    const DWORD rectBytes = static_cast<DWORD>(data.RectCount() * sizeof(RECT));
    const DWORD needed = static_cast<DWORD>(sizeof(RGNDATAHEADER)) + rectBytes;
    if (lpRgnData == nullptr) return needed;
    if (nCount < needed) return 0;
    lpRgnData->rdh.dwSize = sizeof(RGNDATAHEADER);
    lpRgnData->rdh.iType = RDH_RECTANGLES;
    lpRgnData->rdh.nCount = static_cast<DWORD>(data.RectCount());
    lpRgnData->rdh.nRgnSize = rectBytes;
    lpRgnData->rdh.rcBound = data.Bounds();
    // The rectangles follow the header unaligned in the caller's buffer.
    char *out = lpRgnData->Buffer;
    data.ForEachRect([&out](const RECT &rect) {
        std::memcpy(out, &rect, sizeof rect);
        out += sizeof rect;
    });
    return needed;
}

}  // extern "C"
