// The magic wand's pixel tests, one mask function per pixel layout, chosen
// once per fill. Each answers for up to 64 pixels of a row at a time, so
// the fill asks about whole stretches of a row and never about the depth.
// 24- and 32-bit rows compare 16 bytes at a time against per-byte bounds;
// every other layout tests pixel by pixel through a lookup table or the
// tolerance box.
#include <algorithm>
#include <array>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "region/region_wand.h"

namespace zelt::region {

namespace {

// ---- one pixel at a time ---------------------------------------------------

// Packed indices, most significant bits first.
template <int Bits>
bool PackedInside(const WandPixelTest &test, const BYTE *row, LONG x) {
    constexpr DWORD kMask = (1u << Bits) - 1;
    if constexpr (Bits == 8) {
        return test.inside[row[x]];
    } else {
        const size_t bit = size_t(x) * Bits;
        const BYTE *at = row + bit / 8;
        const int offset = int(bit & 7);
        DWORD index;
        if (offset + Bits <= 8) index = (DWORD(at[0]) >> (8 - offset - Bits)) & kMask;
        else index = (((DWORD(at[0]) << 8) | at[1]) >> (16 - offset - Bits)) & kMask;
        return test.inside[index];
    }
}

// Byte channels: 24 and 32 bits, and the high bytes of 48 and 64.
template <int Stride, int RedAt, int GreenAt, int BlueAt>
bool ChannelInside(const WandPixelTest &test, const BYTE *row, LONG x) {
    const BYTE *p = row + size_t(x) * Stride;
    return test.tolerance.Contains(p[RedAt], p[GreenAt], p[BlueAt]);
}

// 16-bit 5-5-5, each field widened to eight bits.
template <bool BlueLow>
bool Rgb555Inside(const WandPixelTest &test, const BYTE *row, LONG x) {
    auto widen = [](DWORD field) { return BYTE((field << 3) | (field >> 2)); };
    const BYTE *p = row + size_t(x) * 2;
    const DWORD word = DWORD(p[0]) | (DWORD(p[1]) << 8);
    const BYTE low = widen(word & 31u), middle = widen((word >> 5) & 31u), high = widen((word >> 10) & 31u);
    return BlueLow ? test.tolerance.Contains(high, middle, low) : test.tolerance.Contains(low, middle, high);
}

// Deep gray: 12 bits (least significant bits first) and 16 bits.
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
bool GrayLevelInside(const WandPixelTest &test, const BYTE *row, LONG x) {
    return test.inside[(GraySample<Bits>(row, x) >> test.shift) & test.windowMask];
}

// With level processing the whole window indexes the level table; values
// beyond it are black.
template <int Bits>
bool GrayTableInside(const WandPixelTest &test, const BYTE *row, LONG x) {
    const DWORD value = (GraySample<Bits>(row, x) >> test.shift) & test.windowMask;
    if (value >= test.levelCount) return test.tolerance.Contains(0, 0, 0);
    const RGBQUAD &c = test.levels[value];
    return test.tolerance.Contains(c.rgbRed, c.rgbGreen, c.rgbBlue);
}

using PixelInside = bool (*)(const WandPixelTest &, const BYTE *, LONG);

template <PixelInside Inside>
uint64_t MaskByPixel(const WandPixelTest &test, const BYTE *row, LONG x, int count) {
    uint64_t mask = 0;
    for (int i = 0; i < count; ++i)
        if (Inside(test, row, x + i)) mask |= uint64_t{1} << i;
    return mask;
}

// ---- 16 bytes at a time -------------------------------------------------------

#if defined(__SSE2__)

// For each 12-bit piece of a byte mask (4 pixels of 3 bytes): bit p set
// when all three bytes of pixel p are.
constexpr std::array<BYTE, 4096> kWholeTriples = [] {
    std::array<BYTE, 4096> table{};
    for (unsigned bits = 0; bits < 4096; ++bits)
        for (unsigned p = 0; p < 4; ++p)
            if (((bits >> (3 * p)) & 7u) == 7u) table[bits] = BYTE(table[bits] | (1u << p));
    return table;
}();

// 0xFF in each byte of v that lies within [low, high].
inline __m128i BytesWithin(__m128i v, __m128i low, __m128i high) {
    const __m128i over = _mm_or_si128(_mm_subs_epu8(low, v), _mm_subs_epu8(v, high));
    return _mm_cmpeq_epi8(over, _mm_setzero_si128());
}

inline __m128i Load(const BYTE *bytes) { return _mm_loadu_si128(reinterpret_cast<const __m128i *>(bytes)); }

// 16 pixels of 3 bytes in three loads; the bounds repeat every 48 bytes.
template <int RedAt, int GreenAt, int BlueAt>
uint64_t Mask24(const WandPixelTest &test, const BYTE *row, LONG x, int count) {
    const __m128i low0 = Load(test.low), low1 = Load(test.low + 16), low2 = Load(test.low + 32);
    const __m128i high0 = Load(test.high), high1 = Load(test.high + 16), high2 = Load(test.high + 32);
    const BYTE *p = row + size_t(x) * 3;
    uint64_t mask = 0;
    int i = 0;
    for (; i + 16 <= count; i += 16, p += 48) {
        const uint64_t bytes = uint64_t(unsigned(_mm_movemask_epi8(BytesWithin(Load(p), low0, high0)))) |
                               uint64_t(unsigned(_mm_movemask_epi8(BytesWithin(Load(p + 16), low1, high1)))) << 16 |
                               uint64_t(unsigned(_mm_movemask_epi8(BytesWithin(Load(p + 32), low2, high2)))) << 32;
        // Most stretches lie wholly inside (or outside) a selection.
        constexpr uint64_t kAll = 0xFFFFFFFFFFFFu;
        const uint64_t pixels = bytes == kAll ? 0xFFFFu
                                : bytes == 0  ? 0
                                              : uint64_t(kWholeTriples[bytes & 0xFFF]) |
                                                   uint64_t(kWholeTriples[(bytes >> 12) & 0xFFF]) << 4 |
                                                   uint64_t(kWholeTriples[(bytes >> 24) & 0xFFF]) << 8 |
                                                   uint64_t(kWholeTriples[(bytes >> 36) & 0xFFF]) << 12;
        mask |= pixels << i;
    }
    for (; i < count; ++i)
        if (ChannelInside<3, RedAt, GreenAt, BlueAt>(test, row, x + i)) mask |= uint64_t{1} << i;
    return mask;
}

// 4 pixels of 4 bytes a load; the fourth byte's bounds are 0..255.
template <int RedAt, int GreenAt, int BlueAt>
uint64_t Mask32(const WandPixelTest &test, const BYTE *row, LONG x, int count) {
    const __m128i low = Load(test.low), high = Load(test.high), all = _mm_set1_epi32(-1);
    const BYTE *p = row + size_t(x) * 4;
    uint64_t mask = 0;
    int i = 0;
    for (; i + 4 <= count; i += 4, p += 16) {
        const __m128i whole = _mm_cmpeq_epi32(BytesWithin(Load(p), low, high), all);
        mask |= uint64_t(unsigned(_mm_movemask_ps(_mm_castsi128_ps(whole)))) << i;
    }
    for (; i < count; ++i)
        if (ChannelInside<4, RedAt, GreenAt, BlueAt>(test, row, x + i)) mask |= uint64_t{1} << i;
    return mask;
}

#else

template <int RedAt, int GreenAt, int BlueAt>
uint64_t Mask24(const WandPixelTest &test, const BYTE *row, LONG x, int count) {
    return MaskByPixel<ChannelInside<3, RedAt, GreenAt, BlueAt>>(test, row, x, count);
}

template <int RedAt, int GreenAt, int BlueAt>
uint64_t Mask32(const WandPixelTest &test, const BYTE *row, LONG x, int count) {
    return MaskByPixel<ChannelInside<4, RedAt, GreenAt, BlueAt>>(test, row, x, count);
}

#endif

// The per-byte bounds of 48 bytes of pixels `stride` bytes wide; bytes that
// are no channel accept anything.
void FillByteBounds(WandPixelTest &test, int stride, int redAt, int greenAt, int blueAt) {
    const ToleranceBox &t = test.tolerance;
    for (int j = 0; j < 48; ++j) {
        const int at = j % stride;
        test.low[j] = at == redAt ? t.lowRed : at == greenAt ? t.lowGreen : at == blueAt ? t.lowBlue : 0;
        test.high[j] = at == redAt ? t.highRed : at == greenAt ? t.highGreen : at == blueAt ? t.highBlue : 255;
    }
}

// ---- the table ------------------------------------------------------------------

struct ChannelLayout {
    int bits;
    bool blueFirst;
    int redAt, greenAt, blueAt;
    WandMaskFunction mask;
};

// clang-format off
constexpr ChannelLayout kChannelLayouts[] = {
    {24, true,  2, 1, 0, Mask24<2, 1, 0>},
    {24, false, 0, 1, 2, Mask24<0, 1, 2>},
    {32, true,  2, 1, 0, Mask32<2, 1, 0>},
    {32, false, 0, 1, 2, Mask32<0, 1, 2>},
    {48, true,  5, 3, 1, MaskByPixel<ChannelInside<6, 5, 3, 1>>},
    {48, false, 1, 3, 5, MaskByPixel<ChannelInside<6, 1, 3, 5>>},
    {64, true,  5, 3, 1, MaskByPixel<ChannelInside<8, 5, 3, 1>>},
    {64, false, 1, 3, 5, MaskByPixel<ChannelInside<8, 1, 3, 5>>},
};

constexpr WandMaskFunction kPackedMasks[] = {
    MaskByPixel<PackedInside<1>>, MaskByPixel<PackedInside<2>>, MaskByPixel<PackedInside<3>>,
    MaskByPixel<PackedInside<4>>, MaskByPixel<PackedInside<5>>, MaskByPixel<PackedInside<6>>,
    MaskByPixel<PackedInside<7>>, MaskByPixel<PackedInside<8>>,
};
// clang-format on

void PreparePacked(const BitmapRecord &image, WandPixelTest &test) {
    RGBQUAD colors[256] = {};  // indices beyond the palette are black
    KrnGetPaletteColors(image.Palette, 0, std::clamp<int>(image.ColorCount, 0, 256), colors);
    for (int i = 0; i < (1 << image.BitsPerPixel); ++i)
        test.inside[i] = test.tolerance.Contains(colors[i].rgbRed, colors[i].rgbGreen, colors[i].rgbBlue);
    test.mask = kPackedMasks[image.BitsPerPixel - 1];
}

template <int Bits>
void PrepareGray(const BitmapRecord &image, WandPixelTest &test) {
    if ((image.Flags & BITMAP_LEVEL_PROCESSING) != 0 && image.LevelLut != nullptr) {
        KrnGetBitWindow(Bits, Bits, image.LowBit, image.HighBit, &test.windowMask, &test.shift);
        test.levels = image.LevelLut;
        test.levelCount = image.LevelLutLength;
        test.mask = MaskByPixel<GrayTableInside<Bits>>;
        return;
    }
    KrnGetBitWindow(Bits, 8, image.LowBit, image.HighBit, &test.windowMask, &test.shift);
    for (DWORD v = 0; v <= test.windowMask; ++v) {
        const BYTE level = test.windowMask == 0 ? 0 : BYTE(v * 255u / test.windowMask);
        test.inside[v] = test.tolerance.Contains(level, level, level);
    }
    test.mask = MaskByPixel<GrayLevelInside<Bits>>;
}

}  // namespace

bool PrepareWandTest(const BitmapRecord &image, const ToleranceBox &tolerance, WandPixelTest &test) {
    test = WandPixelTest{};
    test.tolerance = tolerance;
    const LONG bits = image.BitsPerPixel;
    const bool blueFirst = image.Order == 1;
    if (bits >= 1 && bits <= 8) {
        PreparePacked(image, test);
    } else if (bits == 12) {
        PrepareGray<12>(image, test);
    } else if (bits == 16 && image.Order == 2) {
        PrepareGray<16>(image, test);
    } else if (bits == 16) {
        test.mask = blueFirst ? MaskByPixel<Rgb555Inside<true>> : MaskByPixel<Rgb555Inside<false>>;
    } else {
        for (const ChannelLayout &layout : kChannelLayouts) {
            if (layout.bits != bits || layout.blueFirst != blueFirst) continue;
            FillByteBounds(test, bits / 8, layout.redAt, layout.greenAt, layout.blueAt);
            test.mask = layout.mask;
        }
    }
    return test.mask != nullptr;  // none for a layout the kernel does not store
}

}  // namespace zelt::region
