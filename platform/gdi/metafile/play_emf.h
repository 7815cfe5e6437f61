// Playing enhanced metafiles (PlayEnhMetaFile) from their bytes.
#pragma once

#include <cstddef>

#include "zelt/win32.h"

namespace zelt::platform {

// Plays the metafile in `data` into the DC so that its frame fills `rect`
// (logical units of the DC, edges included: (0, 0, 3, 1) covers 4 x 2
// units). The DC's state is saved before and restored after; the DC's own
// mapping applies on top of the picture's. The header is checked
// (signature, sizes, nBytes within the buffer) and so is every record;
// records not understood are skipped, a truncated one ends playback. False
// for an invalid DC, header or rectangle, a truncated record or a drawing
// that ran out of memory.
bool PlayEmfBytes(HDC hdc, const unsigned char *data, std::size_t size, const RECT *rect) noexcept;

}  // namespace zelt::platform
