// Mapping modes: the logical-to-device transform of a DC and the calls that
// set its origins and extents.
#include <cmath>
#include <cstdlib>

#include "gdi/dc.h"
#include "gdi/metafile/meta_recorder.h"
#include "gdi/screen.h"

namespace zelt::platform {
namespace {

LONG Round(double value) { return static_cast<LONG>(std::floor(value + 0.5)); }

// Window and viewport extents of the fixed modes: logical units per
// physical size of the device, y growing upwards.
void SetFixedExtents(DcState &state, int mode) {
    const int horzSize = ScreenDeviceCaps(HORZSIZE), vertSize = ScreenDeviceCaps(VERTSIZE);
    const int horzRes = ScreenDeviceCaps(HORZRES), vertRes = ScreenDeviceCaps(VERTRES);
    const double perMm = LogicalUnitsPerMillimetre(mode);
    state.windowExt = SIZE{Round(horzSize * perMm), Round(vertSize * perMm)};
    state.viewportExt = SIZE{horzRes, -vertRes};
}

// MM_ISOTROPIC keeps one logical unit the same physical size on both axes:
// the viewport extent of the axis whose units came out larger shrinks.
void FixIsotropic(DcState &state) {
    const double horzSize = ScreenDeviceCaps(HORZSIZE), vertSize = ScreenDeviceCaps(VERTSIZE);
    const double horzRes = ScreenDeviceCaps(HORZRES), vertRes = ScreenDeviceCaps(VERTRES);
    const double xUnit = std::fabs(state.viewportExt.cx * horzSize / (horzRes * state.windowExt.cx));
    const double yUnit = std::fabs(state.viewportExt.cy * vertSize / (vertRes * state.windowExt.cy));
    if (xUnit > yUnit) {
        const LONG sign = state.viewportExt.cx >= 0 ? 1 : -1;
        state.viewportExt.cx = Round(state.viewportExt.cx * yUnit / xUnit);
        if (state.viewportExt.cx == 0) state.viewportExt.cx = sign;
    } else if (yUnit > xUnit) {
        const LONG sign = state.viewportExt.cy >= 0 ? 1 : -1;
        state.viewportExt.cy = Round(state.viewportExt.cy * xUnit / yUnit);
        if (state.viewportExt.cy == 0) state.viewportExt.cy = sign;
    }
}

bool ScalableMode(int mode) { return mode == MM_ISOTROPIC || mode == MM_ANISOTROPIC; }

}  // namespace

double LogicalUnitsPerMillimetre(int mode) noexcept {
    switch (mode) {
        case MM_LOMETRIC: case MM_ISOTROPIC: return 10;
        case MM_HIMETRIC: return 100;
        case MM_LOENGLISH: return 100 / 25.4;
        case MM_HIENGLISH: return 1000 / 25.4;
        case MM_TWIPS: return 1440 / 25.4;
        default: return 1;
    }
}

bool DcObject::IsIdentityTransform() const noexcept {
    return state_.windowOrg.x == state_.viewportOrg.x && state_.windowOrg.y == state_.viewportOrg.y &&
           state_.windowExt.cx == state_.viewportExt.cx && state_.windowExt.cy == state_.viewportExt.cy;
}

POINT DcObject::ToDevice(POINT p) const noexcept {
    const DcState &s = state_;
    if (s.windowExt.cx == s.viewportExt.cx && s.windowExt.cy == s.viewportExt.cy)
        return POINT{p.x - s.windowOrg.x + s.viewportOrg.x, p.y - s.windowOrg.y + s.viewportOrg.y};
    const double sx = static_cast<double>(s.viewportExt.cx) / s.windowExt.cx;
    const double sy = static_cast<double>(s.viewportExt.cy) / s.windowExt.cy;
    return POINT{Round((p.x - s.windowOrg.x) * sx + s.viewportOrg.x), Round((p.y - s.windowOrg.y) * sy + s.viewportOrg.y)};
}

POINT DcObject::ToLogical(POINT p) const noexcept {
    const DcState &s = state_;
    if (s.windowExt.cx == s.viewportExt.cx && s.windowExt.cy == s.viewportExt.cy)
        return POINT{p.x - s.viewportOrg.x + s.windowOrg.x, p.y - s.viewportOrg.y + s.windowOrg.y};
    const double sx = static_cast<double>(s.windowExt.cx) / s.viewportExt.cx;
    const double sy = static_cast<double>(s.windowExt.cy) / s.viewportExt.cy;
    return POINT{Round((p.x - s.viewportOrg.x) * sx + s.windowOrg.x), Round((p.y - s.viewportOrg.y) * sy + s.windowOrg.y)};
}

RECT DcObject::ToDeviceRect(const RECT &logical) const noexcept {
    const POINT a = ToDevice(POINT{logical.left, logical.top});
    const POINT b = ToDevice(POINT{logical.right, logical.bottom});
    return RECT{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

}  // namespace zelt::platform

using namespace zelt::platform;

namespace {

template <class T>
void Report(T *out, const T &value) {
    if (out != nullptr) *out = value;
}

// Get…OrgEx / Get…ExtEx: report one field of the DC's state.
template <class T>
BOOL GetField(HDC hdc, T DcState::*field, T *out) {
    DcObject *dc = FindDc(hdc);
    if (dc == nullptr) return FALSE;
    Report(out, dc->State().*field);
    return TRUE;
}

BOOL SetOrigin(HDC hdc, POINT DcState::*origin, int x, int y, LPPOINT previous) {
    DcObject *dc = FindDc(hdc);
    if (dc == nullptr) return FALSE;
    Report(previous, dc->State().*origin);
    dc->State().*origin = POINT{x, y};
    return TRUE;
}

// Extents change only in the scalable modes; elsewhere the call succeeds
// and changes nothing. A zero extent is refused.
BOOL SetExtent(HDC hdc, SIZE DcState::*extent, int x, int y, LPSIZE previous) {
    DcObject *dc = FindDc(hdc);
    if (dc == nullptr) return FALSE;
    DcState &state = dc->State();
    Report(previous, state.*extent);
    if (!ScalableMode(state.mapMode)) return TRUE;
    if (x == 0 || y == 0) return FALSE;
    state.*extent = SIZE{x, y};
    if (state.mapMode == MM_ISOTROPIC) FixIsotropic(state);
    return TRUE;
}

}  // namespace

extern "C" {

int WINAPI SetMapMode(HDC hdc, int iMode) {
    if (MetaRecorder *meta = FindRecorder(hdc)) return meta->SetMapMode(iMode);
    DcObject *dc = FindDc(hdc);
    if (dc == nullptr || iMode < MM_TEXT || iMode > MM_ANISOTROPIC) return 0;
    DcState &state = dc->State();
    const int previous = state.mapMode;
    if (iMode == previous) return previous;
    if (iMode == MM_TEXT) {
        state.windowExt = SIZE{1, 1};
        state.viewportExt = SIZE{1, 1};
    } else if (iMode != MM_ANISOTROPIC) {
        // MM_ANISOTROPIC keeps the extents it finds.
        SetFixedExtents(state, iMode);
    }
    state.mapMode = iMode;
    return previous;
}

int WINAPI GetMapMode(HDC hdc) {
    DcObject *dc = FindDc(hdc);
    return dc != nullptr ? dc->State().mapMode : 0;
}

BOOL WINAPI SetWindowOrgEx(HDC hdc, int x, int y, LPPOINT lppt) {
    if (MetaRecorder *meta = FindRecorder(hdc)) return meta->SetMapping(MappingCall::WindowOrg, x, y, lppt);
    return SetOrigin(hdc, &DcState::windowOrg, x, y, lppt);
}

BOOL WINAPI GetWindowOrgEx(HDC hdc, LPPOINT lppoint) { return GetField(hdc, &DcState::windowOrg, lppoint); }

BOOL WINAPI SetViewportOrgEx(HDC hdc, int x, int y, LPPOINT lppt) {
    if (MetaRecorder *meta = FindRecorder(hdc)) return meta->SetMapping(MappingCall::ViewportOrg, x, y, lppt);
    return SetOrigin(hdc, &DcState::viewportOrg, x, y, lppt);
}

BOOL WINAPI GetViewportOrgEx(HDC hdc, LPPOINT lppoint) { return GetField(hdc, &DcState::viewportOrg, lppoint); }

BOOL WINAPI SetWindowExtEx(HDC hdc, int x, int y, LPSIZE lpsz) {
    if (MetaRecorder *meta = FindRecorder(hdc)) return meta->SetMapping(MappingCall::WindowExt, x, y, lpsz);
    return SetExtent(hdc, &DcState::windowExt, x, y, lpsz);
}

BOOL WINAPI GetWindowExtEx(HDC hdc, LPSIZE lpsize) { return GetField(hdc, &DcState::windowExt, lpsize); }

BOOL WINAPI SetViewportExtEx(HDC hdc, int x, int y, LPSIZE lpsz) {
    if (MetaRecorder *meta = FindRecorder(hdc)) return meta->SetMapping(MappingCall::ViewportExt, x, y, lpsz);
    return SetExtent(hdc, &DcState::viewportExt, x, y, lpsz);
}

BOOL WINAPI GetViewportExtEx(HDC hdc, LPSIZE lpsize) { return GetField(hdc, &DcState::viewportExt, lpsize); }

BOOL WINAPI LPtoDP(HDC hdc, LPPOINT lppt, int c) {
    DcObject *dc = FindDc(hdc);
    if (dc == nullptr || (lppt == nullptr && c > 0)) return FALSE;
    for (int i = 0; i < c; ++i) lppt[i] = dc->ToDevice(lppt[i]);
    return TRUE;
}

BOOL WINAPI DPtoLP(HDC hdc, LPPOINT lppt, int c) {
    DcObject *dc = FindDc(hdc);
    if (dc == nullptr || (lppt == nullptr && c > 0)) return FALSE;
    for (int i = 0; i < c; ++i) lppt[i] = dc->ToLogical(lppt[i]);
    return TRUE;
}

}  // extern "C"
