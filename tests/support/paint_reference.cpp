#include "support/paint_reference.h"

#include <algorithm>
#include <cstdint>

#include "support/perspective_oracle.h"

namespace zelt::test {
namespace {

std::int64_t Floor(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    if ((a % b) != 0 && ((a < 0) != (b < 0))) --q;
    return q;
}

bool Inside(const RECT &r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

RECT Normalise(const RECT &r) {
    return {std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right), std::max(r.top, r.bottom)};
}

// The displayed rectangle of a stored one: the box around its displayed
// corner pixels.
RECT Shown(const PaintRequest &q, const RECT &stored) {
    if (stored.left >= stored.right || stored.top >= stored.bottom) return {0, 0, 0, 0};
    const Point a = Displayed(q.perspective, q.width, q.height, stored.left, stored.top);
    const Point b = Displayed(q.perspective, q.width, q.height, stored.right - 1, stored.bottom - 1);
    return {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x) + 1, std::max(a.y, b.y) + 1};
}

// The stored pixel behind displayed pixel (dc, dr), by search over the
// perspective's definition: each displayed coordinate is one stored
// coordinate or its mirror.
StoredPixel StoredOf(const PaintRequest &q, int dc, int dr) {
    const bool swapped = ExchangesAxes(q.perspective);
    // Probe which stored coordinate moves the displayed column.
    const Point origin = Displayed(q.perspective, q.width, q.height, 0, 0);
    int column = 0, row = 0;
    if (!swapped) {
        column = origin.x == 0 ? dc : q.width - 1 - dc;
        row = origin.y == 0 ? dr : q.height - 1 - dr;
    } else {
        row = origin.x == 0 ? dc : q.height - 1 - dc;
        column = origin.y == 0 ? dr : q.width - 1 - dr;
    }
    return {column, row};
}

}  // namespace

std::optional<StoredPixel> ReferenceSourcePixel(const PaintRequest &q, int x, int y) {
    const RECT d = Normalise(q.destination);
    if (!Inside(d, x, y) || !Inside(Normalise(q.destinationClip), x, y)) return std::nullopt;
    const bool mirrored = q.destination.bottom < q.destination.top;
    const int shownHeight = ExchangesAxes(q.perspective) ? q.width : q.height;
    const int shownWidth = ExchangesAxes(q.perspective) ? q.height : q.width;
    RECT src = Shown(q, q.source);
    RECT clip = Shown(q, q.sourceClip);
    if (mirrored) {
        src = {src.left, shownHeight - src.bottom, src.right, shownHeight - src.top};
        clip = {clip.left, shownHeight - clip.bottom, clip.right, shownHeight - clip.top};
    }
    const std::int64_t srcW = src.right - src.left, srcH = src.bottom - src.top;
    const std::int64_t dstW = d.right - d.left, dstH = d.bottom - d.top;
    if (srcW <= 0 || srcH <= 0) return std::nullopt;
    const int dc = static_cast<int>(src.left + Floor((x - d.left) * srcW, dstW));
    int dr = static_cast<int>(src.bottom - 1 - Floor((d.bottom - 1 - y) * srcH, dstH));
    if (!Inside(clip, dc, dr) || !Inside(src, dc, dr) || dc < 0 || dc >= shownWidth || dr < 0 || dr >= shownHeight)
        return std::nullopt;
    if (mirrored) dr = shownHeight - 1 - dr;
    return StoredOf(q, dc, dr);
}

}  // namespace zelt::test
