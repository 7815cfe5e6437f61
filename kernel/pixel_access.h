// Single pixels of every stored layout, resolved at compile time. The
// whole-image operations instantiate their loops from these and pick the
// instance for a record's depth from a table once per call, so no loop
// switches on the depth.
#pragma once

#include <array>
#include <cstddef>
#include <cstring>

#include "zelt/win32.h"

namespace zelt::kernel::pixels {

// 1 to 8 bits, packed most significant bits first; 3, 5, 6 and 7-bit pixels
// may straddle a byte boundary.
template <int Bits>
struct Packed {
    using Value = unsigned;
    static constexpr unsigned kMask = (1u << Bits) - 1;

    static Value Get(const BYTE *row, std::size_t x) {
        const std::size_t bit = x * Bits;
        const BYTE *at = row + (bit >> 3);
        const unsigned offset = static_cast<unsigned>(bit & 7);
        if (offset + Bits <= 8) return (at[0] >> (8 - Bits - offset)) & kMask;
        const unsigned word = (unsigned{at[0]} << 8) | at[1];
        return (word >> (16 - Bits - offset)) & kMask;
    }

    static void Set(BYTE *row, std::size_t x, Value value) {
        const std::size_t bit = x * Bits;
        BYTE *at = row + (bit >> 3);
        const unsigned offset = static_cast<unsigned>(bit & 7);
        if (offset + Bits <= 8) {
            const unsigned shift = 8 - Bits - offset;
            at[0] = static_cast<BYTE>((at[0] & ~(kMask << shift)) | ((value & kMask) << shift));
            return;
        }
        const unsigned shift = 16 - Bits - offset;
        unsigned word = (unsigned{at[0]} << 8) | at[1];
        word = (word & ~(kMask << shift)) | ((value & kMask) << shift);
        at[0] = static_cast<BYTE>(word >> 8);
        at[1] = static_cast<BYTE>(word);
    }
};

// 12-bit samples: bits x * 12 .. x * 12 + 11 of the row read as a
// little-endian bit stream.
struct Sample12 {
    using Value = unsigned;

    static Value Get(const BYTE *row, std::size_t x) {
        const BYTE *at = row + ((x * 3) >> 1);
        const unsigned word = at[0] | (unsigned{at[1]} << 8);
        return (x & 1) ? (word >> 4) : (word & 0xFFFu);
    }

    static void Set(BYTE *row, std::size_t x, Value value) {
        BYTE *at = row + ((x * 3) >> 1);
        const unsigned shift = (x & 1) ? 4 : 0;
        unsigned word = at[0] | (unsigned{at[1]} << 8);
        word = (word & ~(0xFFFu << shift)) | ((value & 0xFFFu) << shift);
        at[0] = static_cast<BYTE>(word);
        at[1] = static_cast<BYTE>(word >> 8);
    }
};

// 16-bit samples: one little-endian word per pixel.
struct Sample16 {
    using Value = unsigned;

    static Value Get(const BYTE *row, std::size_t x) { return row[2 * x] | (unsigned{row[2 * x + 1]} << 8); }

    static void Set(BYTE *row, std::size_t x, Value value) {
        row[2 * x] = static_cast<BYTE>(value);
        row[2 * x + 1] = static_cast<BYTE>(value >> 8);
    }
};

// Whole-byte pixels (8, 16, 24, 32, 48 and 64 bits) moved as they are.
template <int Bytes>
struct Whole {
    using Value = std::array<BYTE, Bytes>;

    static Value Get(const BYTE *row, std::size_t x) {
        Value value;
        std::memcpy(value.data(), row + x * Bytes, Bytes);
        return value;
    }

    static void Set(BYTE *row, std::size_t x, const Value &value) { std::memcpy(row + x * Bytes, value.data(), Bytes); }
};

// Calls `visit` with the access type of a depth (an empty object of it) and
// returns what it returns; `fallback` for a depth no record can have.
template <typename Result, typename Visitor>
Result WithAccess(int bitsPerPixel, Visitor &&visit, Result fallback) {
    switch (bitsPerPixel) {
    case 1: return visit(Packed<1>{});
    case 2: return visit(Packed<2>{});
    case 3: return visit(Packed<3>{});
    case 4: return visit(Packed<4>{});
    case 5: return visit(Packed<5>{});
    case 6: return visit(Packed<6>{});
    case 7: return visit(Packed<7>{});
    case 8: return visit(Whole<1>{});
    case 12: return visit(Sample12{});
    case 16: return visit(Whole<2>{});
    case 24: return visit(Whole<3>{});
    case 32: return visit(Whole<4>{});
    case 48: return visit(Whole<6>{});
    case 64: return visit(Whole<8>{});
    default: return fallback;
    }
}

}  // namespace zelt::kernel::pixels
