// Rectangle rules of the paint entries: intersection, the working
// rectangles of a paint, and the same-size and shrink tests.
#include <algorithm>
#include <cstdlib>

#include "paint/paint_front.h"

bool ClipRect(RECT *out, const RECT *a, const RECT *b) {
    // Read both inputs before writing: out may alias a.
    const RECT clipped{std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right),
                       std::min(a->bottom, b->bottom)};
    *out = clipped;
    return clipped.right > clipped.left && clipped.top < clipped.bottom;
}

namespace {

RECT Upright(const RECT &r) {
    return {r.left, std::min(r.top, r.bottom), r.right, std::max(r.top, r.bottom)};
}

}  // namespace

bool FormPaintRects(const BitmapRecord *bitmap, const RECT *source, const RECT *sourceClip, const RECT *destination,
                    const RECT *destinationClip, const RECT *band, PaintRects *out) {
    const RECT image{0, 0, bitmap->Width, bitmap->Height};
    out->source = source != nullptr ? *source : image;
    out->sourceClip = out->source;
    if (sourceClip != nullptr && !ClipRect(&out->sourceClip, &out->source, sourceClip)) return false;
    if (band != nullptr && !ClipRect(&out->sourceClip, &out->sourceClip, band)) return false;
    out->destinationClip = *destination;
    if (destinationClip != nullptr) {
        // A destination drawn upside down (bottom above top) covers the same
        // pixels as its upright form: a clip equal to it must paint as a null
        // clip does, so both are intersected upright.
        const RECT upright = Upright(*destination), clip = Upright(*destinationClip);
        if (!ClipRect(&out->destinationClip, &upright, &clip)) return false;
    }
    return ClipRect(&out->sourceClip, &out->sourceClip, &image);
}

bool PerspectiveExchangesAxes(LONG viewPerspective) {
    return viewPerspective == 4 || viewPerspective == 5 || viewPerspective == 7 || viewPerspective == 8;
}

namespace {

struct Extents {
    LONG destinationWidth, destinationHeight, sourceWidth, sourceHeight;
};

// Sizes compared along the displayed axes: with exchanged axes the source's
// height runs across the destination.
Extents DisplayedExtents(const RECT &destination, const RECT &source, bool axesExchanged) {
    const LONG dw = destination.right - destination.left, dh = std::abs(destination.bottom - destination.top);
    const LONG sw = source.right - source.left, sh = source.bottom - source.top;
    if (axesExchanged) return {dw, dh, std::abs(sh), sw};
    return {dw, dh, sw, std::abs(sh)};
}

}  // namespace

bool IsOneToOne(const RECT &destination, const RECT &source, bool axesExchanged) {
    const Extents e = DisplayedExtents(destination, source, axesExchanged);
    return e.destinationWidth == e.sourceWidth && e.destinationHeight == e.sourceHeight;
}

bool IsShrink(const RECT &destination, const RECT &source, bool axesExchanged) {
    const Extents e = DisplayedExtents(destination, source, axesExchanged);
    return e.destinationWidth < e.sourceWidth && e.destinationHeight < e.sourceHeight;
}
