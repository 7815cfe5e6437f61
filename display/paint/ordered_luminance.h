// 1-bit ordered dither of 24- and 32-bit rows, 16 pixels at a time with
// SSE2: the pixels are gathered last-first into 32-bit lanes, 2R + 5G + B
// is two pmaddwd steps, the compare against the per-column limits gives one
// mask lane per pixel and movemask turns the 16 lanes into the two output
// bytes (pixel 0 at the top bit of the first).
#pragma once

#include <array>
#include <cstring>

#include "paint/source_pixels.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace paint_reduce {

// Other readers have no fast path: no pixels done.
template <typename Reader>
int DitherLuminance16(BYTE *, const Reader &, const std::array<int, 8> &, int, int) {
    return 0;
}

#if defined(__SSE2__)

namespace ordered_luminance {

// Four pixels of Stride bytes (channels at bytes 0..2) into 32-bit lanes,
// pixel `at + 3` in lane 0. A 24-bit pixel is read as 4 bytes, so the byte
// after the last one must be readable.
template <int Stride>
inline __m128i FourPixelsLastFirst(const BYTE *at) {
    if constexpr (Stride == 4) {
        return _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i *>(at)), _MM_SHUFFLE(0, 1, 2, 3));
    } else {
        auto pixel = [at](int i) {
            int word;
            std::memcpy(&word, at + 3 * i, 4);
            return _mm_cvtsi32_si128(word);
        };
        return _mm_unpacklo_epi64(_mm_unpacklo_epi32(pixel(3), pixel(2)), _mm_unpacklo_epi32(pixel(1), pixel(0)));
    }
}

// Luminance 2R + 5G + B of four pixels in 32-bit lanes, as 32-bit lanes.
inline __m128i Luminance4(__m128i pixels, __m128i weights) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i low = _mm_madd_epi16(_mm_unpacklo_epi8(pixels, zero), weights);
    const __m128i high = _mm_madd_epi16(_mm_unpackhi_epi8(pixels, zero), weights);
    return _mm_madd_epi16(_mm_packs_epi32(low, high), _mm_set1_epi16(1));
}

// Luminance of pixels at .. at + 7 as 16-bit lanes, pixel at + 7 in lane 0.
template <int Stride>
inline __m128i Luminance8(const BYTE *at, __m128i weights) {
    return _mm_packs_epi32(Luminance4(FourPixelsLastFirst<Stride>(at + 4 * Stride), weights),
                           Luminance4(FourPixelsLastFirst<Stride>(at), weights));
}

}  // namespace ordered_luminance

// Whole groups of 16 pixels of a 24- or 32-bit row: pixel k is white when
// 2R + 5G + B + 4 >= limit[k & 7]. Returns the pixels done.
template <int Stride, bool BlueFirst>
int DitherLuminance16(BYTE *dst, const paint_pixels::ChannelReader<Stride, 0, 1, 2, BlueFirst> &reader,
                      const std::array<int, 8> &limit, int xStart, int count) {
    using namespace ordered_luminance;
    if constexpr (Stride != 3 && Stride != 4) {
        return 0;
    } else {
        // Channel bytes in memory order: blue, green, red or red, green, blue.
        const __m128i weights = BlueFirst ? _mm_setr_epi16(1, 5, 2, 0, 1, 5, 2, 0) : _mm_setr_epi16(2, 5, 1, 0, 2, 5, 1, 0);
        // Lane j holds pixel 7 - j of a byte: compare luminance > limit - 5.
        const __m128i below = _mm_setr_epi16(
            static_cast<short>(limit[7] - 5), static_cast<short>(limit[6] - 5), static_cast<short>(limit[5] - 5),
            static_cast<short>(limit[4] - 5), static_cast<short>(limit[3] - 5), static_cast<short>(limit[2] - 5),
            static_cast<short>(limit[1] - 5), static_cast<short>(limit[0] - 5));
        // A 24-bit group reads one byte past its last pixel: that byte must
        // belong to the row, so the last pixel is left to the caller.
        const int groups = (Stride == 3 ? count - 1 : count) / 16;
        const BYTE *at = reader.src + static_cast<std::size_t>(xStart) * Stride;
        for (int g = 0; g < groups; ++g, at += 16 * Stride) {
            const __m128i first = _mm_cmpgt_epi16(Luminance8<Stride>(at, weights), below);
            const __m128i second = _mm_cmpgt_epi16(Luminance8<Stride>(at + 8 * Stride, weights), below);
            const int bits = _mm_movemask_epi8(_mm_packs_epi16(first, second));
            dst[2 * g] = static_cast<BYTE>(bits);
            dst[2 * g + 1] = static_cast<BYTE>(bits >> 8);
        }
        return groups * 16;
    }
}

#endif  // __SSE2__

}  // namespace paint_reduce
