// StretchDIBits: the sample walk, clipping, conversion and the raster
// operation. The rules for extents, the source origin and the return value
// are the system's; see the comments at each step.
#include "gdi/stretch_dibits.h"

#include <algorithm>
#include <cstdlib>

#include "gdi/brush_pattern.h"
#include "gdi/dc.h"
#include "gdi/dib_format.h"
#include "gdi/dib_transfer.h"
#include "gdi/metafile/meta_recorder.h"
#include "gdi/rop3.h"
#include "gdi/stretch_spans.h"

namespace zelt::platform {

// Until the ROP3 engine is linked in, ROPs other than SRCCOPY are refused.
[[gnu::weak]] bool ApplyRop3Span(const Surface &, int, int, int, const DWORD *, const DWORD *, DWORD) noexcept {
    return false;
}

namespace {

constexpr DWORD kRopSrcCopy = 0xCC;

DWORD RopIndex(DWORD rop) { return (rop >> 16) & 0xFF; }
bool RopUsesPattern(DWORD rop) { return (((rop >> 4) ^ rop) & 0x0F0000) != 0; }

// Interval [lo, hi) covered by a span (p, e): a negative extent includes
// its start coordinate.
void SpanBounds(int p, int e, int &lo, int &hi) {
    if (e >= 0) {
        lo = p;
        hi = p + e;
    } else {
        lo = p + e + 1;
        hi = p + 1;
    }
}

bool SpanMisses(int p, int e, int limit) {
    int lo, hi;
    SpanBounds(p, e, lo, hi);
    return hi <= 0 || lo >= limit || lo >= hi;
}

// Draws with the walk of the sample maps; false on allocation failure or a
// ROP the engine refuses.
bool Draw(const DcObject &dc, const Surface &source, const StretchCall &call) {
    Surface &destination = dc.Target();
    const int n = std::abs(call.destWidth), s = std::abs(call.srcWidth);
    const int ny = std::abs(call.destHeight), sh = std::abs(call.srcHeight);
    const int stepX = call.srcWidth < 0 ? -1 : 1, stepY = call.srcHeight < 0 ? -1 : 1;
    const bool merge = call.stretchMode == BLACKONWHITE || call.stretchMode == WHITEONBLACK;
    const bool andMerge = call.stretchMode == BLACKONWHITE;

    const DWORD ropIndex = RopIndex(call.rop);
    const bool copy = ropIndex == kRopSrcCopy;
    // Copies in which every destination pixel takes one source pixel walk
    // by spans (1:1 ones store converted rows straight through). Runs merged
    // by a shrinking BLACKONWHITE or WHITEONBLACK take the general walk.
    const bool spans = !GeneralStretchWalkForced() && copy && (!merge || (n >= s && ny >= sh));

    PixelConverter converter;
    StretchAxis xMap, yMap;
    if (!converter.Init(source, destination) || !xMap.Build(n, s, call.xSrc, stepX, merge, true) ||
        !yMap.Build(ny, sh, call.sy, stepY, merge, false))
        return false;

    int destLeft, destRight, destTop, destBottom;
    SpanBounds(call.xDest, call.destWidth, destLeft, destRight);
    SpanBounds(call.yDest, call.destHeight, destTop, destBottom);
    if (spans) {
        const SpanWalk walk = DrawStretchSpans(dc, source, call, RECT{destLeft, destTop, destRight, destBottom},
                                               converter, xMap, yMap);
        if (walk != SpanWalk::NotTaken) return walk == SpanWalk::Drawn;
    }

    ByteBuffer scratch;
    if (!scratch.Reset((std::size_t(source.width) + 3 * std::size_t(n) + 2) * sizeof(DWORD))) return false;
    DWORD *sourceRaw = reinterpret_cast<DWORD *>(scratch.Data());
    DWORD *values = sourceRaw + source.width;
    DWORD *pattern = values + n;
    DWORD *touched = pattern + n;  // 1 where a sample landed
    // The brush as any other blit draws it (the 1-bpp solid colour rule,
    // hatches, patterns); a null brush leaves the destination alone.
    BrushPattern brush;
    const bool usesPattern = RopUsesPattern(call.rop);
    if (usesPattern && !brush.Realize(dc, dc.State().brush)) return false;
    if (usesPattern && brush.IsNull()) return true;

    bool ok = true;
    // Enlarging reuses each converted source row for several destination rows.
    int convertedRow = -1;

    dc.DrawableRegion().ForEachRect([&](const RECT &clip) {
        if (!ok) return;
        const int left = std::max<int>(clip.left, destLeft), right = std::min<int>(clip.right, destRight);
        const int top = std::max<int>(clip.top, destTop), bottom = std::min<int>(clip.bottom, destBottom);
        if (left >= right || top >= bottom) return;
        for (int y = top; y < bottom; ++y) {
            const int ky = call.destHeight > 0 ? y - call.yDest : call.yDest - y;
            BYTE *destRow = destination.Row(y);
            const int count = right - left;
            std::fill(touched, touched + count, 0u);
            for (int r = 0, row = yMap.First(ky); r < yMap.Count(ky); ++r, row += yMap.Step()) {
                if (row < 0 || row >= source.height) continue;
                if (row != convertedRow) {
                    converter.ToRaw(source.Row(row), 0, source.width, sourceRaw);
                    convertedRow = row;
                }
                for (int i = 0; i < count; ++i) {
                    const int x = left + i;
                    const int kx = call.destWidth > 0 ? x - call.xDest : call.xDest - x;
                    for (int c = 0, column = xMap.First(kx); c < xMap.Count(kx); ++c, column += xMap.Step()) {
                        if (column < 0 || column >= source.width) continue;
                        const DWORD raw = sourceRaw[column];
                        if (!touched[i])
                            values[i] = raw;
                        else
                            values[i] = andMerge ? (values[i] & raw) : (values[i] | raw);
                        touched[i] = 1;
                    }
                }
            }
            // Write the runs of touched pixels.
            for (int i = 0; i < count;) {
                if (!touched[i]) {
                    ++i;
                    continue;
                }
                int end = i;
                while (end < count && touched[end]) ++end;
                if (copy) {
                    destination.ops->writeRawSpan(destRow, left + i, end - i, values + i);
                } else {
                    const DWORD *patternValues = nullptr;
                    if (usesPattern) {
                        brush.Span(left + i, y, end - i, pattern);
                        patternValues = pattern;
                    }
                    if (!ApplyRop3Span(destination, y, left + i, end - i, values + i, patternValues, call.rop)) {
                        ok = false;
                        return;
                    }
                }
                i = end;
            }
        }
    });
    return ok;
}

}  // namespace

}  // namespace zelt::platform

using namespace zelt::platform;

namespace {
constexpr int kLargestCoordinate = (1 << 27) - 1;
}  // namespace

extern "C" int WINAPI StretchDIBits(HDC hdc, int xDest, int yDest, int DestWidth, int DestHeight, int xSrc, int ySrc,
                                   int SrcWidth, int SrcHeight, const VOID *lpBits, const BITMAPINFO *lpbmi,
                                   UINT iUsage, DWORD rop) {
    if (MetaRecorder *meta = FindRecorder(hdc))
        return meta->StretchDIBits(
            DibCall{xDest, yDest, DestWidth, DestHeight, xSrc, ySrc, SrcWidth, SrcHeight, lpBits, lpbmi, iUsage, rop});
    DcObject *dc = FindDc(hdc);
    if (dc == nullptr || lpBits == nullptr) return 0;
    // GDI keeps coordinates to 27 bits and a sign; beyond that the sums
    // below would overflow, so such calls fail.
    for (const int value : {xDest, yDest, DestWidth, DestHeight, xSrc, ySrc, SrcWidth, SrcHeight}) {
        if (value > kLargestCoordinate || value < -kLargestCoordinate) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
    }
    Surface source;
    if (lpbmi == nullptr || !DescribeDib(*lpbmi, lpBits, iUsage, *dc->SelectedPalette(), source)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const LONG biHeight = lpbmi->bmiHeader.biHeight;
    const int W = source.width, H = source.height;
    const bool topDown = biHeight < 0;
    const bool copy = RopIndex(rop) == kRopSrcCopy;
    const bool nsfo = xSrc == 0 && ySrc == 0 && SrcWidth == DestWidth && SrcHeight == DestHeight;

    // A one-pixel destination drops one source step.
    if (!copy || nsfo) {
        if (DestWidth == 1 && SrcWidth > 1) --SrcWidth;
        if (DestHeight == 1 && SrcHeight > 1) --SrcHeight;
    }
    // Other ROPs turn a doubly negative extent round.
    if (!copy) {
        if (DestWidth < 0 && DestWidth == SrcWidth) {
            xDest += DestWidth;
            xSrc += SrcWidth;
            DestWidth = -DestWidth;
            SrcWidth = -SrcWidth;
        }
        if (DestHeight < 0 && DestHeight == SrcHeight) {
            yDest += DestHeight;
            ySrc += SrcHeight;
            DestHeight = -DestHeight;
            SrcHeight = -SrcHeight;
        }
    }
    // ySrc counts up from the bottom edge, except for a top-down DIB drawn
    // 1:1 from its origin or with another ROP.
    int sy = (!topDown || (copy && !nsfo)) ? H - ySrc - SrcHeight : ySrc;
    if (SrcHeight < 0) {
        if (sy >= H && sy + SrcHeight + 1 < H)
            sy = H - 1;
        else if (sy > 0 && sy + SrcHeight + 1 < 0)
            sy = -SrcHeight - 1;
    }
    if (SpanMisses(xSrc, SrcWidth, W) || SpanMisses(sy, SrcHeight, H)) return 0;

    const int result = copy ? H : biHeight;
    // The destination in device units.
    if (!dc->IsIdentityTransform()) {
        const POINT a = dc->ToDevice(POINT{xDest, yDest});
        const POINT b = dc->ToDevice(POINT{xDest + DestWidth, yDest + DestHeight});
        xDest = a.x;
        yDest = a.y;
        DestWidth = b.x - a.x;
        DestHeight = b.y - a.y;
    }
    if (DestWidth == 0 || DestHeight == 0) return result;
    const RECT drawable = dc->DrawableBounds();
    int lo, hi;
    SpanBounds(xDest, DestWidth, lo, hi);
    const bool missesX = hi <= drawable.left || lo >= drawable.right;
    SpanBounds(yDest, DestHeight, lo, hi);
    if (missesX || hi <= drawable.top || lo >= drawable.bottom) return result;

    const StretchCall call{xDest, yDest, DestWidth, DestHeight, xSrc, sy, SrcWidth, SrcHeight, rop,
                           dc->State().stretchMode};
    if (!Draw(*dc, source, call)) return 0;
    return result;
}
