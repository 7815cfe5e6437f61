// Regions carried by metafile records (rectangle lists of RGNDATA, the
// scans of a classic region object) turned into region data.
#pragma once

#include "gdi/metafile/play_bytes.h"
#include "gdi/region.h"

namespace zelt::platform {

// The union of `count` rectangles in any order; empty ones are skipped.
// Throws std::bad_alloc as region operations do.
RegionData UnionOfRects(const RECT *rects, std::size_t count);

// The rectangles of an RGNDATA block (header, then nCount RECTs), each
// passed through `mapRect`; false when the block is inconsistent.
template <class MapRect>
bool ForEachRgnDataRect(ByteView data, MapRect mapRect) {
    constexpr std::size_t kHeaderBytes = 32;
    const std::uint32_t headerSize = data.U32(0), count = data.U32(8);
    if (headerSize < kHeaderBytes || !data.Has(0, headerSize) || count > (data.Size() - headerSize) / 16) return false;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t at = headerSize + std::size_t{i} * 16;
        mapRect(RECT{data.I32(at), data.I32(at + 4), data.I32(at + 8), data.I32(at + 12)});
    }
    return true;
}

}  // namespace zelt::platform
