// Bit-run copy: a few single bits until the destination reaches a byte
// boundary, then whole bytes assembled from two source bytes, then the tail.
#include "bit_copy.h"

#include <cstring>

namespace zelt::kernel {
namespace {

// Bit k of a row read as a big-endian bit stream.
struct MsbFirst {
    static unsigned Get(const BYTE *row, std::size_t bit) { return (row[bit >> 3] >> (7 - (bit & 7))) & 1u; }
    static void Set(BYTE *row, std::size_t bit, unsigned value) {
        const BYTE mask = static_cast<BYTE>(0x80u >> (bit & 7));
        row[bit >> 3] = static_cast<BYTE>(value ? (row[bit >> 3] | mask) : (row[bit >> 3] & ~mask));
    }
    // The 8 bits starting at `bit`; reads the next byte only when they straddle it.
    static BYTE Read8(const BYTE *row, std::size_t bit) {
        const std::size_t shift = bit & 7;
        const BYTE *p = row + (bit >> 3);
        if (shift == 0) return p[0];
        return static_cast<BYTE>((p[0] << shift) | (p[1] >> (8 - shift)));
    }
};

// Bit k of a row read as a little-endian bit stream.
struct LsbFirst {
    static unsigned Get(const BYTE *row, std::size_t bit) { return (row[bit >> 3] >> (bit & 7)) & 1u; }
    static void Set(BYTE *row, std::size_t bit, unsigned value) {
        const BYTE mask = static_cast<BYTE>(1u << (bit & 7));
        row[bit >> 3] = static_cast<BYTE>(value ? (row[bit >> 3] | mask) : (row[bit >> 3] & ~mask));
    }
    static BYTE Read8(const BYTE *row, std::size_t bit) {
        const std::size_t shift = bit & 7;
        const BYTE *p = row + (bit >> 3);
        if (shift == 0) return p[0];
        return static_cast<BYTE>((p[0] >> shift) | (p[1] << (8 - shift)));
    }
};

template <typename Order>
void CopyBits(BYTE *dst, std::size_t dstBit, const BYTE *src, std::size_t srcBit, std::size_t count) {
    if (((dstBit | srcBit) & 7) == 0) {
        // Both byte aligned: the bulk is a plain memcpy.
        std::memcpy(dst + (dstBit >> 3), src + (srcBit >> 3), count >> 3);
        const std::size_t whole = count & ~std::size_t{7};
        dstBit += whole;
        srcBit += whole;
        count -= whole;
    }
    while (count > 0 && (dstBit & 7) != 0) {
        Order::Set(dst, dstBit++, Order::Get(src, srcBit++));
        --count;
    }
    for (; count >= 8; count -= 8, dstBit += 8, srcBit += 8) dst[dstBit >> 3] = Order::Read8(src, srcBit);
    while (count > 0) {
        Order::Set(dst, dstBit++, Order::Get(src, srcBit++));
        --count;
    }
}

}  // namespace

void CopyBitsMsbFirst(BYTE *dst, std::size_t dstBit, const BYTE *src, std::size_t srcBit, std::size_t count) {
    CopyBits<MsbFirst>(dst, dstBit, src, srcBit, count);
}

void CopyBitsLsbFirst(BYTE *dst, std::size_t dstBit, const BYTE *src, std::size_t srcBit, std::size_t count) {
    CopyBits<LsbFirst>(dst, dstBit, src, srcBit, count);
}

BitCopyFunction BitCopierForDepth(int bitsPerPixel) {
    // Only 12-bit gray packs its samples from the low bits up; whole-byte
    // depths give aligned offsets, where both orders are the same.
    return bitsPerPixel == 12 ? CopyBitsLsbFirst : CopyBitsMsbFirst;
}

}  // namespace zelt::kernel
