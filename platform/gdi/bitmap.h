// Bitmaps: device-dependent bitmaps (rows WORD-aligned, top row first, the
// leftmost pixel in the most significant bits, as CreateBitmap takes them)
// and DIB sections (DWORD-aligned rows in the caller's orientation, a colour
// table, pixels the caller addresses directly). Both are drawn through the
// surface they describe.
#pragma once

#include "base/allocator.h"
#include "gdi/gdi_object.h"
#include "gdi/surface.h"

namespace zelt::platform {

class BitmapObject : public GdiObject {
public:
    static constexpr ObjectKind kKind = ObjectKind::Bitmap;
    BitmapObject() noexcept : GdiObject(kKind) {}

    // A DDB of that format with zero pixels; false when the pixels cannot be
    // allocated. 1 bpp is monochrome; 4 and 8 bpp use the VGA and default
    // tables; 16 bpp is 5-6-5.
    [[nodiscard]] bool Init(LONG width, LONG height, WORD bitsPixel) noexcept;
    // A DIB section: `height` negative for top-down, `format` one of the
    // DIB formats, `table` of `tableCount` entries (indexed formats; the
    // rest of the 2^bpp entries are black). Pixels start zero.
    [[nodiscard]] bool InitDibSection(LONG width, LONG height, PixelFormatId format, const RGBQUAD *table,
                                      int tableCount) noexcept;
    // A copy of another bitmap's format and pixels (as a DDB of the same
    // layout).
    [[nodiscard]] bool CopyFrom(const BitmapObject &other) noexcept;

    LONG Width() const noexcept { return width_; }
    LONG Height() const noexcept { return height_; }
    WORD BitsPixel() const noexcept { return bitsPixel_; }
    LONG WidthBytes() const noexcept { return widthBytes_; }
    unsigned char *Bits() noexcept { return bits_.Data(); }
    const unsigned char *Bits() const noexcept { return bits_.Data(); }
    std::size_t BitsSize() const noexcept { return bits_.Size(); }

    bool IsDibSection() const noexcept { return dibSection_; }
    bool IsMonochromeDdb() const noexcept { return surface_.Format() == PixelFormatId::Mono; }
    // Negative for a top-down DIB section.
    LONG DibHeight() const noexcept { return dibHeight_; }
    Surface &GetSurface() noexcept { return surface_; }
    const Surface &GetSurface() const noexcept { return surface_; }
    // The BI_BITFIELDS masks of 16- and 32-bpp formats (zeros otherwise).
    void Masks(DWORD masks[3]) const noexcept;

    BITMAP Info() const noexcept;
    DIBSECTION SectionInfo() const noexcept;
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
    bool dibSection_ = false;
    LONG dibHeight_ = 0;
    ByteBuffer bits_;
    Surface surface_;
};

// Format of a DDB of that depth.
PixelFormatId DdbFormat(int bitsPixel) noexcept;

}  // namespace zelt::platform
