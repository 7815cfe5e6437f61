// MoveToEx, LineTo and Polyline. Positions are kept in logical units; the
// pixels are those of the device end points.
#include "gdi/draw_paint.h"
#include "gdi/draw_raster.h"
#include "gdi/draw_wide.h"
#include "gdi/metafile/meta_recorder.h"

using namespace zelt::platform;

namespace {

// Draws the open path through `count` device points: a cosmetic pen leaves
// out the last point, a geometric pen covers it with its round cap.
bool DrawPath(DcObject &dc, const POINT *device, int count) {
    const DevicePen pen = PenOf(dc);
    if (pen.null || count < 2) return true;
    if (pen.width > 1)
        return PaintWithPen(dc, WideStroke(std::span<const POINT>(device, static_cast<std::size_t>(count)), pen.width, false),
                            pen.colour);
    SpanCollector path;
    for (int i = 0; i + 1 < count; ++i) AddCosmeticLine(device[i], device[i + 1], path);
    return PaintWithPen(dc, path.Finish(), pen.colour);
}

}  // namespace

extern "C" {

BOOL WINAPI MoveToEx(HDC hdc, int x, int y, LPPOINT lppt) {
    if (MetaRecorder *meta = FindRecorder(hdc)) return meta->MoveTo(x, y, lppt);
    DcObject *dc = FindDc(hdc);
    if (dc == nullptr) return FALSE;
    if (lppt != nullptr) *lppt = dc->State().currentPos;
    dc->State().currentPos = POINT{x, y};
    return TRUE;
}

BOOL WINAPI LineTo(HDC hdc, int x, int y) {
    if (MetaRecorder *meta = FindRecorder(hdc)) return meta->LineTo(x, y);
    DcObject *dc = FindDc(hdc);
    if (dc == nullptr) return FALSE;
    const POINT ends[2] = {dc->ToDevice(dc->State().currentPos), dc->ToDevice(POINT{x, y})};
    const BOOL drawn = GuardedDraw([&] { return DrawPath(*dc, ends, 2); });
    // The position moves even when nothing could be drawn.
    dc->State().currentPos = POINT{x, y};
    return drawn;
}

BOOL WINAPI Polyline(HDC hdc, const POINT *apt, int cpt) {
    if (MetaRecorder *meta = FindRecorder(hdc)) return meta->Poly(PolyCall::Polyline, apt, cpt);
    DcObject *dc = FindDc(hdc);
    if (dc == nullptr || apt == nullptr || cpt < 2) return FALSE;
    return GuardedDraw([&] {
        std::vector<POINT> device(apt, apt + cpt);
        for (POINT &p : device) p = dc->ToDevice(p);
        return DrawPath(*dc, device.data(), cpt);
    });
}

}  // extern "C"
