// Palettes: conversions between PALETTEENTRY and RGBQUAD, copies and the
// fixed device palettes.
#include <algorithm>
#include <array>
#include <cstring>

#include "memory_internal.h"
#include "palette_internal.h"

namespace zelt::kernel {
namespace {

// Entries are moved through a stack buffer of this many at a time.
constexpr int kChunk = 256;
constexpr int kMaxPaletteEntries = 65535;

constexpr RGBQUAD Quad(BYTE red, BYTE green, BYTE blue) { return RGBQUAD{blue, green, red, 0}; }

constexpr std::array<RGBQUAD, 16> kVgaColors = {{
    Quad(0, 0, 0), Quad(128, 0, 0), Quad(0, 128, 0), Quad(128, 128, 0),
    Quad(0, 0, 128), Quad(128, 0, 128), Quad(0, 128, 128), Quad(128, 128, 128),
    Quad(192, 192, 192), Quad(255, 0, 0), Quad(0, 255, 0), Quad(255, 255, 0),
    Quad(0, 0, 255), Quad(255, 0, 255), Quad(0, 255, 255), Quad(255, 255, 255),
}};

constexpr std::array<RGBQUAD, 256> MakeThreeThreeTwo() {
    constexpr BYTE blue[4] = {0, 85, 170, 255};
    std::array<BYTE, 8> level{};
    for (int k = 0; k < 8; ++k) level[k] = static_cast<BYTE>((k * 255 + 3) / 7);
    std::array<RGBQUAD, 256> table{};
    for (int i = 0; i < 256; ++i) table[i] = Quad(level[i >> 5], level[(i >> 2) & 7], blue[i & 3]);
    return table;
}
constexpr std::array<RGBQUAD, 256> kThreeThreeTwo = MakeThreeThreeTwo();

constexpr RGBQUAD ToQuad(const PALETTEENTRY &e) { return RGBQUAD{e.peBlue, e.peGreen, e.peRed, 0}; }
constexpr PALETTEENTRY ToEntry(const RGBQUAD &q) { return PALETTEENTRY{q.rgbRed, q.rgbGreen, q.rgbBlue, 0}; }

// Makes a palette from `count` entries produced by entryAt(i).
template <typename EntryAt>
HPALETTE CreatePaletteFrom(int count, EntryAt entryAt) {
    if (count < 1 || count > kMaxPaletteEntries) return nullptr;
    const DWORD bytes = static_cast<DWORD>(offsetof(LOGPALETTE, palPalEntry) + sizeof(PALETTEENTRY) * count);
    auto logical = AllocBlock<LOGPALETTE>(bytes);
    if (!logical) return nullptr;
    logical->palVersion = 0x300;
    logical->palNumEntries = static_cast<WORD>(count);
    PALETTEENTRY *entries = logical->palPalEntry;
    for (int i = 0; i < count; ++i) entries[i] = entryAt(i);
    return CreatePalette(logical.get());
}

}  // namespace

HPALETTE CreateGrayRampPalette(int count) {
    return CreatePaletteFrom(count, [count](int i) {
        const BYTE level = static_cast<BYTE>((i * 255 + (count - 1) / 2) / (count - 1));
        return PALETTEENTRY{level, level, level, 0};
    });
}

int PaletteEntryCount(HPALETTE palette) {
    if (palette == nullptr) return 0;
    return static_cast<int>(GetPaletteEntries(palette, 0, 0, nullptr));
}

}  // namespace zelt::kernel

using namespace zelt::kernel;

extern "C" {

int ZELT_API KrnGetPaletteColors(HPALETTE palette, int first, int count, RGBQUAD *colors) {
    if (palette == nullptr || colors == nullptr || first < 0 || count <= 0) return 0;
    int copied = 0;
    std::array<PALETTEENTRY, kChunk> chunk;
    while (copied < count) {
        const UINT wanted = static_cast<UINT>(std::min(count - copied, kChunk));
        const UINT got = GetPaletteEntries(palette, static_cast<UINT>(first + copied), wanted, chunk.data());
        for (UINT i = 0; i < got; ++i) colors[copied + i] = ToQuad(chunk[i]);
        copied += static_cast<int>(got);
        if (got < wanted) break;
    }
    return copied;
}

int ZELT_API KrnGetBitmapColors(BitmapRecord *bitmap, int first, int count, RGBQUAD *colors) {
    if (bitmap == nullptr) return 0;
    return KrnGetPaletteColors(bitmap->Palette, first, count, colors);
}

HPALETTE ZELT_API KrnCreatePaletteCopy(HPALETTE palette) {
    const int count = PaletteEntryCount(palette);
    if (count < 1) return nullptr;
    auto entries = AllocBlock<PALETTEENTRY>(static_cast<DWORD>(sizeof(PALETTEENTRY) * count));
    if (!entries) return nullptr;
    if (GetPaletteEntries(palette, 0, static_cast<UINT>(count), entries.get()) != static_cast<UINT>(count)) {
        return nullptr;
    }
    const PALETTEENTRY *source = entries.get();
    return CreatePaletteFrom(count, [source](int i) { return source[i]; });
}

HPALETTE ZELT_API KrnCreatePaletteFromColors(const RGBQUAD *colors, int count) {
    if (colors == nullptr) return nullptr;
    return CreatePaletteFrom(count, [colors](int i) { return ToEntry(colors[i]); });
}

HPALETTE ZELT_API KrnCreateDevicePalette(int bits) {
    if (bits == 1) {
        return CreatePaletteFrom(2, [](int i) { return i ? PALETTEENTRY{255, 255, 255, 0} : PALETTEENTRY{0, 0, 0, 0}; });
    }
    if (bits == 2) return CreateGrayRampPalette(4);
    if (bits == 4) return KrnCreatePaletteFromColors(kVgaColors.data(), static_cast<int>(kVgaColors.size()));
    if (bits >= 8 && bits <= 64) {
        return KrnCreatePaletteFromColors(kThreeThreeTwo.data(), static_cast<int>(kThreeThreeTwo.size()));
    }
    return nullptr;  // no device has 3, 5, 6 or 7 bits
}

HPALETTE ZELT_API KrnCreateScreenPalette(void) {
    HDC screen = GetDC(nullptr);
    if (screen == nullptr) return KrnCreateDevicePalette(8);
    HPALETTE result = nullptr;
    if ((GetDeviceCaps(screen, RASTERCAPS) & RC_PALETTE) != 0) {
        const int size = std::clamp(GetDeviceCaps(screen, SIZEPALETTE), 0, kChunk);
        std::array<PALETTEENTRY, kChunk> entries{};
        const UINT got = size > 0 ? GetSystemPaletteEntries(screen, 0, static_cast<UINT>(size), entries.data()) : 0;
        if (got > 0) {
            const PALETTEENTRY *source = entries.data();
            result = CreatePaletteFrom(static_cast<int>(got), [source](int i) {
                PALETTEENTRY e = source[i];
                e.peFlags = 0;
                return e;
            });
        }
    } else {
        result = KrnCreateDevicePalette(8);
    }
    ReleaseDC(nullptr, screen);
    return result;
}

int ZELT_API KrnPaletteMatches(HPALETTE palette, const RGBQUAD *colors, int count) {
    if (palette == nullptr || colors == nullptr || count < 1) return 0;
    if (PaletteEntryCount(palette) != count) return 0;
    std::array<PALETTEENTRY, kChunk> chunk;
    for (int done = 0; done < count;) {
        const UINT wanted = static_cast<UINT>(std::min(count - done, kChunk));
        if (GetPaletteEntries(palette, static_cast<UINT>(done), wanted, chunk.data()) != wanted) return 0;
        for (UINT i = 0; i < wanted; ++i) {
            const RGBQUAD &c = colors[done + i];
            if (chunk[i].peRed != c.rgbRed || chunk[i].peGreen != c.rgbGreen || chunk[i].peBlue != c.rgbBlue) return 0;
        }
        done += static_cast<int>(wanted);
    }
    return 1;
}

}  // extern "C"
