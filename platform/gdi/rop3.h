// The ternary raster operation engine: combines pattern, source and
// destination raw pixel values by the ROP's truth table.
#pragma once

#include "gdi/surface.h"

namespace zelt::platform {

// Applies `rop` (only its high word counts) to `count` pixels of a
// destination row starting at x. `source` holds `count` raw source values
// already converted to the destination's format, or is nullptr when the ROP
// does not use the source. `pattern` likewise holds the pattern values for
// those pixels (already aligned to the brush origin), or nullptr. Returns
// false for a ROP this engine cannot apply.
bool ApplyRop3Span(const Surface &destination, int y, int x, int count, const DWORD *source,
                   const DWORD *pattern, DWORD rop) noexcept;

}  // namespace zelt::platform
