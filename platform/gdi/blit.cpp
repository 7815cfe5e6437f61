// BitBlt, StretchBlt and PatBlt: logical coordinates to device coordinates,
// then the blit engine.
#include "gdi/blit_engine.h"
#include "gdi/metafile/meta_recorder.h"
#include "gdi/rop3_internal.h"

namespace {

using namespace zelt::platform;

// A logical origin and extent in device units (the extent may change sign
// or size under the mapping mode).
void ToDeviceSpan(const DcObject &dc, int x, int y, int w, int h, int &dx, int &dy, int &dw, int &dh) noexcept {
    const POINT a = dc.ToDevice(POINT{x, y});
    const POINT b = dc.ToDevice(POINT{x + w, y + h});
    dx = a.x;
    dy = a.y;
    dw = b.x - a.x;
    dh = b.y - a.y;
}

BOOL Finish(BlitStatus status) noexcept {
    if (status == BlitStatus::OutOfMemory) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return status == BlitStatus::Done ? TRUE : FALSE;
}

BOOL PatBltLogical(DcObject &dc, int x, int y, int w, int h, DWORD rop) noexcept {
    int dx, dy, dw, dh;
    ToDeviceSpan(dc, x, y, w, h, dx, dy, dw, dh);
    return Finish(PatBltDevice(dc, dx, dy, dw, dh, rop));
}

BOOL Stretch(HDC hdcDest, int xDest, int yDest, int wDest, int hDest, HDC hdcSrc, int xSrc, int ySrc, int wSrc,
             int hSrc, DWORD rop) noexcept {
    DcObject *dst = FindDc(hdcDest);
    if (dst == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    // A ROP without source is a PatBlt; the source DC may then be NULL.
    if (!Rop3UsesSource(rop)) return PatBltLogical(*dst, xDest, yDest, wDest, hDest, rop);
    const DcObject *src = FindDc(hdcSrc);
    if (src == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    DeviceBlit blit{};
    blit.rop = rop;
    ToDeviceSpan(*dst, xDest, yDest, wDest, hDest, blit.xDest, blit.yDest, blit.wDest, blit.hDest);
    ToDeviceSpan(*src, xSrc, ySrc, wSrc, hSrc, blit.xSrc, blit.ySrc, blit.wSrc, blit.hSrc);
    return Finish(StretchDevice(*dst, *src, blit));
}

}  // namespace

extern "C" {

BOOL WINAPI BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop) {
    if (MetaRecorder *meta = FindRecorder(hdc))
        return meta->Blt(BltCall{x, y, cx, cy, hdcSrc, x1, y1, cx, cy, rop, false});
    return Stretch(hdc, x, y, cx, cy, hdcSrc, x1, y1, cx, cy, rop);
}

BOOL WINAPI StretchBlt(HDC hdcDest, int xDest, int yDest, int wDest, int hDest, HDC hdcSrc, int xSrc, int ySrc,
                       int wSrc, int hSrc, DWORD rop) {
    if (MetaRecorder *meta = FindRecorder(hdcDest))
        return meta->Blt(BltCall{xDest, yDest, wDest, hDest, hdcSrc, xSrc, ySrc, wSrc, hSrc, rop, true});
    return Stretch(hdcDest, xDest, yDest, wDest, hDest, hdcSrc, xSrc, ySrc, wSrc, hSrc, rop);
}

BOOL WINAPI PatBlt(HDC hdc, int x, int y, int w, int h, DWORD rop) {
    if (MetaRecorder *meta = FindRecorder(hdc))
        return Rop3UsesSource(rop) ? FALSE : meta->Blt(BltCall{x, y, w, h, nullptr, 0, 0, 0, 0, rop, false});
    DcObject *dc = FindDc(hdc);
    if (dc == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (Rop3UsesSource(rop)) return FALSE;
    return PatBltLogical(*dc, x, y, w, h, rop);
}

}  // extern "C"
