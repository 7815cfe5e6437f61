// Rectangle rules shared by the paint entries (Z_PaintDC through
// PaintDispatch, and Z_PaintDCBuffer).
#pragma once

#include "paint/paint_engine.h"

// The working rectangles of one paint: the source (stored coordinates), the
// part of it actually read and the part of the destination actually drawn.
struct PaintRects {
    RECT source;
    RECT sourceClip;
    RECT destinationClip;
};

// Forms the rectangles from the caller's (null source: the whole image; null
// clips: no extra clip), cutting the source clip to `band` right after it is
// formed when band is not null, and last to the image. False when any step
// leaves nothing to draw.
bool FormPaintRects(const BitmapRecord *bitmap, const RECT *source, const RECT *sourceClip, const RECT *destination,
                    const RECT *destinationClip, const RECT *band, PaintRects *out);

// View perspectives 4, 5, 7 and 8 show the stored rows as columns.
bool PerspectiveExchangesAxes(LONG viewPerspective);

// Destination and source of the same size once the axes are turned as the
// perspective shows them; the destination height may be negative.
bool IsOneToOne(const RECT &destination, const RECT &source, bool axesExchanged);

// Destination smaller than the source in both directions.
bool IsShrink(const RECT &destination, const RECT &source, bool axesExchanged);
