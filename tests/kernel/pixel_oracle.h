// Slow, obviously correct pixel decoding for the kernel's row tests, written
// from the documented layouts bit by bit, independent of the kernel's code.
#pragma once

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "zelt/kernel.h"

namespace zelt::test {

// One stored layout: a depth and an Order.
struct Layout {
    int bits;
    int order;
    bool Gray() const { return bits == 12 || (bits == 16 && order == 2); }
    bool Indexed() const { return bits <= 8; }
    std::string Name() const { return std::to_string(bits) + " bits, order " + std::to_string(order); }
};

// Every layout a record can have, each order that changes the pixels.
inline std::vector<Layout> AllLayouts() {
    std::vector<Layout> all;
    for (int bits = 1; bits <= 8; ++bits) all.push_back({bits, 0});
    all.push_back({12, 2});
    for (int order : {0, 1, 2}) all.push_back({16, order});
    for (int bits : {24, 32, 48, 64})
        for (int order : {0, 1}) all.push_back({bits, order});
    return all;
}

inline std::size_t RowBytes(int width, int bits) {
    return static_cast<std::size_t>(((static_cast<std::int64_t>(width) * bits + 31) / 32) * 4);
}

// Bit k of a row read as a big-endian (msbFirst) or little-endian bit stream.
inline unsigned StreamBit(const BYTE *row, std::uint64_t k, bool msbFirst) {
    const unsigned byte = row[k / 8];
    return msbFirst ? (byte >> (7 - k % 8)) & 1u : (byte >> (k % 8)) & 1u;
}

// Raw value of pixel x: the index or sample, or the pixel's bytes read as a
// little-endian number.
inline std::uint64_t OracleRead(const BYTE *row, int x, int bits) {
    std::uint64_t value = 0;
    if (bits <= 8) {
        for (int i = 0; i < bits; ++i) value = (value << 1) | StreamBit(row, std::uint64_t(x) * bits + i, true);
    } else if (bits == 12) {
        for (int i = 11; i >= 0; --i) value = (value << 1) | StreamBit(row, std::uint64_t(x) * 12 + i, false);
    } else {
        const int bytes = bits / 8;
        for (int i = bytes - 1; i >= 0; --i) value = (value << 8) | row[std::size_t(x) * bytes + i];
    }
    return value;
}

inline void OracleWrite(BYTE *row, int x, int bits, std::uint64_t value) {
    if (bits <= 8 || bits == 12) {
        for (int i = 0; i < bits; ++i) {
            const bool msbFirst = bits <= 8;
            const std::uint64_t k = std::uint64_t(x) * bits + i;
            const unsigned bit = msbFirst ? (value >> (bits - 1 - i)) & 1u : (value >> i) & 1u;
            const BYTE mask = static_cast<BYTE>(msbFirst ? 0x80u >> (k % 8) : 1u << (k % 8));
            row[k / 8] = static_cast<BYTE>(bit ? row[k / 8] | mask : row[k / 8] & ~mask);
        }
    } else {
        const int bytes = bits / 8;
        for (int i = 0; i < bytes; ++i) row[std::size_t(x) * bytes + i] = static_cast<BYTE>(value >> (8 * i));
    }
}

struct Rgb {
    int r = 0, g = 0, b = 0;
    bool operator==(const Rgb &) const = default;
};

inline std::ostream &operator<<(std::ostream &out, const Rgb &c) {
    return out << "(" << c.r << "," << c.g << "," << c.b << ")";
}

// How deep gray samples are turned into colours.
struct GrayDecoding {
    bool window = false;  // use lowBit..highBit, else the top 8 bits
    int lowBit = 0, highBit = 0;
    const RGBQUAD *levels = nullptr;  // a level table indexed by the windowed value
    int levelCount = 0;
};

// The window written out: clipped to the sample, at most maxBits from the top.
inline void OracleWindow(int bits, int maxBits, int low, int high, std::uint32_t *mask, int *shift) {
    low = std::max(low, 0);
    high = std::min(high, bits - 1);
    int n = high >= low ? high - low + 1 : 0;
    if (n > maxBits) {
        low = high - maxBits + 1;
        n = maxBits;
    }
    *mask = n >= 32 ? 0xFFFFFFFFu : (1u << n) - 1;
    *shift = n > 0 ? low : 0;
}

// Colour of pixel x of a row of the given layout.
inline Rgb OracleColor(const BYTE *row, int x, const Layout &layout, const RGBQUAD *palette, int paletteCount,
                       const GrayDecoding &gray = {}) {
    const std::uint64_t v = OracleRead(row, x, layout.bits);
    auto widen5 = [](unsigned f) { return int((f << 3) | (f >> 2)); };
    if (layout.Indexed()) {
        if (v >= std::uint64_t(paletteCount) || palette == nullptr) return {};
        return {palette[v].rgbRed, palette[v].rgbGreen, palette[v].rgbBlue};
    }
    if (layout.Gray()) {
        std::uint32_t mask;
        int shift;
        if (!gray.window) {
            OracleWindow(layout.bits, 8, layout.bits - 8, layout.bits - 1, &mask, &shift);
        } else {
            OracleWindow(layout.bits, gray.levels ? layout.bits : 8, gray.lowBit, gray.highBit, &mask, &shift);
        }
        const std::uint32_t w = std::uint32_t(v >> shift) & mask;
        if (gray.window && gray.levels) {
            if (w >= std::uint32_t(gray.levelCount)) return {};
            return {gray.levels[w].rgbRed, gray.levels[w].rgbGreen, gray.levels[w].rgbBlue};
        }
        const int level = mask == 0 ? 0 : int(std::uint64_t(w) * 255 / mask);
        return {level, level, level};
    }
    if (layout.bits == 16) {
        const int low = widen5(v & 31), mid = widen5((v >> 5) & 31), high = widen5((v >> 10) & 31);
        return layout.order == 1 ? Rgb{high, mid, low} : Rgb{low, mid, high};
    }
    const int channelBytes = layout.bits >= 48 ? 2 : 1;
    auto channel = [&](int i) { return int((v >> (8 * (i * channelBytes + channelBytes - 1))) & 0xFF); };
    return layout.order == 1 ? Rgb{channel(2), channel(1), channel(0)} : Rgb{channel(0), channel(1), channel(2)};
}

// Pixel x of a 24-bit row in the given order (1: blue first).
inline Rgb Read24(const BYTE *row, int x, int order) {
    const BYTE *p = row + 3 * std::size_t(x);
    return order == 1 ? Rgb{p[2], p[1], p[0]} : Rgb{p[0], p[1], p[2]};
}

inline std::vector<BYTE> RandomBytes(std::mt19937 &rng, std::size_t count) {
    std::vector<BYTE> bytes(count);
    for (auto &b : bytes) b = static_cast<BYTE>(rng());
    return bytes;
}

inline std::vector<RGBQUAD> RandomPalette(std::mt19937 &rng, int count) {
    std::vector<RGBQUAD> colors(std::max(count, 1));
    for (auto &c : colors) c = RGBQUAD{BYTE(rng()), BYTE(rng()), BYTE(rng()), 0};
    return colors;
}

}  // namespace zelt::test
