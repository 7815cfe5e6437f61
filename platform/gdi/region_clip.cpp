// Clipping calls: the DC keeps its clip region in device units, as selected
// (not cut to the surface); with no clip the whole surface may be drawn.
#include <algorithm>
#include <new>
#include <optional>

#include "gdi/dc.h"
#include "gdi/metafile/meta_recorder.h"

namespace {

using zelt::platform::DcObject;
using zelt::platform::FindDc;
using zelt::platform::FindRecorder;
using zelt::platform::MetaRecorder;
using zelt::platform::FindObject;
using zelt::platform::RegionData;
using zelt::platform::RegionObject;

// The clip to start from when combining: the selected one, else the whole
// surface.
RegionData CurrentClip(const DcObject &dc) {
    if (const RegionData *clip = dc.Clip()) return *clip;
    return RegionData::FromRect(dc.Target().Bounds());
}

// Replaces the clip with `make()`; ERROR (clip untouched) when memory runs out.
template <class Make>
int ReplaceClip(DcObject &dc, Make make) noexcept {
    try {
        RegionData clip = make();
        const int type = clip.Complexity();
        dc.SetClip(std::move(clip));
        return type;
    } catch (const std::bad_alloc &) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return ERROR;
    }
}

// A distance in logical units as device units along each axis.
POINT ScaleToDevice(const DcObject &dc, int x, int y) {
    const auto &s = dc.State();
    if (s.windowExt.cx == s.viewportExt.cx && s.windowExt.cy == s.viewportExt.cy) return POINT{x, y};
    return POINT{MulDiv(x, s.viewportExt.cx, s.windowExt.cx), MulDiv(y, s.viewportExt.cy, s.windowExt.cy)};
}

}  // namespace

extern "C" {

int WINAPI ExtSelectClipRgn(HDC hdc, HRGN hrgn, int mode) {
    if (MetaRecorder *meta = FindRecorder(hdc)) return meta->SelectClip(hrgn, mode);
    DcObject *dc = FindDc(hdc);
    if (dc == nullptr || mode < RGN_AND || mode > RGN_COPY) return ERROR;
    if (hrgn == nullptr) {
        // Only a copy of "no region" is meaningful: it removes the clip.
        if (mode != RGN_COPY) return ERROR;
        dc->SetClip(std::nullopt);
        return SIMPLEREGION;
    }
    const RegionObject *region = FindObject<RegionObject>(hrgn);
    if (region == nullptr) return ERROR;
    if (mode == RGN_COPY) return ReplaceClip(*dc, [&] { return region->data; });
    return ReplaceClip(*dc, [&] { return RegionData::Combine(CurrentClip(*dc), region->data, mode); });
}

int WINAPI SelectClipRgn(HDC hdc, HRGN hrgn) { return ExtSelectClipRgn(hdc, hrgn, RGN_COPY); }

int WINAPI GetClipRgn(HDC hdc, HRGN hrgn) {
    const DcObject *dc = FindDc(hdc);
    RegionObject *region = FindObject<RegionObject>(hrgn);
    if (dc == nullptr || region == nullptr) return -1;
    const RegionData *clip = dc->Clip();
    if (clip == nullptr) return 0;
    try {
        region->data = *clip;
    } catch (const std::bad_alloc &) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return -1;
    }
    return 1;
}

int WINAPI GetClipBox(HDC hdc, LPRECT lprect) {
    const DcObject *dc = FindDc(hdc);
    if (dc == nullptr || lprect == nullptr) return ERROR;
    const RECT surface = dc->Target().Bounds();
    const RegionData *clip = dc->Clip();
    int type = SIMPLEREGION;
    RECT box = surface;
    if (clip != nullptr) {
        // The clip's own box cut to the surface; the type stays the clip's
        // unless nothing of it lies on the surface. An empty cut is reported
        // as computed, without reordering its edges.
        const RECT own = clip->Bounds();
        box = RECT{std::max(own.left, surface.left), std::max(own.top, surface.top), std::min(own.right, surface.right),
                   std::min(own.bottom, surface.bottom)};
        type = clip->Complexity();
        if (clip->Empty() || box.left >= box.right || box.top >= box.bottom) type = NULLREGION;
    }
    const POINT a = dc->ToLogical(POINT{box.left, box.top});
    const POINT b = dc->ToLogical(POINT{box.right, box.bottom});
    if (type == NULLREGION)
        *lprect = RECT{a.x, a.y, b.x, b.y};
    else
        *lprect = RECT{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
    return type;
}

int WINAPI IntersectClipRect(HDC hdc, int left, int top, int right, int bottom) {
    if (MetaRecorder *meta = FindRecorder(hdc))
        return meta->ClipRect(zelt::platform::ClipRectCall::Intersect, RECT{left, top, right, bottom});
    DcObject *dc = FindDc(hdc);
    if (dc == nullptr) return ERROR;
    const RECT device = dc->ToDeviceRect(RECT{left, top, right, bottom});
    if (dc->Clip() == nullptr) return ReplaceClip(*dc, [&] { return RegionData::FromRect(device); });
    return ReplaceClip(*dc, [&] { return dc->Clip()->Intersect(device); });
}

int WINAPI ExcludeClipRect(HDC hdc, int left, int top, int right, int bottom) {
    if (MetaRecorder *meta = FindRecorder(hdc))
        return meta->ClipRect(zelt::platform::ClipRectCall::Exclude, RECT{left, top, right, bottom});
    DcObject *dc = FindDc(hdc);
    if (dc == nullptr) return ERROR;
    const RECT device = dc->ToDeviceRect(RECT{left, top, right, bottom});
    return ReplaceClip(*dc,
                       [&] { return RegionData::Combine(CurrentClip(*dc), RegionData::FromRect(device), RGN_DIFF); });
}

int WINAPI OffsetClipRgn(HDC hdc, int x, int y) {
    DcObject *dc = FindDc(hdc);
    if (dc == nullptr) return ERROR;
    const RegionData *clip = dc->Clip();
    if (clip == nullptr) return SIMPLEREGION;  // nothing selected, nothing to move
    const POINT delta = ScaleToDevice(*dc, x, y);
    return ReplaceClip(*dc, [&] {
        RegionData moved = *clip;
        moved.Offset(delta.x, delta.y);
        return moved;
    });
}

}  // extern "C"
