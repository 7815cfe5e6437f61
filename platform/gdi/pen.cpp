#include "gdi/pen.h"

#include <cstdlib>

namespace zelt::platform {

PenObject *NewStockPen(UINT style, COLORREF colour) noexcept {
    return NewObject<PenObject>(LOGPEN{style, POINT{0, 0}, colour});
}

}  // namespace zelt::platform

using zelt::platform::PenObject;

extern "C" {

HPEN WINAPI CreatePenIndirect(const LOGPEN *plpen) {
    if (plpen == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    // PS_USERSTYLE and PS_ALTERNATE belong to ExtCreatePen.
    if ((plpen->lopnStyle & PS_STYLE_MASK) > PS_INSIDEFRAME) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    LOGPEN logPen = *plpen;
    // The width is a length: a negative one counts by its size. Only x matters.
    logPen.lopnWidth = POINT{std::abs(plpen->lopnWidth.x), 0};
    PenObject *pen = zelt::platform::NewObject<PenObject>(logPen);
    if (pen == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    HANDLE handle = zelt::platform::InsertObject(pen);
    if (handle == nullptr) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return static_cast<HPEN>(handle);
}

HPEN WINAPI CreatePen(int iStyle, int cWidth, COLORREF color) {
    const LOGPEN logPen{static_cast<UINT>(iStyle), POINT{cWidth, 0}, color};
    return CreatePenIndirect(&logPen);
}

}  // extern "C"
