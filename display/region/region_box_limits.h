// The largest bounding box the row builder can take: its row bytes and row
// table sizes are 32-bit, so boxes whose width or height reach 2^28 (which
// only arise from wrapped or absurd coordinates) are refused as out of
// memory before the builder's size arithmetic could overflow.
#pragma once

#include <cstdint>

#include "region/region_internal.h"

namespace zelt::region {

inline bool BoxFitsBuilder(const RECT &box) {
    constexpr int64_t kLimit = int64_t(1) << 28;
    return int64_t(box.right) - box.left < kLimit && int64_t(box.bottom) - box.top < kLimit;
}

}  // namespace zelt::region
