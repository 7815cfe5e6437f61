// A flood fill over a grid of colours, as simple as it can be: the
// 4-connected cells around a seed whose red, green and blue each lie within
// `tolerance` of the seed cell's, found breadth first.
#pragma once

#include <cstdlib>
#include <deque>
#include <vector>

#include "support/pixel_mask.h"

namespace zelt::test {

struct ColourGrid {
    LONG width = 0, height = 0;
    std::vector<COLORREF> colours;  // row by row

    COLORREF At(LONG x, LONG y) const { return colours[size_t(y) * size_t(width) + size_t(x)]; }
};

inline bool WithinTolerance(COLORREF a, COLORREF b, int tolerance) {
    return std::abs(int(GetRValue(a)) - int(GetRValue(b))) <= tolerance &&
           std::abs(int(GetGValue(a)) - int(GetGValue(b))) <= tolerance &&
           std::abs(int(GetBValue(a)) - int(GetBValue(b))) <= tolerance;
}

inline PixelMask FloodOfColours(const ColourGrid &grid, LONG seedX, LONG seedY, int tolerance) {
    const COLORREF seed = grid.At(seedX, seedY);
    PixelMask selected(grid.width, grid.height);
    std::deque<POINT> queue{POINT{seedX, seedY}};
    selected.Set(seedX, seedY);
    while (!queue.empty()) {
        const POINT p = queue.front();
        queue.pop_front();
        for (const POINT n : {POINT{p.x - 1, p.y}, POINT{p.x + 1, p.y}, POINT{p.x, p.y - 1}, POINT{p.x, p.y + 1}}) {
            if (!selected.Inside(n.x, n.y) || selected.Get(n.x, n.y) || !WithinTolerance(grid.At(n.x, n.y), seed, tolerance))
                continue;
            selected.Set(n.x, n.y);
            queue.push_back(n);
        }
    }
    return selected;
}

}  // namespace zelt::test
