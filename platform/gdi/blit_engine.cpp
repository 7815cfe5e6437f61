#include "gdi/blit_engine.h"

#include <algorithm>
#include <cstring>

#include "gdi/blit_map.h"
#include "gdi/blit_source.h"
#include "gdi/brush_pattern.h"
#include "gdi/rop3.h"
#include "gdi/rop3_internal.h"

namespace zelt::platform {
namespace {

enum class Merge { None, And, Or };

// The rows of a region's band holding y, as a span range; empty when no
// band holds it.
struct RowSpans {
    const RegionData::Span *begin = nullptr;
    const RegionData::Span *end = nullptr;
};

RowSpans SpansOfRow(const RegionData &region, LONG y) noexcept {
    const auto &bands = region.Bands();
    const auto band = std::upper_bound(bands.begin(), bands.end(), y,
                                       [](LONG value, const RegionData::Band &b) { return value < b.bottom; });
    if (band == bands.end() || band->top > y) return {};
    const RegionData::Span *spans = region.Spans().data();
    return RowSpans{spans + band->spanBegin, spans + band->spanEnd};
}

// A copy of the part of a surface a stretched blit reads, for blits whose
// source and destination are the same pixels.
struct Snapshot {
    ByteBuffer bits;
    Surface surface;
};

bool TakeSnapshot(const Surface &from, Snapshot &snapshot) noexcept {
    const std::ptrdiff_t rowBytes = (static_cast<std::ptrdiff_t>(from.width) * from.BitsPixel() + 31) / 32 * 4;
    if (!snapshot.bits.Reset(static_cast<std::size_t>(rowBytes) * static_cast<std::size_t>(from.height))) return false;
    snapshot.surface = from;
    snapshot.surface.top = snapshot.bits.Data();
    snapshot.surface.stride = rowBytes;
    for (int y = 0; y < from.height; ++y)
        std::memcpy(snapshot.surface.Row(y), from.Row(y), static_cast<std::size_t>(rowBytes));
    return true;
}

// Straight copy of equal-sized rectangles whose raw values need no change:
// row by row, in an order that survives overlap within one surface.
void CopyUnchanged(const Surface &dst, const Surface &src, const RegionData &area, int dx, int dy) noexcept {
    // Source pixel of destination (x, y) is (x - dx, y - dy).
    const auto &bands = area.Bands();
    const auto &spans = area.Spans();
    const bool upwards = &dst == &src && dy > 0;
    const std::size_t bandCount = bands.size();
    for (std::size_t b = 0; b < bandCount; ++b) {
        const RegionData::Band &band = bands[upwards ? bandCount - 1 - b : b];
        for (int i = 0; i < band.bottom - band.top; ++i) {
            const LONG y = upwards ? band.bottom - 1 - i : band.top + i;
            for (std::uint32_t s = band.spanBegin; s < band.spanEnd; ++s)
                dst.ops->copySpan(dst.Row(y), spans[s].x0, src.Row(y - dy), spans[s].x0 - dx, spans[s].x1 - spans[s].x0);
        }
    }
}

Merge MergeOf(int stretchMode) noexcept {
    if (stretchMode == BLACKONWHITE) return Merge::And;
    if (stretchMode == WHITEONBLACK) return Merge::Or;
    return Merge::None;  // COLORONCOLOR; HALFTONE deletes scans as well
}

// The value of one destination pixel from a converted source row: the
// single sample or the AND / OR of the run.
DWORD RunValue(const DWORD *row, int first, int last, Merge merge) noexcept {
    if (first == last || merge == Merge::None) return row[first];
    const int step = first < last ? 1 : -1;
    DWORD value = row[first];
    for (int i = first + step;; i += step) {
        value = merge == Merge::And ? value & row[i] : value | row[i];
        if (i == last) break;
    }
    return value;
}

}  // namespace

BlitStatus PatBltDevice(DcObject &destination, int x, int y, int w, int h, DWORD rop) noexcept {
    if (Rop3UsesSource(rop)) return BlitStatus::Failed;
    LONG left, right, top, bottom;
    SpanBounds(x, w, left, right);
    SpanBounds(y, h, top, bottom);
    if (left >= right || top >= bottom) return BlitStatus::Done;
    const RegionData area = destination.DrawableRegion().Intersect(RECT{left, top, right, bottom});
    if (area.Empty()) return BlitStatus::Done;
    return FillRectsWithBrush(destination, area, destination.State().brush, rop) ? BlitStatus::Done
                                                                                  : BlitStatus::OutOfMemory;
}

BlitStatus StretchDevice(DcObject &destination, const DcObject &sourceDc, const DeviceBlit &request) noexcept {
    DeviceBlit blit = request;
    const BYTE index = Rop3Index(blit.rop);
    // A one-pixel destination takes one source pixel fewer. Unlike
    // StretchDIBits, equal negative extents stay as they are, whatever the
    // ROP: both rectangles are walked from their start coordinate.
    if (blit.wDest == 1 && blit.wSrc > 1) --blit.wSrc;
    if (blit.hDest == 1 && blit.hSrc > 1) --blit.hSrc;
    if (blit.wDest == 0 || blit.hDest == 0 || blit.wSrc == 0 || blit.hSrc == 0) return BlitStatus::Done;

    const Surface &dst = destination.Target();
    const Surface &liveSource = sourceDc.Target();
    const DcState &dstState = destination.State();
    BlitSource reader;
    if (!reader.Init(liveSource, dst, ResolveDcColour(sourceDc, sourceDc.State().bkColor),
                     ResolveDcColour(destination, dstState.textColor), ResolveDcColour(destination, dstState.bkColor)))
        return BlitStatus::OutOfMemory;

    const bool oneToOne = blit.wDest == blit.wSrc && blit.hDest == blit.hSrc && blit.wDest > 0 && blit.hDest > 0;
    const Merge merge = oneToOne ? Merge::None : MergeOf(dstState.stretchMode);
    AxisMap xMap, yMap;
    if (!xMap.Build(blit.xDest, blit.wDest, blit.xSrc, blit.wSrc, liveSource.width,
                    merge == Merge::None ? RunPick::Last : RunPick::All) ||
        !yMap.Build(blit.yDest, blit.hDest, blit.ySrc, blit.hSrc, liveSource.height,
                    merge == Merge::None ? RunPick::First : RunPick::All))
        return BlitStatus::OutOfMemory;
    if (xMap.Count() == 0 || yMap.Count() == 0) return BlitStatus::Done;

    const RECT box{xMap.DstMin(), yMap.DstMin(), xMap.DstMax() + 1, yMap.DstMax() + 1};
    const RegionData area = destination.DrawableRegion().Intersect(box);
    if (area.Empty()) return BlitStatus::Done;

    const bool samePixels = dst.top == liveSource.top;
    if (oneToOne && index == 0xCC && dst.SameRawMeaning(liveSource) &&
        (!samePixels || dst.BitsPixel() >= 8 || blit.yDest != blit.ySrc)) {
        CopyUnchanged(dst, liveSource, area, blit.xDest - blit.xSrc, blit.yDest - blit.ySrc);
        return BlitStatus::Done;
    }

    // A stretched blit within one surface reads from a copy; a 1:1 one only
    // needs its rows in the right order (each row is read whole before it
    // is written).
    Snapshot snapshot;
    const Surface *sourceSurface = &liveSource;
    if (samePixels && !oneToOne) {
        if (!TakeSnapshot(liveSource, snapshot)) return BlitStatus::OutOfMemory;
        sourceSurface = &snapshot.surface;
        if (!reader.Init(*sourceSurface, dst, ResolveDcColour(sourceDc, sourceDc.State().bkColor),
                         ResolveDcColour(destination, dstState.textColor),
                         ResolveDcColour(destination, dstState.bkColor)))
            return BlitStatus::OutOfMemory;
    }

    BrushPattern pattern;
    const bool usesPattern = Rop3UsesPattern(blit.rop);
    if (usesPattern && !pattern.Realize(destination, dstState.brush)) return BlitStatus::OutOfMemory;
    if (usesPattern && pattern.IsNull()) return BlitStatus::Done;

    // One allocation for the converted source row, the merged line and the
    // pattern span.
    const int srcSpan = xMap.SrcMax() - xMap.SrcMin() + 1;
    const int lineSpan = xMap.DstMax() - xMap.DstMin() + 1;
    ByteBuffer buffers;
    if (!buffers.Reset(sizeof(DWORD) * (static_cast<std::size_t>(srcSpan) + 3 * static_cast<std::size_t>(lineSpan))))
        return BlitStatus::OutOfMemory;
    DWORD *sourceRow = reinterpret_cast<DWORD *>(buffers.Data());
    DWORD *line = sourceRow + srcSpan;
    DWORD *rowValues = line + lineSpan;
    DWORD *patternValues = rowValues + lineSpan;

    const bool reverseRows = samePixels && oneToOne && blit.yDest > blit.ySrc;
    const int srcX0 = xMap.SrcMin(), dstX0 = xMap.DstMin();
    for (int i = 0; i < yMap.Count(); ++i) {
        const AxisStep &ys = yMap.Step(reverseRows ? yMap.Count() - 1 - i : i);
        const RowSpans spans = SpansOfRow(area, ys.dst);
        if (spans.begin == spans.end) continue;
        const int yStep = ys.srcFirst <= ys.srcLast ? 1 : -1;
        for (int sy = ys.srcFirst;; sy += yStep) {
            reader.Read(sy, srcX0, srcSpan, sourceRow);
            DWORD *target = sy == ys.srcFirst ? line : rowValues;
            for (int k = 0; k < xMap.Count(); ++k) {
                const AxisStep &xs = xMap.Step(k);
                target[xs.dst - dstX0] = RunValue(sourceRow, xs.srcFirst - srcX0, xs.srcLast - srcX0, merge);
            }
            if (sy != ys.srcFirst) {
                for (int x = 0; x < lineSpan; ++x) line[x] = merge == Merge::Or ? line[x] | rowValues[x] : line[x] & rowValues[x];
            }
            if (sy == ys.srcLast) break;
        }
        for (const RegionData::Span *span = spans.begin; span != spans.end; ++span) {
            const int n = span->x1 - span->x0;
            if (usesPattern) pattern.Span(span->x0, ys.dst, n, patternValues);
            if (!ApplyRop3Span(dst, ys.dst, span->x0, n, line + (span->x0 - dstX0), usesPattern ? patternValues : nullptr,
                               blit.rop))
                return BlitStatus::Failed;
        }
    }
    return BlitStatus::Done;
}

}  // namespace zelt::platform
