// Sizing, centring and clipping of a printed image.
#include "views/print_layout.h"

#include <cstdlib>

#include "paint/paint_front.h"

namespace views {

namespace {

RECT DerivedSize(const RECT &page, LONG dw, LONG dh, int nWidth, int nHeight) {
    if (nWidth == 0 && nHeight == 0) {
        // The largest rectangle of the bitmap's aspect that fits the page,
        // anchored at its top-left.
        const LONG pageWidth = page.right - page.left;
        const LONG pageHeight = std::labs(page.bottom - page.top);
        LONG h = pageHeight;
        LONG w = MulDiv(h, dw, dh);
        if (w > pageWidth) {
            w = pageWidth;
            h = MulDiv(w, dh, dw);
        }
        return RECT{0, 0, w, h};
    }
    if (nWidth == 0) return RECT{0, 0, MulDiv(dw, nHeight, dh), nHeight};
    if (nHeight == 0) return RECT{0, 0, nWidth, MulDiv(dh, nWidth, dw)};
    return RECT{0, 0, nWidth, nHeight};
}

}  // namespace

RECT PrintDestination(const RECT &page, LONG shownWidth, LONG shownHeight, int nX, int nY, int nWidth, int nHeight) {
    RECT destination = DerivedSize(page, shownWidth, shownHeight, nWidth, nHeight);
    const LONG width = destination.right - destination.left;
    const LONG height = destination.bottom - destination.top;
    // Signed divisions, truncating toward zero: 0 always means "centre".
    const LONG x = nX != 0 ? nX : (page.right - page.left - width) / 2 + page.left;
    const LONG y = nY != 0 ? nY : (std::labs(page.bottom - page.top) - std::labs(height)) / 2 + page.top;
    OffsetRect(&destination, x, y);
    if (nWidth == 0 || nHeight == 0) {
        RECT clipped;
        IntersectRect(&clipped, &destination, &page);
        destination = clipped;
    }
    return destination;
}

void ShownSize(const BitmapRecord *bitmap, LONG *width, LONG *height) {
    const bool exchanged = PerspectiveExchangesAxes(bitmap->ViewPerspective);
    *width = exchanged ? bitmap->Height : bitmap->Width;
    *height = exchanged ? bitmap->Width : bitmap->Height;
}

}  // namespace views
