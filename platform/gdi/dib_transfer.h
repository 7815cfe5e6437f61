// Converting pixels from one surface format into another's raw values, by
// the rules every DIB transfer follows: indexed sources through a lookup
// table built once, direct-colour sources through a converter compiled for
// the (source, destination) pair, chosen once per transfer.
#pragma once

#include <cstdint>

#include "base/allocator.h"
#include "gdi/surface.h"

namespace zelt::platform {

class PixelConverter {
public:
    // How a monochrome DDB destination takes colours: StretchDIBits and
    // SetDIBits store 1 only for exact white (1-bpp sources: the nearer of
    // black and white); SetPixel-like transfers take the nearer one.
    enum class MonoRule { ExactWhite, Nearest };

    // Chooses the conversion; false when a lookup table cannot be allocated.
    [[nodiscard]] bool Init(const Surface &source, const Surface &destination,
                            MonoRule monoRule = MonoRule::ExactWhite) noexcept;

    // Destination raw values of source pixels [sx, sx + count) of a row.
    void ToRaw(const BYTE *sourceRow, int sx, int count, DWORD *out) const noexcept {
        toRaw_(*this, sourceRow, sx, count, out);
    }
    // Converts source pixels [sx, sx + count) straight into destination
    // pixels [dx, dx + count).
    void Store(const BYTE *sourceRow, int sx, BYTE *destinationRow, int dx, int count) const noexcept {
        store_(*this, sourceRow, sx, destinationRow, dx, count);
    }
    // Converts source pixels columns[0], columns[1], ... (each within the
    // row) into destination pixels [dx, dx + count): the nearest-neighbour
    // span of a stretch, with the conversion Store and ToRaw make.
    void Gather(const BYTE *sourceRow, const int *columns, BYTE *destinationRow, int dx, int count) const noexcept {
        gather_(*this, sourceRow, columns, destinationRow, dx, count);
    }

    // Implementation detail shared with the generated converters.
    struct Access;

private:
    using ToRawFn = void (*)(const PixelConverter &, const BYTE *, int, int, DWORD *);
    using StoreFn = void (*)(const PixelConverter &, const BYTE *, int, BYTE *, int, int);
    using GatherFn = void (*)(const PixelConverter &, const BYTE *, const int *, BYTE *, int, int);

    ToRawFn toRaw_ = nullptr;
    StoreFn store_ = nullptr;
    GatherFn gather_ = nullptr;
    const Surface *destination_ = nullptr;
    // Indexed sources: destination raw value of every source index.
    DWORD lookup_[256] = {};
    // Direct sources into 8 bpp: destination index of each quantised 5-5-5
    // colour, 0xFFFF until first needed.
    ByteBuffer quantised_;
};

// Stores a colour into an indexed destination after the 8-bpp quantisation
// of direct-colour sources: each channel c becomes (c & ~7) + 4.
DWORD QuantisedNearest(const Surface &destination, COLORREF colour) noexcept;

}  // namespace zelt::platform
