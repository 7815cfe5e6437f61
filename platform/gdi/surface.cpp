#include "gdi/surface.h"

#include <cstring>

#include "gdi/screen.h"

namespace zelt::platform {

const RGBQUAD kBlackWhiteTable[2] = {{0, 0, 0, 0}, {0xFF, 0xFF, 0xFF, 0}};

// RGBQUAD is blue, green, red.
const RGBQUAD kVgaTable[16] = {
    {0x00, 0x00, 0x00, 0}, {0x00, 0x00, 0x80, 0}, {0x00, 0x80, 0x00, 0}, {0x00, 0x80, 0x80, 0},
    {0x80, 0x00, 0x00, 0}, {0x80, 0x00, 0x80, 0}, {0x80, 0x80, 0x00, 0}, {0x80, 0x80, 0x80, 0},
    {0xC0, 0xC0, 0xC0, 0}, {0x00, 0x00, 0xFF, 0}, {0x00, 0xFF, 0x00, 0}, {0x00, 0xFF, 0xFF, 0},
    {0xFF, 0x00, 0x00, 0}, {0xFF, 0x00, 0xFF, 0}, {0xFF, 0xFF, 0x00, 0}, {0xFF, 0xFF, 0xFF, 0},
};

const RGBQUAD *DefaultTable256() noexcept {
    // The 20 static colours at both ends; between them an 8 x 8 x 4 grid
    // (red steps of 0x20 in the low three index bits, green in the next
    // three, blue steps of 0x40 in the top two).
    static const auto table = [] {
        struct Table {
            RGBQUAD entries[256];
        } t{};
        for (int i = 0; i < 256; ++i) {
            t.entries[i] = RGBQUAD{static_cast<BYTE>(((i >> 6) & 3) * 0x40), static_cast<BYTE>(((i >> 3) & 7) * 0x20),
                                   static_cast<BYTE>((i & 7) * 0x20), 0};
        }
        for (int i = 0; i < 10; ++i) {
            const PALETTEENTRY &low = kStaticColours[i], &high = kStaticColours[10 + i];
            t.entries[i] = RGBQUAD{low.peBlue, low.peGreen, low.peRed, 0};
            t.entries[246 + i] = RGBQUAD{high.peBlue, high.peGreen, high.peRed, 0};
        }
        return t;
    }();
    return table.entries;
}

void DescribeSurface(Surface &surface, PixelFormatId format, int width, int height, BYTE *bits,
                     std::ptrdiff_t rowBytes) noexcept {
    surface.ops = &FormatOps(format);
    surface.width = width;
    if (height > 0) {
        // Bottom-up: the top row is the last one in memory.
        surface.height = height;
        surface.top = bits + (height - 1) * rowBytes;
        surface.stride = -rowBytes;
    } else {
        surface.height = -height;
        surface.top = bits;
        surface.stride = rowBytes;
    }
    if (format == PixelFormatId::Mono) {
        std::memcpy(surface.table, kBlackWhiteTable, sizeof kBlackWhiteTable);
        surface.tableSize = 2;
    }
}

DWORD Surface::AllOnes() const noexcept {
    const int bits = BitsPixel();
    return bits >= 32 ? 0xFFFFFFFFu : (DWORD{1} << bits) - 1;
}

bool Surface::SameRawMeaning(const Surface &other) const noexcept {
    if (ops->id != other.ops->id) return false;
    if (!ops->indexed) return true;
    return tableSize == other.tableSize &&
           std::memcmp(table, other.table, sizeof(RGBQUAD) * static_cast<std::size_t>(tableSize)) == 0;
}

}  // namespace zelt::platform
