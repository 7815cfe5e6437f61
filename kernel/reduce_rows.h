// The per-pixel loops of the colour reduction service, one instance per way
// of finding a palette entry, chosen once per reduction. A row's source
// pixels are found through a column table (byte offsets into the 24-bit
// row, blue first), its palette indices go out one byte each.
#pragma once

#include <cstdint>

#include "color_match.h"
#include "reduce_levels.h"

namespace krn_reduce {

inline int Clamp255(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

// A quantizer takes red, green and blue values anywhere in kLevelLow ..
// kLevelHigh, clamps them to 0..255, and returns the nearest entry's index
// (or -1 when the search runs out of memory) and the error left per
// channel (clamped value minus the entry's value).

// Palettes that are products of channel levels: three table reads. The
// loops take quantizers by value, so that their pointers stay in registers
// across the stores of the byte rows.
struct LevelQuantizer {
    const ChannelLevels *levels;
    int operator()(int red, int green, int blue, int error[3]) const {
        const std::int32_t r = levels->Entry(0, red), g = levels->Entry(1, green), b = levels->Entry(2, blue);
        error[0] = r >> 8;
        error[1] = g >> 8;
        error[2] = b >> 8;
        return (r & 255) + (g & 255) + (b & 255);
    }
};

// Two colours: a linear test.
struct TwoColorQuantizer {
    const TwoColorSplit *split;
    const ColorMatcher *matcher;
    int operator()(int red, int green, int blue, int error[3]) const {
        const int index = split->Pick(red, green, blue);
        const RGBQUAD &c = matcher->Color(index);
        error[0] = Clamp255(red) - c.rgbRed;
        error[1] = Clamp255(green) - c.rgbGreen;
        error[2] = Clamp255(blue) - c.rgbBlue;
        return index;
    }
};

// Any palette: the cell search.
struct SearchQuantizer {
    ColorMatcher *matcher;
    int operator()(int red, int green, int blue, int error[3]) const {
        red = Clamp255(red), green = Clamp255(green), blue = Clamp255(blue);
        const int index = matcher->Nearest(red, green, blue);
        if (index < 0) return index;
        const RGBQUAD &c = matcher->Color(index);
        error[0] = red - c.rgbRed;
        error[1] = green - c.rgbGreen;
        error[2] = blue - c.rgbBlue;
        return index;
    }
};

// Ordered dither: the pixel plus its cell's offset (`offsets` is the
// matrix row, `phase` the matrix column of the first pixel).
template <class Quantize>
bool OrderedRow(const Quantize quantize, const BYTE *rgb, const std::uint32_t *columns, int count,
                const int *offsets, int phase, BYTE *indices) {
    for (int k = 0; k < count; ++k) {
        const BYTE *p = rgb + columns[k];
        const int o = offsets[(phase + k) & 7];
        int error[3];
        const int index = quantize(p[2] + o, p[1] + o, p[0] + o, error);
        if (index < 0) return false;
        indices[k] = static_cast<BYTE>(index);
    }
    return true;
}

// Floyd-Steinberg diffusion (7 ahead; 3, 5, 1 below), errors times 16.
// `errors` holds slots 0 .. count + 1 of red, green, blue; pixel k is slot
// k + 1. On entry slots 1 .. count hold this row's errors, on return the
// next row's: slot s is rewritten once pixel s has used it and no later
// pixel adds to it, so one row of slots serves both rows. The error carried ahead
// and the two slots still being summed below stay in registers.
template <class Quantize>
bool DiffuseRow(const Quantize quantize, const BYTE *rgb, const std::uint32_t *columns, int count, bool backwards,
                int *errors, BYTE *indices) {
    const int dx = backwards ? -1 : 1;
    int slot = backwards ? count : 1;
    // Next row's sums still open: belowHere for this slot, belowNext for the one ahead.
    int ahead[3] = {}, belowHere[3] = {}, belowNext[3] = {};
    for (int n = 0; n < count; ++n, slot += dx) {
        const BYTE *p = rgb + columns[slot - 1];
        int *e = errors + 3 * slot;
        int error[3];
        const int index =
            quantize(p[2] + (e[0] + ahead[0]) / 16, p[1] + (e[1] + ahead[1]) / 16, p[0] + (e[2] + ahead[2]) / 16, error);
        if (index < 0) return false;
        indices[slot - 1] = static_cast<BYTE>(index);
        int *behind = e - 3 * dx;
        for (int c = 0; c < 3; ++c) {
            behind[c] = belowHere[c] + 3 * error[c];
            belowHere[c] = belowNext[c] + 5 * error[c];
            belowNext[c] = error[c];
            ahead[c] = 7 * error[c];
        }
    }
    // The last pixel's own slot (the slot past it is never read).
    for (int c = 0; c < 3; ++c) errors[3 * (slot - dx) + c] = belowHere[c];
    return true;
}

}  // namespace krn_reduce
