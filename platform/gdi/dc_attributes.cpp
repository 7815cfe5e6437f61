// Plain DC attributes: colours, modes, brush origin, capabilities.
#include "gdi/dc.h"
#include "gdi/metafile/meta_recorder.h"
#include "gdi/printer_dc.h"
#include "gdi/screen.h"

using namespace zelt::platform;

namespace {

// Replaces one attribute and returns its previous value, or `failure` for
// an invalid DC.
template <class T, class Member>
T Exchange(HDC hdc, Member member, T value, T failure) {
    DcObject *dc = FindDc(hdc);
    if (dc == nullptr) return failure;
    T previous = dc->State().*member;
    dc->State().*member = value;
    return previous;
}

// A mode set in a metafile DC: its recorder records it and answers.
int RecordMode(MetaRecorder &meta, AttributeCall call, int mode) {
    return static_cast<int>(meta.SetAttribute(call, static_cast<DWORD>(mode)));
}

template <class T, class Member>
T Read(HDC hdc, Member member, T failure) {
    const DcObject *dc = FindDc(hdc);
    return dc != nullptr ? dc->State().*member : failure;
}

}  // namespace

extern "C" {

COLORREF WINAPI SetBkColor(HDC hdc, COLORREF color) {
    if (MetaRecorder *meta = FindRecorder(hdc)) return meta->SetAttribute(AttributeCall::BkColor, color);
    return Exchange(hdc, &DcState::bkColor, color, CLR_INVALID);
}
COLORREF WINAPI GetBkColor(HDC hdc) { return Read(hdc, &DcState::bkColor, CLR_INVALID); }
COLORREF WINAPI SetTextColor(HDC hdc, COLORREF color) {
    if (MetaRecorder *meta = FindRecorder(hdc)) return meta->SetAttribute(AttributeCall::TextColor, color);
    return Exchange(hdc, &DcState::textColor, color, CLR_INVALID);
}
COLORREF WINAPI GetTextColor(HDC hdc) { return Read(hdc, &DcState::textColor, CLR_INVALID); }

int WINAPI SetBkMode(HDC hdc, int mode) {
    if (MetaRecorder *meta = FindRecorder(hdc)) return RecordMode(*meta, AttributeCall::BkMode, mode);
    if (mode != TRANSPARENT && mode != OPAQUE) return 0;
    return Exchange(hdc, &DcState::bkMode, mode, 0);
}
int WINAPI GetBkMode(HDC hdc) { return Read(hdc, &DcState::bkMode, 0); }

int WINAPI SetROP2(HDC hdc, int rop2) {
    if (MetaRecorder *meta = FindRecorder(hdc)) return RecordMode(*meta, AttributeCall::Rop2, rop2);
    if (rop2 < R2_BLACK || rop2 > R2_WHITE) return 0;
    return Exchange(hdc, &DcState::rop2, rop2, 0);
}
int WINAPI GetROP2(HDC hdc) { return Read(hdc, &DcState::rop2, 0); }

int WINAPI SetStretchBltMode(HDC hdc, int mode) {
    if (MetaRecorder *meta = FindRecorder(hdc)) return RecordMode(*meta, AttributeCall::StretchMode, mode);
    if (mode < BLACKONWHITE || mode > HALFTONE) return 0;
    return Exchange(hdc, &DcState::stretchMode, mode, 0);
}
int WINAPI GetStretchBltMode(HDC hdc) { return Read(hdc, &DcState::stretchMode, 0); }

int WINAPI SetPolyFillMode(HDC hdc, int mode) {
    if (mode != ALTERNATE && mode != WINDING) return 0;
    return Exchange(hdc, &DcState::polyFillMode, mode, 0);
}
int WINAPI GetPolyFillMode(HDC hdc) { return Read(hdc, &DcState::polyFillMode, 0); }

BOOL WINAPI SetBrushOrgEx(HDC hdc, int x, int y, LPPOINT lppt) {
    DcObject *dc = FindDc(hdc);
    if (dc == nullptr) return FALSE;
    if (lppt != nullptr) *lppt = dc->State().brushOrg;
    dc->State().brushOrg = POINT{x, y};
    return TRUE;
}

BOOL WINAPI GetBrushOrgEx(HDC hdc, LPPOINT lppt) {
    DcObject *dc = FindDc(hdc);
    if (dc == nullptr || lppt == nullptr) return FALSE;
    *lppt = dc->State().brushOrg;
    return TRUE;
}

BOOL WINAPI GetCurrentPositionEx(HDC hdc, LPPOINT lppt) {
    DcObject *dc = FindDc(hdc);
    if (dc == nullptr || lppt == nullptr) return FALSE;
    *lppt = dc->State().currentPos;
    return TRUE;
}

// Memory DCs report the device they are compatible with, never their bitmap.
int WINAPI GetDeviceCaps(HDC hdc, int index) {
    if (MetaRecorder *meta = FindRecorder(hdc)) return meta->DeviceCaps(index);
    DcObject *dc = FindDc(hdc);
    if (dc == nullptr) return 0;
    if (dc->printer != nullptr) return dc->printer->DeviceCaps(index);
    return ScreenDeviceCaps(index);
}

}  // extern "C"
