#include "packed_indices.h"

#include <array>
#include <cstring>

namespace zelt::kernel {
namespace {

// A bit accumulator moves whole bytes in and out; it never holds more than
// 15 bits, so 3, 5, 6 and 7-bit indices straddling bytes need no special case.
template <int Bits>
void Unpack(BYTE *indices, const BYTE *row, int count) {
    if constexpr (Bits == 8) {
        std::memcpy(indices, row, static_cast<std::size_t>(count));
    } else {
        constexpr unsigned kMask = (1u << Bits) - 1;
        unsigned pending = 0;
        int held = 0;
        for (int x = 0; x < count; ++x) {
            if (held < Bits) {
                pending = (pending << 8) | *row++;
                held += 8;
            }
            held -= Bits;
            indices[x] = static_cast<BYTE>((pending >> held) & kMask);
            pending &= (1u << held) - 1;
        }
    }
}

template <int Bits>
void Pack(BYTE *row, const BYTE *indices, int count) {
    if constexpr (Bits == 8) {
        std::memcpy(row, indices, static_cast<std::size_t>(count));
    } else {
        constexpr unsigned kMask = (1u << Bits) - 1;
        unsigned pending = 0;
        int held = 0;
        for (int x = 0; x < count; ++x) {
            pending = (pending << Bits) | (indices[x] & kMask);
            held += Bits;
            if (held >= 8) {
                held -= 8;
                *row++ = static_cast<BYTE>(pending >> held);
                pending &= (1u << held) - 1;
            }
        }
        if (held > 0) *row = static_cast<BYTE>(pending << (8 - held));
    }
}

constexpr std::array<IndexUnpacker, 8> kUnpackers = {Unpack<1>, Unpack<2>, Unpack<3>, Unpack<4>,
                                                     Unpack<5>, Unpack<6>, Unpack<7>, Unpack<8>};
constexpr std::array<IndexPacker, 8> kPackers = {Pack<1>, Pack<2>, Pack<3>, Pack<4>,
                                                 Pack<5>, Pack<6>, Pack<7>, Pack<8>};

}  // namespace

IndexUnpacker IndexUnpackerFor(int bits) { return bits >= 1 && bits <= 8 ? kUnpackers[bits - 1] : nullptr; }

IndexPacker IndexPackerFor(int bits) { return bits >= 1 && bits <= 8 ? kPackers[bits - 1] : nullptr; }

}  // namespace zelt::kernel
