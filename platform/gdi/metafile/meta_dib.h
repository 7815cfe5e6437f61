// Device-independent bitmaps as metafile records carry them: the header and
// colour table, then the bits. A DIB passed by the caller is kept whole,
// pad bytes included; a bitmap or part of a surface (the source of a blit,
// the pattern of a brush) is captured into a DIB of its own depth.
#pragma once

#include <cstddef>

#include "base/allocator.h"
#include "gdi/surface.h"

namespace zelt::platform {

struct DibParts {
    const unsigned char *info = nullptr;  // BITMAPINFOHEADER, masks, colour table
    std::size_t infoBytes = 0;
    const unsigned char *bits = nullptr;
    std::size_t bitsBytes = 0;
    UINT usage = DIB_RGB_COLORS;
};

// The parts of a caller's DIB; false for a header no record can describe
// (no width or height, an unknown depth, a colour table longer than the
// depth allows).
bool DescribeCallerDib(const BITMAPINFO *info, const void *bits, UINT usage, DibParts &parts) noexcept;

// The pixels of `area` (device units, inside or partly outside the surface;
// pixels outside read as 0) as a bottom-up DIB of the surface's depth with
// its colour table, stored in `storage`. False when memory runs out or the
// area is empty.
bool CaptureDib(const Surface &surface, const RECT &area, ByteBuffer &storage, DibParts &parts) noexcept;

// The source of a blit: the pixels the logical rectangle covers in the
// source DC (a screen or memory DC), captured as a DIB whose origin is the
// rectangle's. A rectangle that runs right to left or bottom to top in
// device units sets `flipX` / `flipY`: the destination extent changes sign
// so the picture lands as the blit would have drawn it.
struct BltSource {
    ByteBuffer storage;
    DibParts parts;
    int width = 0;
    int height = 0;
    bool flipX = false;
    bool flipY = false;
    COLORREF bkColor = 0;
};
bool CaptureBltSource(HDC source, int x, int y, int w, int h, BltSource &captured) noexcept;

class BrushObject;
// The pattern of a BS_PATTERN or BS_DIBPATTERN brush as a DIB (a bitmap
// pattern captured whole, a DIB pattern as the brush keeps it).
bool BrushPatternDib(const BrushObject &brush, ByteBuffer &storage, DibParts &parts) noexcept;

}  // namespace zelt::platform
