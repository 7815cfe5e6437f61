// A slow, per-pixel model of the row converters, written from the
// converter rules directly (bit-by-bit pixel reads, literal error-diffusion
// steps, palettes built entry by entry) to check the table-driven ones.
#pragma once

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "zelt/kernel.h"

namespace converter_oracle {

struct Color {
    int r, g, b;
};

// Bits [bit, bit + count) of a row read as a big-endian bit stream.
inline unsigned BigEndianBits(const BYTE *row, size_t bit, int count) {
    unsigned v = 0;
    for (int i = 0; i < count; ++i) v = (v << 1) | ((row[(bit + i) / 8] >> (7 - (bit + i) % 8)) & 1u);
    return v;
}

inline unsigned Word16(const BYTE *p) { return p[0] | (p[1] << 8); }

// The raw deep-gray sample of pixel x (12 bits packed, or 16 bits).
inline unsigned GraySample(const BYTE *row, int bits, int x) {
    if (bits == 12) {
        const unsigned word = Word16(row + (3 * static_cast<size_t>(x)) / 2);
        return x % 2 == 0 ? word & 0xFFF : word >> 4;
    }
    return Word16(row + 2 * static_cast<size_t>(x));
}

inline int Widen(unsigned f) { return static_cast<int>(f * 8 + f / 4); }

// Colour of source pixel x as the reducing converters see it.
inline Color Decode(const BitmapRecord &bm, const BYTE *row, int x, const RGBQUAD *palette) {
    const int bits = bm.BitsPerPixel;
    if (bits <= 8) {
        const RGBQUAD &e = palette[BigEndianBits(row, static_cast<size_t>(x) * bits, bits)];
        return {e.rgbRed, e.rgbGreen, e.rgbBlue};
    }
    if (bits == 12 || (bits == 16 && bm.Order == 2)) {
        DWORD mask = 0;
        int shift = 0;
        const int n = KrnGetBitWindow(bits, bm.LevelLut ? bits : 8, bm.PaintLowBit, bm.PaintHighBit, &mask, &shift);
        unsigned v = (GraySample(row, bits, x) >> shift) & mask;
        if (bm.LevelLut) {
            const RGBQUAD &e = bm.LevelLut[v];
            return {e.rgbRed, e.rgbGreen, e.rgbBlue};
        }
        if (n < 8) v <<= 8 - n;
        return {static_cast<int>(v), static_cast<int>(v), static_cast<int>(v)};
    }
    int first, middle, last;
    if (bits == 16) {
        const unsigned w = Word16(row + 2 * static_cast<size_t>(x));
        first = Widen(w & 31), middle = Widen((w >> 5) & 31), last = Widen((w >> 10) & 31);
    } else {
        const int bytes = bits / 8;
        const BYTE *p = row + static_cast<size_t>(x) * bytes;
        if (bits >= 48)
            first = p[1], middle = p[3], last = p[5];
        else
            first = p[0], middle = p[1], last = p[2];
    }
    return bm.Order == 1 ? Color{last, middle, first} : Color{first, middle, last};
}

// The device palettes, entry by entry.
inline std::vector<Color> DevicePalette(int deviceBits, bool cube) {
    std::vector<Color> p;
    if (deviceBits == 1) return {{0, 0, 0}, {255, 255, 255}};
    if (deviceBits == 4) {
        return {{0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0}, {0, 0, 128},   {128, 0, 128},
                {0, 128, 128},   {128, 128, 128}, {192, 192, 192}, {255, 0, 0}, {0, 255, 0}, {255, 255, 0},
                {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
    }
    for (int i = 0; i < 256; ++i) {
        if (cube) {
            const int q[6] = {0, 51, 102, 153, 204, 255};
            p.push_back(i < 216 ? Color{q[i / 36], q[(i / 6) % 6], q[i % 6]} : Color{0, 0, 0});
        } else {
            const int ramp[8] = {0, 36, 73, 109, 146, 182, 219, 255};
            const int blues[4] = {0, 85, 170, 255};
            p.push_back({ramp[i >> 5], ramp[(i >> 2) & 7], blues[i & 3]});
        }
    }
    return p;
}

inline int Clamp(int v) { return v >= 255 ? 255 : v <= 0 ? 0 : v; }

inline int IndexOf(int deviceBits, bool cube, int r, int g, int b) {
    if (deviceBits == 4) {
        const int on = (r >= 128) + 2 * (g >= 128) + 4 * (b >= 128);
        return on == 0 ? 0 : 8 + on;
    }
    if (cube) return (r / 51 * 6 + g / 51) * 6 + b / 51;
    return (r & 0xE0) | ((g & 0xE0) >> 3) | (b >> 6);
}

// Writes index into pixel k of a packed row.
inline void PutIndex(std::vector<BYTE> &dst, int deviceBits, int k, unsigned index) {
    if (deviceBits == 8) {
        dst[k] = static_cast<BYTE>(index);
    } else if (deviceBits == 4) {
        const int shift = k % 2 == 0 ? 4 : 0;
        dst[k / 2] = static_cast<BYTE>((dst[k / 2] & ~(0xF << shift)) | (index << shift));
    } else {
        const int shift = 7 - k % 8;
        dst[k / 8] = static_cast<BYTE>((dst[k / 8] & ~(1 << shift)) | (index << shift));
    }
}

struct Mode {
    bool cube = false;         // DISP_FIXED_PALETTE
    bool clustered = false;    // DISP_DITHER_ALT
};

// Error diffusion over pixels [xStart, xEnd), errors slot 0 = pixel xStart.
inline void Diffuse(std::vector<BYTE> &dst, const BitmapRecord &bm, const BYTE *src, int xStart, int xEnd,
                    int *errors, const RGBQUAD *palette, int deviceBits, Mode mode) {
    const BYTE *L = bm.PaintLut;
    const std::vector<Color> device = DevicePalette(deviceBits, mode.cube);
    const int n = xEnd - xStart;
    int pending[3] = {0, 0, 0};
    for (int k = 0; k < n; ++k) {
        const Color c = Decode(bm, src, xStart + k, palette);
        int *slot = errors + 3 * k;
        const int *e = k == 0 ? slot : pending;
        const int r = Clamp(c.r + e[0] / 16), g = Clamp(c.g + e[1] / 16), b = Clamp(c.b + e[2] / 16);
        int index;
        int d[3];
        if (deviceBits == 1) {
            const int gray = (2 * r + 5 * g + b + 4) >> 3;
            index = L[gray] >= 128 ? 1 : 0;
            const Color p = device[index];
            d[0] = r - p.r, d[1] = g - p.g, d[2] = b - p.b;
        } else {
            index = IndexOf(deviceBits, mode.cube, L[r], L[g], L[b]);
            const Color p = device[index];
            d[0] = L[r] - p.r, d[1] = L[g] - p.g, d[2] = L[b] - p.b;
        }
        for (int ch = 0; ch < 3; ++ch) {
            if (k == 0) {
                slot[ch] = 5 * d[ch];
            } else {
                slot[ch] += 5 * d[ch];
                slot[ch - 3] += 3 * d[ch];
            }
            if (k != n - 1) {
                pending[ch] = 7 * d[ch] + slot[ch + 3];
                slot[ch + 3] = d[ch];
            }
        }
        PutIndex(dst, deviceBits, k, static_cast<unsigned>(index));
    }
}

inline void Dither(std::vector<BYTE> &dst, const BitmapRecord &bm, const BYTE *src, int xStart, int xEnd, int phaseX,
                   int phaseY, const RGBQUAD *palette, int deviceBits, Mode mode, const BYTE (&cluster)[8][8],
                   const BYTE (&disperse)[8][8]) {
    const BYTE *L = bm.PaintLut;
    for (int k = 0; k < xEnd - xStart; ++k) {
        const Color c = Decode(bm, src, xStart + k, palette);
        const int row = ((phaseY % 8) + 8) % 8, column = (((phaseX + k) % 8) + 8) % 8;
        int index;
        if (deviceBits == 1) {
            const int t = (mode.clustered ? cluster : disperse)[row][column];
            index = t < L[(2 * c.r + 5 * c.g + c.b + 4) >> 3] ? 1 : 0;
        } else if (deviceBits == 4) {
            const int t = disperse[row][column];
            const int on = (t < L[c.r]) + 2 * (t < L[c.g]) + 4 * (t < L[c.b]);
            index = on == 0 ? 0 : 8 + on;
        } else {
            const int t = disperse[row][column];
            const int o = mode.cube ? t / 6 - 21 : (t >> 3) - 16;
            index = IndexOf(8, mode.cube, L[Clamp(c.r + o)], L[Clamp(c.g + o)], L[Clamp(c.b + o)]);
        }
        PutIndex(dst, deviceBits, k, static_cast<unsigned>(index));
    }
}

}  // namespace converter_oracle
