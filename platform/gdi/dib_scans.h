// Scan-line bands of GetDIBits and SetDIBits: scan lines are numbered from
// the bottom of the image whatever the memory order of the caller's buffer,
// and the buffer holds only the lines of the band.
#pragma once

#include "zelt/win32.h"

namespace zelt::platform {

struct ScanBand {
    int top;    // visual row of the band's top line in the image
    int count;  // lines in the band; 0 when `start` lies past the image
};

// Scan lines [start, start + lines) of an image `height` rows high, cut to
// the image.
constexpr ScanBand BandOf(int height, UINT start, UINT lines) noexcept {
    if (height <= 0 || start >= static_cast<UINT>(height)) return ScanBand{0, 0};
    const UINT room = static_cast<UINT>(height) - start;
    const int count = static_cast<int>(lines < room ? lines : room);
    return ScanBand{height - static_cast<int>(start) - count, count};
}

}  // namespace zelt::platform
