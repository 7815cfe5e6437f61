// The drawing records of classic metafiles. Coordinates go through the DC's
// mapping in floating point and are drawn by the device-space shape calls,
// which rasterise as the public calls do; so a record draws what the same
// call on the DC draws, and no coordinate a file holds can overflow.
#include "gdi/blit_engine.h"
#include "gdi/draw_device.h"
#include "gdi/metafile/play_dib.h"
#include "gdi/metafile/play_stroke.h"
#include "gdi/metafile/play_wmf_player.h"

namespace zelt::platform {

namespace {

// Destinations larger than this are not drawn through the public calls,
// whose sample maps grow with the destination.
constexpr double kLargestBlit = 1 << 20;

POINT DeviceOf(const WmfPlayer &p, int x, int y) { return ToDevicePoint(p.Mapping().Apply(x, y)); }

// The normalised device box of two logical corners.
RECT DeviceBoxOf(const WmfPlayer &p, int x0, int y0, int x1, int y1) {
    const DcMapping m = p.Mapping();
    return ToDeviceBox(m.Apply(x0, y0), m.Apply(x1, y1));
}

// `count` x, y pairs from word `first` into the player's device points;
// false when the record is too short.
bool ReadPoints(WmfPlayer &p, const WmfRecord &r, std::size_t first, std::size_t count) {
    FigurePoints &d = p.device;
    d.points.Clear();
    if (first + 2 * count > r.Words()) return false;
    if (!d.points.Reserve(count)) {
        p.Fail();
        return false;
    }
    const DcMapping m = p.Mapping();
    for (std::size_t i = 0; i < count; ++i)
        (void)d.points.Push(ToDevicePoint(m.Apply(r.S(first + 2 * i), r.S(first + 2 * i + 1))));
    return true;
}

void Check(WmfPlayer &p, bool drawn) {
    if (!drawn) p.Fail();
}

// Whether the public calls may take this logical rectangle: its device
// corners are in range and it is no larger than a surface can be.
bool FitsPublicCall(const WmfPlayer &p, int x, int y, int w, int h) {
    const DcMapping m = p.Mapping();
    const DPoint a = m.Apply(x, y), b = m.Apply(static_cast<double>(x) + w, static_cast<double>(y) + h);
    return InDeviceRange(a.x) && InDeviceRange(a.y) && InDeviceRange(b.x) && InDeviceRange(b.y) &&
           std::fabs(b.x - a.x) <= kLargestBlit && std::fabs(b.y - a.y) <= kLargestBlit;
}

// Arcs: bottom, right, top, left of the box after the end and start points
// (y before x).
void ArcFigure(WmfPlayer &p, const WmfRecord &r, ArcKind kind) {
    p.figures.Clear();
    const RECT box{r.S(7), r.S(6), r.S(5), r.S(4)};
    if (!AddArcFigure(p.figures, p.Mapping().AsAffine(), box, POINT{r.S(3), r.S(2)}, POINT{r.S(1), r.S(0)}, false, kind) ||
        !p.device.From(p.figures, 2)) {
        p.Fail();
        return;
    }
    FigurePoints &d = p.device;
    if (d.counts.Empty()) return;
    DcObject &dc = p.Dc();
    if (kind != ArcKind::Open)
        Check(p, DevicePolygons(dc, d.points.Data(), d.counts.Data(), 1, dc.State().polyFillMode, true, DevicePen{}));
    Check(p, StrokeFigure(dc, p.figures, 0, PenOf(dc), StrokeStyle{}, d));
}

// A blit record with no bitmap is a PatBlt of its destination, whose
// height, width, y and x start at word `at`.
void PatBltForm(WmfPlayer &p, const WmfRecord &r, std::size_t at) {
    const int h = r.S(at), w = r.S(at + 1), y = r.S(at + 2), x = r.S(at + 3);
    const POINT a = DeviceOf(p, x, y), b = DeviceOf(p, x + w, y + h);
    if (PatBltDevice(p.Dc(), a.x, a.y, b.x - a.x, b.y - a.y, r.D(0)) == BlitStatus::OutOfMemory) p.Fail();
}

// The forms without a bitmap have exactly the parameter words the high
// byte of the function gives.
bool HasBitmap(const WmfRecord &r) { return r.Words() != static_cast<std::size_t>(r.function >> 8); }

void StretchDibFrom(WmfPlayer &p, const WmfRecord &r, ByteView packed, UINT usage, int xDst, int yDst, int wDst,
                    int hDst, int xSrc, int ySrc, int wSrc, int hSrc) {
    RecordDib dib;
    if (!FitsPublicCall(p, xDst, yDst, wDst, hDst) || !dib.FromPacked(packed, usage)) return;
    StretchDIBits(p.Hdc(), xDst, yDst, wDst, hDst, xSrc, ySrc, wSrc, hSrc, dib.Bits(), dib.Info(), usage, r.D(0));
}

HRGN RegionAt(const WmfPlayer &p, unsigned index) {
    HGDIOBJ object = p.ObjectAt(index);
    if (object == nullptr || GetObjectType(object) != OBJ_REGION) return nullptr;
    // Region calls map every rectangle: keep to regions whose corners map
    // into range.
    RECT box;
    GetRgnBox(static_cast<HRGN>(object), &box);
    return FitsPublicCall(p, box.left, box.top, box.right - box.left, box.bottom - box.top) ? static_cast<HRGN>(object)
                                                                                              : nullptr;
}

HBRUSH BrushAt(const WmfPlayer &p, unsigned index) {
    HGDIOBJ object = p.ObjectAt(index);
    return object != nullptr && GetObjectType(object) == OBJ_BRUSH ? static_cast<HBRUSH>(object) : nullptr;
}

}  // namespace

void WmfLineTo(WmfPlayer &p, const WmfRecord &r) {
    DcState &state = p.Dc().State();
    const POINT ends[2] = {DeviceOf(p, state.currentPos.x, state.currentPos.y), DeviceOf(p, r.S(1), r.S(0))};
    Check(p, DevicePolyline(p.Dc(), ends, 2, false, PenOf(p.Dc())));
    state.currentPos = POINT{r.S(1), r.S(0)};
}

// Boxes are bottom, right, top, left.
void WmfRectangle(WmfPlayer &p, const WmfRecord &r) {
    Check(p, DeviceRectangle(p.Dc(), DeviceBoxOf(p, r.S(3), r.S(2), r.S(1), r.S(0)), PenOf(p.Dc())));
}

void WmfEllipse(WmfPlayer &p, const WmfRecord &r) {
    Check(p, DeviceEllipse(p.Dc(), DeviceBoxOf(p, r.S(3), r.S(2), r.S(1), r.S(0)), PenOf(p.Dc())));
}

// Corner height and width, then the box.
void WmfRoundRect(WmfPlayer &p, const WmfRecord &r) {
    DcObject &dc = p.Dc();
    Check(p, DeviceRoundRect(dc, DeviceBoxOf(p, r.S(5), r.S(4), r.S(3), r.S(2)), DeviceLength(dc, r.S(1)),
                             DeviceLength(dc, r.S(0)), PenOf(dc)));
}

void WmfArc(WmfPlayer &p, const WmfRecord &r) { ArcFigure(p, r, ArcKind::Open); }
void WmfPie(WmfPlayer &p, const WmfRecord &r) { ArcFigure(p, r, ArcKind::Pie); }
void WmfChord(WmfPlayer &p, const WmfRecord &r) { ArcFigure(p, r, ArcKind::Chord); }

// Point count, then x, y pairs.
void WmfPolygon(WmfPlayer &p, const WmfRecord &r) {
    const INT count = r.W(0);
    if (count < 2 || !ReadPoints(p, r, 1, static_cast<std::size_t>(count))) return;
    DcObject &dc = p.Dc();
    Check(p, DevicePolygons(dc, p.device.points.Data(), &count, 1, dc.State().polyFillMode, true, PenOf(dc)));
}

void WmfPolyline(WmfPlayer &p, const WmfRecord &r) {
    const INT count = r.W(0);
    if (count < 2 || !ReadPoints(p, r, 1, static_cast<std::size_t>(count))) return;
    Check(p, DevicePolyline(p.Dc(), p.device.points.Data(), count, false, PenOf(p.Dc())));
}

// Polygon count, the point count of each, then every point.
void WmfPolyPolygon(WmfPlayer &p, const WmfRecord &r) {
    const std::size_t polygons = r.W(0);
    if (polygons == 0 || 1 + polygons > r.Words()) return;
    FigurePoints &d = p.device;
    d.counts.Clear();
    std::size_t total = 0;
    for (std::size_t i = 0; i < polygons; ++i) {
        total += r.W(1 + i);
        if (!d.counts.Push(static_cast<INT>(r.W(1 + i)))) return p.Fail();
    }
    if (!ReadPoints(p, r, 1 + polygons, total)) return;
    DcObject &dc = p.Dc();
    Check(p, DevicePolygons(dc, d.points.Data(), d.counts.Data(), static_cast<int>(polygons), dc.State().polyFillMode,
                            true, PenOf(dc)));
}

// Raster operation, then height, width, y, x.
void WmfPatBlt(WmfPlayer &p, const WmfRecord &r) { PatBltForm(p, r, 2); }

// Colour, then y, x.
void WmfSetPixel(WmfPlayer &p, const WmfRecord &r) {
    if (FitsPublicCall(p, r.S(3), r.S(2), 0, 0)) SetPixel(p.Hdc(), r.S(3), r.S(2), r.D(0));
}

// Region, brush.
void WmfFillRegion(WmfPlayer &p, const WmfRecord &r) {
    HRGN region = RegionAt(p, r.W(0));
    HBRUSH brush = BrushAt(p, r.W(1));
    if (region != nullptr && brush != nullptr) FillRgn(p.Hdc(), region, brush);
}

// Region, brush, height, width.
void WmfFrameRegion(WmfPlayer &p, const WmfRecord &r) {
    HRGN region = RegionAt(p, r.W(0));
    HBRUSH brush = BrushAt(p, r.W(1));
    if (region != nullptr && brush != nullptr) FrameRgn(p.Hdc(), region, brush, r.S(3), r.S(2));
}

void WmfInvertRegion(WmfPlayer &p, const WmfRecord &r) {
    if (HRGN region = RegionAt(p, r.W(0))) InvertRgn(p.Hdc(), region);
}

void WmfPaintRegion(WmfPlayer &p, const WmfRecord &r) {
    if (HRGN region = RegionAt(p, r.W(0))) PaintRgn(p.Hdc(), region);
}

// Raster operation, colour usage, source height, width, y, x, destination
// height, width, y, x, the packed DIB.
void WmfStretchDib(WmfPlayer &p, const WmfRecord &r) {
    StretchDibFrom(p, r, r.From(11), r.W(2), r.S(10), r.S(9), r.S(8), r.S(7), r.S(6), r.S(5), r.S(4), r.S(3));
}

// Raster operation, source height, width, y, x, destination height, width,
// y, x, the DIB (the form without one has a reserved word before the
// destination).
void WmfDibStretchBlt(WmfPlayer &p, const WmfRecord &r) {
    if (!HasBitmap(r)) return PatBltForm(p, r, 7);
    StretchDibFrom(p, r, r.From(10), DIB_RGB_COLORS, r.S(9), r.S(8), r.S(7), r.S(6), r.S(5), r.S(4), r.S(3), r.S(2));
}

// Raster operation, source y, x, height, width, destination y, x, the DIB.
void WmfDibBitBlt(WmfPlayer &p, const WmfRecord &r) {
    if (!HasBitmap(r)) return PatBltForm(p, r, 5);
    StretchDibFrom(p, r, r.From(8), DIB_RGB_COLORS, r.S(7), r.S(6), r.S(5), r.S(4), r.S(3), r.S(2), r.S(5), r.S(4));
}

// The device-dependent bitmap forms are not drawn; without a bitmap they
// are PatBlts.
void WmfBitmapBlt(WmfPlayer &p, const WmfRecord &r) {
    if (!HasBitmap(r)) PatBltForm(p, r, r.function == 0x0922 ? 5 : 7);
}

// Colour usage, scan count, first scan, source y, x, height, width,
// destination y, x, then the DIB with just those scans. The picture is
// not stretched: the extents are device pixels.
void WmfSetDibToDev(WmfPlayer &p, const WmfRecord &r) {
    const LONG scans = r.W(1), firstScan = r.W(2);
    RecordDib dib;
    if (!dib.FromPacked(r.From(9), r.W(0), scans)) return;
    dib.MakeBottomUp();
    const POINT origin = DeviceOf(p, r.S(8), r.S(7));
    const int w = r.S(6), h = r.S(5);
    StretchDibToDevice(p.Hdc(), p.Dc(), DibBlit{origin.x, origin.y, w, h, r.S(4), r.S(3) - firstScan, w, h, SRCCOPY}, dib);
}

}  // namespace zelt::platform
