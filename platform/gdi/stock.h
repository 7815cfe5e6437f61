// Stock objects: created when the library loads, shared by every DC, never
// destroyed by DeleteObject.
#pragma once

#include "gdi/gdi_object.h"

namespace zelt::platform {

class PaletteObject;

// The stock object of a GetStockObject index, or nullptr (an index without
// a stock object, or a kind this platform does not have yet).
HGDIOBJ StockObject(int index) noexcept;
// The 1 x 1 monochrome bitmap every memory DC starts with.
HBITMAP StockBitmap() noexcept;
// DEFAULT_PALETTE: the 20 static colours.
const PaletteObject &DefaultPalette() noexcept;

}  // namespace zelt::platform
