// Pens: cosmetic (width 0 or 1, one pixel whatever the mapping) and
// geometric (width >= 2, round caps and joins). Dashed styles are drawn
// solid; nothing this library draws relies on dashes. PS_INSIDEFRAME keeps
// a wide pen inside the box of a closed figure.
#pragma once

#include "gdi/gdi_object.h"

namespace zelt::platform {

class PenObject final : public GdiObject {
public:
    static constexpr ObjectKind kKind = ObjectKind::Pen;
    explicit PenObject(const LOGPEN &logPen) noexcept : GdiObject(kKind), logPen_(logPen) {}

    const LOGPEN &Logical() const noexcept { return logPen_; }
    UINT Style() const noexcept { return logPen_.lopnStyle & PS_STYLE_MASK; }
    bool IsNull() const noexcept { return Style() == PS_NULL; }
    COLORREF Color() const noexcept { return logPen_.lopnColor; }
    // Width in logical units; 0 and 1 both mean the cosmetic pen.
    LONG Width() const noexcept { return logPen_.lopnWidth.x; }

    int Describe(int size, void *buffer) const override { return DescribeRecord(logPen_, size, buffer); }

private:
    LOGPEN logPen_;
};

// A pen object for the stock set (not registered).
PenObject *NewStockPen(UINT style, COLORREF colour) noexcept;

}  // namespace zelt::platform
