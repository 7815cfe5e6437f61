// The magic wand's flood fill, split from its export: the per-depth test
// "which of these pixels lie within tolerance", the selection's bit rows,
// and the span fill that runs over them.
#pragma once

#include <bit>
#include <cstdint>

#include "region/region_internal.h"

namespace zelt::region {

// The red, green and blue ranges (inclusive) a pixel must lie in.
struct ToleranceBox {
    BYTE lowRed, highRed, lowGreen, highGreen, lowBlue, highBlue;

    bool Contains(BYTE red, BYTE green, BYTE blue) const {
        return red >= lowRed && red <= highRed && green >= lowGreen && green <= highGreen && blue >= lowBlue &&
               blue <= highBlue;
    }
};

// ---- the per-depth pixel test ------------------------------------------------

struct WandPixelTest;
// Bit i of the answer says whether pixel x + i of the row lies within
// tolerance; 1 <= count <= 64 and x + count <= the image's width.
using WandMaskFunction = uint64_t (*)(const WandPixelTest &test, const BYTE *row, LONG x, int count);

// Everything a depth's mask function reads, prepared once per fill.
struct WandPixelTest {
    WandMaskFunction mask = nullptr;
    ToleranceBox tolerance{};
    bool inside[256] = {};  // by palette index or windowed gray value
    int shift = 0;          // deep gray bit window
    DWORD windowMask = 0;
    const RGBQUAD *levels = nullptr;  // deep gray level table, null without level processing
    DWORD levelCount = 0;
    BYTE low[48] = {};  // byte channels: per-byte bounds, repeating every pixel
    BYTE high[48] = {};
};

// Picks and prepares the image's mask function. False for a depth the
// kernel does not store.
bool PrepareWandTest(const BitmapRecord &image, const ToleranceBox &tolerance, WandPixelTest &test);

// ---- the selection -----------------------------------------------------------

// One bit per pixel, 64 pixels a word, pixel x of a row at bit x % 64 of
// word x / 64. Selected runs are always whole runs of in-tolerance pixels
// (the seed's run may hold the seed itself beside them).
struct WandBits {
    uint64_t *words = nullptr;
    size_t wordsPerRow = 0;

    uint64_t *Row(LONG y) const { return words + size_t(y) * wordsPerRow; }
    static bool Get(const uint64_t *row, LONG x) { return ((row[x >> 6] >> (x & 63)) & 1u) != 0; }

    // The first pixel at or after x that is not selected (it may be past
    // the row's width when the row's last pixel is selected).
    static LONG RunEnd(const uint64_t *row, LONG x) {
        size_t k = size_t(x >> 6);
        uint64_t clear = ~row[k] >> (x & 63);
        if (clear != 0) return x + LONG(std::countr_zero(clear));
        while ((clear = ~row[++k]) == 0) {
        }
        return LONG(k * 64) + LONG(std::countr_zero(clear));
    }

    // Selects pixels [left, right).
    static void Set(uint64_t *row, LONG left, LONG right) {
        size_t first = size_t(left >> 6);
        const size_t last = size_t((right - 1) >> 6);
        const uint64_t head = ~uint64_t{0} << (left & 63), tail = ~uint64_t{0} >> (63 - ((right - 1) & 63));
        if (first == last) {
            row[first] |= head & tail;
            return;
        }
        row[first] |= head;
        while (++first < last) row[first] = ~uint64_t{0};
        row[last] |= tail;
    }
};

// The fill's view of the locked image.
struct WandImage {
    const BYTE *data = nullptr;
    size_t stride = 0;
    LONG width = 0, height = 0;
};

// Selects the 4-connected pixels within tolerance around (x, y); the seed
// itself is always selected, and its neighbours are explored even when its
// own colour fails the test. `bits` holds one spare word per row beyond
// the width, cleared, and is cleared on entry. STATUS_NO_MEMORY when the
// span stack cannot grow.
int FillWandSpans(const WandImage &image, const WandPixelTest &test, LONG x, LONG y, const WandBits &bits);

}  // namespace zelt::region
