// The union of a list of rectangles, in any order, as one canonical region.
#pragma once

#include <cstddef>

#include "gdi/region.h"

namespace zelt::platform {

// The pixels of `count` rectangles stored one after another from `rects`
// (no alignment needed: they may sit inside a caller's RGNDATA). Rectangles
// with no width or no height are ignored; the others may overlap, touch and
// come in any order. Throws std::bad_alloc when memory runs out.
RegionData UnionOfRects(const void *rects, std::size_t count);

}  // namespace zelt::platform
