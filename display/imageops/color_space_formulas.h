// The row converters of Z_ConvertColorSpace: for each of the seven spaces
// one function into 24-bit blue-green-red and one out of it, in a table
// indexed by the COLORSPACE_ code. Every conversion is a composition of the
// source's "to BGR" and the target's "from BGR".
//
// Pixels are packed with no padding (the byte sizes below). The 16-bit
// components of YUV and YIQ are signed, in the host's byte order, and may
// sit at any address: they are read and written through memcpy.
#pragma once

#include <cstddef>

#include "zelt/win32.h"

// count pixels of the space at source -> count 3-byte BGR pixels at bgr.
using ToBgrConverter = void (*)(const BYTE *source, BYTE *bgr, size_t count);
// count BGR pixels -> count pixels of the space at destination.
using FromBgrConverter = void (*)(const BYTE *bgr, BYTE *destination, size_t count);

struct ColorSpaceFormulas {
    int pixelBytes;
    ToBgrConverter toBgr;
    FromBgrConverter fromBgr;
};

inline constexpr int kColorSpaceCount = 7;

// The entry of a COLORSPACE_ code, or null for any other value (negative
// codes included).
const ColorSpaceFormulas *FormulasOfColorSpace(int space);

// BGR itself (a copy; the arrays may overlap).
void CopyBgr(const BYTE *source, BYTE *destination, size_t count);

// Luma-chroma spaces (color_space_luma.cpp).
void BgrToYuv(const BYTE *bgr, BYTE *yuv, size_t count);
void YuvToBgr(const BYTE *yuv, BYTE *bgr, size_t count);
void BgrToYiq(const BYTE *bgr, BYTE *yiq, size_t count);
void YiqToBgr(const BYTE *yiq, BYTE *bgr, size_t count);

// Ink spaces (color_space_ink.cpp).
void BgrToCmy(const BYTE *bgr, BYTE *cmy, size_t count);
void CmyToBgr(const BYTE *cmy, BYTE *bgr, size_t count);
void BgrToCmyk(const BYTE *bgr, BYTE *cmyk, size_t count);
void CmykToBgr(const BYTE *cmyk, BYTE *bgr, size_t count);

// Hue spaces (color_space_hue.cpp).
void BgrToHsv(const BYTE *bgr, BYTE *hsv, size_t count);
void HsvToBgr(const BYTE *hsv, BYTE *bgr, size_t count);
void BgrToHls(const BYTE *bgr, BYTE *hls, size_t count);
void HlsToBgr(const BYTE *hls, BYTE *bgr, size_t count);
