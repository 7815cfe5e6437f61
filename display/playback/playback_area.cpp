// Where a frame lies on the canvas: the row the area under it starts at,
// and the canvas rectangle its drawing or disposal changes.
#include "playback/playback_internal.h"

namespace zelt::playback {

LONG MirroredRow(const BitmapRecord &canvas, const BitmapRecord &frame) {
    if (canvas.ViewPerspective == 2) return canvas.Height - frame.Top - frame.Height;
    return frame.Top;
}

void AddFrameArea(PlaybackRecord &playback, BitmapRecord &bitmap) {
    BitmapRecord &canvas = *playback.Target;
    RECT area{0, 0, bitmap.Width, bitmap.Height};
    Z_GetBitmapRgnBounds(&bitmap, nullptr, &area);  // stored coordinates of the bitmap
    if (bitmap.ViewPerspective != 0) KrnRectFromBitmap(&bitmap, 0, &area);
    OffsetRect(&area, bitmap.Left, bitmap.Top);
    KrnRectToBitmap(&canvas, 0, &area);
    const RECT whole{0, 0, canvas.Width, canvas.Height};
    RECT inside;
    IntersectRect(&inside, &area, &whole);
    const RECT before = playback.UpdateRect;
    UnionRect(&playback.UpdateRect, &before, &inside);
}

}  // namespace zelt::playback
