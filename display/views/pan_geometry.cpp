#include "views/pan_geometry.h"

#include <cstdint>

namespace pan {
namespace {

// Scales with a 64-bit product so large views cannot overflow; the quotient
// truncates toward zero like the 32-bit arithmetic it replaces.
LONG Scale(std::int64_t value, std::int64_t numerator, std::int64_t denominator) {
    if (denominator == 0) return 0;
    return static_cast<LONG>(value * numerator / denominator);
}

LONG Magnitude(LONG value) { return value < 0 ? -value : value; }

}  // namespace

SIZE DisplayedSize(const BitmapRecord &bitmap) {
    switch (bitmap.ViewPerspective) {
        case 4:
        case 5:
        case 7:
        case 8: return SIZE{bitmap.Height, bitmap.Width};
        default: return SIZE{bitmap.Width, bitmap.Height};
    }
}

RECT FitToBitmap(const RECT &r, LONG displayWidth, LONG displayHeight) {
    LONG height = Magnitude(r.bottom - r.top);
    LONG width = MulDiv(height, displayWidth, displayHeight);
    if (width > r.right - r.left) {
        width = r.right - r.left;
        height = MulDiv(width, displayHeight, displayWidth);
    }
    return RECT{r.left, r.top, r.left + width, r.top + height};
}

RECT VisiblePart(const RECT &ownerClient, const RECT &view, LONG displayWidth, LONG displayHeight) {
    const LONG viewWidth = view.right - view.left;
    RECT visible{Scale(ownerClient.left - view.left, displayWidth, viewWidth),
                 Scale(ownerClient.top - view.top, displayWidth, viewWidth),
                 Scale(ownerClient.right - view.left, displayWidth, viewWidth),
                 Scale(ownerClient.bottom - view.top, displayWidth, viewWidth)};
    if (visible.right > displayWidth) visible.right = displayWidth;
    if (visible.bottom > displayHeight) visible.bottom = displayHeight;
    return visible;
}

RECT PanRectFromVisible(const RECT &visible, LONG imageWidth, LONG displayWidth) {
    const auto roundedUp = [&](LONG v) {
        if (displayWidth == 0) return LONG{0};
        return static_cast<LONG>((std::int64_t{v} * imageWidth + displayWidth - 1) / displayWidth);
    };
    return RECT{roundedUp(visible.left), roundedUp(visible.top), Scale(visible.right, imageWidth, displayWidth),
                Scale(visible.bottom, imageWidth, displayWidth)};
}

RECT MoveToPoint(const RECT &panRect, LONG x, LONG y, const RECT &imageArea) {
    const LONG width = panRect.right - panRect.left;
    const LONG height = Magnitude(panRect.bottom - panRect.top);
    LONG top = y - height / 2;
    if (top < 0)
        top = 0;
    else if (top + height > imageArea.bottom)
        top = imageArea.bottom - height;
    LONG left = x - width / 2;
    if (left < 0)
        left = 0;
    else if (left + width > imageArea.right)
        left = imageArea.right - width;
    return RECT{left, top, left + width, top + height};
}

RECT ReportedRect(const RECT &panRect, LONG imageWidth, LONG displayWidth) {
    return RECT{Scale(panRect.left, displayWidth, imageWidth), Scale(panRect.top, displayWidth, imageWidth),
                Scale(panRect.right, displayWidth, imageWidth), Scale(panRect.bottom, displayWidth, imageWidth)};
}

}  // namespace pan
