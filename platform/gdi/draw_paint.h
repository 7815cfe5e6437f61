// Where rasterised shapes meet a DC: the pen it holds in device pixels,
// clipping to what may be drawn, and painting with the pen (ROP2) or a brush
// (ROP3). Every drawing call of draw_*.cpp goes through here.
#pragma once

#include <new>

#include "gdi/brush_pattern.h"
#include "gdi/dc.h"
#include "gdi/region.h"

namespace zelt::platform {

// The DC's selected pen as drawing needs it.
struct DevicePen {
    bool null = true;
    COLORREF colour = 0;
    int width = 1;  // device pixels; 1 = cosmetic
    bool insideFrame = false;  // PS_INSIDEFRAME: a wide pen stays inside the box
};

// The box a closed figure is drawn in: with PS_INSIDEFRAME the outline is
// moved in so that the outer edge of a wide pen lies on the box.
RECT FigureBox(const RECT &box, const DevicePen &pen) noexcept;
DevicePen PenOf(const DcObject &dc) noexcept;

// A logical length along x in device pixels (pen widths scale with the
// mapping mode).
int DeviceLength(const DcObject &dc, int logical) noexcept;

// Logical box to a normalised device box.
RECT DeviceBox(const DcObject &dc, int left, int top, int right, int bottom) noexcept;

// One pass of a drawing call made ready: the device pixels of its area that
// the DC may draw into and its realised pattern. Preparing allocates and may
// fail; running does not allocate, so a call that prepares all its passes
// before running any draws whole or not at all.
struct PreparedFill {
    RegionData visible;
    BrushPattern pattern;
    DWORD rop3 = 0;

    bool Run(DcObject &dc) const noexcept;
};
bool PrepareColorFill(DcObject &dc, const RegionData &area, COLORREF colour, int rop2, PreparedFill &fill);
bool PrepareBrushFill(DcObject &dc, const RegionData &area, HBRUSH brush, DWORD rop3, PreparedFill &fill);
// Interior with the brush, then the outline with the pen. Both passes are
// made ready before either runs: a shape is drawn whole or not at all.
bool PaintShape(DcObject &dc, const RegionData &interior, const RegionData &outline, const DevicePen &pen);

// Paints the device pixels of `area` that the DC may draw into.
bool PaintWithColor(DcObject &dc, const RegionData &area, COLORREF colour, int rop2);
bool PaintWithPen(DcObject &dc, const RegionData &area, COLORREF colour);  // the DC's ROP2
bool PaintWithBrush(DcObject &dc, const RegionData &area, HBRUSH brush, DWORD rop3);

// A region in logical units taken to device units by the DC's transform.
RegionData RegionToDevice(const DcObject &dc, const RegionData &logical);

// Runs a drawing call's body: region storage grows through std::vector,
// and running out of memory must come back as FALSE, never an exception.
template <class Body>
BOOL GuardedDraw(Body body) noexcept {
    try {
        return body() ? TRUE : FALSE;
    } catch (const std::bad_alloc &) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
}

}  // namespace zelt::platform
