// Rectangle, Ellipse, RoundRect and Polygon: the brush fills the interior
// under the DC's ROP2, then the pen draws the outline over it.
#include <utility>
#include <vector>

#include "gdi/brush_pattern.h"
#include "gdi/draw_paint.h"
#include "gdi/draw_raster.h"
#include "gdi/draw_wide.h"
#include "gdi/metafile/meta_recorder.h"
#include "gdi/region_shapes.h"

using namespace zelt::platform;

namespace {

// The outline of a shape whose painted pixels are `filled` (pen and brush
// together), and the part left to the brush. A cosmetic pen is the
// 4-neighbour boundary; a geometric pen strokes that boundary with its tip.
struct Outlined {
    RegionData outline;
    RegionData interior;
};
Outlined SplitBy(const RegionData &filled, RegionData outline) {
    Outlined shape;
    shape.interior = RegionData::Combine(filled, outline, RGN_DIFF);
    shape.outline = std::move(outline);
    return shape;
}
Outlined OutlineOf(const RegionData &filled, const RegionData &cosmetic, const DevicePen &pen) {
    if (pen.null) return Outlined{RegionData(), filled};
    return SplitBy(filled, pen.width <= 1 ? cosmetic : StrokeWithTip(cosmetic, PenTip(pen.width)));
}

// Ellipse and RoundRect paint what the region of the box grown by one
// pixel right and down holds.
RECT Grown(const RECT &box) { return RECT{box.left, box.top, box.right + 1, box.bottom + 1}; }

}  // namespace

extern "C" {

BOOL WINAPI Rectangle(HDC hdc, int left, int top, int right, int bottom) {
    if (MetaRecorder *meta = FindRecorder(hdc))
        return meta->Shape(ShapeCall::Rectangle, RECT{left, top, right, bottom}, SIZE{});
    DcObject *dc = FindDc(hdc);
    if (dc == nullptr) return FALSE;
    return GuardedDraw([&] {
        const DevicePen pen = PenOf(*dc);
        const RECT box = FigureBox(DeviceBox(*dc, left, top, right, bottom), pen);
        const RectangleParts parts = RectangleShape(box, pen.null ? 0 : pen.width);
        return PaintShape(*dc, RegionData::FromRect(parts.interior), parts.outline, pen);
    });
}

BOOL WINAPI Ellipse(HDC hdc, int left, int top, int right, int bottom) {
    if (MetaRecorder *meta = FindRecorder(hdc))
        return meta->Shape(ShapeCall::Ellipse, RECT{left, top, right, bottom}, SIZE{});
    DcObject *dc = FindDc(hdc);
    if (dc == nullptr) return FALSE;
    return GuardedDraw([&] {
        const DevicePen pen = PenOf(*dc);
        const RECT box = FigureBox(DeviceBox(*dc, left, top, right, bottom), pen);
        if (box.left == box.right || box.top == box.bottom) return true;
        const RegionData filled = EllipticRegion(Grown(box));
        // A geometric pen strokes the outline as a closed polygon, one
        // vertex per outline pixel.
        const Outlined shape = !pen.null && pen.width > 1
                                   ? SplitBy(filled, WideEllipseOutline(box, pen.width))
                                   : OutlineOf(filled, pen.null ? RegionData() : EllipseOutline(box), pen);
        return PaintShape(*dc, shape.interior, shape.outline, pen);
    });
}

BOOL WINAPI RoundRect(HDC hdc, int left, int top, int right, int bottom, int width, int height) {
    if (MetaRecorder *meta = FindRecorder(hdc))
        return meta->Shape(ShapeCall::RoundRect, RECT{left, top, right, bottom}, SIZE{width, height});
    DcObject *dc = FindDc(hdc);
    if (dc == nullptr) return FALSE;
    return GuardedDraw([&] {
        const DevicePen pen = PenOf(*dc);
        const RECT box = FigureBox(DeviceBox(*dc, left, top, right, bottom), pen);
        if (box.left == box.right || box.top == box.bottom) return true;
        const RegionData filled =
            RoundRectRegion(Grown(box), DeviceLength(*dc, width), DeviceLength(*dc, height));
        const Outlined shape = OutlineOf(filled, pen.null ? RegionData() : FrameOfRegion(filled, 1, 1), pen);
        return PaintShape(*dc, shape.interior, shape.outline, pen);
    });
}

BOOL WINAPI Polygon(HDC hdc, const POINT *apt, int cpt) {
    if (MetaRecorder *meta = FindRecorder(hdc)) return meta->Poly(PolyCall::Polygon, apt, cpt);
    DcObject *dc = FindDc(hdc);
    if (dc == nullptr || apt == nullptr || cpt < 2) return FALSE;
    return GuardedDraw([&] {
        std::vector<POINT> device(apt, apt + cpt);
        for (POINT &p : device) p = dc->ToDevice(p);
        const DevicePen pen = PenOf(*dc);
        const INT count = cpt;
        const RegionData filled = PolygonRegion(device.data(), &count, 1, dc->State().polyFillMode);
        RegionData outline;
        if (!pen.null && pen.width > 1) {
            outline = WideStroke(device, pen.width, true);
        } else if (!pen.null) {
            SpanCollector path;
            for (int i = 0; i < cpt; ++i) AddCosmeticLine(device[i], device[(i + 1) % cpt], path);
            outline = path.Finish();
        }
        return PaintShape(*dc, filled, outline, pen);
    });
}

}  // extern "C"
