// Brushes realised for a destination: whatever kind a brush is (solid,
// monochrome or colour pattern, DIB pattern, hatched, null), drawing asks it
// only for the pattern's raw values, already in the destination's format and
// aligned to the DC's brush origin, and hands them to the ROP3 engine.
#pragma once

#include "base/allocator.h"
#include "gdi/dc.h"
#include "gdi/region.h"
#include "gdi/surface.h"

namespace zelt::platform {

class BrushPattern {
public:
    BrushPattern() = default;
    BrushPattern(const BrushPattern &) = delete;
    BrushPattern &operator=(const BrushPattern &) = delete;

    // Prepares `brush` for drawing into the DC's target surface with the
    // DC's current text and background colours and brush origin. False for
    // an invalid handle or when the pattern cannot be allocated.
    [[nodiscard]] bool Realize(const DcObject &dc, HBRUSH brush) noexcept;
    // A pattern given as a surface, converted to the destination's format;
    // a monochrome pattern's 0 bits take `zeroRaw`, its 1 bits `oneRaw`.
    [[nodiscard]] bool RealizeSurface(const Surface &destination, const Surface &pattern, DWORD zeroRaw,
                                      DWORD oneRaw, POINT origin) noexcept;
    // A solid colour dithered to black and white (monochrome DDBs).
    [[nodiscard]] bool RealizeDither(COLORREF colour, POINT origin) noexcept;
    // A solid brush of one raw value.
    void RealizeSolidRaw(DWORD raw) noexcept;

    // BS_NULL: the brush draws nothing.
    bool IsNull() const noexcept { return null_; }
    bool IsSolid() const noexcept { return width_ == 1 && height_ == 1; }
    DWORD SolidRaw() const noexcept { return Cells()[0]; }

    // Writes the pattern values of device row y, columns [x, x + count).
    void Span(int x, int y, int count, DWORD *out) const noexcept;

    int Width() const noexcept { return width_; }
    int Height() const noexcept { return height_; }

private:
    const DWORD *Cells() const noexcept;
    DWORD *MutableCells() noexcept;
    [[nodiscard]] bool Allocate(int width, int height) noexcept;

    ByteBuffer cells_;  // width_ x height_ raw values, top row first; empty when solid
    DWORD solid_ = 0;   // the value of a solid brush, kept here so it needs no allocation
    int width_ = 1;
    int height_ = 1;
    POINT origin_{0, 0};
    bool null_ = false;
};

// A DC colour as plain RGB: PALETTEINDEX values name an entry of the DC's
// palette (out of range: entry 0), PALETTERGB values are plain RGB.
COLORREF ResolveDcColour(const DcObject &dc, COLORREF colour) noexcept;

// The raw value a solid colour takes in a destination: nearest table entry
// (on a 1-bpp DIB section the background-colour rule), 5-bit truncation on
// 16 bpp, exact above. PALETTEINDEX values resolve through the DC's palette.
DWORD SolidBrushRaw(const DcObject &dc, const Surface &destination, COLORREF colour) noexcept;

// Applies a pattern under a ROP3 without source to every rectangle of
// `deviceArea` (parts outside the surface are skipped).
bool FillRectsWithPattern(const Surface &destination, const RegionData &deviceArea, const BrushPattern &pattern,
                          DWORD rop3) noexcept;

// Makes `pattern` ready to fill with `brush` under a ROP3 that does not use
// a source. False for an invalid brush, a ROP that uses a source or an
// allocation failure.
bool PrepareBrushPattern(const DcObject &dc, HBRUSH brush, DWORD rop3, BrushPattern &pattern) noexcept;

// Makes `pattern` a solid colour for a binary raster operation (R2_BLACK …
// R2_WHITE), as pens draw, and gives the ROP3 it amounts to. False for an
// unknown ROP2.
bool PrepareColorPattern(const DcObject &dc, COLORREF colour, int rop2, BrushPattern &pattern, DWORD &rop3) noexcept;

// Fills every rectangle of `deviceArea` (device units, already clipped by
// the caller to what may be drawn) with `brush` under a ROP3 that does not
// use a source; false as PrepareBrushPattern.
bool FillRectsWithBrush(DcObject &dc, const RegionData &deviceArea, HBRUSH brush, DWORD rop3);

// The ROP3 that a ROP2 amounts to when its pen is taken as the pattern.
DWORD Rop3FromRop2(int rop2) noexcept;

}  // namespace zelt::platform
