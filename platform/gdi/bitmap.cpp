#include "gdi/bitmap.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace zelt::platform {

PixelFormatId DdbFormat(int bitsPixel) noexcept {
    switch (bitsPixel) {
        case 1: return PixelFormatId::Mono;
        case 4: return PixelFormatId::Index4;
        case 8: return PixelFormatId::Index8;
        case 16: return PixelFormatId::Rgb565;
        case 24: return PixelFormatId::Bgr24;
        default: return PixelFormatId::Bgrx32;
    }
}

namespace {

// Colour tables of indexed DDBs: the device's own.
void SetDdbTable(Surface &surface) {
    if (surface.Format() == PixelFormatId::Index4) {
        std::memcpy(surface.table, kVgaTable, sizeof kVgaTable);
        surface.tableSize = 16;
    } else if (surface.Format() == PixelFormatId::Index8) {
        std::memcpy(surface.table, DefaultTable256(), 256 * sizeof(RGBQUAD));
        surface.tableSize = 256;
    }
}

}  // namespace

bool BitmapObject::Init(LONG width, LONG height, WORD bitsPixel) noexcept {
    const std::int64_t rowBytes = RowBytes(width, bitsPixel);
    if (!bits_.Reset(static_cast<std::size_t>(rowBytes * height))) return false;
    width_ = width;
    height_ = height;
    bitsPixel_ = bitsPixel;
    widthBytes_ = static_cast<LONG>(rowBytes);
    dibSection_ = false;
    DescribeSurface(surface_, DdbFormat(bitsPixel), width, -height, bits_.Data(), rowBytes);
    SetDdbTable(surface_);
    return true;
}

bool BitmapObject::InitDibSection(LONG width, LONG height, PixelFormatId format, const RGBQUAD *table,
                                  int tableCount) noexcept {
    const int bitsPixel = FormatOps(format).bitsPixel;
    const LONG absHeight = height < 0 ? -height : height;
    const std::int64_t rowBytes = DibRowBytes(width, bitsPixel);
    if (!bits_.Reset(static_cast<std::size_t>(rowBytes * absHeight))) return false;
    width_ = width;
    height_ = absHeight;
    bitsPixel_ = static_cast<WORD>(bitsPixel);
    widthBytes_ = static_cast<LONG>(rowBytes);
    dibSection_ = true;
    dibHeight_ = height;
    DescribeSurface(surface_, format, width, height, bits_.Data(), rowBytes);
    if (FormatOps(format).indexed) {
        // Entries the caller did not give are black.
        surface_.tableSize = 1 << bitsPixel;
        for (int i = 0; i < surface_.tableSize; ++i) {
            surface_.table[i] = i < tableCount ? table[i] : RGBQUAD{0, 0, 0, 0};
            surface_.table[i].rgbReserved = 0;
        }
    }
    return true;
}

bool BitmapObject::CopyFrom(const BitmapObject &other) noexcept {
    if (!bits_.CopyFrom(other.bits_)) return false;
    width_ = other.width_;
    height_ = other.height_;
    bitsPixel_ = other.bitsPixel_;
    widthBytes_ = other.widthBytes_;
    dibSection_ = other.dibSection_;
    dibHeight_ = other.dibHeight_;
    // The same geometry over the copied pixels.
    surface_ = other.surface_;
    surface_.top = bits_.Data() + (other.surface_.top - other.bits_.Data());
    return true;
}

void BitmapObject::Masks(DWORD masks[3]) const noexcept {
    masks[0] = masks[1] = masks[2] = 0;
    switch (surface_.Format()) {
        case PixelFormatId::Rgb555: masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F; break;
        case PixelFormatId::Rgb565: masks[0] = 0xF800, masks[1] = 0x07E0, masks[2] = 0x001F; break;
        case PixelFormatId::Bgrx32: masks[0] = 0xFF0000, masks[1] = 0x00FF00, masks[2] = 0x0000FF; break;
        default: break;
    }
}

BITMAP BitmapObject::Info() const noexcept {
    BITMAP info{};
    info.bmType = 0;
    info.bmWidth = width_;
    info.bmHeight = height_;
    info.bmWidthBytes = widthBytes_;
    info.bmPlanes = 1;
    info.bmBitsPixel = bitsPixel_;
    // A DDB's pixels are not addressable; a DIB section's are.
    info.bmBits = dibSection_ ? const_cast<unsigned char *>(bits_.Data()) : nullptr;
    return info;
}

DIBSECTION BitmapObject::SectionInfo() const noexcept {
    DIBSECTION section{};
    section.dsBm = Info();
    BITMAPINFOHEADER &header = section.dsBmih;
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = width_;
    header.biHeight = height_;
    header.biPlanes = 1;
    header.biBitCount = bitsPixel_;
    // 16-bpp sections always report their masks.
    header.biCompression = bitsPixel_ == 16 ? BI_BITFIELDS : BI_RGB;
    header.biSizeImage = static_cast<DWORD>(widthBytes_) * static_cast<DWORD>(height_);
    header.biClrUsed = surface_.ops->indexed ? static_cast<DWORD>(surface_.tableSize) : 0;
    if (bitsPixel_ == 16) Masks(section.dsBitfields);
    return section;
}

int BitmapObject::Describe(int size, void *buffer) const {
    if (buffer == nullptr) return static_cast<int>(sizeof(BITMAP));
    if (dibSection_ && size >= static_cast<int>(sizeof(DIBSECTION))) return DescribeRecord(SectionInfo(), size, buffer);
    return DescribeRecord(Info(), size, buffer);
}

namespace {

// Bit counts are rounded up to the next depth a DDB can have; 0 as the
// system does, to 4.
WORD RoundedBitCount(UINT bitCount) {
    if (bitCount == 1) return 1;
    if (bitCount <= 4) return 4;
    if (bitCount <= 8) return 8;
    if (bitCount <= 16) return 16;
    if (bitCount <= 24) return 24;
    return 32;
}

// Largest pixel area accepted, so that sizes stay 32-bit quantities.
constexpr std::int64_t kMaxBitmapBytes = std::int64_t{1} << 31;

}  // namespace

}  // namespace zelt::platform

extern "C" HBITMAP WINAPI CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitCount, const void *lpBits) {
    using zelt::platform::BitmapObject;
    if (nPlanes != 1 || nBitCount > 32) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    // The system takes the magnitude of a negative size; an empty one gives
    // the 1 x 1 monochrome bitmap.
    std::int64_t width = std::llabs(nWidth), height = std::llabs(nHeight);
    WORD bitsPixel = zelt::platform::RoundedBitCount(nBitCount);
    if (width == 0 || height == 0) {
        width = height = 1;
        bitsPixel = 1;
    }
    if (width > 0x7FFFFFFF || height > 0x7FFFFFFF ||
        BitmapObject::RowBytes(static_cast<LONG>(width), bitsPixel) * height > zelt::platform::kMaxBitmapBytes) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    BitmapObject *bitmap = zelt::platform::NewObject<BitmapObject>();
    if (bitmap == nullptr || !bitmap->Init(static_cast<LONG>(width), static_cast<LONG>(height), bitsPixel)) {
        delete bitmap;
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (lpBits != nullptr) std::memcpy(bitmap->Bits(), lpBits, bitmap->BitsSize());
    HANDLE handle = zelt::platform::InsertObject(bitmap);
    if (handle == nullptr) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return static_cast<HBITMAP>(handle);
}
