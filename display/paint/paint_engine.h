// Internal interfaces of the paint front end and the paint engine: the
// dispatcher, device analysis, the paint palette helpers, the fixed colour
// tables, the row converters and the paint paths. Every function here
// answers with a status unless its comment says otherwise.
#pragma once

#include "zelt/display.h"

// ---- fixed colour tables (blue, green, red, 0) --------------------------------
extern const RGBQUAD VgaColorTable[16];
extern const RGBQUAD Rgb332ColorTable[256];
extern const RGBQUAD CubeColorTable[256];

// ---- rectangles -------------------------------------------------------------------
// out = a ∩ b (signed); true when the result is not empty. out may be a.
bool ClipRect(RECT *out, const RECT *a, const RECT *b);

// ---- device analysis and paint palette ------------------------------------------------
// Device depth (1, 4, 8 or 24) and paint mode (PAINTMODE_…) for painting
// `bitmap` into `hdc` with the calling thread's display mode.
void AnalyzeDevice(HDC hdc, BitmapRecord *bitmap, int *deviceBits, int *paintMode);
bool IsDeepGrayBitmap(BitmapRecord *bitmap);
HPALETTE CreateGrayPaintPalette(BitmapRecord *bitmap, int bits);
// Palette colours passed through the bitmap's paint table when it is active;
// returns the number of entries copied.
int GetPaintColors(BitmapRecord *bitmap, HPALETTE palette, int first, int count, RGBQUAD *colors);

// ---- paint table ---------------------------------------------------------------------
// Rebuilds PaintLut from PaintIntensity, PaintContrast and PaintGamma and
// sets or clears BITMAP_PAINT_LUT_ACTIVE.
void BuildPaintLut(BitmapRecord *bitmap);

// ---- row converters ---------------------------------------------------------------------
// Reducing converter: source pixels [xStart, xEnd) of `src` to 1-, 4- or
// 8-bit device indices in `dst` (pixel 0 of dst = source pixel xStart),
// by error diffusion (`errors`, 3 ints per pixel, slot 0 = pixel xStart) or
// ordered dither (matrix row phaseY & 7, column (phaseX + k) & 7).
using RowConverter = void (*)(BYTE *dst, const BYTE *src, const BitmapRecord *bitmap, int xStart, int xEnd,
                              int phaseX, int phaseY, int *errors, const RGBQUAD *palette);
// Direct converter: source pixels [xStart, xEnd) to a 4-, 8- or 24-bit row
// GDI accepts, without reducing colours.
using DirectRowConverter = void (*)(BYTE *dst, const BYTE *src, const BitmapRecord *bitmap, int xStart, int xEnd);

// The reducing converter for (source depth, device depth 1/4/8) in the
// variant the calling thread's DISP_CONVERTER_ALT selects, or null.
RowConverter SelectRowConverter(int sourceBits, int deviceBits);
// The direct converter for a source depth (and gray-ness for 12/16 bits),
// with the band depth it produces in *bandBits; null when none is needed.
DirectRowConverter SelectDirectRowConverter(const BitmapRecord *bitmap, bool paintsAsGray, int *bandBits);

extern const BYTE ClusterDitherMatrix[8][8];
extern const BYTE DisperseDitherMatrix[8][8];

// ---- paint paths ------------------------------------------------------------------------------
// A caller band of stored rows (buffer painting), or none (null, 0, 0).
struct RowBand {
    const BYTE *buffer = nullptr;
    int firstRow = 0;
    int rowCount = 0;
};

int PaintDispatch(HDC hdc, BitmapRecord *bitmap, const RECT *source, const RECT *sourceClip, const RECT *destination,
                  const RECT *destinationClip, DWORD rop, const RowBand &band);
int PaintGeneral(HDC hdc, BitmapRecord *bitmap, const BYTE *rowBuffer, int bufferFirstRow, int bufferRows,
                 const RECT *srcRect, const RECT *srcClip, const RECT *dstRect, const RECT *dstClip, int deviceBits,
                 int paintMode, DWORD rop);
int PaintUnscaled(HDC hdc, BitmapRecord *bitmap, const BYTE *rowBuffer, int bufferFirstRow, int bufferRows,
                  const RECT *srcRect, const RECT *srcClip, const RECT *dstRect, const RECT *dstClip, int deviceBits,
                  int paintMode, DWORD rop);
int PaintGrayUnscaled(HDC hdc, BitmapRecord *bitmap, const RECT *srcRect, const RECT *srcClip, const RECT *dstRect,
                      const RECT *dstClip, int invert, DWORD rop);
int PaintGrayReduced(HDC hdc, BitmapRecord *bitmap, const RECT *srcRect, const RECT *srcClip, const RECT *dstRect,
                     const RECT *dstClip, int invert, DWORD rop);
int PaintGrayScaled(HDC hdc, BitmapRecord *bitmap, const RECT *srcRect, const RECT *srcClip, const RECT *dstRect,
                    const RECT *dstClip, int invert, DWORD rop);
int PaintBitonal(HDC hdc, BitmapRecord *bitmap, const RECT *srcRect, const RECT *srcClip, const RECT *dstRect,
                 const RECT *dstClip, int invert, DWORD rop);

// 8 output bytes per source byte: 0xFF for a set bit, 0x00 for a clear one.
extern const BYTE MonoExpandTable[256][8];
void ExpandMonoRow(BYTE *dst, const BYTE *src, int firstPixel, int count, int invert);

// Band size limit of every paint path.
inline constexpr DWORD kMaxBandBytes = 262144;
