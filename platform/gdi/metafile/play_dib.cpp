#include "gdi/metafile/play_dib.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "gdi/dc.h"
#include "gdi/surface.h"

namespace zelt::platform {

namespace {

constexpr DWORD kCoreHeaderSize = 12;
constexpr DWORD kInfoHeaderSize = sizeof(BITMAPINFOHEADER);
// Larger pictures than this are not what a metafile carries.
constexpr LONG kLargestSide = LONG{1} << 20;
// Destinations beyond this size are skipped rather than sampled.
constexpr int kLargestExtent = 1 << 20;

bool KnownDepth(WORD bits) { return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32; }

}  // namespace

bool RecordDib::FromPacked(ByteView block, UINT usage, LONG rows) noexcept {
    return Build(block, ByteView(), true, usage, rows);
}

bool RecordDib::FromParts(ByteView header, ByteView bits, UINT usage, LONG rows) noexcept {
    return Build(header, bits, false, usage, rows);
}

bool RecordDib::Build(ByteView h, ByteView bits, bool bitsFollowTable, UINT usage, LONG rows) noexcept {
    if (usage > DIB_PAL_COLORS) return false;
    const DWORD headerSize = h.U32(0);
    const bool core = headerSize == kCoreHeaderSize;
    if (!core && (headerSize < kInfoHeaderSize || headerSize > h.Size())) return false;
    if (!h.Has(0, headerSize)) return false;
    BITMAPINFOHEADER header{};
    header.biSize = kInfoHeaderSize;
    header.biPlanes = 1;
    if (core) {
        header.biWidth = h.U16(4);
        header.biHeight = h.U16(6);
        header.biBitCount = h.U16(10);
        header.biCompression = BI_RGB;
    } else {
        header.biWidth = h.I32(4);
        header.biHeight = h.I32(8);
        header.biBitCount = h.U16(14);
        header.biCompression = h.U32(16);
        header.biClrUsed = h.U32(32);
    }
    if (rows > 0 && header.biHeight != 0) header.biHeight = header.biHeight < 0 ? -rows : rows;
    const LONG height = header.biHeight;
    if (header.biWidth <= 0 || header.biWidth > kLargestSide || height == 0 || height > kLargestSide ||
        height < -kLargestSide || !KnownDepth(header.biBitCount))
        return false;
    const bool bitfields = header.biCompression == BI_BITFIELDS;
    if (header.biCompression != BI_RGB && !(bitfields && (header.biBitCount == 16 || header.biBitCount == 32)))
        return false;

    // Where the colour table lies in the record and how much of it to keep.
    const std::uint64_t tableStart = headerSize + (bitfields && headerSize == kInfoHeaderSize ? 12 : 0);
    const bool indexed = header.biBitCount <= 8;
    const std::uint64_t recorded = indexed && header.biClrUsed == 0 ? (1u << header.biBitCount) : header.biClrUsed;
    const DWORD kept = indexed ? static_cast<DWORD>(std::min<std::uint64_t>(recorded, 1u << header.biBitCount)) : 0;
    const std::size_t sourceEntry = usage == DIB_PAL_COLORS ? 2 : (core ? 3 : 4);
    const std::uint64_t tableEnd = tableStart + recorded * sourceEntry;
    if (tableEnd > h.Size() || (bitfields && !h.Has(kInfoHeaderSize, 12))) return false;
    if (bitsFollowTable) bits = h.Sub(static_cast<std::size_t>(tableEnd), h.Size() - static_cast<std::size_t>(tableEnd));
    header.biClrUsed = kept;

    const std::uint64_t rowBytes = static_cast<std::uint64_t>(DibRowBytes(header.biWidth, header.biBitCount));
    const std::uint64_t imageBytes = rowBytes * static_cast<std::uint64_t>(height < 0 ? -height : height);
    if (imageBytes > bits.Size()) return false;

    const std::size_t entryBytes = usage == DIB_PAL_COLORS ? 2 : 4;
    const std::size_t masksBytes = bitfields ? 12 : 0;
    bitsOffset_ = kInfoHeaderSize + masksBytes + kept * entryBytes;
    if (!storage_.Reset(bitsOffset_ + static_cast<std::size_t>(imageBytes))) return false;
    unsigned char *out = storage_.Data();
    std::memcpy(out, &header, sizeof header);
    if (bitfields) std::memcpy(out + kInfoHeaderSize, h.Data() + kInfoHeaderSize, 12);
    unsigned char *table = out + kInfoHeaderSize + masksBytes;
    const unsigned char *source = h.Data() + tableStart;
    for (DWORD i = 0; i < kept; ++i) {
        if (usage == DIB_PAL_COLORS || !core)
            std::memcpy(table + i * entryBytes, source + i * sourceEntry, entryBytes);
        else  // RGBTRIPLE: blue, green, red
            std::memcpy(table + i * entryBytes, source + i * sourceEntry, 3);
    }
    std::memcpy(out + bitsOffset_, bits.Data(), static_cast<std::size_t>(imageBytes));
    usage_ = usage;
    return true;
}

void RecordDib::MakeBottomUp() noexcept {
    auto *header = reinterpret_cast<BITMAPINFOHEADER *>(storage_.Data());
    if (header->biHeight > 0) return;
    const std::size_t rowBytes = static_cast<std::size_t>(DibRowBytes(header->biWidth, header->biBitCount));
    const LONG rows = -header->biHeight;
    unsigned char *bits = storage_.Data() + bitsOffset_;
    for (LONG top = 0, bottom = rows - 1; top < bottom; ++top, --bottom)
        std::swap_ranges(bits + static_cast<std::size_t>(top) * rowBytes, bits + static_cast<std::size_t>(top + 1) * rowBytes,
                         bits + static_cast<std::size_t>(bottom) * rowBytes);
    header->biHeight = rows;
}

bool StretchDibToDevice(HDC hdc, DcObject &dc, const DibBlit &b, const RecordDib &dib) noexcept {
    // Source extents beyond any surface come from damaged records only; a
    // shrink walks every source step, so they would cost minutes.
    const auto beyond = [](int extent) { return extent > kLargestExtent || extent < -kLargestExtent; };
    if (beyond(b.wDest) || beyond(b.hDest) || beyond(b.wSrc) || beyond(b.hSrc)) return true;
    // StretchDIBits maps its destination through the DC: make that mapping
    // the identity for this one call.
    DcState &state = dc.State();
    const int mapMode = state.mapMode;
    const POINT windowOrg = state.windowOrg, viewportOrg = state.viewportOrg;
    const SIZE windowExt = state.windowExt, viewportExt = state.viewportExt;
    state.mapMode = MM_TEXT;
    state.windowOrg = state.viewportOrg = POINT{0, 0};
    state.windowExt = state.viewportExt = SIZE{1, 1};
    const int rows = StretchDIBits(hdc, b.xDest, b.yDest, b.wDest, b.hDest, b.xSrc, b.ySrc, b.wSrc, b.hSrc, dib.Bits(),
                                   dib.Info(), dib.Usage(), b.rop);
    state.mapMode = mapMode;
    state.windowOrg = windowOrg;
    state.viewportOrg = viewportOrg;
    state.windowExt = windowExt;
    state.viewportExt = viewportExt;
    return rows != 0;
}

}  // namespace zelt::platform
