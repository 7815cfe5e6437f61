// The paint dispatcher: working rectangles, device analysis and the choice
// of paint path, inside the bitmap's access bracket.
#include "paint/paint_front.h"

namespace {

using GrayPath = int (*)(HDC, BitmapRecord *, const RECT *, const RECT *, const RECT *, const RECT *, int, DWORD);

// The gray paths of 1-bit grayscale images: modes 3 and 4 at any size, 5
// and 6 when scaled; null when the general or unscaled path serves.
GrayPath SelectGrayPath(int paintMode, bool oneToOne, bool shrink) {
    switch (paintMode) {
    case PAINTMODE_GRAY:
    case PAINTMODE_GRAY_INVERTED:
        return oneToOne ? PaintGrayUnscaled : shrink ? PaintGrayReduced : PaintGrayScaled;
    case PAINTMODE_BITONAL:
    case PAINTMODE_BITONAL_INVERTED:
        return oneToOne ? nullptr : PaintBitonal;
    default:
        return nullptr;
    }
}

bool GrayLevelsInverted(int paintMode) {
    return paintMode == PAINTMODE_GRAY_INVERTED || paintMode == PAINTMODE_BITONAL_INVERTED;
}

}  // namespace

int PaintDispatch(HDC hdc, BitmapRecord *bitmap, const RECT *source, const RECT *sourceClip, const RECT *destination,
                  const RECT *destinationClip, DWORD rop, const RowBand &band) {
    int deviceBits = 0, paintMode = 0;
    AnalyzeDevice(hdc, bitmap, &deviceBits, &paintMode);
    PaintRects rects;
    // Nothing to draw is success, and the bitmap is not even opened.
    if (!FormPaintRects(bitmap, source, sourceClip, destination, destinationClip, nullptr, &rects)) return STATUS_OK;

    const int token = KrnAccessBitmap(bitmap);
    const bool exchanged = PerspectiveExchangesAxes(bitmap->ViewPerspective);
    const bool oneToOne = IsOneToOne(*destination, rects.source, exchanged);
    const bool shrink = IsShrink(*destination, rects.source, exchanged);
    int status;
    if (GrayPath path = SelectGrayPath(paintMode, oneToOne, shrink))
        status = path(hdc, bitmap, &rects.source, &rects.sourceClip, destination, &rects.destinationClip,
                      GrayLevelsInverted(paintMode) ? 1 : 0, rop);
    else if (oneToOne)
        status = PaintUnscaled(hdc, bitmap, band.buffer, band.firstRow, band.rowCount, &rects.source,
                               &rects.sourceClip, destination, &rects.destinationClip, deviceBits, paintMode, rop);
    else
        status = PaintGeneral(hdc, bitmap, band.buffer, band.firstRow, band.rowCount, &rects.source,
                              &rects.sourceClip, destination, &rects.destinationClip, deviceBits, paintMode, rop);
    KrnReleaseBitmapAccess(bitmap, token);
    return status;
}
