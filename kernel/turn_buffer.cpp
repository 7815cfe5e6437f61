// Turning bands of DWORD-aligned rows by 90, 180 and 270 degrees. Rows are
// indexed as they lie in memory (row 0 first); the output's padding bits are
// zero. One function per depth, picked from a table once per band.
#include <array>
#include <cstdint>
#include <cstring>

#include "zelt/kernel.h"

namespace {

std::size_t RowStride(int width, int bits) {
    return ((static_cast<std::size_t>(width) * bits + 31) / 32) * 4;
}

// Pixel access of one depth; sub-byte pixels are packed most significant
// bits first. Put ORs into a zeroed row.
template <int Bits>
struct Pixels {
    static std::uint32_t Get(const BYTE *row, std::size_t x) {
        if constexpr (Bits >= 8) {
            std::uint32_t value = 0;
            std::memcpy(&value, row + x * (Bits / 8), Bits / 8);
            return value;
        } else {
            const std::size_t bit = x * Bits;
            return (row[bit >> 3] >> (8 - Bits - (bit & 7))) & ((1u << Bits) - 1);
        }
    }
    static void Put(BYTE *row, std::size_t x, std::uint32_t value) {
        if constexpr (Bits >= 8) {
            std::memcpy(row + x * (Bits / 8), &value, Bits / 8);
        } else {
            const std::size_t bit = x * Bits;
            row[bit >> 3] |= static_cast<BYTE>(value << (8 - Bits - (bit & 7)));
        }
    }
};

// out(a, b) = in(height - 1 - b, a) when clockwise, in(b, width - 1 - a)
// otherwise; `out` has `width` rows of `height` pixels.
template <int Bits>
void Rotate(const BYTE *in, BYTE *out, bool clockwise, int width, int height) {
    const std::size_t inStride = RowStride(width, Bits);
    const std::size_t outStride = RowStride(height, Bits);
    std::memset(out, 0, outStride * static_cast<std::size_t>(width));
    for (int a = 0; a < width; ++a) {
        BYTE *outRow = out + outStride * static_cast<std::size_t>(a);
        const std::size_t column = clockwise ? static_cast<std::size_t>(a) : static_cast<std::size_t>(width - 1 - a);
        for (int b = 0; b < height; ++b) {
            const int row = clockwise ? height - 1 - b : b;
            Pixels<Bits>::Put(outRow, b, Pixels<Bits>::Get(in + inStride * static_cast<std::size_t>(row), column));
        }
    }
}

// out(a, b) = in(height - 1 - a, width - 1 - b).
template <int Bits>
void Reverse(const BYTE *in, BYTE *out, int width, int height) {
    const std::size_t stride = RowStride(width, Bits);
    std::memset(out, 0, stride * static_cast<std::size_t>(height));
    for (int a = 0; a < height; ++a) {
        const BYTE *inRow = in + stride * static_cast<std::size_t>(height - 1 - a);
        BYTE *outRow = out + stride * static_cast<std::size_t>(a);
        if constexpr (Bits == 8) {
            for (int b = 0; b < width; ++b) outRow[b] = inRow[width - 1 - b];
        } else {
            for (int b = 0; b < width; ++b)
                Pixels<Bits>::Put(outRow, b, Pixels<Bits>::Get(inRow, static_cast<std::size_t>(width - 1 - b)));
        }
    }
}

struct TurnEntry {
    int bits;
    void (*rotate)(const BYTE *, BYTE *, bool, int, int);
    void (*reverse)(const BYTE *, BYTE *, int, int);
};

constexpr std::array<TurnEntry, 7> kTurners = {{
    {1, Rotate<1>, Reverse<1>},
    {2, Rotate<2>, Reverse<2>},
    {4, Rotate<4>, Reverse<4>},
    {8, Rotate<8>, Reverse<8>},
    {16, Rotate<16>, Reverse<16>},
    {24, Rotate<24>, Reverse<24>},
    {32, Rotate<32>, Reverse<32>},
}};

const TurnEntry *FindTurner(int bits) {
    for (const TurnEntry &entry : kTurners)
        if (entry.bits == bits) return &entry;
    return nullptr;
}

bool ValidBand(const void *band, const void *turned, int width, int height) {
    return band != nullptr && turned != nullptr && band != turned && width >= 0 && height >= 0;
}

}  // namespace

extern "C" int ZELT_API KrnRotateBuffer(const void *band, void *turned, int direction, int width, int height,
                                        int bitsPerPixel) {
    const TurnEntry *turner = FindTurner(bitsPerPixel);
    if (turner == nullptr || !ValidBand(band, turned, width, height) || (direction != 0 && direction != 1))
        return STATUS_BAD_PARAMETER;
    if (width == 0 || height == 0) return STATUS_OK;
    turner->rotate(static_cast<const BYTE *>(band), static_cast<BYTE *>(turned), direction == 1, width, height);
    return STATUS_OK;
}

extern "C" int ZELT_API KrnReverseBuffer(const void *band, void *turned, int width, int height, int bitsPerPixel) {
    const TurnEntry *turner = FindTurner(bitsPerPixel);
    if (turner == nullptr || !ValidBand(band, turned, width, height)) return STATUS_BAD_PARAMETER;
    if (width == 0 || height == 0) return STATUS_OK;
    turner->reverse(static_cast<const BYTE *>(band), static_cast<BYTE *>(turned), width, height);
    return STATUS_OK;
}
