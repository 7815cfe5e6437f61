// Per-depth pixel access: one table entry per stored pixel layout, with the
// functions that read and write single pixels and convert whole runs to and
// from 24-bit rows. Callers pick an entry once per row and call through it,
// so no loop switches on the depth.
#pragma once

#include <cstdint>

#include "zelt/kernel.h"

namespace zelt::kernel {

// Pixels per fetch unit of a packed row: a row buffer that starts at a
// column rounded down to a multiple of this starts on a byte boundary.
constexpr int FetchUnit(int bits) {
    switch (bits) {
        case 1: case 3: case 5: case 7: return 8;
        case 2: case 6: return 4;
        case 4: case 12: return 2;
        default: return 1;
    }
}

// What the run converters need besides the pixels. Built once per row.
struct UnpackTables {
    // Indexed depths: 2^bits entries (padded with black). Deep gray: the
    // colour of each windowed value, `colorCount` entries; values beyond
    // give black.
    const RGBQUAD *colors = nullptr;
    int colorCount = 0;
    DWORD mask = 0;  // deep gray: (sample >> shift) & mask is the value
    int shift = 0;
    int redAt = 2;   // byte of red in each 24-bit output pixel (0 or 2)
};

struct PackTables {
    const RGBQUAD *colors = nullptr;  // indexed depths: the candidates
    int colorCount = 0;
    DWORD mask = 0;  // deep gray: the window the luminance is scaled into
    int shift = 0;
    int redAt = 2;   // byte of red in each 24-bit input pixel (0 or 2)
};

struct PixelFormat {
    int bitsPerPixel;
    bool indexed;
    bool gray;
    // Raw stored value of pixel x: an index, a sample, or the pixel's bytes
    // read as a little-endian number.
    std::uint64_t (*readPixel)(const BYTE *row, int x);
    void (*writePixel)(BYTE *row, int x, std::uint64_t value);
    // `count` pixels of `src` to 24-bit pixels in `dst`. dst may equal src
    // when the buffer holds the 24-bit row.
    void (*unpackTo24)(BYTE *dst, const BYTE *src, int count, const UnpackTables &tables);
    // `count` 24-bit pixels of `src` to this layout in `dst`; dst may equal src.
    void (*packFrom24)(BYTE *dst, const BYTE *src, int count, const PackTables &tables);
};

// The layout of `bitsPerPixel` with `order` (2 marks 16-bit gray; `gray`
// forces gray for 16 bits too); nullptr for unsupported depths.
const PixelFormat *FindPixelFormat(int bitsPerPixel, int order, bool gray = false);

// The layout a record's pixels have.
inline const PixelFormat *FormatOf(const BitmapRecord *bitmap) {
    return FindPixelFormat(bitmap->BitsPerPixel, bitmap->Order);
}

// Windowed gray value v (0..mask) scaled to 0..255.
inline BYTE ScaleWindowedLevel(DWORD value, DWORD mask) {
    if (mask == 0) return 0;
    if (mask == 255) return static_cast<BYTE>(value);
    return static_cast<BYTE>((static_cast<std::uint64_t>(value) * 255u) / mask);
}

// Fills `levels` (mask + 1 entries, mask <= 255) with the gray ramp that the
// converters use for windowed samples without a level table.
void FillWindowedGrayRamp(RGBQUAD *levels, DWORD mask);

}  // namespace zelt::kernel
