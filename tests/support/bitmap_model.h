// The per-pixel model of the kernel's bitmap records, written bit by bit from
// the documented row layouts and independent of the kernel's code: the raw
// value of a pixel of every stored layout, the colour it stands for, the value
// a colour is stored as, and seeded random images and palettes.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "zelt/kernel.h"

namespace zelt::test {

// One stored layout: a depth and an Order (2 marks 16-bit gray).
struct Layout {
    int bits;
    int order;
    bool Gray() const { return bits == 12 || (bits == 16 && order == 2); }
    bool Indexed() const { return bits <= 8; }
    std::string Name() const { return std::to_string(bits) + " bits, order " + std::to_string(order); }
};

// Every layout a record can have, once per Order that changes the pixels.
inline std::vector<Layout> AllLayouts() {
    std::vector<Layout> all = {{12, 2}, {16, 0}, {16, 1}, {16, 2}};
    for (int bits = 1; bits <= 8; ++bits) all.push_back({bits, 0});
    for (int bits : {24, 32, 48, 64}) all.insert(all.end(), {{bits, 0}, {bits, 1}});
    return all;
}

inline std::size_t RowBytes(int width, int bits) { return std::size_t((std::int64_t(width) * bits + 31) / 32 * 4); }

inline const BYTE *RowOf(const BitmapRecord &bitmap, int row) {
    return static_cast<const BYTE *>(bitmap.Data) + std::size_t(row) * std::size_t(bitmap.BytesPerLine);
}

// Bit i (0 = most significant) of pixel x up to 8 bits: bit x * bits + i of the
// row read as a big-endian bit stream; at 12 bits the stream is little-endian.
inline std::uint64_t BitAddress(int x, int bits, int i) { return std::uint64_t(x) * bits + (bits == 12 ? 11 - i : i); }
inline unsigned BitShift(std::uint64_t k, int bits) { return bits == 12 ? k % 8 : 7 - k % 8; }

// Raw value of pixel x: the index or sample, or the pixel's bytes as a little-endian number.
inline std::uint64_t ReadPixel(const BYTE *row, int x, int bits) {
    std::uint64_t value = 0;
    for (int i = 0; i < bits && (bits <= 8 || bits == 12); ++i) {
        const std::uint64_t k = BitAddress(x, bits, i);
        value = value << 1 | ((row[k / 8] >> BitShift(k, bits)) & 1u);
    }
    for (int i = bits / 8 - 1; i >= 0 && bits > 8 && bits != 12; --i)
        value = value << 8 | row[std::size_t(x) * (bits / 8) + i];
    return value;
}

inline void WritePixel(BYTE *row, int x, int bits, std::uint64_t value) {
    for (int i = 0; i < bits && (bits <= 8 || bits == 12); ++i) {
        const std::uint64_t k = BitAddress(x, bits, i);
        const BYTE mask = BYTE(1u << BitShift(k, bits));
        row[k / 8] = BYTE((value >> (bits - 1 - i)) & 1u ? row[k / 8] | mask : row[k / 8] & ~mask);
    }
    for (int i = 0; i < bits / 8 && bits > 8 && bits != 12; ++i)
        row[std::size_t(x) * (bits / 8) + i] = BYTE(value >> (8 * i));
}

struct Rgb {
    int r = 0, g = 0, b = 0;
    bool operator==(const Rgb &) const = default;
};
inline std::ostream &operator<<(std::ostream &out, const Rgb &c) {
    return out << "(" << c.r << "," << c.g << "," << c.b << ")";
}
inline Rgb ToRgb(const RGBQUAD &q) { return {q.rgbRed, q.rgbGreen, q.rgbBlue}; }
inline Rgb ToRgb(COLORREF c) { return {GetRValue(c), GetGValue(c), GetBValue(c)}; }
inline int Luminance(const Rgb &c) { return (299 * c.r + 587 * c.g + 114 * c.b) / 1000; }

// How deep gray samples become colours: the top 8 bits, or the window
// lowBit..highBit (at most 8 bits wide, or the whole sample into a level table).
struct GrayDecoding {
    bool window = false;
    int lowBit = 0, highBit = 0;
    const RGBQUAD *levels = nullptr;
    int levelCount = 0;
};

// The window clipped to the sample and to its top maxBits bits; returns its width.
inline int Window(int bits, int maxBits, int low, int high, std::uint32_t *mask, int *shift) {
    low = std::max(low, 0), high = std::min(high, bits - 1);
    int n = high >= low && maxBits > 0 ? high - low + 1 : 0;
    if (n > maxBits && n > 0) low = high - maxBits + 1, n = maxBits;
    *mask = n >= 32 ? 0xFFFFFFFFu : (1u << n) - 1;
    *shift = n > 0 ? low : 0;
    return n;
}

// Colour of pixel x of a row of the given layout.
inline Rgb PixelColor(const BYTE *row, int x, const Layout &layout, const RGBQUAD *palette, int paletteCount,
                      const GrayDecoding &gray = {}) {
    const std::uint64_t v = ReadPixel(row, x, layout.bits);
    if (layout.Indexed()) return v < std::uint64_t(paletteCount) && palette ? ToRgb(palette[v]) : Rgb{};
    if (layout.Gray()) {
        std::uint32_t mask;
        int shift;
        if (gray.window)
            Window(layout.bits, gray.levels ? layout.bits : 8, gray.lowBit, gray.highBit, &mask, &shift);
        else
            Window(layout.bits, 8, 0, layout.bits - 1, &mask, &shift);
        const std::uint32_t w = std::uint32_t(v >> shift) & mask;
        if (gray.window && gray.levels) return w < std::uint32_t(gray.levelCount) ? ToRgb(gray.levels[w]) : Rgb{};
        const int level = mask == 0 ? 0 : int(std::uint64_t(w) * 255 / mask);
        return {level, level, level};
    }
    // 5-5-5 fields widen as (v << 3) | (v >> 2); 48 and 64 bits keep each channel's high byte.
    const int wide = layout.bits == 16 ? 0 : layout.bits >= 48 ? 2 : 1;
    auto channel = [&](int i) {
        return wide ? int((v >> (8 * (i * wide + wide - 1))) & 0xFF)
                    : int(((v >> 5 * i) & 31) << 3 | ((v >> 5 * i) & 31) >> 2);
    };
    return layout.order == 1 ? Rgb{channel(2), channel(1), channel(0)} : Rgb{channel(0), channel(1), channel(2)};
}

// The first of `count` colours nearest to c by squared distance.
inline int NearestIndex(const RGBQUAD *colors, int count, const Rgb &c) {
    int best = 0;
    for (long i = 0, bestDistance = -1; i < count; ++i) {
        const long dr = colors[i].rgbRed - c.r, dg = colors[i].rgbGreen - c.g, db = colors[i].rgbBlue - c.b;
        if (const long d = dr * dr + dg * dg + db * db; bestDistance < 0 || d < bestDistance)
            best = int(i), bestDistance = d;
    }
    return best;
}

// The value colour c is stored as: the nearest candidate, the luminance scaled
// to the sample, the top 5 bits of each channel, or each byte times 1 or 257.
inline std::uint64_t PackedValue(const Layout &layout, const Rgb &c, const RGBQUAD *colors, int count) {
    if (layout.Indexed()) return std::uint64_t(NearestIndex(colors, count, c));
    if (layout.Gray()) return std::uint64_t(Luminance(c)) * ((1u << layout.bits) - 1) / 255u;
    const std::uint64_t first = layout.order == 1 ? c.b : c.r, third = layout.order == 1 ? c.r : c.b;
    if (layout.bits == 16) return first >> 3 | std::uint64_t(c.g >> 3) << 5 | (third >> 3) << 10;
    const int shift = layout.bits >= 48 ? 16 : 8;
    const std::uint64_t scale = layout.bits >= 48 ? 257 : 1;
    return first * scale | std::uint64_t(c.g) * scale << shift | third * scale << 2 * shift;
}

// The fixed palette of a device of `bits` bits: black and white; four grays;
// the 16 VGA colours; from 8 bits on the 3-3-2 table (blue (i & 3) * 85, green
// and red round(k * 255 / 7) of bits 2..4 and 5..7).
inline std::vector<RGBQUAD> DeviceTable(int bits) {
    std::vector<RGBQUAD> colors;
    auto add = [&](int rgb) { colors.push_back(RGBQUAD{BYTE(rgb), BYTE(rgb >> 8), BYTE(rgb >> 16), 0}); };
    auto level = [](int k) { return (k * 255 + 3) / 7; };
    if (bits <= 2)
        for (int i = 0, n = 1 << bits; i < n; ++i) add(i * 255 / (n - 1) * 0x10101);
    if (bits == 4)
        for (int c : {0, 0x800000, 0x8000, 0x808000, 0x80, 0x800080, 0x8080, 0x808080, 0xC0C0C0, 0xFF0000, 0xFF00,
                      0xFFFF00, 0xFF, 0xFF00FF, 0xFFFF, 0xFFFFFF})
            add(c);
    for (int i = 0; i < 256 && bits >= 8; ++i) add(level(i >> 5) << 16 | level((i >> 2) & 7) << 8 | (i & 3) * 85);
    return colors;
}

inline std::vector<BYTE> RandomBytes(std::mt19937 &rng, std::size_t count) {
    std::vector<BYTE> bytes(count);
    for (auto &b : bytes) b = BYTE(rng());
    return bytes;
}

inline std::vector<RGBQUAD> RandomPalette(std::mt19937 &rng, int count) {
    std::vector<RGBQUAD> colors(static_cast<std::size_t>(std::max(count, 1)));
    for (auto &c : colors) c = RGBQUAD{BYTE(rng()), BYTE(rng()), BYTE(rng()), 0};
    return colors;
}

// An allocated bitmap of random pixels and, up to 8 bits, random colours.
inline BitmapRecord RandomBitmap(const Layout &layout, int width, int height, std::mt19937 &rng, int perspective = 0) {
    const auto palette = RandomPalette(rng, 1 << std::min(layout.bits, 8));
    BitmapRecord bitmap{};
    KrnCreateBitmap(&bitmap, 0, width, height, layout.bits, layout.order, palette.data(), perspective, nullptr, 0);
    for (DWORD i = 0; i < bitmap.DataSize; ++i) static_cast<BYTE *>(bitmap.Data)[i] = BYTE(rng());
    return bitmap;
}

inline std::vector<RGBQUAD> ColorsOf(const BitmapRecord &bitmap) {
    std::vector<RGBQUAD> colors(256);
    colors.resize(std::size_t(KrnGetPaletteColors(bitmap.Palette, 0, 256, colors.data())));
    return colors;
}

inline std::vector<BYTE> DataOf(const BitmapRecord &r) { return {RowOf(r, 0), RowOf(r, r.Height)}; }
inline bool SameBytes(const BitmapRecord &a, const BitmapRecord &b) { return std::memcmp(&a, &b, sizeof a) == 0; }
inline bool IsCleared(const BitmapRecord &r) { return SameBytes(r, BitmapRecord{}); }
inline BitmapRecord Garbage() {
    BitmapRecord r;
    std::memset(&r, 0xAB, sizeof r);
    return r;
}

}  // namespace zelt::test
