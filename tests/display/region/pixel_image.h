// Test images in every layout the kernel stores, drawn from a small pool of
// nearby pixel values so that equal colours form runs and areas, and so
// that tolerances matter. Reproducible from a seed.
#pragma once

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "zelt/display.h"

namespace zelt::test {

struct PixelLayout {
    const char *name;
    int bits;
    int order;
    int lowBit = 0;     // deep gray bit window (HighBit 0: the kernel's default)
    int highBit = 0;
    int levelCount = 0;  // deep gray: level table entries with level processing on
};

inline const PixelLayout kPixelLayouts[] = {
    {"1", 1, 0},          {"2", 2, 0},          {"3", 3, 0},         {"4", 4, 0},
    {"5", 5, 0},          {"6", 6, 0},          {"7", 7, 0},         {"8", 8, 0},
    {"555 bgr", 16, 1},   {"555 rgb", 16, 0},   {"24 bgr", 24, 1},   {"24 rgb", 24, 0},
    {"32 bgr", 32, 1},    {"32 rgb", 32, 0},    {"48 bgr", 48, 1},   {"48 rgb", 48, 0},
    {"64 bgr", 64, 1},    {"64 rgb", 64, 0},    {"gray 12", 12, 2, 3, 7},
    {"gray 16", 16, 2, 4, 15},                  {"gray 12 levels", 12, 2, 0, 11, 3000},
    {"gray 16 levels", 16, 2, 3, 10, 200},
};

// A bitmap of `layout` whose pixels take values from a pool of `poolSize`
// (pool[0] most often). Palette images get colours near each other, with
// entry 3 repeating entry 1; level tables are near each other too.
struct PixelImage {
    BitmapRecord bitmap{};
    std::vector<uint64_t> pool;
    std::vector<int> choice;  // pool entry of each pixel, row by row
    std::vector<RGBQUAD> palette;

    PixelImage(const PixelImage &) = delete;
    PixelImage &operator=(const PixelImage &) = delete;
    ~PixelImage() { KrnFreeBitmap(&bitmap); }

    PixelImage(const PixelLayout &layout, LONG width, LONG height, uint32_t seed, int poolSize = 4) {
        std::mt19937 rng(seed);
        auto near = [&](int v) { return BYTE(std::clamp(v + int(rng() % 41) - 20, 0, 255)); };
        const int bits = layout.bits;
        if (bits <= 8) {
            const int entries = 1 << bits;
            palette.resize(size_t(entries));
            const RGBQUAD base{BYTE(rng()), BYTE(rng()), BYTE(rng()), 0};
            for (RGBQUAD &c : palette) c = RGBQUAD{near(base.rgbBlue), near(base.rgbGreen), near(base.rgbRed), 0};
            if (entries > 3) palette[3] = palette[1];
        }
        EXPECT_EQ(KrnCreateBitmap(&bitmap, KRN_MEMORY_CONVENTIONAL, width, height, bits, layout.order,
                                  palette.empty() ? nullptr : palette.data(), 0, nullptr, 0),
                  STATUS_OK);
        if (layout.highBit != 0) {
            bitmap.LowBit = layout.lowBit;
            bitmap.HighBit = layout.highBit;
        }
        if (layout.levelCount > 0) {
            auto *levels = static_cast<RGBQUAD *>(KrnAllocMem(DWORD(layout.levelCount) * sizeof(RGBQUAD)));
            for (int i = 0; i < layout.levelCount; ++i)
                levels[i] = RGBQUAD{near(128), near(100), near(160), 0};
            bitmap.LevelLut = levels;  // the bitmap frees it
            bitmap.LevelLutLength = DWORD(layout.levelCount);
            bitmap.Flags |= BITMAP_LEVEL_PROCESSING;
        }

        // Pool values: a random pixel and copies of it with one byte nudged.
        const uint64_t valueMask = bits >= 64 ? ~uint64_t{0} : (uint64_t{1} << bits) - 1;
        const int poolEntries = bits <= 8 ? std::min(poolSize, 1 << bits) : poolSize;
        for (int k = 0; k < poolEntries; ++k) {
            uint64_t value = (uint64_t(rng()) << 32 | rng()) & valueMask;
            if (bits <= 8) value = uint64_t(k);
            else if (k > 0) {
                const int byte = int(rng() % uint32_t((bits + 7) / 8));
                const uint64_t old = (pool[0] >> (8 * byte)) & 0xFF;
                value = (pool[0] & ~(uint64_t{0xFF} << (8 * byte))) | (uint64_t(near(int(old))) << (8 * byte));
                value &= valueMask;
            }
            pool.push_back(value);
        }
        choice.resize(size_t(width) * size_t(height));
        for (LONG y = 0; y < height; ++y)
            for (LONG x = 0; x < width; ++x) {
                const int pick = int(rng() % 8);
                const int k = pick < 4 ? 0 : pick % int(pool.size());
                choice[size_t(y) * size_t(width) + size_t(x)] = k;
                WritePixel(x, y, pool[size_t(k)]);
            }
    }

    int Choice(LONG x, LONG y) const { return choice[size_t(y) * size_t(bitmap.Width) + size_t(x)]; }
    COLORREF ColorAt(LONG x, LONG y) { return KrnGetPixelColor(&bitmap, y, x); }

    // Bit streams as the kernel lays them out: most significant bits first
    // up to 8 bits, least significant first for 12 bits, bytes otherwise.
    void WritePixel(LONG x, LONG y, uint64_t value) {
        BYTE *row = static_cast<BYTE *>(bitmap.Data) + size_t(y) * size_t(bitmap.BytesPerLine);
        const int bits = bitmap.BitsPerPixel;
        if (bits <= 8 || bits == 12) {
            for (int i = 0; i < bits; ++i) {
                const size_t at = size_t(x) * size_t(bits) + size_t(i);
                const bool on = bits == 12 ? ((value >> i) & 1) != 0 : ((value >> (bits - 1 - i)) & 1) != 0;
                const BYTE bit = bits == 12 ? BYTE(1u << (at & 7)) : BYTE(0x80u >> (at & 7));
                row[at / 8] = BYTE(on ? row[at / 8] | bit : row[at / 8] & ~bit);
            }
            return;
        }
        for (int i = 0; i < bits / 8; ++i) row[size_t(x) * size_t(bits / 8) + size_t(i)] = BYTE(value >> (8 * i));
    }
};

}  // namespace zelt::test
