// Cursor and icon images: what a cursor object holds, read from the bytes
// of a .cur or .ico file (the form module resources of type RT_CURSOR and
// RT_ICON take here).
#pragma once

#include <cstddef>

#include "base/allocator.h"
#include "zelt/win32.h"

namespace zelt::platform {

struct CursorImage {
    int width = 0;
    int height = 0;
    POINT hotSpot{0, 0};
    // Per pixel, top row first: the XOR colour as 0xAARRGGBB (alpha only
    // meaningful with `hasAlpha`) and the AND bit (1 = the screen shows
    // through, 0 = the colour replaces it).
    ByteBuffer colours;  // width * height DWORDs
    ByteBuffer andMask;  // width * height bytes, 0 or 1
    bool hasAlpha = false;

    DWORD *Colours() noexcept { return reinterpret_cast<DWORD *>(colours.Data()); }
    const DWORD *Colours() const noexcept { return reinterpret_cast<const DWORD *>(colours.Data()); }
    // Sizes the buffers (pixels transparent); false when memory runs out.
    [[nodiscard]] bool Allocate(int w, int h) noexcept;
};

// Reads the entry nearest 32 x 32 of a .cur (`cursor`) or .ico file; false
// for anything malformed, truncated or of the other kind. Never reads
// outside `data`.
bool ParseCursorFile(const void *data, std::size_t size, bool cursor, CursorImage &image) noexcept;

// A module's published resource, or null (the bytes stay valid for the
// life of the process).
const void *FindModuleResource(HINSTANCE instance, LPCSTR type, LPCSTR name, std::size_t &size) noexcept;

}  // namespace zelt::platform
