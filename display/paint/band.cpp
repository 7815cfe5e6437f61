#include "paint/band.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace paint_band {

Block Allocate(std::size_t bytes, bool zeroed) {
    if (bytes == 0) bytes = 1;
    if (bytes > std::numeric_limits<DWORD>::max()) return Block();
    void *block = zeroed ? KrnAllocZeroed(static_cast<DWORD>(bytes)) : KrnAllocMem(static_cast<DWORD>(bytes));
    return Block(static_cast<BYTE *>(block));
}

int FetchUnit(int bitsPerPixel) {
    switch (bitsPerPixel) {
        case 1: case 3: case 5: case 7: return 8;
        case 2: case 6: return 4;
        case 4: case 12: return 2;
        default: return 1;
    }
}

void ChooseRowFormat(BitmapRecord *bitmap, int paintMode, int deviceBits, bool paintsAsGray, RowFormat *format) {
    const int bits = bitmap->BitsPerPixel;
    format->mode = PAINTMODE_DIRECT;
    format->bandBits = bits;
    if (paintMode == PAINTMODE_CONVERT) {
        int bandBits = bits;
        format->direct = SelectDirectRowConverter(bitmap, paintsAsGray, &bandBits);
        if (format->direct != nullptr) {
            format->mode = PAINTMODE_CONVERT;
            format->bandBits = bandBits;
        }
    } else if (paintMode == PAINTMODE_REDUCE) {
        const int target = std::min(deviceBits, 8);
        format->reduce = SelectRowConverter(bits, target);
        if (format->reduce != nullptr) {
            format->mode = PAINTMODE_REDUCE;
            format->bandBits = target;
            if (bits <= 8) {
                KrnGetPaletteColors(bitmap->Palette, 0, bitmap->ColorCount, format->sourcePalette);
            } else if (bitmap->Order == 2 && bitmap->LevelLut != nullptr) {
                for (int i = 0; i < 256; ++i) {
                    const BYTE level = static_cast<BYTE>(i);
                    format->sourcePalette[i] = {level, level, level, 0};
                }
            }
        }
    }
}

BITMAPINFO *SelectHeader(HDC hdc, DisplaySettings *settings) {
    BITMAPINFO *info = PaintInfo(settings);
    if (GetDeviceCaps(hdc, TECHNOLOGY) == DT_RASPRINTER) {
        std::memcpy(&settings->PrintHeader, &settings->PaintHeader, sizeof(settings->PrintHeader));
        info = reinterpret_cast<BITMAPINFO *>(&settings->PrintHeader);
    }
    info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info->bmiHeader.biPlanes = 1;
    info->bmiHeader.biCompression = BI_RGB;
    return info;
}

int ReductionColors(int bits, UINT displayMode, RGBQUAD *colors) {
    if (bits == 1) {
        colors[0] = {0, 0, 0, 0};
        colors[1] = {255, 255, 255, 0};
        return 2;
    }
    if (bits == 4) {
        std::copy(std::begin(VgaColorTable), std::end(VgaColorTable), colors);
        return 16;
    }
    const RGBQUAD *table = (displayMode & DISP_FIXED_PALETTE) ? CubeColorTable : Rgb332ColorTable;
    std::copy(table, table + 256, colors);
    return 256;
}

UINT FillColorTable(BITMAPINFO *info, BitmapRecord *bitmap, const RowFormat &format, UINT displayMode) {
    BITMAPINFOHEADER &header = info->bmiHeader;
    RGBQUAD *colors = info->bmiColors;
    header.biBitCount = static_cast<WORD>(format.bandBits);
    if (format.bandBits > 8) {
        header.biClrUsed = 0;
        return DIB_RGB_COLORS;
    }
    const DWORD levels = 1u << format.bandBits;
    if (displayMode & DISP_INDEXED_PAINT) {
        header.biClrUsed = levels;
        FillIdentityIndexTable(*reinterpret_cast<RGBQUAD(*)[256]>(colors));
        return DIB_PAL_COLORS;
    }
    if (format.mode == PAINTMODE_REDUCE) {
        header.biClrUsed = levels;
        ReductionColors(format.bandBits, displayMode, colors);
        return DIB_RGB_COLORS;
    }
    if (bitmap->Palette != nullptr) {
        const int count = std::clamp(static_cast<int>(bitmap->ColorCount), 0, 256);
        header.biClrUsed = static_cast<DWORD>(count);
        GetPaintColors(bitmap, bitmap->Palette, 0, count, colors);
        return DIB_RGB_COLORS;
    }
    header.biClrUsed = 256;
    for (int i = 0; i < 256; ++i) colors[i] = {static_cast<BYTE>(i), static_cast<BYTE>(i), static_cast<BYTE>(i), 0};
    return DIB_RGB_COLORS;
}

TurnGeometry TurnFor(int angle) {
    // Band rows run away from the destination's anchor edges (left, bottom)
    // or towards them, as the turn the band gets requires: at 0 the band is
    // the bottom-up DIB itself; 180 reverses rows and pixels; 90 clockwise
    // makes band row k the DIB's column (rows - 1 - k) and band pixel p its
    // row p; 270 makes band row k the column k and pixel p the row
    // (width - 1 - p).
    switch (angle) {
        case 90: return {true, -1, 1};
        case 180: return {false, -1, -1};
        case 270: return {true, 1, -1};
        default: return {false, 1, 1};
    }
}

const BYTE *TurnBand(int angle, const BYTE *band, BYTE *turned, int width, int rows, int bits) {
    switch (angle) {
        case 90: KrnRotateBuffer(band, turned, 1, width, rows, bits); return turned;
        case 270: KrnRotateBuffer(band, turned, 0, width, rows, bits); return turned;
        case 180: KrnReverseBuffer(band, turned, width, rows, bits); return turned;
        default: return band;
    }
}

void ApplyPaintLut(const BitmapRecord *bitmap, int bandBits, BYTE *bits, std::size_t bytes) {
    if (bandBits != 24 || !(bitmap->Flags & BITMAP_PAINT_LUT_ACTIVE) || bitmap->PaintLut == nullptr) return;
    const BYTE *lut = bitmap->PaintLut;
    for (std::size_t i = 0; i < bytes; ++i) bits[i] = lut[bits[i]];
}

int SendBand(HDC hdc, int x, int y, int width, int height, int sourceX, const void *bits, BITMAPINFO *info, UINT usage,
             DWORD rop) {
    const int lines = StretchDIBits(hdc, x, y, width, height, sourceX, 0, width, height, bits, info, usage, rop);
    return lines == 0 ? STATUS_BAD_PARAMETER : STATUS_OK;
}

void SetBandSize(BITMAPINFO *info, bool linesAreColumns, int width, int lines) {
    BITMAPINFOHEADER &header = info->bmiHeader;
    const int bits = header.biBitCount;
    if (linesAreColumns) {
        header.biWidth = lines;
        header.biHeight = width;
        header.biSizeImage = static_cast<DWORD>(Stride(bits, static_cast<std::size_t>(lines)) * static_cast<std::size_t>(width));
    } else {
        header.biWidth = width;
        header.biHeight = lines;
        header.biSizeImage = static_cast<DWORD>(Stride(bits, static_cast<std::size_t>(width)) * static_cast<std::size_t>(lines));
    }
}

}  // namespace paint_band
