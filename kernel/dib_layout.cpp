// DIB header validation. Anything a real DIB cannot be (sizes, planes,
// depths, compressions, masks) is STATUS_INVALID_DATA.
#include "dib_layout.h"

#include <bit>
#include <cstring>

#include "record_internal.h"
#include "zelt/kernel.h"

namespace zelt::kernel {
namespace {

constexpr DWORD kMaxHeaderSize = 4096;  // the largest header ever defined is 124 bytes
constexpr DWORD kMaxTableEntries = 256;

template <typename T>
T Load(const BYTE *at) {
    T value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

bool MakeChannel(DWORD mask, int pixelBits, ChannelMask *channel) {
    if (mask == 0 || (pixelBits == 16 && (mask >> 16) != 0)) return false;
    const int shift = std::countr_zero(mask);
    const DWORD run = mask >> shift;
    if ((run & (run + 1)) != 0) return false;  // not one run of bits
    *channel = ChannelMask{mask, shift, std::popcount(run)};
    return true;
}

// The record keeps the DIB's own layout when its masks are the plain ones.
int RecordBitsFor(int bits, const DWORD masks[3]) {
    if (bits == 16 && masks[0] == 0x7C00 && masks[1] == 0x03E0 && masks[2] == 0x001F) return 16;
    if (bits == 32 && masks[0] == 0xFF0000 && masks[1] == 0xFF00 && masks[2] == 0xFF) return 32;
    return 24;
}

}  // namespace

int ParseDibHeader(const BYTE *header, std::size_t available, DibLayout *layout) {
    if (available < sizeof(DWORD)) return STATUS_INVALID_DATA;
    const DWORD size = Load<DWORD>(header);
    const bool core = size == sizeof(BITMAPCOREHEADER);
    if (!core && (size < sizeof(BITMAPINFOHEADER) || size > kMaxHeaderSize)) return STATUS_INVALID_DATA;
    if (available < size) return STATUS_INVALID_DATA;

    DibLayout out;
    DWORD compression = BI_RGB;
    DWORD colorsUsed = 0;
    std::int64_t height;
    int planes;
    if (core) {
        const auto h = Load<BITMAPCOREHEADER>(header);
        out.width = h.bcWidth;
        height = h.bcHeight;
        planes = h.bcPlanes;
        out.bits = h.bcBitCount;
        out.tableEntryBytes = 3;
        if (out.bits != 1 && out.bits != 4 && out.bits != 8 && out.bits != 24) return STATUS_INVALID_DATA;
    } else {
        const auto h = Load<BITMAPINFOHEADER>(header);
        out.width = h.biWidth;
        height = h.biHeight;
        planes = h.biPlanes;
        out.bits = h.biBitCount;
        compression = h.biCompression;
        colorsUsed = h.biClrUsed;
        out.xPelsPerMeter = h.biXPelsPerMeter;
        out.yPelsPerMeter = h.biYPelsPerMeter;
    }
    if (planes != 1 || out.width < 1 || height == 0) return STATUS_INVALID_DATA;
    out.topDown = height < 0;
    height = height < 0 ? -height : height;
    if (DataBytesFor(out.width, height, 32) < 0) return STATUS_INVALID_DATA;
    out.height = static_cast<int>(height);

    switch (out.bits) {
    case 1: case 4: case 8: case 24:
        if (compression != BI_RGB) return STATUS_INVALID_DATA;
        break;
    case 16: case 32:
        if (compression != BI_RGB && compression != BI_BITFIELDS) return STATUS_INVALID_DATA;
        break;
    default:
        return STATUS_INVALID_DATA;
    }

    out.tableOffset = size;
    DWORD masks[3] = {0x7C00, 0x03E0, 0x001F};
    if (out.bits == 32) {
        masks[0] = 0xFF0000;
        masks[1] = 0xFF00;
        masks[2] = 0xFF;
    }
    if (compression == BI_BITFIELDS) {
        // The masks follow a 40-byte header and are part of larger ones.
        const std::size_t masksAt = sizeof(BITMAPINFOHEADER);
        if (size == sizeof(BITMAPINFOHEADER)) out.tableOffset += sizeof masks;
        if (available < masksAt + sizeof masks) return STATUS_INVALID_DATA;
        std::memcpy(masks, header + masksAt, sizeof masks);
    }
    if (out.bits == 16 || out.bits == 32) {
        for (int c = 0; c < 3; ++c) {
            if (!MakeChannel(masks[c], out.bits, &out.channels[c])) return STATUS_INVALID_DATA;
        }
        out.recordBits = RecordBitsFor(out.bits, masks);
    } else {
        out.recordBits = out.bits;
    }

    if (colorsUsed > kMaxTableEntries) return STATUS_INVALID_DATA;
    if (out.bits <= 8) {
        out.tableCount = core || colorsUsed == 0 ? 1 << out.bits : static_cast<int>(colorsUsed);
    } else {
        out.tableCount = static_cast<int>(colorsUsed);  // an optional table of colours to prefer
    }
    if (available != kUnknownDibSize && out.BitsOffset() > available) return STATUS_INVALID_DATA;
    *layout = out;
    return STATUS_OK;
}

}  // namespace zelt::kernel
