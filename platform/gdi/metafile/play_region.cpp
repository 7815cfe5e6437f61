#include "gdi/metafile/play_region.h"

namespace zelt::platform {

// Halves are united first, so n rectangles cost n log n band merges
// instead of the n² of adding them one by one.
RegionData UnionOfRects(const RECT *rects, std::size_t count) {
    if (count == 0) return RegionData();
    if (count == 1) {
        const RECT &r = rects[0];
        return r.left < r.right && r.top < r.bottom ? RegionData::FromRect(r) : RegionData();
    }
    const std::size_t half = count / 2;
    return RegionData::Combine(UnionOfRects(rects, half), UnionOfRects(rects + half, count - half), RGN_OR);
}

}  // namespace zelt::platform
