// Reading a blit's source in the destination's raw values. Besides the
// ordinary conversion of every transfer, blits between a monochrome DDB and
// a colour surface go through the DCs' colours: a monochrome source takes
// the destination DC's text (0) and background (1) colours; a colour source
// drawn into a monochrome DDB is white exactly where it matches the source
// DC's background colour.
#pragma once

#include "gdi/dib_transfer.h"
#include "gdi/surface.h"

namespace zelt::platform {

class BlitSource {
public:
    // `sourceBk` is the source DC's background colour; `destText` and
    // `destBk` the destination DC's colours, all plain RGB. False when a
    // lookup table cannot be allocated.
    [[nodiscard]] bool Init(const Surface &source, const Surface &destination, COLORREF sourceBk,
                            COLORREF destText, COLORREF destBk) noexcept;

    // Destination raw values of source pixels [sx, sx + count) of row sy.
    void Read(int sy, int sx, int count, DWORD *out) const noexcept;

private:
    enum class Kind { Raw, MonoToColour, ColourToMono, Convert };

    const Surface *source_ = nullptr;
    Kind kind_ = Kind::Raw;
    DWORD monoValues_[2] = {};  // MonoToColour: the values of bits 0 and 1
    DWORD sourceBkRaw_ = 0;      // ColourToMono: the raw value that becomes white
    DWORD colourMask_ = ~0u;     // ColourToMono: the bits that carry colour
    PixelConverter converter_;
};

}  // namespace zelt::platform
