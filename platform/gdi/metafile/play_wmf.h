// Playing classic metafiles (PlayMetaFile) from their bytes.
#pragma once

#include <cstddef>

#include "zelt/win32.h"

namespace zelt::platform {

// Plays the metafile in `data` (header first, no placeable header) into
// the DC: records run against the DC's current state, which is not saved
// or restored around them; objects the records create are deleted at the
// end and the DC's own pen, brush, font and palette selected again. Every
// record is checked against the buffer: one not understood is skipped, a
// truncated one ends playback. False for an invalid DC or header, a
// truncated record or a drawing that ran out of memory.
bool PlayWmfBytes(HDC hdc, const unsigned char *data, std::size_t size) noexcept;

}  // namespace zelt::platform
