// Enhanced metafile records that draw bitmaps. Under a transform that keeps
// boxes they go through StretchDIBits on device rectangles; turned ones,
// and alpha blends, sample the source at the centre of each device pixel.
#include <algorithm>
#include <cmath>

#include "gdi/blit_engine.h"
#include "gdi/dib_format.h"
#include "gdi/draw_device.h"
#include "gdi/metafile/play_dib.h"
#include "gdi/metafile/play_emf_player.h"
#include "gdi/rop3_internal.h"

namespace zelt::platform {

namespace {

constexpr DWORD kSrcCopy = SRCCOPY;

// A rectangle in logical units (extents signed).
struct LogicalRect {
    double x, y, cx, cy;
};

// The device rectangle of a logical one under a transform that keeps
// boxes: corners rounded, extents signed.
void DeviceRect(const Affine &t, const LogicalRect &r, int &x, int &y, int &w, int &h) {
    const POINT a = ToDevicePoint(t.Apply(DPoint{r.x, r.y}));
    const POINT b = ToDevicePoint(t.Apply(DPoint{r.x + r.cx, r.y + r.cy}));
    x = a.x;
    y = a.y;
    w = b.x - a.x;
    h = b.y - a.y;
}

// How a sampled source pixel meets the destination: copied, or blended by
// its alpha (pre-multiplied) and a constant alpha.
struct Blend {
    bool copy = true;
    bool perPixelAlpha = false;
    unsigned constantAlpha = 255;

    COLORREF Apply(COLORREF source, unsigned alpha, COLORREF destination) const {
        if (copy) return source;
        const unsigned a = perPixelAlpha ? alpha * constantAlpha / 255 : constantAlpha;
        // A pre-multiplied source adds its scaled colour to what its alpha
        // leaves of the destination.
        const auto channel = [&](unsigned s, unsigned d) {
            return std::min(255u, (s * constantAlpha + 127) / 255 + (d * (255 - a) + 127) / 255);
        };
        return RGB(channel(GetRValue(source), GetRValue(destination)), channel(GetGValue(source), GetGValue(destination)),
                   channel(GetBValue(source), GetBValue(destination)));
    }
};

// Paints the source rectangle (top-based rows) of a DIB onto what the
// transform makes of the logical destination, one device pixel at a time.
void PaintSampled(EmfPlayer &p, const LogicalRect &dest, const LogicalRect &source, const RecordDib &dib, const Blend &blend) {
    const Affine &t = p.Transform();
    if (!t.Invertible() || dest.cx == 0 || dest.cy == 0 || source.cx == 0 || source.cy == 0) return;
    Surface from;
    if (!DescribeDib(*dib.Info(), dib.Bits(), dib.Usage(), *p.Dc().SelectedPalette(), from)) return;
    const Affine back = t.Inverted();
    double left = 1e300, top = 1e300, right = -1e300, bottom = -1e300;
    for (const DPoint corner : {DPoint{dest.x, dest.y}, DPoint{dest.x + dest.cx, dest.y},
                                DPoint{dest.x, dest.y + dest.cy}, DPoint{dest.x + dest.cx, dest.y + dest.cy}}) {
        const DPoint d = t.Apply(corner);
        left = std::min(left, d.x), right = std::max(right, d.x), top = std::min(top, d.y), bottom = std::max(bottom, d.y);
    }
    const RECT reach{ToDeviceUnit(std::floor(left)), ToDeviceUnit(std::floor(top)), ToDeviceUnit(std::ceil(right)),
                     ToDeviceUnit(std::ceil(bottom))};
    const Surface &to = p.Dc().Target();
    p.Dc().DrawableRegion().Intersect(reach).ForEachRect([&](const RECT &area) {
        for (LONG y = area.top; y < area.bottom; ++y) {
            for (LONG x = area.left; x < area.right; ++x) {
                const DPoint l = back.Apply(DPoint{x + 0.5, y + 0.5});
                const double u = (l.x - dest.x) / dest.cx, v = (l.y - dest.y) / dest.cy;
                if (!(u >= 0 && u < 1 && v >= 0 && v < 1)) continue;
                const double sx = std::floor(source.x + u * source.cx), sy = std::floor(source.y + v * source.cy);
                if (!(sx >= 0 && sx < from.width && sy >= 0 && sy < from.height)) continue;
                const DWORD raw = from.GetRaw(static_cast<int>(sx), static_cast<int>(sy));
                const unsigned alpha = from.Format() == PixelFormatId::Bgrx32 ? raw >> 24 : 255;
                const COLORREF colour = blend.Apply(from.ColorOf(raw), alpha, blend.copy ? 0 : to.GetColor(x, y));
                to.SetRaw(x, y, to.RawOf(colour));
            }
        }
    });
}

// A blit record without a source bitmap fills its destination with the
// brush under the ROP.
void FillDestination(EmfPlayer &p, const LogicalRect &dest, DWORD rop) {
    const Affine &t = p.Transform();
    if (t.AxisAligned()) {
        int x, y, w, h;
        DeviceRect(t, dest, x, y, w, h);
        if (PatBltDevice(p.Dc(), x, y, w, h, rop) == BlitStatus::OutOfMemory) p.Fail();
        return;
    }
    POINT corners[4];
    const DPoint logical[4] = {{dest.x, dest.y}, {dest.x + dest.cx, dest.y}, {dest.x + dest.cx, dest.y + dest.cy},
                               {dest.x, dest.y + dest.cy}};
    for (int i = 0; i < 4; ++i) corners[i] = ToDevicePoint(t.Apply(logical[i]));
    const INT count = 4;
    if (!DeviceFillPolygons(p.Dc(), corners, &count, 1, ALTERNATE, p.Dc().State().brush, rop)) p.Fail();
}

// Draws a DIB whose source rectangle counts rows from the top.
void DrawTopBased(EmfPlayer &p, const LogicalRect &dest, const LogicalRect &source, RecordDib &dib, DWORD rop) {
    const Affine &t = p.Transform();
    if (!t.AxisAligned()) {
        if (rop == kSrcCopy) PaintSampled(p, dest, source, dib, Blend{});
        return;
    }
    dib.MakeBottomUp();
    int x, y, w, h;
    DeviceRect(t, dest, x, y, w, h);
    const int sx = static_cast<int>(std::lround(source.x)), sw = static_cast<int>(std::lround(source.cx));
    const int sh = static_cast<int>(std::lround(source.cy));
    const int sy = dib.Height() - static_cast<int>(std::lround(source.y)) - sh;
    StretchDibToDevice(p.Hdc(), p.Dc(), DibBlit{x, y, w, h, sx, sy, sw, sh, rop}, dib);
}

// The source rectangle of a blit record through its source transform
// (scale and offset).
LogicalRect SourceRect(const ByteView &r, double cx, double cy) {
    const Affine f{r.F32(52), r.F32(56), r.F32(60), r.F32(64), r.F32(68), r.F32(72)};
    const DPoint origin = f.Finite() ? f.Apply(DPoint{static_cast<double>(r.I32(44)), static_cast<double>(r.I32(48))})
                                     : DPoint{static_cast<double>(r.I32(44)), static_cast<double>(r.I32(48))};
    return f.Finite() ? LogicalRect{origin.x, origin.y, cx * f.m11, cy * f.m22} : LogicalRect{origin.x, origin.y, cx, cy};
}

LogicalRect DestRect(const ByteView &r) {
    return LogicalRect{static_cast<double>(r.I32(24)), static_cast<double>(r.I32(28)), static_cast<double>(r.I32(32)),
                       static_cast<double>(r.I32(36))};
}

// BitBlt and StretchBlt records: destination, ROP, source origin, source
// transform, background colour, usage, header and bits offsets and sizes
// (and for StretchBlt the source extent).
void Blit(EmfPlayer &p, const ByteView &r, double cxSrc, double cySrc) {
    const LogicalRect dest = DestRect(r);
    const DWORD rop = r.U32(40);
    if (r.U32(88) == 0 || !Rop3UsesSource(rop)) return FillDestination(p, dest, rop);
    RecordDib dib;
    if (!dib.FromParts(r.Sub(r.U32(84), r.U32(88)), r.Sub(r.U32(92), r.U32(96)), r.U32(80))) return;
    DrawTopBased(p, dest, SourceRect(r, cxSrc, cySrc), dib, rop);
}

}  // namespace

void EmfBitBlt(EmfPlayer &p, const ByteView &r) { Blit(p, r, r.I32(32), r.I32(36)); }
void EmfStretchBlt(EmfPlayer &p, const ByteView &r) { Blit(p, r, r.I32(100), r.I32(104)); }

// Bounds, destination origin, source rectangle (rows counted as
// StretchDIBits counts them), header and bits offsets and sizes, usage, ROP,
// destination extent.
void EmfStretchDiBits(EmfPlayer &p, const ByteView &r) {
    const LogicalRect dest{static_cast<double>(r.I32(24)), static_cast<double>(r.I32(28)), static_cast<double>(r.I32(72)),
                           static_cast<double>(r.I32(76))};
    const DWORD rop = r.U32(68);
    if (r.U32(52) == 0 || !Rop3UsesSource(rop)) return FillDestination(p, dest, rop);
    RecordDib dib;
    if (!dib.FromParts(r.Sub(r.U32(48), r.U32(52)), r.Sub(r.U32(56), r.U32(60)), r.U32(64))) return;
    const int xSrc = r.I32(32), ySrc = r.I32(36), cxSrc = r.I32(40), cySrc = r.I32(44);
    const Affine &t = p.Transform();
    if (!t.AxisAligned()) {
        // Rows counted from the bottom, as a bottom-up DIB reads.
        dib.MakeBottomUp();
        const LogicalRect source{static_cast<double>(xSrc), static_cast<double>(dib.Height() - ySrc - cySrc),
                                 static_cast<double>(cxSrc), static_cast<double>(cySrc)};
        if (rop == kSrcCopy) PaintSampled(p, dest, source, dib, Blend{});
        return;
    }
    int x, y, w, h;
    DeviceRect(t, dest, x, y, w, h);
    StretchDibToDevice(p.Hdc(), p.Dc(), DibBlit{x, y, w, h, xSrc, ySrc, cxSrc, cySrc, rop}, dib);
}

// Bounds, destination origin, source rectangle (rows from the bottom of
// the whole DIB), header and bits, usage, first scan, scan count; the bits
// hold just those scans. The picture's mapping applies to the extent too.
void EmfSetDiBitsToDevice(EmfPlayer &p, const ByteView &r) {
    const LONG firstScan = r.I32(68), scans = r.I32(72);
    RecordDib dib;
    if (scans <= 0 || !dib.FromParts(r.Sub(r.U32(48), r.U32(52)), r.Sub(r.U32(56), r.U32(60)), r.U32(64), scans)) return;
    dib.MakeBottomUp();
    const double cx = r.I32(40), cy = r.I32(44);
    const LogicalRect dest{static_cast<double>(r.I32(24)), static_cast<double>(r.I32(28)), cx, cy};
    const LogicalRect source{static_cast<double>(r.I32(32)), dib.Height() - (static_cast<double>(r.I32(36)) - firstScan) - cy, cx, cy};
    DrawTopBased(p, dest, source, dib, kSrcCopy);
}

// Destination, BLENDFUNCTION (operation, flags, constant alpha, format),
// source origin and transform, background, usage, header and bits, source
// extent.
void EmfAlphaBlend(EmfPlayer &p, const ByteView &r) {
    RecordDib dib;
    if (!dib.FromParts(r.Sub(r.U32(84), r.U32(88)), r.Sub(r.U32(92), r.U32(96)), r.U32(80))) return;
    const DWORD blendFunction = r.U32(40);
    Blend blend;
    blend.copy = false;
    blend.constantAlpha = (blendFunction >> 16) & 0xFF;
    blend.perPixelAlpha = ((blendFunction >> 24) & 0x01) != 0 && dib.Header().biBitCount == 32;
    PaintSampled(p, DestRect(r), SourceRect(r, r.I32(100), r.I32(104)), dib, blend);
}

}  // namespace zelt::platform
