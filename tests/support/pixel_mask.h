// The per-pixel model of region algebra shared by the GDI-region and
// selection-region tests: a byte per pixel over a fixed canvas, seeded
// random shapes, and masks built from a predicate.
#pragma once

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "zelt/win32.h"

namespace zelt::test {

// Pixels of the canvas [originX, originX + width) x [originY, originY +
// height); records may lie partly outside (those pixels are counted in
// `outside`).
struct PixelMask {
    LONG originX = 0, originY = 0, width = 0, height = 0;
    std::vector<uint8_t> bits;
    long outside = 0;

    PixelMask() = default;
    PixelMask(LONG w, LONG h, LONG ox = 0, LONG oy = 0)
        : originX(ox), originY(oy), width(w), height(h), bits(size_t(w) * size_t(h), 0) {}

    bool Inside(LONG x, LONG y) const {
        return x >= originX && y >= originY && x < originX + width && y < originY + height;
    }
    bool Get(LONG x, LONG y) const { return Inside(x, y) && bits[Index(x, y)] != 0; }
    void Set(LONG x, LONG y, bool on = true) {
        if (Inside(x, y)) bits[Index(x, y)] = on ? 1 : 0;
    }
    long Count() const { return long(std::count(bits.begin(), bits.end(), uint8_t{1})); }
    bool operator==(const PixelMask &other) const {
        return originX == other.originX && originY == other.originY && width == other.width && height == other.height &&
               bits == other.bits;
    }

private:
    size_t Index(LONG x, LONG y) const { return size_t(y - originY) * size_t(width) + size_t(x - originX); }
};

// A random shape on a w x h canvas: a union of `pieces` rectangles and
// ellipses plus scattered single pixels, reproducible from `seed`.
inline PixelMask RandomShape(uint32_t seed, LONG w, LONG h, int pieces = 4, LONG ox = 0, LONG oy = 0) {
    std::mt19937 rng(seed);
    PixelMask mask(w, h, ox, oy);
    auto pick = [&](LONG n) { return LONG(rng() % uint32_t(n > 0 ? n : 1)); };
    for (int p = 0; p < pieces; ++p) {
        const LONG x0 = pick(w), y0 = pick(h);
        const LONG x1 = x0 + 1 + pick(w - x0), y1 = y0 + 1 + pick(h - y0);
        const bool ellipse = (rng() & 1) != 0;
        const double cx = (x0 + x1) / 2.0, cy = (y0 + y1) / 2.0, rx = (x1 - x0) / 2.0, ry = (y1 - y0) / 2.0;
        for (LONG y = y0; y < y1; ++y)
            for (LONG x = x0; x < x1; ++x) {
                const double dx = (x + 0.5 - cx) / rx, dy = (y + 0.5 - cy) / ry;
                if (!ellipse || dx * dx + dy * dy <= 1.0) mask.Set(x + ox, y + oy);
            }
    }
    const int specks = int(pick(w + h));
    for (int i = 0; i < specks; ++i) mask.Set(ox + pick(w), oy + pick(h), (rng() & 3) != 0);
    return mask;
}

// A mask on the given canvas whose pixel (x, y) is selected(x, y).
template <typename Selected>
PixelMask ModelOf(LONG w, LONG h, LONG ox, LONG oy, Selected selected) {
    PixelMask mask(w, h, ox, oy);
    for (LONG y = oy; y < oy + h; ++y)
        for (LONG x = ox; x < ox + w; ++x)
            if (selected(x, y)) mask.Set(x, y);
    return mask;
}

}  // namespace zelt::test
