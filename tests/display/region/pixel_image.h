// Test images in every layout the kernel stores, drawn from a small pool of
// nearby pixel values so that equal colours form runs and areas and
// tolerances matter, reproducible from a seed; and the flood fill the magic
// wand is compared with.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "support/bitmap_model.h"
#include "support/flood_model.h"
#include "support/pixel_mask.h"
#include "zelt/display.h"

namespace zelt::test {

struct PixelLayout {
    const char *name;
    int bits, order;
    int lowBit = 0, highBit = 0;  // deep gray bit window (0, 0: the kernel's default)
    int levelCount = 0;           // deep gray: level table entries, level processing on
};

// clang-format off
inline const PixelLayout kPixelLayouts[] = {
    {"1", 1, 0},       {"2", 2, 0},       {"3", 3, 0},       {"4", 4, 0},       {"5", 5, 0},        {"6", 6, 0},
    {"7", 7, 0},       {"8", 8, 0},       {"555 bgr", 16, 1}, {"555 rgb", 16, 0}, {"24 bgr", 24, 1}, {"24 rgb", 24, 0},
    {"32 bgr", 32, 1}, {"32 rgb", 32, 0}, {"48 bgr", 48, 1}, {"48 rgb", 48, 0},  {"64 bgr", 64, 1},  {"64 rgb", 64, 0},
    {"gray 12", 12, 2, 3, 7}, {"gray 16", 16, 2, 4, 15}, {"gray 12 levels", 12, 2, 0, 11, 3000},
    {"gray 16 levels", 16, 2, 3, 10, 200},
};
// clang-format on

// A bitmap whose pixels take values from a pool (pool[0] half the time).
// Palette images get colours near each other with entry 3 repeating entry
// 1, and pool value k is index k.
struct PixelImage {
    BitmapRecord bitmap{};
    std::vector<uint64_t> pool;
    std::vector<int> choice;  // pool entry of each pixel, row by row
    std::vector<RGBQUAD> palette;

    PixelImage(const PixelImage &) = delete;
    ~PixelImage() { KrnFreeBitmap(&bitmap); }

    PixelImage(const PixelLayout &layout, LONG width, LONG height, uint32_t seed, int poolSize = 4) {
        std::mt19937 rng(seed);
        auto closeTo = [&](int v) { return BYTE(std::clamp(v + int(rng() % 41) - 20, 0, 255)); };
        const int bits = layout.bits;
        if (bits <= 8) {
            palette.resize(size_t(1) << bits);
            const int b = int(rng() & 0xFF), g = int(rng() & 0xFF), r = int(rng() & 0xFF);
            for (RGBQUAD &c : palette) c = RGBQUAD{closeTo(b), closeTo(g), closeTo(r), 0};
            if (palette.size() > 3) palette[3] = palette[1];
        }
        EXPECT_EQ(KrnCreateBitmap(&bitmap, KRN_MEMORY_CONVENTIONAL, width, height, bits, layout.order,
                                  palette.empty() ? nullptr : palette.data(), 0, nullptr, 0),
                  STATUS_OK);
        if (layout.highBit != 0) bitmap.LowBit = layout.lowBit, bitmap.HighBit = layout.highBit;
        if (layout.levelCount > 0) {
            auto *levels = static_cast<RGBQUAD *>(KrnAllocMem(DWORD(layout.levelCount) * sizeof(RGBQUAD)));
            for (int i = 0; i < layout.levelCount; ++i) levels[i] = RGBQUAD{closeTo(128), closeTo(100), closeTo(160), 0};
            bitmap.LevelLut = levels;  // the bitmap frees it
            bitmap.LevelLutLength = DWORD(layout.levelCount);
            bitmap.Flags |= BITMAP_LEVEL_PROCESSING;
        }
        // Packed: indices 0, 1, ...; deep: a random value and copies of it with one byte nudged.
        const uint64_t valueMask = bits >= 64 ? ~uint64_t{0} : (uint64_t{1} << bits) - 1;
        for (int k = 0; k < (bits <= 8 ? std::min(poolSize, 1 << bits) : poolSize); ++k) {
            const int shift = 8 * int(rng() % uint32_t((bits + 7) / 8));
            const uint64_t first = k == 0 ? (uint64_t(rng()) << 32 | rng()) & valueMask : pool[0];
            const uint64_t nudged = (first & ~(uint64_t{0xFF} << shift)) | uint64_t(closeTo(int(first >> shift & 0xFF)))
                                                                               << shift;
            pool.push_back(bits <= 8 ? uint64_t(k) : k == 0 ? first : nudged & valueMask);
        }
        choice.resize(size_t(width) * size_t(height));
        for (LONG y = 0; y < height; ++y)
            for (LONG x = 0; x < width; ++x) {
                const int pick = int(rng() % 8);
                choice[size_t(y) * size_t(width) + size_t(x)] = pick < 4 ? 0 : pick % int(pool.size());
                WritePixel(x, y, pool[size_t(Choice(x, y))]);
            }
    }

    int Choice(LONG x, LONG y) const { return choice[size_t(y) * size_t(bitmap.Width) + size_t(x)]; }
    COLORREF ColorAt(LONG x, LONG y) { return KrnGetPixelColor(&bitmap, y, x); }

    void WritePixel(LONG x, LONG y, uint64_t value) {
        test::WritePixel(static_cast<BYTE *>(bitmap.Data) + size_t(y) * size_t(bitmap.BytesPerLine), int(x),
                         bitmap.BitsPerPixel, value);
    }
};

// The 4-connected pixels around (seedX, seedY) whose channels each lie
// within `tolerance` of the seed pixel's, by breadth-first search.
inline PixelMask FloodModel(BitmapRecord &bitmap, LONG seedX, LONG seedY, int tolerance) {
    ColourGrid grid{bitmap.Width, bitmap.Height, {}};
    grid.colours.reserve(size_t(bitmap.Width) * size_t(bitmap.Height));
    for (LONG y = 0; y < bitmap.Height; ++y)
        for (LONG x = 0; x < bitmap.Width; ++x) grid.colours.push_back(KrnGetPixelColor(&bitmap, y, x));
    return FloodOfColours(grid, seedX, seedY, tolerance);
}

}  // namespace zelt::test
