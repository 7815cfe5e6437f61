// Internal pieces of halftoning: the per-depth readers that turn a stored
// row into one gray byte per pixel, and the threshold screens (unrotated and
// turned by a screen angle) that turn a gray row into packed 1-bit pixels.
#pragma once

#include "zelt/display.h"

namespace halftone {

// What a reader needs besides the row, worked out once per bitmap.
struct GrayContext {
    BYTE paletteGray[256] = {};        // gray of each palette entry (depth 8 or less)
    DWORD windowMask = 0;              // deep gray: (sample >> windowShift) & windowMask
    int windowShift = 0;
    int windowRaise = 0;               // deep gray without levels: left shift up to 8 bits
    const RGBQUAD *levels = nullptr;   // deep gray through the level table, or null
    DWORD lastLevel = 0;               // largest valid index into levels
};

// gray = (5 G + 2 R + B + 4) / 8, weights 5/8, 2/8, 1/8 rounded.
constexpr BYTE GrayOf(unsigned red, unsigned green, unsigned blue) {
    return static_cast<BYTE>((5 * green + 2 * red + blue + 4) >> 3);
}

// Writes gray[0 .. width) from `row`.
using GrayRowReader = void (*)(BYTE *gray, const BYTE *row, int width, const GrayContext &context);

// The reader for the bitmap's depth and Order, or null for a depth that has
// no gray value (its rows stay 0).
GrayRowReader SelectGrayRowReader(int bitsPerPixel, int order);

// Fills the context for `bitmap`: the palette grays from `colors`
// (colorCount entries) at 8 bits or less, the deep gray window otherwise.
void PrepareGrayContext(const BitmapRecord &bitmap, const RGBQUAD *colors, int colorCount, GrayContext &context);

// A matrix coordinate as a whole cell plus a fraction in 1/16384 of a cell,
// the fraction kept strictly between -16384 and 16384.
struct ScreenCoordinate {
    LONG cell = 0;
    LONG fraction = 0;
    void Add(LONG delta) {
        fraction += delta;
        if (fraction <= -16384) {
            fraction += 16384;
            --cell;
        } else if (fraction >= 16384) {
            fraction -= 16384;
            ++cell;
        }
    }
};

// The threshold screen laid over the image, walked row by row from the top.
class Screen {
public:
    // Unrotated: threshold matrix[y & 7][x & 7].
    explicit Screen(const BYTE (*matrix)[8]) : matrix_(matrix) {}
    // Turned: one pixel step moves the matrix position by (cosine, sine)
    // cells along (column, row), one row step by (-sine, cosine); both are
    // 16384 = one cell.
    Screen(const BYTE (*matrix)[8], LONG cosine, LONG sine)
        : matrix_(matrix), rotated_(true), cosine_(cosine), sine_(sine) {}

    // Packs row `y` (the rows must come in order from 0): bit set when the
    // gray value is strictly above its threshold, most significant bit
    // first; the bits past `width` in the last byte are 0.
    void DecideRow(const BYTE *gray, BYTE *out, int width, int y);

private:
    const BYTE (*matrix_)[8];
    bool rotated_ = false;
    LONG cosine_ = 16384;
    LONG sine_ = 0;
    ScreenCoordinate columnStart_;
    ScreenCoordinate rowStart_;
};

// The screen angle in hundredths of a degree as the turn applied to the
// matrix: the negated angle reduced to 0 .. 35999, mirrored (36000 - a) for
// view perspectives that mirror the picture (1, 2, 5, 7).
LONG ScreenTurn(int angle, LONG viewPerspective);

}  // namespace halftone
