// Pixel readers of the row converters: one small type per source layout,
// each answering the colour (or index, or gray sample) of pixel x of a row.
// A converter builds its reader once per call (the per-row decisions such as
// Order, the bit window and the level table are taken there) and the inner
// loop only calls At(x), which the compiler inlines.
#pragma once

#include <cstddef>

#include "zelt/kernel.h"

namespace paint_pixels {

struct Rgb {
    int red;
    int green;
    int blue;
};

// Widening of a 5-bit field to 8 bits, so that 31 becomes 255.
constexpr int Widen5(unsigned field) { return static_cast<int>((field << 3) | (field >> 2)); }

// Palette index of `Bits` bits at bit offset x * Bits, most significant bit
// first. Depths that do not divide 8 may straddle two bytes; those are read
// as one big-endian 16-bit value, and only then is the second byte touched.
template <int Bits>
inline unsigned IndexAt(const BYTE *src, int x) {
    constexpr unsigned kMask = (1u << Bits) - 1;
    const size_t bit = static_cast<size_t>(x) * Bits;
    const BYTE *at = src + (bit >> 3);
    const unsigned offset = static_cast<unsigned>(bit & 7);
    if constexpr (8 % Bits == 0) {
        return (at[0] >> (8 - Bits - offset)) & kMask;
    } else {
        if (offset + Bits <= 8) return (at[0] >> (8 - Bits - offset)) & kMask;
        const unsigned word = (static_cast<unsigned>(at[0]) << 8) | at[1];
        return (word >> (16 - Bits - offset)) & kMask;
    }
}

// Two 12-bit samples in three bytes: the little-endian word at byte 3x/2,
// low 12 bits for even x, high 12 bits for odd x.
inline unsigned Sample12At(const BYTE *src, int x) {
    const size_t at = (static_cast<size_t>(x) * 3) >> 1;
    const unsigned word = src[at] | (static_cast<unsigned>(src[at + 1]) << 8);
    return (x & 1) ? (word >> 4) : (word & 0xFFF);
}

inline unsigned Sample16At(const BYTE *src, int x) {
    const size_t at = static_cast<size_t>(x) * 2;
    return src[at] | (static_cast<unsigned>(src[at + 1]) << 8);
}

// The paint window of deep gray samples (PaintLowBit..PaintHighBit), taken
// once per row from the kernel. maxBits is the full depth when a level table
// is there to look up, else 8 (the value is a gray level itself).
struct GrayWindow {
    int bits = 0;
    DWORD mask = 0;
    int shift = 0;
    const RGBQUAD *levels = nullptr;
    DWORD lastLevel = 0;  // largest valid index into levels

    explicit GrayWindow(const BitmapRecord &bitmap) {
        levels = bitmap.LevelLut;
        if (levels != nullptr && bitmap.LevelLutLength == 0) levels = nullptr;
        const int maxBits = levels != nullptr ? bitmap.BitsPerPixel : 8;
        bits = KrnGetBitWindow(bitmap.BitsPerPixel, maxBits, bitmap.PaintLowBit, bitmap.PaintHighBit, &mask, &shift);
        if (levels != nullptr) lastLevel = bitmap.LevelLutLength - 1;
    }

    unsigned Window(unsigned sample) const { return (sample >> shift) & mask; }
    // A level table shorter than the window is held at its last entry rather
    // than read past its end.
    const RGBQUAD &Level(unsigned value) const { return levels[value < lastLevel ? value : lastLevel]; }
};

// ---- readers answering Rgb (reducing converters) ------------------------------

template <int Bits>
struct PaletteReader {
    const BYTE *src;
    const RGBQUAD *palette;
    Rgb At(int x) const {
        const RGBQUAD &entry = palette[IndexAt<Bits>(src, x)];
        return {entry.rgbRed, entry.rgbGreen, entry.rgbBlue};
    }
};

using SampleFetch = unsigned (*)(const BYTE *, int);

// Deep gray through the level table: the entry's blue, green, red bytes.
template <SampleFetch Fetch>
struct LevelGrayReader {
    const BYTE *src;
    GrayWindow window;
    Rgb At(int x) const {
        const RGBQUAD &entry = window.Level(window.Window(Fetch(src, x)));
        return {entry.rgbRed, entry.rgbGreen, entry.rgbBlue};
    }
};

// Deep gray without a level table: a window narrower than 8 bits is moved
// to the top of the byte.
template <SampleFetch Fetch>
struct PlainGrayReader {
    const BYTE *src;
    unsigned mask;
    int shift;
    int raise;
    PlainGrayReader(const BYTE *row, const GrayWindow &window)
        : src(row), mask(window.mask), shift(window.shift), raise(window.bits < 8 ? 8 - window.bits : 0) {}
    Rgb At(int x) const {
        const int level = static_cast<int>(((Fetch(src, x) >> shift) & mask) << raise);
        return {level, level, level};
    }
};

// 5-5-5 in a little-endian word; BlueFirst: bits 0-4 are blue.
template <bool BlueFirst>
struct Rgb555Reader {
    const BYTE *src;
    Rgb At(int x) const {
        const unsigned word = Sample16At(src, x);
        const int low = Widen5(word & 31), middle = Widen5((word >> 5) & 31), high = Widen5((word >> 10) & 31);
        return BlueFirst ? Rgb{high, middle, low} : Rgb{low, middle, high};
    }
};

// Byte channels at fixed offsets inside a pixel of Stride bytes; First and
// Last are the offsets of the first and last stored channel.
template <int Stride, int First, int Middle, int Last, bool BlueFirst>
struct ChannelReader {
    const BYTE *src;
    Rgb At(int x) const {
        const BYTE *pixel = src + static_cast<size_t>(x) * Stride;
        const int first = pixel[First], middle = pixel[Middle], last = pixel[Last];
        return BlueFirst ? Rgb{last, middle, first} : Rgb{first, middle, last};
    }
};

// Offsets of the used byte of each channel, by direct-colour depth: the
// whole byte for 24 and 32 bits, the high byte of 16-bit channels above.
template <int Bits>
struct ChannelLayout;
template <>
struct ChannelLayout<24> {
    static constexpr int kStride = 3, kFirst = 0, kMiddle = 1, kLast = 2;
};
template <>
struct ChannelLayout<32> {
    static constexpr int kStride = 4, kFirst = 0, kMiddle = 1, kLast = 2;
};
template <>
struct ChannelLayout<48> {
    static constexpr int kStride = 6, kFirst = 1, kMiddle = 3, kLast = 5;
};
template <>
struct ChannelLayout<64> {
    static constexpr int kStride = 8, kFirst = 1, kMiddle = 3, kLast = 5;
};

template <int Bits, bool BlueFirst>
using DirectColorReader = ChannelReader<ChannelLayout<Bits>::kStride, ChannelLayout<Bits>::kFirst,
                                        ChannelLayout<Bits>::kMiddle, ChannelLayout<Bits>::kLast, BlueFirst>;

// Calls body(reader) with the reader that decodes rows of depth SrcBits for
// this bitmap; the choice (Order, level table) is made here, once per row.
template <int SrcBits, typename Body>
inline void VisitSourceReader(const BitmapRecord &bitmap, const BYTE *src, const RGBQUAD *palette, Body &&body) {
    if constexpr (SrcBits <= 8) {
        body(PaletteReader<SrcBits>{src, palette});
    } else if constexpr (SrcBits == 12 || SrcBits == 16) {
        constexpr SampleFetch fetch = SrcBits == 12 ? &Sample12At : &Sample16At;
        if (SrcBits == 12 || bitmap.Order == 2) {
            const GrayWindow window(bitmap);
            if (window.levels != nullptr)
                body(LevelGrayReader<fetch>{src, window});
            else
                body(PlainGrayReader<fetch>(src, window));
        } else if constexpr (SrcBits == 16) {
            if (bitmap.Order == 1)
                body(Rgb555Reader<true>{src});
            else
                body(Rgb555Reader<false>{src});
        }
    } else {
        if (bitmap.Order == 1)
            body(DirectColorReader<SrcBits, true>{src});
        else
            body(DirectColorReader<SrcBits, false>{src});
    }
}

}  // namespace paint_pixels
