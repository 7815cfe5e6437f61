// Where a bitmap lands on the printed page.
#pragma once

#include "zelt/display.h"

namespace views {

// The destination of a print on `page` (left and top 1, right HORZRES,
// bottom VERTRES) for a bitmap shown `shownWidth` × `shownHeight`:
// nWidth, nHeight 0 derive the size (both 0: the largest rectangle of the
// bitmap's aspect that fits the page), nX, nY 0 centre on that axis, and a
// derived size is clipped to the page (an explicit one is not).
RECT PrintDestination(const RECT &page, LONG shownWidth, LONG shownHeight, int nX, int nY, int nWidth, int nHeight);

// The bitmap's size as shown: axes exchanged for perspectives 4, 5, 7, 8.
void ShownSize(const BitmapRecord *bitmap, LONG *width, LONG *height);

}  // namespace views
