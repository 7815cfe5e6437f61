#include "color_match.h"

#include <algorithm>
#include <cstring>

namespace krn_reduce {

namespace {
constexpr int kCells = 32 * 32 * 32;
}

ColorMatcher::~ColorMatcher() {
    KrnFreeMem(cells_);
    KrnFreeMem(pool_);
}

bool ColorMatcher::Init(const RGBQUAD *colors, int count, bool weighted) {
    count_ = std::clamp(count, 1, 256);
    std::memcpy(colors_, colors, sizeof(RGBQUAD) * static_cast<std::size_t>(count_));
    if (weighted) {
        weights_[0] = 3;
        weights_[1] = 4;
        weights_[2] = 2;
    }
    cells_ = static_cast<std::uint32_t *>(KrnAllocZeroed(kCells * sizeof(std::uint32_t)));
    return cells_ != nullptr;
}

std::uint32_t ColorMatcher::BuildCell(int cell) {
    const int lo[3] = {(cell >> 10) << 3, ((cell >> 5) & 31) << 3, (cell & 31) << 3};
    // Least and greatest weighted distance of each entry to the cell box.
    long bound = -1;
    long least[256];
    for (int i = 0; i < count_; ++i) {
        const int value[3] = {colors_[i].rgbRed, colors_[i].rgbGreen, colors_[i].rgbBlue};
        long nearest = 0, farthest = 0;
        for (int c = 0; c < 3; ++c) {
            const int hi = lo[c] + 7;
            const long inside = value[c] < lo[c] ? lo[c] - value[c] : (value[c] > hi ? value[c] - hi : 0);
            const long farEdge = std::max(std::abs(value[c] - lo[c]), std::abs(value[c] - hi));
            nearest += weights_[c] * inside * inside;
            farthest += weights_[c] * farEdge * farEdge;
        }
        least[i] = nearest;
        if (bound < 0 || farthest < bound) bound = farthest;
    }
    int found = 0;
    for (int i = 0; i < count_; ++i) found += least[i] <= bound;
    if (poolUsed_ + static_cast<std::uint32_t>(found) > poolSize_) {
        const std::uint32_t size = std::max<std::uint32_t>(4096, 2 * (poolUsed_ + static_cast<std::uint32_t>(found)));
        void *grown = KrnReallocMem(pool_, size);
        if (grown == nullptr) return 0;
        pool_ = static_cast<BYTE *>(grown);
        poolSize_ = size;
    }
    const std::uint32_t offset = poolUsed_;
    for (int i = 0; i < count_; ++i)
        if (least[i] <= bound) pool_[poolUsed_++] = static_cast<BYTE>(i);
    cells_[cell] = (offset << 9) | static_cast<std::uint32_t>(found);
    return cells_[cell];
}

}  // namespace krn_reduce
