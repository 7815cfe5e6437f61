#include "gdi/draw_paint.h"

#include <algorithm>
#include <cmath>

#include "gdi/pen.h"

namespace zelt::platform {

DevicePen PenOf(const DcObject &dc) noexcept {
    DevicePen pen;
    const PenObject *object = FindObject<PenObject>(dc.State().pen);
    if (object == nullptr || object->IsNull()) return pen;
    pen.null = false;
    pen.colour = object->Color();
    pen.width = object->Width() <= 1 ? 1 : std::max(1, DeviceLength(dc, object->Width()));
    pen.insideFrame = object->Style() == PS_INSIDEFRAME;
    return pen;
}

RECT FigureBox(const RECT &box, const DevicePen &pen) noexcept {
    if (pen.null || !pen.insideFrame || pen.width <= 1) return box;
    const LONG before = pen.width / 2, after = (pen.width - 1) / 2;
    RECT inside{box.left + before, box.top + before, box.right - after, box.bottom - after};
    // A box narrower than the pen keeps its centre.
    if (inside.left > inside.right) inside.left = inside.right = (box.left + box.right) / 2;
    if (inside.top > inside.bottom) inside.top = inside.bottom = (box.top + box.bottom) / 2;
    return inside;
}

int DeviceLength(const DcObject &dc, int logical) noexcept {
    const DcState &s = dc.State();
    if (s.windowExt.cx == s.viewportExt.cx || s.windowExt.cx == 0) return logical;
    const double scale = std::fabs(static_cast<double>(s.viewportExt.cx) / s.windowExt.cx);
    return static_cast<int>(std::lround(logical * scale));
}

RECT DeviceBox(const DcObject &dc, int left, int top, int right, int bottom) noexcept {
    return dc.ToDeviceRect(RECT{left, top, right, bottom});
}

namespace {

// The part of `area` the DC may draw into (nothing for an empty area).
RegionData VisiblePart(const DcObject &dc, const RegionData &area) {
    return area.Empty() ? RegionData() : RegionData::Combine(area, dc.DrawableRegion(), RGN_AND);
}

}  // namespace

bool PreparedFill::Run(DcObject &dc) const noexcept {
    return visible.Empty() || FillRectsWithPattern(dc.Target(), visible, pattern, rop3);
}

bool PrepareColorFill(DcObject &dc, const RegionData &area, COLORREF colour, int rop2, PreparedFill &fill) {
    fill.visible = VisiblePart(dc, area);
    return fill.visible.Empty() || PrepareColorPattern(dc, colour, rop2, fill.pattern, fill.rop3);
}

bool PrepareBrushFill(DcObject &dc, const RegionData &area, HBRUSH brush, DWORD rop3, PreparedFill &fill) {
    fill.visible = VisiblePart(dc, area);
    fill.rop3 = rop3;
    return fill.visible.Empty() || PrepareBrushPattern(dc, brush, rop3, fill.pattern);
}

bool PaintShape(DcObject &dc, const RegionData &interior, const RegionData &outline, const DevicePen &pen) {
    PreparedFill fill, stroke;
    if (!PrepareBrushFill(dc, interior, dc.State().brush, Rop3FromRop2(dc.State().rop2), fill)) return false;
    if (!pen.null && !PrepareColorFill(dc, outline, pen.colour, dc.State().rop2, stroke)) return false;
    const bool filled = fill.Run(dc);
    return stroke.Run(dc) && filled;
}

bool PaintWithColor(DcObject &dc, const RegionData &area, COLORREF colour, int rop2) {
    PreparedFill fill;
    return PrepareColorFill(dc, area, colour, rop2, fill) && fill.Run(dc);
}

bool PaintWithPen(DcObject &dc, const RegionData &area, COLORREF colour) {
    return PaintWithColor(dc, area, colour, dc.State().rop2);
}

bool PaintWithBrush(DcObject &dc, const RegionData &area, HBRUSH brush, DWORD rop3) {
    PreparedFill fill;
    return PrepareBrushFill(dc, area, brush, rop3, fill) && fill.Run(dc);
}

RegionData RegionToDevice(const DcObject &dc, const RegionData &logical) {
    const DcState &s = dc.State();
    if (s.windowExt.cx == s.viewportExt.cx && s.windowExt.cy == s.viewportExt.cy) {
        // Unscaled: a plain move.
        const POINT origin = dc.ToDevice(POINT{0, 0});
        RegionData moved = logical;
        moved.Offset(origin.x, origin.y);
        return moved;
    }
    // A scaled mapping: each rectangle on its own.
    RegionData device;
    logical.ForEachRect([&](const RECT &rect) {
        device = RegionData::Combine(device, RegionData::FromRect(dc.ToDeviceRect(rect)), RGN_OR);
    });
    return device;
}

}  // namespace zelt::platform
