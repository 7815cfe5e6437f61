// Reading caller-supplied DIB headers: the pixel format, the colour table
// (DIB_RGB_COLORS or DIB_PAL_COLORS) and a read-only surface over the bits.
#pragma once

#include "gdi/surface.h"

namespace zelt::platform {

class PaletteObject;

// The surface format of a header's bit count and compression; false for an
// unsupported combination (bit count 0 or 7, unknown masks, RLE).
bool DibFormat(const BITMAPINFOHEADER &header, const BITMAPINFO *info, PixelFormatId &format) noexcept;

// Builds the colour table of an indexed DIB into `surface`: RGBQUADs for
// DIB_RGB_COLORS, WORD indices into `palette` for DIB_PAL_COLORS (wrapping
// modulo the smaller of the index count and the palette size). Entries past
// biClrUsed are black.
void ResolveColourTable(const BITMAPINFO &info, UINT usage, const PaletteObject &palette, Surface &surface) noexcept;

// A read-only surface over caller bits described by `info`; false for an
// invalid header.
bool DescribeDib(const BITMAPINFO &info, const void *bits, UINT usage, const PaletteObject &palette,
                 Surface &surface) noexcept;

}  // namespace zelt::platform
