// Nearest-neighbour resampling of rows of whole-byte pixels (8, 24 and 32
// bits) through a table of source byte offsets: the column walk of
// KrnResampleRow is made once per paint, and each row is then a gather.
#pragma once

#include <cstddef>

#include "paint/band.h"
#include "paint/paint_geometry.h"

namespace paint_band {

class ColumnTable {
public:
    static bool Serves(int bitsPerPixel) { return bitsPerPixel == 8 || bitsPerPixel == 24 || bitsPerPixel == 32; }
    // Offsets of `width` pixels walked from walk.first, counted from the
    // span that starts at `spanStart`. False when the depth is not served or
    // the table cannot be allocated.
    bool Build(const paint_geometry::AxisWalk &walk, int spanStart, int width, int bitsPerPixel);
    bool Ready() const { return offsets_ != nullptr; }
    // Writes the row's `width` pixels into `out` (exactly width * bytes per
    // pixel bytes) from a span of `spanBytes` bytes, reading none past it.
    void Resample(const BYTE *span, std::size_t spanBytes, BYTE *out) const;

private:
    Block offsets_;
    int width_ = 0;
    int bytesPerPixel_ = 0;
};

}  // namespace paint_band
