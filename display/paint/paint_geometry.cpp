#include "paint/paint_geometry.h"

#include <algorithm>
#include <array>

#include "paint/paint_engine.h"

namespace paint_geometry {
namespace {

// Where a stored axis comes from: stored column = (colSign > 0 ? 0 : W - 1)
// + colSign * (displayed column or row), and the same for the stored row.
struct StoredAxes {
    bool columnFromDisplayedColumn;
    int columnSign;
    int rowSign;
};

// Inverse of the perspective table of kernel.h, per perspective code.
constexpr std::array<StoredAxes, 9> kStoredAxes = {{
    {true, 1, 1},     // 0  (c, r)
    {true, -1, 1},    // 1  (W-1-c, r)
    {true, 1, -1},    // 2  (c, H-1-r)
    {true, -1, -1},   // 3  (W-1-c, H-1-r)
    {false, 1, -1},   // 4  (H-1-r, c)
    {false, 1, 1},    // 5  (r, c)
    {true, 1, 1},     // 6  as 0
    {false, -1, -1},  // 7  (H-1-r, W-1-c)
    {false, -1, 1},   // 8  (r, W-1-c)
}};

constexpr std::array<int, 9> kMirrored = {2, 3, 0, 1, 7, 8, 2, 4, 5};

int ValidPerspective(int p) { return (p >= 0 && p <= 8) ? p : 0; }

bool ExchangesAxes(int p) { return p == 4 || p == 5 || p == 7 || p == 8; }

RECT Normalised(const RECT &r) {
    return {std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right),
            std::max(r.top, r.bottom)};
}

// Common part of both preparations: perspective, mirror, the source and its
// clip in display coordinates (clip cut to the source and the picture).
bool PrepareSource(const BitmapRecord *bitmap, const RECT &srcRect, const RECT &srcClip, const RECT &dstRect,
                   PaintGeometry *g, RECT *clip) {
    // Rectangles are not normalised: an inverted source or clip is empty.
    if (srcRect.left >= srcRect.right || srcRect.top >= srcRect.bottom || srcClip.left >= srcClip.right ||
        srcClip.top >= srcClip.bottom)
        return false;
    const int viewPerspective = ValidPerspective(bitmap->ViewPerspective);
    const bool mirrored = dstRect.bottom < dstRect.top;
    g->perspective = mirrored ? kMirrored[viewPerspective] : viewPerspective;
    g->exchanged = ExchangesAxes(g->perspective);
    g->storedWidth = bitmap->Width;
    g->storedHeight = bitmap->Height;
    g->dst = Normalised(dstRect);

    const int shownWidth = g->exchanged ? bitmap->Height : bitmap->Width;
    const int shownHeight = g->exchanged ? bitmap->Width : bitmap->Height;
    g->src = srcRect;
    *clip = srcClip;
    KrnMapRectPerspective(viewPerspective, bitmap->Width, bitmap->Height, 0, &g->src);
    KrnMapRectPerspective(viewPerspective, bitmap->Width, bitmap->Height, 0, clip);
    if (mirrored) {
        g->src = {g->src.left, shownHeight - g->src.bottom, g->src.right, shownHeight - g->src.top};
        *clip = {clip->left, shownHeight - clip->bottom, clip->right, shownHeight - clip->top};
    }
    g->srcW = g->src.right - g->src.left;
    g->srcH = g->src.bottom - g->src.top;
    if (g->srcW <= 0 || g->srcH <= 0) return false;
    const RECT picture = {0, 0, shownWidth, shownHeight};
    return ClipRect(clip, clip, &g->src) && ClipRect(clip, clip, &picture);
}

void PrepareAxes(PaintGeometry *g) {
    const StoredAxes &axes = kStoredAxes[g->perspective];
    // Displayed column = src.left + floor(tx * srcW / dstW); displayed row =
    // src.bottom - 1 - floor(ty * srcH / dstH).
    const AxisMap byColumns = {g->src.left, 1, g->srcW, g->dstW, true};
    const AxisMap byRows = {g->src.bottom - 1, -1, g->srcH, g->dstH, false};
    auto stored = [](const AxisMap &displayed, int sign, int size) {
        AxisMap map = displayed;
        map.base = (sign > 0 ? 0 : size - 1) + sign * displayed.base;
        map.sign = sign * displayed.sign;
        return map;
    };
    const AxisMap &columnSource = axes.columnFromDisplayedColumn ? byColumns : byRows;
    const AxisMap &rowSource = axes.columnFromDisplayedColumn ? byRows : byColumns;
    g->column = stored(columnSource, axes.columnSign, g->storedWidth);
    g->row = stored(rowSource, axes.rowSign, g->storedHeight);
    KrnGetPerspectiveChange(g->perspective, 2, &g->flip, &g->angle);
}

}  // namespace

int MirroredPerspective(int perspective) { return kMirrored[ValidPerspective(perspective)]; }

AxisWalk WalkFrom(const AxisMap &map, std::int64_t t0, int dir) {
    // Forward: c_i = base + floor((t0 + i) num / den). Backward (sign -1):
    // c_i = base - floor((t0 - i) num / den) = base + floor((i num + k) / den)
    // with k = den - 1 - t0 num.
    const std::int64_t start = dir > 0 ? t0 * map.num : map.den - 1 - t0 * map.num;
    AxisWalk walk;
    walk.first = static_cast<int>(map.base + FloorDiv(start, map.den));
    walk.error = static_cast<int>(FloorMod(start, map.den));
    walk.step = static_cast<int>(map.num / map.den);
    walk.remainder = static_cast<int>(map.num % map.den);
    walk.extent = static_cast<int>(map.den);
    return walk;
}

bool PrepareScaled(const BitmapRecord *bitmap, const RECT &srcRect, const RECT &srcClip, const RECT &dstRect,
                   const RECT &dstClip, PaintGeometry *g) {
    RECT clip;
    if (!PrepareSource(bitmap, srcRect, srcClip, dstRect, g, &clip)) return false;
    g->dstW = g->dst.right - g->dst.left;
    g->dstH = g->dst.bottom - g->dst.top;
    if (g->dstW <= 0 || g->dstH <= 0) return false;

    // The destination columns whose source column lies in the clip: the
    // first x with floor((x - dst.left) srcW / dstW) >= a is dst.left +
    // ceil(a dstW / srcW); rows the same, counted up from the bottom.
    auto ceilDiv = [](std::int64_t a, std::int64_t b) { return -FloorDiv(-a, b); };
    RECT mapped;
    mapped.left = static_cast<LONG>(g->dst.left + ceilDiv((clip.left - g->src.left) * g->dstW, g->srcW));
    mapped.right = static_cast<LONG>(g->dst.left + ceilDiv((clip.right - g->src.left) * g->dstW, g->srcW));
    mapped.top = static_cast<LONG>(g->dst.bottom + FloorDiv((clip.top - g->src.bottom) * g->dstH, g->srcH));
    mapped.bottom = static_cast<LONG>(g->dst.bottom + FloorDiv((clip.bottom - g->src.bottom) * g->dstH, g->srcH));
    const RECT destinationClip = Normalised(dstClip);
    if (!ClipRect(&g->visible, &mapped, &g->dst) || !ClipRect(&g->visible, &g->visible, &destinationClip))
        return false;
    PrepareAxes(g);
    return true;
}

bool PrepareUnscaled(const BitmapRecord *bitmap, const RECT &srcRect, const RECT &srcClip, const RECT &dstRect,
                     const RECT &dstClip, PaintGeometry *g) {
    RECT clip;
    if (!PrepareSource(bitmap, srcRect, srcClip, dstRect, g, &clip)) return false;
    // One to one: the destination has the source's size whatever the caller
    // measured.
    g->dst.right = static_cast<LONG>(g->dst.left + g->srcW);
    g->dst.bottom = static_cast<LONG>(g->dst.top + g->srcH);
    g->dstW = g->srcW;
    g->dstH = g->srcH;
    const LONG dx = g->dst.left - g->src.left;
    const LONG dy = g->dst.top - g->src.top;
    const RECT moved = {clip.left + dx, clip.top + dy, clip.right + dx, clip.bottom + dy};
    const RECT destinationClip = Normalised(dstClip);
    if (!ClipRect(&g->visible, &moved, &g->dst) || !ClipRect(&g->visible, &g->visible, &destinationClip))
        return false;
    PrepareAxes(g);
    return true;
}

}  // namespace paint_geometry
