// Per-format pixel primitives. Each surface format has one const table of
// functions, generated from templates and chosen once when the surface is
// set up, so nothing below asks for the depth of a pixel again.
#pragma once

#include <cstdint>

#include "zelt/win32.h"

namespace zelt::platform {

struct Surface;

// The pixel layouts a surface can have. Mono is a 1-bpp device-dependent
// bitmap: black and white and no colour table of its own.
enum class PixelFormatId : std::uint8_t { Mono, Index1, Index4, Index8, Rgb555, Rgb565, Bgr24, Bgrx32 };

struct PixelFormatOps {
    PixelFormatId id;
    int bitsPixel;
    bool indexed;  // the raw value is a colour-table index

    // Raw pixel values (an index, a 16-bit WORD, 0xRRGGBB or the whole DWORD).
    DWORD (*getRaw)(const BYTE *row, int x);
    void (*setRaw)(BYTE *row, int x, DWORD raw);
    // Writes `raw` into [x, x + count) of a row.
    void (*fillSpan)(BYTE *row, int x, int count, DWORD raw);
    // Copies `count` pixels of the same format between rows (overlap allowed
    // only when dst and src are different rows).
    void (*copySpan)(BYTE *dst, int dx, const BYTE *src, int sx, int count);
    // Raw values of [x, x + count) as DWORDs, and back.
    void (*readRawSpan)(const BYTE *row, int x, int count, DWORD *out);
    void (*writeRawSpan)(BYTE *row, int x, int count, const DWORD *in);

    // The colour of a raw value (COLORREF order), and the raw value that
    // stores a colour: nearest table entry for indexed formats, truncation
    // to 5 (or 6) bits per channel for 16 bpp, exact above.
    COLORREF (*colorOf)(const Surface &surface, DWORD raw);
    DWORD (*rawOf)(const Surface &surface, COLORREF colour);
};

// The table of a format.
const PixelFormatOps &FormatOps(PixelFormatId id) noexcept;

// Index of the entry nearest to a colour: smallest squared RGB distance,
// the lowest index on ties. Works on colour tables and palette entries
// alike through the channel members. `count` is at least 1.
template <class Entry>
int NearestEntryIndex(const Entry *entries, int count, COLORREF colour, BYTE Entry::*red, BYTE Entry::*green,
                      BYTE Entry::*blue) noexcept {
    const int r = GetRValue(colour), g = GetGValue(colour), b = GetBValue(colour);
    int best = 0;
    int bestDistance = 0x7FFFFFFF;
    for (int i = 0; i < count; ++i) {
        const int dr = entries[i].*red - r, dg = entries[i].*green - g, db = entries[i].*blue - b;
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
            if (distance == 0) break;
        }
    }
    return best;
}

// NearestEntryIndex over a colour table.
int NearestIndex(const RGBQUAD *table, int count, COLORREF colour) noexcept;

// 16-bit channel expansion: a 5-bit field v reads as (v << 3) | (v >> 2).
constexpr BYTE Expand5(DWORD v) noexcept { return static_cast<BYTE>((v << 3) | (v >> 2)); }
constexpr BYTE Expand6(DWORD v) noexcept { return static_cast<BYTE>((v << 2) | (v >> 4)); }

constexpr COLORREF ColorFromQuad(const RGBQUAD &q) noexcept { return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue); }
constexpr RGBQUAD QuadFromColor(COLORREF c) noexcept {
    return RGBQUAD{GetBValue(c), GetGValue(c), GetRValue(c), 0};
}

}  // namespace zelt::platform
