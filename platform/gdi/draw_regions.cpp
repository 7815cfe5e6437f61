// FillRgn, FrameRgn, PaintRgn and InvertRgn: regions are given in logical
// units and drawn where the DC may draw.
#include "gdi/brush.h"
#include "gdi/brush_pattern.h"
#include "gdi/draw_paint.h"
#include "gdi/draw_raster.h"

using namespace zelt::platform;

namespace {

const RegionData *FindRegionData(HRGN hrgn) {
    const RegionObject *region = FindObject<RegionObject>(hrgn);
    return region != nullptr ? &region->data : nullptr;
}

}  // namespace

extern "C" {

BOOL WINAPI FillRgn(HDC hdc, HRGN hrgn, HBRUSH hbr) {
    DcObject *dc = FindDc(hdc);
    const RegionData *region = FindRegionData(hrgn);
    if (dc == nullptr || region == nullptr || FindObject<BrushObject>(hbr) == nullptr) return FALSE;
    return GuardedDraw([&] { return PaintWithBrush(*dc, RegionToDevice(*dc, *region), hbr, PATCOPY); });
}

BOOL WINAPI PaintRgn(HDC hdc, HRGN hrgn) {
    DcObject *dc = FindDc(hdc);
    const RegionData *region = FindRegionData(hrgn);
    if (dc == nullptr || region == nullptr) return FALSE;
    return GuardedDraw([&] {
        return PaintWithBrush(*dc, RegionToDevice(*dc, *region), dc->State().brush, Rop3FromRop2(dc->State().rop2));
    });
}

BOOL WINAPI InvertRgn(HDC hdc, HRGN hrgn) {
    DcObject *dc = FindDc(hdc);
    const RegionData *region = FindRegionData(hrgn);
    if (dc == nullptr || region == nullptr) return FALSE;
    return GuardedDraw([&] { return PaintWithBrush(*dc, RegionToDevice(*dc, *region), nullptr, DSTINVERT); });
}

BOOL WINAPI FrameRgn(HDC hdc, HRGN hrgn, HBRUSH hbr, int w, int h) {
    DcObject *dc = FindDc(hdc);
    const RegionData *region = FindRegionData(hrgn);
    // An empty region or a missing brush draws nothing and fails.
    if (dc == nullptr || region == nullptr || region->Empty() || FindObject<BrushObject>(hbr) == nullptr) return FALSE;
    return GuardedDraw([&] {
        // Region and stroke sizes are both logical: frame first, then map.
        const RegionData frame = FrameOfRegion(*region, w, h);
        return PaintWithBrush(*dc, RegionToDevice(*dc, frame), hbr, PATCOPY);
    });
}

}  // extern "C"
