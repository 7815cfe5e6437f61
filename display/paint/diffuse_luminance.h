// 1-bit error diffusion with a paint table that never decreases: the table
// becomes one limit on 2R + 5G + B, so the per-pixel chain (error in -> /16
// -> add -> clamp -> luminance -> threshold -> error out) has no lookup.
// Every decision in the loop is arithmetic: a branch on the black/white
// outcome or on the sign of an error would be mispredicted about every
// other pixel.
//
// The three channels run side by side in general registers: on the cores
// this is tuned for, each vector operation costs two cycles of latency and
// the chain is a dozen operations long, so one SSE register holding the
// three channels loses to three scalar chains.
#pragma once

#include <algorithm>

#include "paint/row_converters_reduce.h"

namespace paint_reduce {

// The limit on 2R + 5G + B from which the 1-bit diffusion paints white
// (lut[(2R + 5G + B + 4) / 8] >= 128), or -1 when the table ever decreases.
// 2044 (no pixel reaches it) when no level is white.
inline int WhiteLuminanceLimit(const BYTE *lut) {
    for (int v = 1; v < 256; ++v)
        if (lut[v] < lut[v - 1]) return -1;
    const int firstWhite = static_cast<int>(std::upper_bound(lut, lut + 256, 127) - lut);
    return 8 * firstWhite - 4;
}

// Colour of a pixel's channel c after the previous pixel's error e and the
// row-above sum: c + (7 e + above) / 16 rounded toward zero, clamped (two
// conditional moves; a clamp table costs more, its load being on the chain).
inline int DiffusedChannel(int c, int e, int above) { return std::clamp(c + (7 * e + above) / 16, 0, 255); }

// The row loop. xStart, count and errors as DiffuseRow; whiteFrom is
// WhiteLuminanceLimit of the paint table (not -1).
template <typename Reader>
void DiffuseLuminanceRow(BYTE *dst, const Reader &reader, int whiteFrom, int xStart, int count, int *errors) {
    Pack1 out(dst);
    RowCarries carries;
    int er = 0, eg = 0, eb = 0;  // the previous pixel's errors (none before the first)
    int *slot = errors;
    for (int k = 0; k < count; ++k, slot += 3) {
        const paint_pixels::Rgb c = reader.At(xStart + k);
        // Slot k is read before slot k - 1 is written.
        const int r = DiffusedChannel(c.red, er, slot[0]), g = DiffusedChannel(c.green, eg, slot[1]),
                  b = DiffusedChannel(c.blue, eb, slot[2]);
        // All ones when white; a mask rather than a branch, which would be
        // mispredicted about every other pixel.
        const int white = (whiteFrom - 1 - (2 * r + 5 * g + b)) >> 31;
        er = r - (white & 255);
        eg = g - (white & 255);
        eb = b - (white & 255);
        carries.Take(k, slot, er, eg, eb);
        out.Put(static_cast<unsigned>(white) & 1u);
    }
    carries.Finish(slot - 3);
    out.Finish();
}

}  // namespace paint_reduce
