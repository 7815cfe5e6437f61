// Shared pieces of the general and unscaled paint paths: scratch blocks,
// the band header and its colour table, the row format a paint converts to,
// and turning and sending a finished band.
#pragma once

#include <cstddef>
#include <memory>

#include "frame/display_settings.h"
#include "paint/paint_engine.h"

namespace paint_band {

// A block of the kernel's fallible allocator, freed on every exit.
struct KernelFree {
    void operator()(void *block) const { KrnFreeMem(block); }
};
using Block = std::unique_ptr<BYTE[], KernelFree>;

// Null when the allocation fails or the size does not fit a DWORD.
Block Allocate(std::size_t bytes, bool zeroed = false);

// Bytes of a DWORD-aligned row of `width` pixels of `bits` bits.
inline std::size_t Stride(int bits, std::size_t width) { return ((static_cast<std::size_t>(bits) * width + 31) / 32) * 4; }

// Pixels per fetch unit (a span starts on a byte boundary) and the bytes
// that hold `count` pixels from such a start.
int FetchUnit(int bitsPerPixel);
inline std::size_t SpanBytes(int bitsPerPixel, std::size_t count) {
    return (count * static_cast<std::size_t>(bitsPerPixel) + 7) / 8;
}

// How the rows of one paint are converted for the band.
struct RowFormat {
    int mode = PAINTMODE_DIRECT;         // effective: 0 copy, 1 direct converter, 2 reducing converter
    int bandBits = 0;                    // biBitCount of the band
    DirectRowConverter direct = nullptr;
    RowConverter reduce = nullptr;
    RGBQUAD sourcePalette[256] = {};     // what the reducing converter reads
};

// Mode 1 converts by depth; mode 2 reduces to min(deviceBits, 8) bits (a
// pair without a reducing converter, such as a 1-bit image on a 4-bit
// device, is painted as mode 0); any other mode copies rows as they are.
void ChooseRowFormat(BitmapRecord *bitmap, int paintMode, int deviceBits, bool paintsAsGray, RowFormat *format);

// The band header: the thread's PaintHeader, or for a raster printer a
// private copy of it with its colours. biSize, biPlanes and biCompression
// are set (the fallback settings record starts all zero).
BITMAPINFO *SelectHeader(HDC hdc, DisplaySettings *settings);

// Fills biBitCount, biClrUsed and the colour table; returns the colour use.
UINT FillColorTable(BITMAPINFO *info, BitmapRecord *bitmap, const RowFormat &format, UINT displayMode);

// The colours a reduction to `bits` bits targets (1: black and white, 4:
// VGA, 8: the cube with DISP_FIXED_PALETTE, else 3-3-2); their count.
int ReductionColors(int bits, UINT displayMode, RGBQUAD *colors);

// How a band is turned into the DIB it is sent as, per angle.
struct TurnGeometry {
    bool linesAreColumns;  // band rows are destination columns (90, 270)
    int lineDir;           // +1: band row k+1 lies one step further from the anchor edge
    int pixelDir;          // the same for band pixels
};
TurnGeometry TurnFor(int angle);

// Turns `band` (rows of `width` pixels) for `angle` into `turned` when the
// angle needs it; returns the bits to send.
const BYTE *TurnBand(int angle, const BYTE *band, BYTE *turned, int width, int rows, int bits);

// Passes every byte of a 24-bit band through PaintLut when the table is active.
void ApplyPaintLut(const BitmapRecord *bitmap, int bandBits, BYTE *bits, std::size_t bytes);

// One StretchDIBits at 1:1; STATUS_OK, or STATUS_BAD_PARAMETER when GDI refuses.
int SendBand(HDC hdc, int x, int y, int width, int height, int sourceX, const void *bits, BITMAPINFO *info, UINT usage,
             DWORD rop);

// Header size fields of a band of `lines` converted rows of `width` pixels.
void SetBandSize(BITMAPINFO *info, bool linesAreColumns, int width, int lines);

}  // namespace paint_band
