// A slow model of halftoning written from the behaviour alone: the gray
// value of every stored pixel, the threshold the unturned and the turned
// screen lay on it, and the packed 1-bit rows that result. It reads raw
// pixels through bitmap_model.h and shares no code with the library.
#pragma once

#include <cstdint>
#include <vector>

#include "support/bitmap_model.h"

namespace zelt::test {

inline int ModelGray(int r, int g, int b) { return (5 * g + 2 * r + b + 4) >> 3; }

// Gray of stored pixel (x, y), or -1 for a layout without one.
inline int HalftoneGrayAt(const BitmapRecord &bitmap, const std::vector<RGBQUAD> &palette, int x, int y) {
    const BYTE *row = RowOf(bitmap, y);
    const int bits = bitmap.BitsPerPixel;
    if (bits <= 8) {
        const std::uint64_t index = ReadPixel(row, x, bits);
        if (index >= palette.size()) return 0;
        const RGBQUAD &c = palette[index];
        return ModelGray(c.rgbRed, c.rgbGreen, c.rgbBlue);
    }
    if (bits == 12 || (bits == 16 && bitmap.Order == 2)) {
        // 12 bits: two pixels in three bytes, read as little-endian words.
        const std::size_t k = bits == 12 ? std::size_t(x / 2) * 3 + std::size_t(x % 2) : std::size_t(x) * 2;
        const unsigned word = row[k] | unsigned(row[k + 1]) << 8;
        const unsigned sample = bits == 16 ? word : x % 2 == 0 ? word & 0xFFF : word >> 4;
        const bool levels = bitmap.LevelLut && bitmap.LevelLutLength > 0 && (bitmap.Flags & BITMAP_LEVEL_PROCESSING);
        std::uint32_t mask;
        int shift;
        const int count = Window(bits, levels ? bits : 8, bitmap.LowBit, bitmap.HighBit, &mask, &shift);
        const unsigned v = (sample >> shift) & mask;
        const RGBQUAD &c = levels ? bitmap.LevelLut[std::min<std::uint64_t>(v, bitmap.LevelLutLength - 1)] : RGBQUAD{};
        return levels ? ModelGray(c.rgbRed, c.rgbGreen, c.rgbBlue) : mask < 0xFF ? int(v << (8 - count)) : int(v);
    }
    if (bits == 16) {
        const unsigned word = row[2 * x] | unsigned(row[2 * x + 1]) << 8;
        auto widen = [&](int shift) { return int((word >> shift & 31) << 3 | (word >> shift & 31) >> 2); };
        return bitmap.Order == 1 ? ModelGray(widen(10), widen(5), widen(0)) : ModelGray(widen(0), widen(5), widen(10));
    }
    if (bits == 24 || bits == 32 || bits == 48 || bits == 64) {
        const int bytes = bits / 8, wide = bits >= 48 ? 2 : 1;
        const BYTE *p = row + std::size_t(x) * std::size_t(bytes);
        const int c0 = p[wide - 1], c1 = p[2 * wide - 1], c2 = p[3 * wide - 1];
        return bitmap.Order == 1 ? ModelGray(c2, c1, c0) : ModelGray(c0, c1, c2);
    }
    return -1;
}

// A position on the matrix: whole cells and a fraction (1/16384 cell) kept
// strictly inside (-16384, 16384) by carrying one cell at a time.
struct ModelCoordinate {
    long cell = 0, fraction = 0;
    void Step(long d) {
        fraction += d;
        if (fraction <= -16384) fraction += 16384, cell -= 1;
        else if (fraction >= 16384) fraction -= 16384, cell += 1;
    }
};

// The halftone as packed 1-bit rows (DWORD-aligned); `angle` null for the
// unturned screen.
inline std::vector<BYTE> ModelHalftone(const BitmapRecord &bitmap, const std::vector<RGBQUAD> &palette,
                                       const BYTE (*matrix)[8], const int *angle) {
    const std::size_t stride = RowBytes(bitmap.Width, 1);
    std::vector<BYTE> out(stride * std::size_t(bitmap.Height), 0);
    long c = 16384, s = 0;
    if (angle) {
        long long theta = (-static_cast<long long>(*angle)) % 36000;
        if (theta < 0) theta += 36000;
        const int p = bitmap.ViewPerspective;
        if (p == 1 || p == 2 || p == 5 || p == 7) theta = 36000 - theta;
        c = KrnCosFixed(LONG(theta));
        s = KrnSinFixed(LONG(theta));
    }
    ModelCoordinate i0, j0;
    for (int y = 0; y < bitmap.Height; ++y) {
        ModelCoordinate i = i0, j = j0;
        for (int x = 0; x < bitmap.Width; ++x) {
            const int t = angle ? matrix[j.cell & 7][i.cell & 7] : matrix[y & 7][x & 7];
            const int gray = HalftoneGrayAt(bitmap, palette, x, y);
            if (gray > t) out[std::size_t(y) * stride + std::size_t(x / 8)] |= BYTE(0x80 >> (x % 8));
            i.Step(c), j.Step(s);
        }
        i0.Step(-s), j0.Step(c);
    }
    return out;
}

}  // namespace zelt::test
