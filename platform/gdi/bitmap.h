// Device-dependent bitmaps: width, height, bits per pixel and the pixel rows,
// each row WORD-aligned with the leftmost pixel in the most significant bits,
// as CreateBitmap takes them.
#pragma once

#include "base/allocator.h"
#include "gdi/gdi_object.h"

namespace zelt::platform {

class BitmapObject : public GdiObject {
public:
    static constexpr ObjectKind kKind = ObjectKind::Bitmap;
    BitmapObject() noexcept : GdiObject(kKind) {}

    // Sets the format and zero pixels; false when the pixels cannot be
    // allocated.
    [[nodiscard]] bool Init(LONG width, LONG height, WORD bitsPixel) noexcept;
    // A copy of another bitmap's format and pixels.
    [[nodiscard]] bool CopyFrom(const BitmapObject &other) noexcept;

    LONG Width() const noexcept { return width_; }
    LONG Height() const noexcept { return height_; }
    WORD BitsPixel() const noexcept { return bitsPixel_; }
    LONG WidthBytes() const noexcept { return widthBytes_; }
    unsigned char *Bits() noexcept { return bits_.Data(); }
    const unsigned char *Bits() const noexcept { return bits_.Data(); }
    std::size_t BitsSize() const noexcept { return bits_.Size(); }

    BITMAP Info() const noexcept;
    int Describe(int size, void *buffer) const override;

    // Row size in bytes of a device-dependent bitmap.
    static LONG RowBytes(LONG width, WORD bitsPixel) noexcept {
        return static_cast<LONG>(((std::int64_t{width} * bitsPixel + 15) / 16) * 2);
    }

private:
    LONG width_ = 0;
    LONG height_ = 0;
    WORD bitsPixel_ = 1;
    LONG widthBytes_ = 0;
    ByteBuffer bits_;
};

}  // namespace zelt::platform
