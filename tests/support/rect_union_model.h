// The union of rectangles the slow way: each one with pixels ORed into one region by CombineRgn.
#pragma once

#include <vector>

#include "zelt/win32.h"

namespace zelt::test {

inline HRGN RectUnionModel(const std::vector<RECT> &rects) {
    HRGN all = CreateRectRgn(0, 0, 0, 0), piece = CreateRectRgn(0, 0, 0, 0);
    for (const RECT &r : rects)
        if (r.left < r.right && r.top < r.bottom && SetRectRgn(piece, r.left, r.top, r.right, r.bottom))
            CombineRgn(all, all, piece, RGN_OR);
    DeleteObject(piece);
    return all;
}

}  // namespace zelt::test
