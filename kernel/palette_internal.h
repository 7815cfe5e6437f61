// Palette helpers shared by the record operations.
#pragma once

#include "zelt/kernel.h"

namespace zelt::kernel {

// A palette of `count` grays from black to white (count >= 2).
HPALETTE CreateGrayRampPalette(int count);

// Number of entries of a palette, 0 for NULL.
int PaletteEntryCount(HPALETTE palette);

}  // namespace zelt::kernel
