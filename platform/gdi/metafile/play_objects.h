// GDI objects made from metafile records, shared by both players.
#pragma once

#include "gdi/metafile/play_bytes.h"
#include "zelt/win32.h"

namespace zelt::platform {

// A palette of `count` PALETTEENTRY values (red, green, blue, flags) read
// from `entries`; nullptr when they are not all there, for no entries, or
// when memory runs out.
HPALETTE CreateRecordPalette(ByteView entries, UINT count) noexcept;

// A brush from LOGBRUSH fields. Styles that need a bitmap cannot be made
// from these fields alone and give black, as documented for such records.
HBRUSH CreateRecordBrush(UINT style, COLORREF colour, ULONG_PTR hatch) noexcept;

// A pattern brush of a monochrome bitmap (its 0 bits take the text colour,
// its 1 bits the background colour, as every mono pattern does) from rows
// of `rowBytes` bytes, top row first; nullptr when the rows are not all
// in `rows`.
HBRUSH CreateMonoPatternBrush(int width, int height, std::size_t rowBytes, bool bottomUp, ByteView rows) noexcept;

}  // namespace zelt::platform
