// Reading packed DIB headers: where the colour table and the rows are, and
// how pixels of each channel are found.
#pragma once

#include <cstddef>
#include <cstdint>

#include "zelt/win32.h"

namespace zelt::kernel {

// Header memory of unknown length (a caller's pointer): only the header's
// own fields limit what is read.
inline constexpr std::size_t kUnknownDibSize = SIZE_MAX;

// One colour channel of a 16 or 32-bit pixel.
struct ChannelMask {
    DWORD mask = 0;
    int shift = 0;
    int bits = 0;
    // The channel widened or narrowed to 8 bits.
    BYTE Extract(DWORD pixel) const {
        const DWORD value = (pixel & mask) >> shift;
        if (bits >= 8) return static_cast<BYTE>(value >> (bits - 8));
        const DWORD top = (DWORD{1} << bits) - 1;
        return static_cast<BYTE>((value * 255u + top / 2) / top);
    }
};

struct DibLayout {
    int width = 0;
    int height = 0;       // rows, always positive
    bool topDown = false;
    int bits = 0;         // bits per pixel in the DIB
    int recordBits = 0;   // bits per pixel of the record made from it
    ChannelMask channels[3];  // red, green, blue (16 and 32 bits)
    std::size_t tableOffset = 0;  // from the header's start
    int tableCount = 0;           // colour table entries in memory
    int tableEntryBytes = 4;      // 3 for core headers
    LONG xPelsPerMeter = 0;
    LONG yPelsPerMeter = 0;

    std::size_t BitsOffset() const { return tableOffset + static_cast<std::size_t>(tableCount) * tableEntryBytes; }
    std::size_t ImageBytes() const {
        return static_cast<std::size_t>(((static_cast<std::int64_t>(width) * bits + 31) / 32) * 4) *
               static_cast<std::size_t>(height);
    }
};

// Validates a header (and, when `available` is known, that the header and
// colour table lie inside it). STATUS_OK or STATUS_INVALID_DATA.
int ParseDibHeader(const BYTE *header, std::size_t available, DibLayout *layout);

}  // namespace zelt::kernel
