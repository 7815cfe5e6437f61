// The magic wand's fill, one instantiation per pixel layout. Each layout is
// a small test "is pixel x of this row within tolerance", reading only that
// pixel's bytes of the locked image; the fill loop is compiled around it so
// that nothing in the loop asks about the depth.
#include <algorithm>
#include <initializer_list>

#include "region/region_wand.h"

namespace zelt::region {

namespace {

// Which of the 256 possible levels or indices lie within tolerance.
struct InsideTable {
    bool inside[256] = {};
};

// ---- packed indices, most significant bits first ---------------------------

template <int Bits>
struct PackedTest {
    InsideTable table;  // by palette index; indices beyond the palette are black

    bool operator()(const BYTE *row, LONG x) const {
        constexpr DWORD kMask = (1u << Bits) - 1;
        if constexpr (Bits == 8) {
            return table.inside[row[x]];
        } else {
            const size_t bit = size_t(x) * Bits;
            const BYTE *at = row + bit / 8;
            const int offset = int(bit & 7);
            DWORD index;
            if (offset + Bits <= 8) index = (DWORD(at[0]) >> (8 - offset - Bits)) & kMask;
            else index = (((DWORD(at[0]) << 8) | at[1]) >> (16 - offset - Bits)) & kMask;
            return table.inside[index];
        }
    }
};

// ---- byte channels: 24 and 32 bits, and the high bytes of 48 and 64 --------

template <int Stride, int RedAt, int GreenAt, int BlueAt>
struct ChannelTest {
    ToleranceBox tolerance;

    bool operator()(const BYTE *row, LONG x) const {
        const BYTE *p = row + size_t(x) * Stride;
        return tolerance.Contains(p[RedAt], p[GreenAt], p[BlueAt]);
    }
};

// ---- 16-bit 5-5-5 ------------------------------------------------------------

template <bool BlueLow>
struct Rgb555Test {
    ToleranceBox tolerance;

    static BYTE Widen(DWORD field) { return BYTE((field << 3) | (field >> 2)); }

    bool operator()(const BYTE *row, LONG x) const {
        const BYTE *p = row + size_t(x) * 2;
        const DWORD word = DWORD(p[0]) | (DWORD(p[1]) << 8);
        const BYTE low = Widen(word & 31u), middle = Widen((word >> 5) & 31u), high = Widen((word >> 10) & 31u);
        return BlueLow ? tolerance.Contains(high, middle, low) : tolerance.Contains(low, middle, high);
    }
};

// ---- deep gray: 12 bits (least significant bits first) and 16 bits ---------

template <int Bits>
DWORD GraySample(const BYTE *row, LONG x) {
    if constexpr (Bits == 12) {
        const size_t bit = size_t(x) * 12;
        const BYTE *at = row + bit / 8;
        return ((DWORD(at[0]) | (DWORD(at[1]) << 8)) >> (bit & 7)) & 0xFFFu;
    } else {
        const BYTE *at = row + size_t(x) * 2;
        return DWORD(at[0]) | (DWORD(at[1]) << 8);
    }
}

// Without level processing the colour is the top eight bits of the bit
// window scaled to 0..255 on all three channels: the colour the bitmap
// reports for the pixel, so the seed is always within its own tolerance.
template <int Bits>
struct GrayLevelTest {
    int shift = 0;
    DWORD mask = 0;  // at most 255
    InsideTable table;  // by windowed value

    bool operator()(const BYTE *row, LONG x) const { return table.inside[(GraySample<Bits>(row, x) >> shift) & mask]; }
};

// With level processing the whole window indexes the level table; values
// beyond it are black.
template <int Bits>
struct GrayTableTest {
    int shift = 0;
    DWORD mask = 0;
    const RGBQUAD *levels = nullptr;
    DWORD levelCount = 0;
    ToleranceBox tolerance;

    bool operator()(const BYTE *row, LONG x) const {
        const DWORD value = (GraySample<Bits>(row, x) >> shift) & mask;
        if (value >= levelCount) return tolerance.Contains(0, 0, 0);
        const RGBQUAD &c = levels[value];
        return tolerance.Contains(c.rgbRed, c.rgbGreen, c.rgbBlue);
    }
};

// ---- the fill --------------------------------------------------------------
// Span by span: a popped pixel claims the unvisited pixels within tolerance
// to its left and right on its row, and the rows above and below are then
// scanned across that span, pushing the first pixel of each fresh run. The
// result is the 4-connected area of a pixel-by-pixel fill, but the stack
// holds a few run starts instead of a large part of the image, and rows
// are read left to right.

// The one-bit work maps, most significant bit first.
struct BitMaps {
    BYTE *visited;
    BYTE *selected;
    size_t bytesPerLine;

    static BYTE Bit(LONG x) { return BYTE(0x80u >> (x & 7)); }
    size_t At(LONG x, LONG y) const { return size_t(y) * bytesPerLine + size_t(x >> 3); }
    bool Visited(LONG x, LONG y) const { return (visited[At(x, y)] & Bit(x)) != 0; }
    void Visit(LONG x, LONG y) const { visited[At(x, y)] |= Bit(x); }
    void Select(LONG x, LONG y) const {
        visited[At(x, y)] |= Bit(x);
        selected[At(x, y)] |= Bit(x);
    }
};

template <typename Test>
int Fill(WandFill &fill, const Test &test) {
    const BitmapRecord &image = *fill.image;
    const LONG width = image.Width, height = image.Height;
    const BYTE *data = static_cast<const BYTE *>(image.Data);
    const size_t stride = size_t(image.BytesPerLine);
    const BitMaps maps{fill.visited, fill.selected, fill.bitsPerLine};
    WandStack &stack = *fill.stack;

    // Claims pixel x of row y when it is unvisited and within tolerance;
    // a pixel outside tolerance is marked visited for good.
    auto claim = [&](const BYTE *row, LONG x, LONG y) {
        if (maps.Visited(x, y)) return false;
        if (!test(row, x)) {
            maps.Visit(x, y);
            return false;
        }
        maps.Select(x, y);
        return true;
    };

    while (stack.count > 0) {
        const WandPoint at = stack.entries[--stack.count];
        const BYTE *row = data + size_t(at.y) * stride;
        LONG left = at.x, right = at.x;  // the popped pixel is already claimed
        while (left > 0 && claim(row, left - 1, at.y)) --left;
        while (right + 1 < width && claim(row, right + 1, at.y)) ++right;

        for (const LONG ny : {at.y - 1, at.y + 1}) {
            if (ny < 0 || ny >= height) continue;
            const BYTE *next = data + size_t(ny) * stride;
            bool inRun = false;
            for (LONG nx = left; nx <= right; ++nx) {
                if (maps.Visited(nx, ny)) {
                    inRun = false;
                } else if (!test(next, nx)) {
                    maps.Visit(nx, ny);
                    inRun = false;
                } else if (!inRun) {
                    // The rest of the run stays unvisited for this pixel's
                    // own span to claim.
                    maps.Select(nx, ny);
                    if (stack.count == stack.capacity && !GrowWandStack(stack)) return STATUS_NO_MEMORY;
                    stack.entries[stack.count++] = WandPoint{nx, ny};
                    inRun = true;
                }
            }
        }
    }
    return STATUS_OK;
}

template <int Bits>
int FillPacked(WandFill &fill) {
    BitmapRecord &image = *fill.image;
    RGBQUAD colors[256] = {};
    KrnGetPaletteColors(image.Palette, 0, std::clamp<int>(image.ColorCount, 0, 256), colors);
    PackedTest<Bits> test;
    for (int i = 0; i < (1 << Bits); ++i)
        test.table.inside[i] = fill.tolerance.Contains(colors[i].rgbRed, colors[i].rgbGreen, colors[i].rgbBlue);
    return Fill(fill, test);
}

template <int Bits>
int FillGray(WandFill &fill) {
    const BitmapRecord &image = *fill.image;
    if ((image.Flags & BITMAP_LEVEL_PROCESSING) != 0 && image.LevelLut != nullptr) {
        GrayTableTest<Bits> test;
        KrnGetBitWindow(Bits, Bits, image.LowBit, image.HighBit, &test.mask, &test.shift);
        test.levels = image.LevelLut;
        test.levelCount = image.LevelLutLength;
        test.tolerance = fill.tolerance;
        return Fill(fill, test);
    }
    GrayLevelTest<Bits> test;
    KrnGetBitWindow(Bits, 8, image.LowBit, image.HighBit, &test.mask, &test.shift);
    for (DWORD v = 0; v <= test.mask; ++v) {
        const BYTE level = test.mask == 0 ? 0 : BYTE(v * 255u / test.mask);
        test.table.inside[v] = fill.tolerance.Contains(level, level, level);
    }
    return Fill(fill, test);
}

template <typename Test>
int FillWith(WandFill &fill) {
    Test test;
    test.tolerance = fill.tolerance;
    return Fill(fill, test);
}

}  // namespace

int RunWandFill(WandFill &fill) {
    const BitmapRecord &image = *fill.image;
    const bool blueFirst = image.Order == 1;
    switch (image.BitsPerPixel) {
    case 1: return FillPacked<1>(fill);
    case 2: return FillPacked<2>(fill);
    case 3: return FillPacked<3>(fill);
    case 4: return FillPacked<4>(fill);
    case 5: return FillPacked<5>(fill);
    case 6: return FillPacked<6>(fill);
    case 7: return FillPacked<7>(fill);
    case 8: return FillPacked<8>(fill);
    case 12: return FillGray<12>(fill);
    case 16:
        if (image.Order == 2) return FillGray<16>(fill);
        return blueFirst ? FillWith<Rgb555Test<true>>(fill) : FillWith<Rgb555Test<false>>(fill);
    case 24: return blueFirst ? FillWith<ChannelTest<3, 2, 1, 0>>(fill) : FillWith<ChannelTest<3, 0, 1, 2>>(fill);
    case 32: return blueFirst ? FillWith<ChannelTest<4, 2, 1, 0>>(fill) : FillWith<ChannelTest<4, 0, 1, 2>>(fill);
    case 48: return blueFirst ? FillWith<ChannelTest<6, 5, 3, 1>>(fill) : FillWith<ChannelTest<6, 1, 3, 5>>(fill);
    case 64: return blueFirst ? FillWith<ChannelTest<8, 5, 3, 1>>(fill) : FillWith<ChannelTest<8, 1, 3, 5>>(fill);
    default: return STATUS_BAD_PARAMETER;  // no layout the kernel stores
    }
}

}  // namespace zelt::region
