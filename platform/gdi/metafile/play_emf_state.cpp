// Enhanced metafile records for the picture's mapping, the DC attributes,
// save and restore, and clipping.
#include <vector>

#include "gdi/draw_device.h"
#include "gdi/metafile/play_emf_player.h"
#include "gdi/metafile/play_region.h"

namespace zelt::platform {

namespace {

bool ScalableMode(int mode) { return mode == MM_ISOTROPIC || mode == MM_ANISOTROPIC; }

// Extents change only in the scalable modes, and never to zero.
void SetExtent(EmfPlayer &p, const ByteView &r, SIZE EmfPictureState::*extent) {
    const LONG cx = r.I32(8), cy = r.I32(12);
    if (!ScalableMode(p.state.mapMode) || cx == 0 || cy == 0) return;
    p.state.*extent = SIZE{cx, cy};
    p.FixIsotropic();
    p.MappingChanged();
}

void SetOrigin(EmfPlayer &p, const ByteView &r, POINT EmfPictureState::*origin) {
    p.state.*origin = POINT{r.I32(8), r.I32(12)};
    p.MappingChanged();
}

// x numerator, x denominator, y numerator, y denominator.
void ScaleExtent(EmfPlayer &p, const ByteView &r, SIZE EmfPictureState::*extent) {
    const LONG xNum = r.I32(8), xDenom = r.I32(12), yNum = r.I32(16), yDenom = r.I32(20);
    if (!ScalableMode(p.state.mapMode) || xDenom == 0 || yDenom == 0) return;
    const SIZE old = p.state.*extent;
    const LONG cx = MulDiv(old.cx, xNum, xDenom), cy = MulDiv(old.cy, yNum, yDenom);
    if (cx == 0 || cy == 0) return;
    p.state.*extent = SIZE{cx, cy};
    p.FixIsotropic();
    p.MappingChanged();
}

// An XFORM at `at`; false when one of its values is not a finite number.
bool ReadXform(const ByteView &r, std::size_t at, Affine &out) {
    out = Affine{r.F32(at), r.F32(at + 4), r.F32(at + 8), r.F32(at + 12), r.F32(at + 16), r.F32(at + 20)};
    return out.Finite();
}

// A logical rectangle's device region: a box when the transform keeps
// boxes, else the turned polygon.
RegionData DeviceRegionOfRect(EmfPlayer &p, const RECT &r) {
    const Affine &t = p.Transform();
    const RECT limit = p.ClipLimit();
    if (t.AxisAligned()) {
        RECT box = ToDeviceBox(t.Apply(DPoint{static_cast<double>(r.left), static_cast<double>(r.top)}),
                               t.Apply(DPoint{static_cast<double>(r.right), static_cast<double>(r.bottom)}));
        box = RECT{std::max(box.left, limit.left), std::max(box.top, limit.top), std::min(box.right, limit.right),
                   std::min(box.bottom, limit.bottom)};
        return box.left < box.right && box.top < box.bottom ? RegionData::FromRect(box) : RegionData();
    }
    const DPoint corners[4] = {{static_cast<double>(r.left), static_cast<double>(r.top)},
                               {static_cast<double>(r.right), static_cast<double>(r.top)},
                               {static_cast<double>(r.right), static_cast<double>(r.bottom)},
                               {static_cast<double>(r.left), static_cast<double>(r.bottom)}};
    POINT device[4];
    for (int i = 0; i < 4; ++i) device[i] = ToDevicePoint(t.Apply(corners[i]));
    const INT count = 4;
    return DevicePolygonRegion(p.Dc(), device, &count, 1, ALTERNATE);
}

RECT RectAt(const ByteView &r, std::size_t at) { return RECT{r.I32(at), r.I32(at + 4), r.I32(at + 8), r.I32(at + 12)}; }

}  // namespace

void EmfSetWindowExt(EmfPlayer &p, const ByteView &r) { SetExtent(p, r, &EmfPictureState::windowExt); }
void EmfSetViewportExt(EmfPlayer &p, const ByteView &r) { SetExtent(p, r, &EmfPictureState::viewportExt); }
void EmfSetWindowOrg(EmfPlayer &p, const ByteView &r) { SetOrigin(p, r, &EmfPictureState::windowOrg); }
void EmfSetViewportOrg(EmfPlayer &p, const ByteView &r) { SetOrigin(p, r, &EmfPictureState::viewportOrg); }
void EmfScaleWindowExt(EmfPlayer &p, const ByteView &r) { ScaleExtent(p, r, &EmfPictureState::windowExt); }
void EmfScaleViewportExt(EmfPlayer &p, const ByteView &r) { ScaleExtent(p, r, &EmfPictureState::viewportExt); }

void EmfSetMapMode(EmfPlayer &p, const ByteView &r) {
    const int mode = r.I32(8);
    if (mode < MM_TEXT || mode > MM_ANISOTROPIC || mode == p.state.mapMode) return;
    if (mode == MM_TEXT) {
        p.state.windowExt = p.state.viewportExt = SIZE{1, 1};
    } else if (mode != MM_ANISOTROPIC) {
        p.state.mapMode = mode;
        p.SetFixedExtents();
    }
    p.state.mapMode = mode;
    p.MappingChanged();
}

void EmfSetWorldTransform(EmfPlayer &p, const ByteView &r) {
    Affine world;
    if (!ReadXform(r, 8, world) || !world.Invertible()) return;
    p.state.world = world;
    p.MappingChanged();
}

// The XFORM, then the mode: identity, left multiply (the given transform
// first), right multiply (the given one last), set.
void EmfModifyWorldTransform(EmfPlayer &p, const ByteView &r) {
    Affine given;
    const DWORD mode = r.U32(32);
    if (mode != 1 && (!ReadXform(r, 8, given) || !given.Invertible())) return;
    Affine &world = p.state.world;
    switch (mode) {
        case 1: world = Affine{}; break;
        case 2: world = world.After(given); break;
        case 3: world = given.After(world); break;
        case 4: world = given; break;
        default: return;
    }
    if (!world.Finite() || !world.Invertible()) world = Affine{};
    p.MappingChanged();
}

void EmfSetBrushOrg(EmfPlayer &p, const ByteView &r) { SetBrushOrgEx(p.Hdc(), r.I32(8), r.I32(12), nullptr); }
void EmfSetBkMode(EmfPlayer &p, const ByteView &r) { SetBkMode(p.Hdc(), r.I32(8)); }
void EmfSetPolyFillMode(EmfPlayer &p, const ByteView &r) { SetPolyFillMode(p.Hdc(), r.I32(8)); }
void EmfSetRop2(EmfPlayer &p, const ByteView &r) { SetROP2(p.Hdc(), r.I32(8)); }
void EmfSetStretchBltMode(EmfPlayer &p, const ByteView &r) { SetStretchBltMode(p.Hdc(), r.I32(8)); }
void EmfSetTextColor(EmfPlayer &p, const ByteView &r) { SetTextColor(p.Hdc(), r.U32(8)); }
void EmfSetBkColor(EmfPlayer &p, const ByteView &r) { SetBkColor(p.Hdc(), r.U32(8)); }

// AD_COUNTERCLOCKWISE 1, AD_CLOCKWISE 2.
void EmfSetArcDirection(EmfPlayer &p, const ByteView &r) {
    const DWORD direction = r.U32(8);
    if (direction == 1 || direction == 2) p.state.clockwise = direction == 2;
}

void EmfSetMiterLimit(EmfPlayer &p, const ByteView &r) {
    const DWORD limit = r.U32(8);
    if (limit >= 1 && limit <= 1000) p.state.miterLimit = limit;
}

void EmfSaveDc(EmfPlayer &p, const ByteView &) { p.Save(); }
void EmfRestoreDc(EmfPlayer &p, const ByteView &r) { p.Restore(r.I32(8)); }

void EmfIntersectClipRect(EmfPlayer &p, const ByteView &r) { p.CombineClip(DeviceRegionOfRect(p, RectAt(r, 8)), RGN_AND); }
void EmfExcludeClipRect(EmfPlayer &p, const ByteView &r) { p.CombineClip(DeviceRegionOfRect(p, RectAt(r, 8)), RGN_DIFF); }

// Region data size, mode, then RGNDATA in reference-device pixels. Copying
// no region removes the clip.
void EmfExtSelectClipRgn(EmfPlayer &p, const ByteView &r) {
    const DWORD bytes = r.U32(8);
    const int mode = r.I32(12);
    if (mode < RGN_AND || mode > RGN_COPY) return;
    if (bytes == 0) {
        if (mode == RGN_COPY) p.ResetClip();
        return;
    }
    const Affine &map = p.ReferenceToDevice();
    const RECT limit = p.ClipLimit();
    std::vector<RECT> rects;
    const bool read = ForEachRgnDataRect(r.Sub(16, bytes), [&](const RECT &rect) {
        RECT box = ToDeviceBox(map.Apply(DPoint{static_cast<double>(rect.left), static_cast<double>(rect.top)}),
                               map.Apply(DPoint{static_cast<double>(rect.right), static_cast<double>(rect.bottom)}));
        box = RECT{std::max(box.left, limit.left), std::max(box.top, limit.top), std::min(box.right, limit.right),
                   std::min(box.bottom, limit.bottom)};
        rects.push_back(box);
    });
    if (read) p.CombineClip(UnionOfRects(rects.data(), rects.size()), mode);
}

}  // namespace zelt::platform
