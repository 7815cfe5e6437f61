// Helpers of the tests that draw regions on devices: a 32-bit canvas with
// seeded pixels, masks read back as pixel models, and per-pixel models of
// the outline and of the stripe brushes, written from their definitions.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "../paint/paint_test_canvas.h"
#include "region_test_support.h"
#include "zelt/host.h"

namespace zelt::test {

// The paint tests' 32-bit canvas (pixels 0x00RRGGBB) with whole-surface
// reads and fills.
class DrawCanvas : public Canvas {
public:
    using Canvas::Canvas;

    std::vector<DWORD> Pixels() const {
        std::vector<DWORD> all(Data(), Data() + width() * height());
        for (DWORD &p : all) p &= 0xFFFFFF;
        return all;
    }
    void Fill(const std::vector<DWORD> &pixels) { std::copy(pixels.begin(), pixels.end(), Data()); }
    void Fill(uint32_t seed) {
        std::mt19937 rng(seed);
        for (int i = 0; i < width() * height(); ++i) Data()[i] = rng() & 0xFFFFFF;
    }
};

// The set bits of a monochrome bitmap, placed at (originX, originY).
inline PixelMask ReadMask(HBITMAP mask, LONG originX, LONG originY) {
    BITMAP info{};
    GetObjectA(mask, sizeof(info), &info);
    PixelMask pixels(info.bmWidth, info.bmHeight, originX, originY);
    std::vector<DWORD> rgb(size_t(info.bmWidth) * size_t(info.bmHeight));
    EXPECT_TRUE(ZeltHostReadPixels(mask, 0, 0, info.bmWidth, info.bmHeight, rgb.data()));
    for (LONG y = 0; y < info.bmHeight; ++y)
        for (LONG x = 0; x < info.bmWidth; ++x)
            pixels.Set(originX + x, originY + y, rgb[size_t(y) * size_t(info.bmWidth) + size_t(x)] != 0);
    return pixels;
}

// Clears every bit of a monochrome bitmap: a cached mask so cleared draws
// nothing, which shows whether a later call reused it.
inline void ClearMonoBitmap(HBITMAP mask) {
    BITMAP info{};
    GetObjectA(mask, sizeof info, &info);
    const std::vector<BYTE> zeros(size_t(info.bmWidthBytes) * size_t(info.bmHeight), 0);
    SetBitmapBits(mask, DWORD(zeros.size()), zeros.data());
}

// Outline pixels: a selected pixel that begins or ends its run, or that
// itself or a selected horizontal neighbour lacks a selected pixel directly
// above or below.
inline PixelMask OutlineModel(const PixelMask &selected) {
    PixelMask outline(selected.width, selected.height, selected.originX, selected.originY);
    auto open = [&](LONG x, LONG y) {
        return selected.Get(x, y) && (!selected.Get(x, y - 1) || !selected.Get(x, y + 1));
    };
    for (LONG y = selected.originY; y < selected.originY + selected.height; ++y)
        for (LONG x = selected.originX; x < selected.originX + selected.width; ++x) {
            if (!selected.Get(x, y)) continue;
            const bool runEnd = !selected.Get(x - 1, y) || !selected.Get(x + 1, y);
            outline.Set(x, y, runEnd || open(x - 1, y) || open(x, y) || open(x + 1, y));
        }
    return outline;
}

// The colour stripe brush k shows at device pixel (x, y) when the DC's
// text colour is black and its background white: row r of brush k is
// P[(k + r) mod 8], bit 7 the leftmost pixel, set bits white.
inline DWORD StripeColor(int k, LONG x, LONG y) {
    static constexpr uint8_t kRows[8] = {0x0F, 0x1E, 0x3C, 0x78, 0xF0, 0xE1, 0xC3, 0x87};
    const uint8_t row = kRows[(k + ((y % 8) + 8) % 8) % 8];
    return (row >> (7 - ((x % 8) + 8) % 8)) & 1 ? 0xFFFFFF : 0x000000;
}

// Counts the canvas pixels that differ from `expected` and reports the first few.
inline int CountMismatches(const DrawCanvas &canvas, const std::vector<DWORD> &expected, const std::string &label) {
    int mismatches = 0;
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x) {
            const DWORD want = expected[size_t(y) * size_t(canvas.width()) + size_t(x)];
            if (canvas.At(x, y) != want && ++mismatches <= 4) {
                ADD_FAILURE() << label << ": pixel (" << x << "," << y << ") is " << std::hex << canvas.At(x, y)
                              << ", want " << want << std::dec;
            }
        }
    return mismatches;
}

}  // namespace zelt::test
