// Brushes: solid colours, hatches and patterns. A pattern brush owns a copy
// of its bitmap (or of its packed DIB), so the caller's bitmap or memory may
// go as soon as the brush exists.
#pragma once

#include <memory>

#include "base/allocator.h"
#include "gdi/bitmap.h"

namespace zelt::platform {

class BrushObject final : public GdiObject {
public:
    static constexpr ObjectKind kKind = ObjectKind::Brush;
    explicit BrushObject(const LOGBRUSH &logBrush) noexcept : GdiObject(kKind), logBrush_(logBrush) {}

    const LOGBRUSH &Logical() const noexcept { return logBrush_; }
    // The pattern of a BS_PATTERN brush, else nullptr.
    const BitmapObject *Pattern() const noexcept { return pattern_.get(); }
    void AdoptPattern(std::unique_ptr<BitmapObject> pattern) noexcept { pattern_ = std::move(pattern); }

    // The packed DIB (header, colour table, bits) of a BS_DIBPATTERN brush,
    // else an empty buffer; `DibUsage` says how its colour table reads.
    const ByteBuffer &PackedDib() const noexcept { return packedDib_; }
    UINT DibUsage() const noexcept { return dibUsage_; }
    void AdoptPackedDib(ByteBuffer packed, UINT usage) noexcept {
        packedDib_ = std::move(packed);
        dibUsage_ = usage;
        // GetObject reports where the brush keeps its DIB.
        logBrush_.lbHatch = reinterpret_cast<ULONG_PTR>(packedDib_.Data());
    }

    int Describe(int size, void *buffer) const override { return DescribeRecord(logBrush_, size, buffer); }

private:
    LOGBRUSH logBrush_;
    std::unique_ptr<BitmapObject> pattern_;
    ByteBuffer packedDib_;
    UINT dibUsage_ = 0;
};

// Bytes of a packed DIB (header, colour table or masks, bits); 0 for a
// header that cannot describe one.
std::size_t PackedDibSize(const BITMAPINFO &info, UINT usage) noexcept;
// Offset of the bits in a packed DIB.
std::size_t PackedDibBitsOffset(const BITMAPINFO &info, UINT usage) noexcept;

// The 8 x 8 rows of a hatch style (bit 7 = leftmost pixel, 1 = hatch line),
// or nullptr for an unknown style.
const BYTE *HatchRows(int style) noexcept;

}  // namespace zelt::platform
