// Exact nearest-colour search for the colour reduction: the RGB cube is cut
// into 32 x 32 x 32 cells and each cell, when first touched, gets the list
// of palette entries that can be nearest to some colour inside it (an entry
// whose least distance to the cell is above the smallest greatest distance
// of any entry can never win). A lookup then compares a handful of entries
// instead of the whole palette, and still answers exactly.
#pragma once

#include <cstdint>

#include "zelt/kernel.h"

namespace krn_reduce {

class ColorMatcher {
public:
    ColorMatcher() = default;
    ColorMatcher(const ColorMatcher &) = delete;
    ColorMatcher &operator=(const ColorMatcher &) = delete;
    ~ColorMatcher();

    // False when the cell table cannot be allocated.
    bool Init(const RGBQUAD *colors, int count, bool weighted);

    // Index of the nearest colour (weighted squared distance, first wins),
    // or -1 when a cell's list cannot be allocated.
    int Nearest(int red, int green, int blue) {
        const int cell = ((red >> 3) << 10) | ((green >> 3) << 5) | (blue >> 3);
        std::uint32_t entry = cells_[cell];
        if (entry == 0) {
            entry = BuildCell(cell);
            if (entry == 0) return -1;
        }
        const BYTE *candidate = pool_ + (entry >> 9);
        const int count = static_cast<int>(entry & 0x1FF);
        if (count == 1) return candidate[0];
        int best = candidate[0];
        long bestDistance = Distance(best, red, green, blue);
        for (int k = 1; k < count; ++k) {
            const long d = Distance(candidate[k], red, green, blue);
            if (d < bestDistance) {
                bestDistance = d;
                best = candidate[k];
            }
        }
        return best;
    }

    const RGBQUAD &Color(int index) const { return colors_[index]; }

private:
    long Distance(int index, int red, int green, int blue) const {
        const RGBQUAD &c = colors_[index];
        const long dr = c.rgbRed - red, dg = c.rgbGreen - green, db = c.rgbBlue - blue;
        return weights_[0] * dr * dr + weights_[1] * dg * dg + weights_[2] * db * db;
    }
    std::uint32_t BuildCell(int cell);

    RGBQUAD colors_[256] = {};
    int count_ = 0;
    long weights_[3] = {1, 1, 1};
    std::uint32_t *cells_ = nullptr;  // (pool offset << 9) | count; 0 = not built
    BYTE *pool_ = nullptr;
    std::uint32_t poolUsed_ = 1;      // offset 0 stays unused so no entry is 0
    std::uint32_t poolSize_ = 0;
};

}  // namespace krn_reduce
