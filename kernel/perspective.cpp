// View perspectives as elements of the dihedral group of the rectangle.
//
// Pixel positions are taken relative to the image centre and doubled, so
// that every perspective is a plain 2x2 integer matrix: a stored pixel
// (c, r) of a W x H image becomes u = 2c - (W - 1), v = 2r - (H - 1), and
// a rectangle edge x becomes 2x - W. Perspective p displays the stored
// point (u, v) at Display[p] * (u, v). Changing from perspective a to b is
// Display[b]^-1 * Display[a]; a matrix with a zero diagonal exchanges the
// axes, so the box it maps into is H x W instead of W x H.
#include <algorithm>
#include <array>

#include "zelt/kernel.h"

namespace {

struct Transform {
    int a, b;  // row 0: u' = a u + b v
    int c, d;  // row 1: v' = c u + d v

    constexpr Transform operator*(const Transform &o) const {
        return {a * o.a + b * o.c, a * o.b + b * o.d, c * o.a + d * o.c, c * o.b + d * o.d};
    }
    constexpr bool operator==(const Transform &) const = default;
    // Every element of the group is orthogonal: the inverse is the transpose.
    constexpr Transform Inverse() const { return {a, c, b, d}; }
    constexpr bool ExchangesAxes() const { return a == 0; }
};

constexpr int kPerspectiveCount = 9;

// Where each perspective displays a stored pixel, as documented per code.
constexpr std::array<Transform, kPerspectiveCount> kDisplay = {{
    {1, 0, 0, 1},    // 0 (c, r)
    {-1, 0, 0, 1},   // 1 (W-1-c, r)
    {1, 0, 0, -1},   // 2 (c, H-1-r)
    {-1, 0, 0, -1},  // 3 (W-1-c, H-1-r)
    {0, -1, 1, 0},   // 4 (H-1-r, c)
    {0, 1, 1, 0},    // 5 (r, c)
    {1, 0, 0, 1},    // 6 the same as 0
    {0, -1, -1, 0},  // 7 (H-1-r, W-1-c)
    {0, 1, -1, 0},   // 8 (r, W-1-c)
}};

constexpr Transform kIdentity = {1, 0, 0, 1};
constexpr Transform kFlipVertical = {1, 0, 0, -1};
constexpr Transform kTurnClockwise = {0, -1, 1, 0};

constexpr bool IsPerspective(int p) { return p >= 0 && p < kPerspectiveCount; }

constexpr Transform Change(int from, int to) { return kDisplay[to].Inverse() * kDisplay[from]; }

// Maps one edge point of a W x H box (x, y) with transform t; the result
// lies in the box t maps into.
constexpr void MapEdgePoint(const Transform &t, long long width, long long height, long long &x, long long &y) {
    const long long u = 2 * x - width;
    const long long v = 2 * y - height;
    const long long mappedWidth = t.ExchangesAxes() ? height : width;
    const long long mappedHeight = t.ExchangesAxes() ? width : height;
    const long long u2 = t.a * u + t.b * v;
    const long long v2 = t.c * u + t.d * v;
    x = (u2 + mappedWidth) / 2;
    y = (v2 + mappedHeight) / 2;
}

void MapRect(const Transform &t, long long width, long long height, RECT &rect) {
    long long x0 = rect.left, y0 = rect.top, x1 = rect.right, y1 = rect.bottom;
    MapEdgePoint(t, width, height, x0, y0);
    MapEdgePoint(t, width, height, x1, y1);
    rect.left = static_cast<LONG>(std::min(x0, x1));
    rect.right = static_cast<LONG>(std::max(x0, x1));
    rect.top = static_cast<LONG>(std::min(y0, y1));
    rect.bottom = static_cast<LONG>(std::max(y0, y1));
}

}  // namespace

extern "C" {

int ZELT_API KrnGetPerspectiveChange(int from, int to, int *flip, int *degrees) {
    if (!IsPerspective(from) || !IsPerspective(to) || flip == nullptr || degrees == nullptr) {
        return STATUS_BAD_PARAMETER;
    }
    const Transform wanted = Change(from, to);
    // Every group element is a quarter-turn count after an optional flip.
    for (int flipped = 0; flipped <= 1; ++flipped) {
        Transform candidate = flipped ? kFlipVertical : kIdentity;
        for (int quarter = 0; quarter < 4; ++quarter) {
            if (candidate == wanted) {
                *flip = flipped;
                *degrees = quarter * 90;
                return STATUS_OK;
            }
            candidate = kTurnClockwise * candidate;
        }
    }
    return STATUS_BAD_PARAMETER;  // unreachable: the table is a group
}

int ZELT_API KrnMapRectPerspective(int from, int width, int height, int to, RECT *rect) {
    if (!IsPerspective(from) || !IsPerspective(to) || rect == nullptr) return STATUS_BAD_PARAMETER;
    MapRect(Change(from, to), width, height, *rect);
    return STATUS_OK;
}

int ZELT_API KrnRectFromBitmap(const BitmapRecord *bitmap, int perspective, RECT *rect) {
    if (bitmap == nullptr) return STATUS_NO_BITMAP;
    if (!IsPerspective(bitmap->ViewPerspective)) return STATUS_BAD_PARAMETER;
    return KrnMapRectPerspective(bitmap->ViewPerspective, bitmap->Width, bitmap->Height, perspective, rect);
}

int ZELT_API KrnRectToBitmap(const BitmapRecord *bitmap, int perspective, RECT *rect) {
    if (bitmap == nullptr) return STATUS_NO_BITMAP;
    if (!IsPerspective(bitmap->ViewPerspective) || !IsPerspective(perspective)) return STATUS_BAD_PARAMETER;
    // The image's size in `perspective` coordinates.
    const bool exchanged = Change(bitmap->ViewPerspective, perspective).ExchangesAxes();
    const int width = exchanged ? bitmap->Height : bitmap->Width;
    const int height = exchanged ? bitmap->Width : bitmap->Height;
    return KrnMapRectPerspective(perspective, width, height, bitmap->ViewPerspective, rect);
}

}  // extern "C"
