#include "gdi/bitmap.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace zelt::platform {

bool BitmapObject::Init(LONG width, LONG height, WORD bitsPixel) noexcept {
    const std::int64_t rowBytes = RowBytes(width, bitsPixel);
    if (!bits_.Reset(static_cast<std::size_t>(rowBytes * height))) return false;
    width_ = width;
    height_ = height;
    bitsPixel_ = bitsPixel;
    widthBytes_ = static_cast<LONG>(rowBytes);
    return true;
}

bool BitmapObject::CopyFrom(const BitmapObject &other) noexcept {
    if (!bits_.CopyFrom(other.bits_)) return false;
    width_ = other.width_;
    height_ = other.height_;
    bitsPixel_ = other.bitsPixel_;
    widthBytes_ = other.widthBytes_;
    return true;
}

BITMAP BitmapObject::Info() const noexcept {
    BITMAP info{};
    info.bmType = 0;
    info.bmWidth = width_;
    info.bmHeight = height_;
    info.bmWidthBytes = widthBytes_;
    info.bmPlanes = 1;
    info.bmBitsPixel = bitsPixel_;
    info.bmBits = nullptr;  // a DDB's pixels are not addressable
    return info;
}

int BitmapObject::Describe(int size, void *buffer) const { return DescribeRecord(Info(), size, buffer); }

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
