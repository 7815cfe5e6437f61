// Rows of 1-bit images as alternating run lengths, so that box filters
// over scanned pages cost per black/white transition, not per pixel.
#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#include "zelt/kernel.h"

namespace {

constexpr DWORD kLongestRun = 0xFFFF;

// Length of the run of bits equal to `value` from bit `pos` (bit 0 = most
// significant bit of byte 0) up to `end`.
std::size_t RunLength(const BYTE *bits, std::size_t pos, std::size_t end, unsigned value) {
    const unsigned flip = value ? 0xFFu : 0x00u;  // makes matching bits zero
    const std::uint64_t fill = value ? ~std::uint64_t{0} : 0;
    std::size_t p = pos;
    while (p < end) {
        const unsigned shift = static_cast<unsigned>(p & 7);
        const unsigned b = ((bits[p >> 3] ^ flip) << shift) & 0xFFu;
        const unsigned available = 8 - shift;
        if (b != 0) {
            // The first differing bit lies inside this byte.
            p += static_cast<unsigned>(std::countl_zero(static_cast<std::uint8_t>(b)));
            break;
        }
        p += available;
        // Whole bytes of the run: skip eight at a time.
        while (p + 64 <= end) {
            std::uint64_t word;
            std::memcpy(&word, bits + (p >> 3), sizeof word);
            if (word != fill) break;
            p += 64;
        }
        while (p + 8 <= end && bits[p >> 3] == static_cast<BYTE>(fill)) p += 8;
    }
    return std::min(p, end) - pos;
}

// Appends one run, splitting it by zero-length runs of the other value
// where it does not fit 16 bits.
int AppendRun(WORD *runs, int n, std::size_t length) {
    while (length > kLongestRun) {
        runs[n++] = static_cast<WORD>(kLongestRun);
        runs[n++] = 0;
        length -= kLongestRun;
    }
    runs[n++] = static_cast<WORD>(length);
    return n;
}

}  // namespace

extern "C" int ZELT_API KrnGetRowRuns(BitmapRecord *bitmap, void *bitScratch, WORD *runs, int row, int firstColumn,
                                      int count) {
    if (bitmap == nullptr || bitScratch == nullptr || runs == nullptr || bitmap->BitsPerPixel != 1)
        return STATUS_BAD_PARAMETER;
    if (row < 0 || row >= bitmap->Height || firstColumn < 0 || count < 0 ||
        static_cast<std::int64_t>(firstColumn) + count > bitmap->Width)
        return STATUS_BAD_PARAMETER;
    if (count == 0) {
        runs[0] = 0;
        return 1;
    }
    const int start = firstColumn & ~7;
    const std::size_t offset = static_cast<std::size_t>(firstColumn & 7);
    const std::size_t end = offset + static_cast<std::size_t>(count);
    auto *bits = static_cast<BYTE *>(bitScratch);
    const int copied = KrnGetBitmapRowCol(bitmap, bits, row, start, static_cast<DWORD>((end + 7) / 8));
    if (copied < 0) return copied;

    int n = 0;
    unsigned value = 0;
    for (std::size_t pos = offset; pos < end; value ^= 1) {
        const std::size_t length = RunLength(bits, pos, end, value);
        n = AppendRun(runs, n, length);
        pos += length;
    }
    return n;
}
