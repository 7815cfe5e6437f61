// The USER rectangle helpers. Rectangles exclude their right column and
// bottom row; one with no width or no height is empty.
#include <algorithm>

#include "zelt/win32.h"

namespace {

bool Empty(const RECT &r) { return r.left >= r.right || r.top >= r.bottom; }

}  // namespace

extern "C" {

BOOL WINAPI SetRect(LPRECT lprc, int xLeft, int yTop, int xRight, int yBottom) {
    if (lprc == nullptr) return FALSE;
    *lprc = RECT{xLeft, yTop, xRight, yBottom};
    return TRUE;
}

BOOL WINAPI SetRectEmpty(LPRECT lprc) {
    if (lprc == nullptr) return FALSE;
    *lprc = RECT{0, 0, 0, 0};
    return TRUE;
}

BOOL WINAPI CopyRect(LPRECT lprcDst, const RECT *lprcSrc) {
    if (lprcDst == nullptr || lprcSrc == nullptr) return FALSE;
    *lprcDst = *lprcSrc;
    return TRUE;
}

BOOL WINAPI InflateRect(LPRECT lprc, int dx, int dy) {
    if (lprc == nullptr) return FALSE;
    lprc->left -= dx;
    lprc->top -= dy;
    lprc->right += dx;
    lprc->bottom += dy;
    return TRUE;
}

BOOL WINAPI OffsetRect(LPRECT lprc, int dx, int dy) {
    if (lprc == nullptr) return FALSE;
    lprc->left += dx;
    lprc->top += dy;
    lprc->right += dx;
    lprc->bottom += dy;
    return TRUE;
}

BOOL WINAPI IsRectEmpty(const RECT *lprc) { return lprc == nullptr || Empty(*lprc) ? TRUE : FALSE; }

BOOL WINAPI IntersectRect(LPRECT lprcDst, const RECT *lprcSrc1, const RECT *lprcSrc2) {
    if (lprcDst == nullptr || lprcSrc1 == nullptr || lprcSrc2 == nullptr) return FALSE;
    const RECT a = *lprcSrc1, b = *lprcSrc2;
    const RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                 std::min(a.bottom, b.bottom)};
    // No overlap gives the empty rectangle (0,0,0,0).
    if (Empty(a) || Empty(b) || Empty(r)) {
        *lprcDst = RECT{0, 0, 0, 0};
        return FALSE;
    }
    *lprcDst = r;
    return TRUE;
}

BOOL WINAPI UnionRect(LPRECT lprcDst, const RECT *lprcSrc1, const RECT *lprcSrc2) {
    if (lprcDst == nullptr || lprcSrc1 == nullptr || lprcSrc2 == nullptr) return FALSE;
    const RECT a = *lprcSrc1, b = *lprcSrc2;
    // An empty rectangle adds nothing to the union.
    if (Empty(a) && Empty(b)) {
        *lprcDst = RECT{0, 0, 0, 0};
        return FALSE;
    }
    if (Empty(a)) {
        *lprcDst = b;
    } else if (Empty(b)) {
        *lprcDst = a;
    } else {
        *lprcDst = RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                        std::max(a.bottom, b.bottom)};
    }
    return TRUE;
}

BOOL WINAPI SubtractRect(LPRECT lprcDst, const RECT *lprcSrc1, const RECT *lprcSrc2) {
    if (lprcDst == nullptr || lprcSrc1 == nullptr || lprcSrc2 == nullptr) return FALSE;
    RECT result = *lprcSrc1;
    const RECT cut = *lprcSrc2;
    if (Empty(result)) {
        *lprcDst = RECT{0, 0, 0, 0};
        return FALSE;
    }
    RECT overlap;
    if (IntersectRect(&overlap, &result, &cut)) {
        // Only a cut spanning a whole side shrinks the rectangle; any other
        // difference is not a rectangle and leaves it as it was.
        if (overlap.left == result.left && overlap.right == result.right) {
            if (overlap.top == result.top)
                result.top = overlap.bottom;
            else if (overlap.bottom == result.bottom)
                result.bottom = overlap.top;
        } else if (overlap.top == result.top && overlap.bottom == result.bottom) {
            if (overlap.left == result.left)
                result.left = overlap.right;
            else if (overlap.right == result.right)
                result.right = overlap.left;
        }
    }
    if (Empty(result)) {
        *lprcDst = RECT{0, 0, 0, 0};
        return FALSE;
    }
    *lprcDst = result;
    return TRUE;
}

BOOL WINAPI EqualRect(const RECT *lprc1, const RECT *lprc2) {
    if (lprc1 == nullptr || lprc2 == nullptr) return FALSE;
    return lprc1->left == lprc2->left && lprc1->top == lprc2->top && lprc1->right == lprc2->right &&
                   lprc1->bottom == lprc2->bottom
               ? TRUE
               : FALSE;
}

BOOL WINAPI PtInRect(const RECT *lprc, POINT pt) {
    if (lprc == nullptr) return FALSE;
    return pt.x >= lprc->left && pt.x < lprc->right && pt.y >= lprc->top && pt.y < lprc->bottom ? TRUE : FALSE;
}

}  // extern "C"
