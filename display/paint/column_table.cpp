#include "paint/column_table.h"

#include <cstdint>
#include <cstring>

namespace paint_band {
namespace {

using Offset = std::uint32_t;

// 1 and 4-byte pixels copy as they are.
template <typename Pixel>
void GatherWhole(const BYTE *span, const Offset *offsets, int width, BYTE *out) {
    for (int i = 0; i < width; ++i) {
        Pixel pixel;
        std::memcpy(&pixel, span + offsets[i], sizeof(Pixel));
        std::memcpy(out + static_cast<std::size_t>(i) * sizeof(Pixel), &pixel, sizeof(Pixel));
    }
}

// 3-byte pixels move as 4-byte words, the byte past each pixel rewritten by
// the next one; pixels whose word would reach past the span, and the last
// one written, move byte by byte.
void Gather24(const BYTE *span, std::size_t spanBytes, const Offset *offsets, int width, BYTE *out) {
    int wide = width - 1;
    while (wide > 0 && offsets[wide - 1] + 4 > spanBytes) --wide;
    for (int i = 0; i < wide; ++i) {
        std::uint32_t word;
        std::memcpy(&word, span + offsets[i], 4);
        std::memcpy(out + 3 * static_cast<std::size_t>(i), &word, 4);
    }
    for (int i = wide < 0 ? 0 : wide; i < width; ++i) std::memcpy(out + 3 * static_cast<std::size_t>(i), span + offsets[i], 3);
}

}  // namespace

bool ColumnTable::Build(const paint_geometry::AxisWalk &walk, int spanStart, int width, int bitsPerPixel) {
    offsets_.reset();
    if (!Serves(bitsPerPixel)) return false;
    offsets_ = Allocate(static_cast<std::size_t>(width) * sizeof(Offset));
    if (!offsets_) return false;
    width_ = width;
    bytesPerPixel_ = bitsPerPixel / 8;
    auto *offsets = reinterpret_cast<Offset *>(offsets_.get());
    // The walk of KrnResampleRow: step whole columns, carry the remainder.
    std::int64_t column = walk.first - spanStart;
    std::int64_t error = walk.error;
    for (int i = 0; i < width; ++i) {
        offsets[i] = static_cast<Offset>(column * bytesPerPixel_);
        column += walk.step;
        error += walk.remainder;
        if (error >= walk.extent) {
            error -= walk.extent;
            ++column;
        }
    }
    return true;
}

void ColumnTable::Resample(const BYTE *span, std::size_t spanBytes, BYTE *out) const {
    const auto *offsets = reinterpret_cast<const Offset *>(offsets_.get());
    switch (bytesPerPixel_) {
        case 1: GatherWhole<std::uint8_t>(span, offsets, width_, out); break;
        case 3: Gather24(span, spanBytes, offsets, width_, out); break;
        default: GatherWhole<std::uint32_t>(span, offsets, width_, out); break;
    }
}

}  // namespace paint_band
