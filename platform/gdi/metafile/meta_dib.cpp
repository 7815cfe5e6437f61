#include "gdi/metafile/meta_dib.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "gdi/brush.h"
#include "gdi/dc.h"

namespace zelt::platform {
namespace {

// Records measure their sizes in 32 bits; nothing near that is a picture.
constexpr std::size_t kLargestDib = 0x7FFF0000;

int DibBitCount(PixelFormatId format) noexcept {
    switch (format) {
        case PixelFormatId::Mono:
        case PixelFormatId::Index1: return 1;
        case PixelFormatId::Index4: return 4;
        case PixelFormatId::Index8: return 8;
        case PixelFormatId::Rgb555:
        case PixelFormatId::Rgb565: return 16;
        case PixelFormatId::Bgr24: return 24;
        case PixelFormatId::Bgrx32: return 32;
    }
    return 0;
}

}  // namespace

bool DescribeCallerDib(const BITMAPINFO *info, const void *bits, UINT usage, DibParts &parts) noexcept {
    if (info == nullptr || bits == nullptr || (usage != DIB_RGB_COLORS && usage != DIB_PAL_COLORS)) return false;
    const BITMAPINFOHEADER &header = info->bmiHeader;
    if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biSize > 124 || header.biWidth <= 0 || header.biHeight == 0)
        return false;
    const int depth = header.biBitCount;
    if (depth != 1 && depth != 4 && depth != 8 && depth != 16 && depth != 24 && depth != 32) return false;
    const DWORD limit = depth <= 8 ? DWORD{1} << depth : 256;
    if (header.biClrUsed > limit) return false;
    const std::size_t entries = depth <= 8 && header.biClrUsed == 0 ? limit : header.biClrUsed;
    std::size_t infoBytes = header.biSize + entries * (usage == DIB_PAL_COLORS ? sizeof(WORD) : sizeof(RGBQUAD));
    std::size_t bitsBytes = 0;
    switch (header.biCompression) {
        case BI_BITFIELDS:
            if (depth != 16 && depth != 32) return false;
            // The masks follow a plain header; larger headers hold them.
            if (header.biSize == sizeof(BITMAPINFOHEADER)) infoBytes += 3 * sizeof(DWORD);
            [[fallthrough]];
        case BI_RGB: {
            const std::size_t rows = static_cast<std::size_t>(std::abs(static_cast<long long>(header.biHeight)));
            const std::size_t rowBytes = static_cast<std::size_t>(DibRowBytes(header.biWidth, depth));
            if (rowBytes > kLargestDib / rows) return false;
            bitsBytes = rowBytes * rows;
            break;
        }
        case BI_RLE8:
        case BI_RLE4:
            // Compressed bits measure what the header says they do.
            if (depth != (header.biCompression == BI_RLE8 ? 8 : 4) || header.biSizeImage == 0) return false;
            bitsBytes = header.biSizeImage;
            break;
        default: return false;
    }
    if (bitsBytes > kLargestDib) return false;
    parts.info = reinterpret_cast<const unsigned char *>(info);
    parts.infoBytes = infoBytes;
    parts.bits = static_cast<const unsigned char *>(bits);
    parts.bitsBytes = bitsBytes;
    parts.usage = usage;
    return true;
}

bool CaptureDib(const Surface &surface, const RECT &area, ByteBuffer &storage, DibParts &parts) noexcept {
    const long long width = static_cast<long long>(area.right) - area.left;
    const long long height = static_cast<long long>(area.bottom) - area.top;
    if (width <= 0 || height <= 0 || surface.ops == nullptr) return false;
    const int depth = DibBitCount(surface.Format());
    const std::size_t rowBytes = static_cast<std::size_t>(DibRowBytes(static_cast<LONG>(width), depth));
    if (rowBytes > kLargestDib / static_cast<std::size_t>(height)) return false;
    const std::size_t entries = depth <= 8 ? std::size_t{1} << depth : 0;
    const bool masks = surface.Format() == PixelFormatId::Rgb565;
    const std::size_t infoBytes =
        sizeof(BITMAPINFOHEADER) + entries * sizeof(RGBQUAD) + (masks ? 3 * sizeof(DWORD) : 0);
    const std::size_t bitsBytes = rowBytes * static_cast<std::size_t>(height);
    if (!storage.Reset(infoBytes + bitsBytes)) return false;

    BITMAPINFOHEADER header{};
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = static_cast<LONG>(width);
    header.biHeight = static_cast<LONG>(height);
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(depth);
    header.biCompression = masks ? BI_BITFIELDS : BI_RGB;
    header.biSizeImage = static_cast<DWORD>(bitsBytes);
    unsigned char *at = storage.Data();
    std::memcpy(at, &header, sizeof header);
    at += sizeof header;
    if (masks) {
        const DWORD rgb565[3] = {0xF800, 0x07E0, 0x001F};
        std::memcpy(at, rgb565, sizeof rgb565);
        at += sizeof rgb565;
    }
    for (std::size_t i = 0; i < entries; ++i, at += sizeof(RGBQUAD)) {
        // A monochrome bitmap is black and white whatever its table says.
        RGBQUAD quad = static_cast<int>(i) < surface.tableSize ? surface.table[i] : RGBQUAD{0, 0, 0, 0};
        if (surface.Format() == PixelFormatId::Mono) quad = i == 0 ? RGBQUAD{0, 0, 0, 0} : RGBQUAD{255, 255, 255, 0};
        quad.rgbReserved = 0;
        std::memcpy(at, &quad, sizeof quad);
    }

    // The same format on both sides: rows move as raw pixels.
    Surface dib;
    DescribeSurface(dib, surface.Format(), static_cast<int>(width), static_cast<int>(height), at,
                    static_cast<std::ptrdiff_t>(rowBytes));
    const long long left = std::max<long long>(area.left, 0), right = std::min<long long>(area.right, surface.width);
    for (long long y = std::max<long long>(area.top, 0); y < std::min<long long>(area.bottom, surface.height); ++y) {
        if (left >= right) break;
        surface.ops->copySpan(dib.Row(static_cast<int>(y - area.top)), static_cast<int>(left - area.left),
                              surface.Row(static_cast<int>(y)), static_cast<int>(left), static_cast<int>(right - left));
    }
    parts.info = storage.Data();
    parts.infoBytes = infoBytes;
    parts.bits = at;
    parts.bitsBytes = bitsBytes;
    parts.usage = DIB_RGB_COLORS;
    return true;
}

bool CaptureBltSource(HDC source, int x, int y, int w, int h, BltSource &captured) noexcept {
    // Metafile DCs have no pixels to give.
    const DcObject *dc = FindObject<DcObject>(source);
    if (dc == nullptr) return false;
    const POINT a = dc->ToDevice(POINT{x, y});
    const POINT b = dc->ToDevice(POINT{x + w, y + h});
    captured.flipX = b.x < a.x;
    captured.flipY = b.y < a.y;
    const RECT area{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
    captured.width = area.right - area.left;
    captured.height = area.bottom - area.top;
    captured.bkColor = dc->State().bkColor;
    return CaptureDib(dc->Target(), area, captured.storage, captured.parts);
}

bool BrushPatternDib(const BrushObject &brush, ByteBuffer &storage, DibParts &parts) noexcept {
    if (const BitmapObject *pattern = brush.Pattern()) {
        const Surface &surface = pattern->GetSurface();
        return CaptureDib(surface, surface.Bounds(), storage, parts);
    }
    const ByteBuffer &packed = brush.PackedDib();
    if (packed.Size() < sizeof(BITMAPINFOHEADER)) return false;
    const auto *info = reinterpret_cast<const BITMAPINFO *>(packed.Data());
    const std::size_t offset = PackedDibBitsOffset(*info, brush.DibUsage());
    if (offset == 0 || offset > packed.Size()) return false;
    return DescribeCallerDib(info, packed.Data() + offset, brush.DibUsage(), parts) &&
           parts.infoBytes + parts.bitsBytes <= packed.Size();
}

}  // namespace zelt::platform
