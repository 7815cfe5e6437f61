// The engine behind BitBlt, StretchBlt and PatBlt, in device coordinates:
// walk both rectangles axis by axis, read the source in the destination's
// raw values, merge shrunk runs by the stretch mode, and hand each clipped
// row span with its pattern to the ROP3 engine.
#pragma once

#include "gdi/dc.h"

namespace zelt::platform {

struct DeviceBlit {
    int xDest, yDest, wDest, hDest;  // destination, device units, signed extents
    int xSrc, ySrc, wSrc, hSrc;      // source, device units of the source DC
    DWORD rop;
};

enum class BlitStatus { Done, Failed, OutOfMemory };

// Copies between DCs (the source DC may be the destination DC). The ROP
// must use the source.
BlitStatus StretchDevice(DcObject &destination, const DcObject &source, const DeviceBlit &blit) noexcept;

// Fills the device rectangle of a PatBlt span (x, w) x (y, h) (negative
// extents include their start) with the DC's brush under a ROP without
// source.
BlitStatus PatBltDevice(DcObject &destination, int x, int y, int w, int h, DWORD rop) noexcept;

// The columns a signed span covers: [p, p + e) for e >= 0, [p + e + 1, p + 1)
// for e < 0.
constexpr void SpanBounds(int p, int e, LONG &low, LONG &high) noexcept {
    if (e >= 0) {
        low = p;
        high = p + e;
    } else {
        low = p + e + 1;
        high = p + 1;
    }
}

}  // namespace zelt::platform
