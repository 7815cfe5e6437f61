// Where each view perspective displays a stored pixel, written out from the
// perspective table independently of the kernel's own implementation.
#pragma once

namespace zelt::test {

struct Point {
    int x, y;
    bool operator==(const Point &) const = default;
};

inline bool ExchangesAxes(int perspective) {
    return perspective == 4 || perspective == 5 || perspective == 7 || perspective == 8;
}

// Where perspective p displays stored pixel (c, r) of a w x h image.
inline Point Displayed(int p, int w, int h, int c, int r) {
    switch (p) {
        case 1: return {w - 1 - c, r};
        case 2: return {c, h - 1 - r};
        case 3: return {w - 1 - c, h - 1 - r};
        case 4: return {h - 1 - r, c};
        case 5: return {r, c};
        case 7: return {h - 1 - r, w - 1 - c};
        case 8: return {r, w - 1 - c};
        default: return {c, r};
    }
}

}  // namespace zelt::test
