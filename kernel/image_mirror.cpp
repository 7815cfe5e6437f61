#include "image_mirror.h"

#include <algorithm>
#include <array>
#include <utility>

#include "pixel_access.h"
#include "record_internal.h"

namespace zelt::kernel {
namespace {

using RowMirror = void (*)(BYTE *row, int width);

// Any layout: pixels swapped pairwise from both ends.
template <typename Access>
void SwapEnds(BYTE *row, int width) {
    for (std::size_t left = 0, right = static_cast<std::size_t>(width) - 1; left < right; ++left, --right) {
        const auto a = Access::Get(row, left);
        Access::Set(row, left, Access::Get(row, right));
        Access::Set(row, right, a);
    }
}

// A byte with its Bits-wide pixels in reverse order.
template <int Bits>
constexpr std::array<BYTE, 256> ReversedPixelTable() {
    std::array<BYTE, 256> table{};
    constexpr int kMask = (1 << Bits) - 1;
    for (int b = 0; b < 256; ++b) {
        int reversed = 0;
        for (int shift = 0; shift < 8; shift += Bits) reversed = (reversed << Bits) | ((b >> shift) & kMask);
        table[static_cast<std::size_t>(b)] = static_cast<BYTE>(reversed);
    }
    return table;
}

// 1, 2 and 4 bits: the used bytes reversed, each through a table, then the
// whole run moved left by the bits that padded its last byte.
template <int Bits>
void ReverseBytes(BYTE *row, int width) {
    static constexpr std::array<BYTE, 256> kReversed = ReversedPixelTable<Bits>();
    const std::size_t bits = static_cast<std::size_t>(width) * Bits;
    const std::size_t used = (bits + 7) / 8;
    const int pad = static_cast<int>(used * 8 - bits);
    std::reverse(row, row + used);
    for (std::size_t i = 0; i < used; ++i) row[i] = kReversed[row[i]];
    if (pad == 0) return;
    for (std::size_t i = 0; i + 1 < used; ++i) row[i] = static_cast<BYTE>((row[i] << pad) | (row[i + 1] >> (8 - pad)));
    row[used - 1] = static_cast<BYTE>(row[used - 1] << pad);
}

RowMirror RowMirrorFor(int bits) {
    switch (bits) {
    case 1: return ReverseBytes<1>;
    case 2: return ReverseBytes<2>;
    case 4: return ReverseBytes<4>;
    default:
        return pixels::WithAccess<RowMirror>(
            bits, []<typename Access>(Access) -> RowMirror { return SwapEnds<Access>; }, nullptr);
    }
}

}  // namespace

void MirrorRows(BitmapRecord &bitmap) {
    const std::size_t bytes = static_cast<std::size_t>(bitmap.BytesPerLine);
    for (int top = 0, bottom = bitmap.Height - 1; top < bottom; ++top, --bottom)
        std::swap_ranges(RowAddress(&bitmap, top), RowAddress(&bitmap, top) + bytes, RowAddress(&bitmap, bottom));
}

bool MirrorColumns(BitmapRecord &bitmap) {
    const RowMirror mirror = RowMirrorFor(bitmap.BitsPerPixel);
    if (mirror == nullptr) return false;
    for (int row = 0; row < bitmap.Height; ++row) mirror(RowAddress(&bitmap, row), bitmap.Width);
    return true;
}

}  // namespace zelt::kernel
