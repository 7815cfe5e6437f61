// The pan window's geometry: fitting rectangles to the bitmap's shape, the
// pan rectangle from the owner's view, moving it to a point, and turning it
// back into bitmap coordinates. Pure arithmetic on RECT values.
#pragma once

#include "zelt/display.h"

namespace pan {

// The bitmap's size as displayed: axes exchanged for perspectives 4, 5, 7, 8.
SIZE DisplayedSize(const BitmapRecord &bitmap);

// Keeps r's left and top and gives it the bitmap's shape: the full height when
// the width allows, else the full width.
RECT FitToBitmap(const RECT &r, LONG displayWidth, LONG displayHeight);

// The part of the bitmap (bitmap coordinates) the owner shows in its client
// rectangle when the whole bitmap is drawn at `view`; the horizontal scale
// serves both axes. `view` must have a non-zero width.
RECT VisiblePart(const RECT &ownerClient, const RECT &view, LONG displayWidth, LONG displayHeight);

// The visible part scaled into an image area `imageWidth` pixels wide:
// left and top rounded up, right and bottom truncated.
RECT PanRectFromVisible(const RECT &visible, LONG imageWidth, LONG displayWidth);

// The pan rectangle, same size, centred on (x, y) and then pushed back inside
// the image area edge by edge (top and left first).
RECT MoveToPoint(const RECT &panRect, LONG x, LONG y, const RECT &imageArea);

// The pan rectangle in bitmap coordinates (the horizontal scale for both axes).
RECT ReportedRect(const RECT &panRect, LONG imageWidth, LONG displayWidth);

}  // namespace pan
