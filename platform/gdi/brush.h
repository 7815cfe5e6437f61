// Brushes: solid colours and patterns. A pattern brush owns a copy of its
// bitmap, so the bitmap may be deleted as soon as the brush exists.
#pragma once

#include <memory>

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

    int Describe(int size, void *buffer) const override { return DescribeRecord(logBrush_, size, buffer); }

private:
    LOGBRUSH logBrush_;
    std::unique_ptr<BitmapObject> pattern_;
};

}  // namespace zelt::platform
