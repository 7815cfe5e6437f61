#include "gdi/rgb24_spans.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#if defined(__GNUC__) || defined(__clang__)
#include <tmmintrin.h>
#define ZELT_RGB24_SSSE3 1
#endif
#endif

namespace zelt::platform {

namespace {

// Four pixels from three little-endian DWORDs at a time, then the rest.
void Expand24To32Tail(const BYTE *source, BYTE *destination, int count) {
    int i = 0;
    for (; i + 4 <= count; i += 4, source += 12, destination += 16) {
        DWORD w[3];
        std::memcpy(w, source, 12);
        const DWORD p[4] = {w[0] & 0xFFFFFF, (w[0] >> 24) | ((w[1] & 0xFFFF) << 8), (w[1] >> 16) | ((w[2] & 0xFF) << 16),
                            w[2] >> 8};
        std::memcpy(destination, p, 16);
    }
    for (; i < count; ++i, source += 3, destination += 4) {
        destination[0] = source[0];
        destination[1] = source[1];
        destination[2] = source[2];
        destination[3] = 0;
    }
}

#if defined(__SSE2__)
// Four pixels per 16-byte load: pixel k moves up by k bytes. The load reads
// 4 bytes past the group, so the last groups take the tail.
void Expand24To32Sse2(const BYTE *source, BYTE *destination, int count) {
    const __m128i keep0 = _mm_set_epi32(0, 0, 0, 0x00FFFFFF);
    const __m128i keep1 = _mm_set_epi32(0, 0, 0x00FFFFFF, 0);
    const __m128i keep2 = _mm_set_epi32(0, 0x00FFFFFF, 0, 0);
    const __m128i keep3 = _mm_set_epi32(0x00FFFFFF, 0, 0, 0);
    int i = 0;
    for (; i + 6 <= count; i += 4, source += 12, destination += 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i *>(source));
        const __m128i p01 = _mm_or_si128(_mm_and_si128(x, keep0), _mm_and_si128(_mm_slli_si128(x, 1), keep1));
        const __m128i p23 =
            _mm_or_si128(_mm_and_si128(_mm_slli_si128(x, 2), keep2), _mm_and_si128(_mm_slli_si128(x, 3), keep3));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(destination), _mm_or_si128(p01, p23));
    }
    Expand24To32Tail(source, destination, count - i);
}
#endif

#if defined(ZELT_RGB24_SSSE3)
// Sixteen pixels from three 16-byte loads, spread by one byte shuffle per
// four pixels; the shuffle's -1 lanes give the zero top bytes.
__attribute__((target("ssse3"))) void Expand24To32Ssse3(const BYTE *source, BYTE *destination, int count) {
    const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    int i = 0;
    for (; i + 16 <= count; i += 16, source += 48, destination += 64) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(source));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(source + 16));
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i *>(source + 32));
        __m128i *out = reinterpret_cast<__m128i *>(destination);
        _mm_storeu_si128(out, _mm_shuffle_epi8(a, spread));
        _mm_storeu_si128(out + 1, _mm_shuffle_epi8(_mm_alignr_epi8(b, a, 12), spread));
        _mm_storeu_si128(out + 2, _mm_shuffle_epi8(_mm_alignr_epi8(c, b, 8), spread));
        _mm_storeu_si128(out + 3, _mm_shuffle_epi8(_mm_srli_si128(c, 4), spread));
    }
    Expand24To32Tail(source, destination, count - i);
}
#endif

using ExpandFn = void (*)(const BYTE *, BYTE *, int);

ExpandFn PickExpand() {
#if defined(ZELT_RGB24_SSSE3)
    __builtin_cpu_init();
    if (__builtin_cpu_supports("ssse3")) return &Expand24To32Ssse3;
#endif
#if defined(__SSE2__)
    return &Expand24To32Sse2;
#else
    return &Expand24To32Tail;
#endif
}

// The three bytes of a pixel as 0x00RRGGBB: a WORD and a byte, so the read
// never passes the pixel's last byte.
inline DWORD Load24(const BYTE *p) {
    std::uint16_t low;
    std::memcpy(&low, p, 2);
    return DWORD{low} | DWORD{p[2]} << 16;
}

}  // namespace

void Expand24To32(const BYTE *source, BYTE *destination, int count) noexcept {
    // Chosen on first use, so calls from other static constructors are safe.
    static const ExpandFn expand = PickExpand();
    expand(source, destination, count);
}

void Gather24To32(const BYTE *row, const int *columns, BYTE *destination, int count) noexcept {
    if (count <= 0) return;
    // A DWORD load of any pixel left of the rightmost chosen one stays
    // inside the row; the pixels taking the rightmost column (at one end,
    // the columns being monotonic) read their three bytes alone.
    const int last = std::max(columns[0], columns[count - 1]);
    int begin = 0, end = count;
    while (begin < end && columns[begin] == last) ++begin;
    while (end > begin && columns[end - 1] == last) --end;
    const DWORD edge = Load24(row + static_cast<std::ptrdiff_t>(last) * 3);
    for (int i = 0; i < begin; ++i) std::memcpy(destination + static_cast<std::ptrdiff_t>(i) * 4, &edge, 4);
    for (int i = end; i < count; ++i) std::memcpy(destination + static_cast<std::ptrdiff_t>(i) * 4, &edge, 4);
    int i = begin;
#if defined(__SSE2__)
    // Four DWORD loads, one mask and one store per four pixels.
    const __m128i mask = _mm_set1_epi32(0x00FFFFFF);
    const auto load = [row](int column) {
        int value;
        std::memcpy(&value, row + static_cast<std::ptrdiff_t>(column) * 3, 4);
        return _mm_cvtsi32_si128(value);
    };
    for (; i + 4 <= end; i += 4) {
        const __m128i low = _mm_unpacklo_epi32(load(columns[i]), load(columns[i + 1]));
        const __m128i high = _mm_unpacklo_epi32(load(columns[i + 2]), load(columns[i + 3]));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(destination + static_cast<std::ptrdiff_t>(i) * 4),
                         _mm_and_si128(_mm_unpacklo_epi64(low, high), mask));
    }
#endif
    for (; i < end; ++i) {
        DWORD value;
        std::memcpy(&value, row + static_cast<std::ptrdiff_t>(columns[i]) * 3, 4);
        value &= 0xFFFFFF;
        std::memcpy(destination + static_cast<std::ptrdiff_t>(i) * 4, &value, 4);
    }
}

void Gather24(const BYTE *row, const int *columns, BYTE *destination, int count) noexcept {
    for (int i = 0; i < count; ++i) std::memcpy(destination + static_cast<std::ptrdiff_t>(i) * 3, row + static_cast<std::ptrdiff_t>(columns[i]) * 3, 3);
}

}  // namespace zelt::platform
