// A surface: the pixels GDI draws into or reads from. Whatever the memory
// order of the bitmap behind it (bottom-up DIB, top-down DIB, WORD-aligned
// DDB), a surface is a pointer to its top row and a signed stride, so code
// below never needs to know the orientation.
#pragma once

#include <cstddef>

#include "gdi/pixel_format.h"

namespace zelt::platform {

struct Surface {
    int width = 0;
    int height = 0;
    BYTE *top = nullptr;        // row 0, the top row on the device
    std::ptrdiff_t stride = 0;  // bytes from one row to the next one down
    const PixelFormatOps *ops = nullptr;
    // Colour table of indexed formats (Mono: black, white); `tableSize`
    // entries are meaningful, entries past it are black.
    RGBQUAD table[256] = {};
    int tableSize = 0;

    BYTE *Row(int y) const noexcept { return top + y * stride; }
    PixelFormatId Format() const noexcept { return ops->id; }
    int BitsPixel() const noexcept { return ops->bitsPixel; }
    bool Contains(int x, int y) const noexcept { return x >= 0 && y >= 0 && x < width && y < height; }
    RECT Bounds() const noexcept { return RECT{0, 0, width, height}; }

    DWORD GetRaw(int x, int y) const noexcept { return ops->getRaw(Row(y), x); }
    void SetRaw(int x, int y, DWORD raw) const noexcept { ops->setRaw(Row(y), x, raw); }
    COLORREF ColorOf(DWORD raw) const noexcept { return ops->colorOf(*this, raw); }
    DWORD RawOf(COLORREF colour) const noexcept { return ops->rawOf(*this, colour); }
    COLORREF GetColor(int x, int y) const noexcept { return ColorOf(GetRaw(x, y)); }

    // All-ones raw value of the format (WHITENESS, the ROP "1").
    DWORD AllOnes() const noexcept;
    // True when both surfaces store raw values with the same meaning (same
    // format, and for indexed formats the same colour table).
    bool SameRawMeaning(const Surface &other) const noexcept;
};

// Describes `rows` rows of `width` pixels at `bits`. A positive `height`
// means bottom-up memory order (the last row in memory is the top),
// negative means top-down. `rowBytes` is the memory stride.
void DescribeSurface(Surface &surface, PixelFormatId format, int width, int height, BYTE *bits,
                     std::ptrdiff_t rowBytes) noexcept;

// Row size of a DIB: DWORD-aligned.
constexpr LONG DibRowBytes(LONG width, int bitsPixel) noexcept {
    return static_cast<LONG>(((static_cast<long long>(width) * bitsPixel + 31) / 32) * 4);
}

// Colour tables the system synthesises.
extern const RGBQUAD kBlackWhiteTable[2];
extern const RGBQUAD kVgaTable[16];
// The default 256-entry table: the 20 default-palette colours at 0..9 and
// 246..255, the rest filled as GetDIBits reports it.
const RGBQUAD *DefaultTable256() noexcept;

}  // namespace zelt::platform
