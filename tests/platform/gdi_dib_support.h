// Helpers for the DIB vector tests: colour tables by name, raw pixel values
// from the vectors' notation, and writing/reading raw pixels of a DIB row
// independently of the platform's own pixel code.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/json_reader.h"
#include "zelt/win32.h"

namespace zelt::test {

// A BITMAPINFO with room for 256 colour entries.
struct DibHeader {
    BITMAPINFOHEADER header{};
    RGBQUAD colours[256]{};
    BITMAPINFO *Info() { return reinterpret_cast<BITMAPINFO *>(this); }
};

inline unsigned RawValue(const JsonValue &value) {
    if (value.IsNumber()) return static_cast<unsigned>(value.AsInt());
    return static_cast<unsigned>(std::stoul(value.AsString(), nullptr, 16));
}

inline RGBQUAD QuadOfHex(const std::string &text) {
    const unsigned rgb = static_cast<unsigned>(std::stoul(text, nullptr, 16));
    return RGBQUAD{static_cast<BYTE>(rgb), static_cast<BYTE>(rgb >> 8), static_cast<BYTE>(rgb >> 16), 0};
}

inline int DibStride(int width, int bpp) { return ((width * bpp + 31) / 32) * 4; }

// Raw pixel x of a row in memory (1/4/8 bits: index; 16: WORD; 24:
// 0xRRGGBB; 32: DWORD).
inline unsigned GetRawPixel(const BYTE *row, int x, int bpp) {
    switch (bpp) {
        case 1: return (row[x / 8] >> (7 - x % 8)) & 1;
        case 4: return (row[x / 2] >> (x % 2 ? 0 : 4)) & 15;
        case 8: return row[x];
        case 16: return row[2 * x] | (row[2 * x + 1] << 8);
        case 24: return row[3 * x] | (row[3 * x + 1] << 8) | (row[3 * x + 2] << 16);
        default: return row[4 * x] | (row[4 * x + 1] << 8) | (row[4 * x + 2] << 16) | (unsigned(row[4 * x + 3]) << 24);
    }
}

inline void SetRawPixel(BYTE *row, int x, int bpp, unsigned raw) {
    switch (bpp) {
        case 1: row[x / 8] = static_cast<BYTE>((row[x / 8] & ~(1 << (7 - x % 8))) | ((raw & 1) << (7 - x % 8))); break;
        case 4: {
            const int shift = x % 2 ? 0 : 4;
            row[x / 2] = static_cast<BYTE>((row[x / 2] & ~(15 << shift)) | ((raw & 15) << shift));
            break;
        }
        case 8: row[x] = static_cast<BYTE>(raw); break;
        case 16: row[2 * x] = static_cast<BYTE>(raw), row[2 * x + 1] = static_cast<BYTE>(raw >> 8); break;
        case 24:
            for (int i = 0; i < 3; ++i) row[3 * x + i] = static_cast<BYTE>(raw >> (8 * i));
            break;
        default:
            for (int i = 0; i < 4; ++i) row[4 * x + i] = static_cast<BYTE>(raw >> (8 * i));
            break;
    }
}

// Memory row of visual row y for a DIB of |height| rows.
inline BYTE *DibRow(BYTE *bits, int width, int height, int bpp, int y) {
    const int rows = height < 0 ? -height : height;
    const int memoryRow = height < 0 ? y : rows - 1 - y;
    return bits + static_cast<std::ptrdiff_t>(memoryRow) * DibStride(width, bpp);
}

}  // namespace zelt::test
