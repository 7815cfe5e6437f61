// 24-bpp pixels moved into 24- and 32-bpp rows: the runs of unscaled copies
// and the gathered columns of nearest-neighbour stretches, the transfers
// every paint of a true-colour image ends in.
#pragma once

#include "zelt/win32.h"

namespace zelt::platform {

// `count` consecutive 24-bpp pixels into 32-bpp ones with the top byte 0.
void Expand24To32(const BYTE *source, BYTE *destination, int count) noexcept;

// The 24-bpp pixels columns[0 .. count) of a row into consecutive 32-bpp
// pixels (top byte 0), and into consecutive 24-bpp pixels. The columns
// rise or fall monotonically; nothing past the rightmost chosen pixel's
// three bytes is read.
void Gather24To32(const BYTE *row, const int *columns, BYTE *destination, int count) noexcept;
void Gather24(const BYTE *row, const int *columns, BYTE *destination, int count) noexcept;

}  // namespace zelt::platform
