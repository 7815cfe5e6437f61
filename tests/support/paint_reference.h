// A per-pixel reference model of nearest-neighbour painting: for a
// destination pixel, the stored source pixel it shows, written directly
// from the rules (no bands, no walks), for every view perspective, any
// scale, destinations given upside down (painted mirrored top to bottom)
// and clips on both sides.
//
// Rules: the source rectangle and clip (stored coordinates) are shown in
// display coordinates; destination pixel (x, y) of the normalised
// destination D shows displayed pixel (src.left + floor((x - D.left) *
// srcW / dstW), src.bottom - 1 - floor((D.bottom - 1 - y) * srcH / dstH))
// of the picture (flipped top to bottom when the destination was given
// upside down), if that pixel lies in the source clip, the picture, and
// (x, y) in the destination clip.
#pragma once

#include <optional>

#include "zelt/win32.h"

namespace zelt::test {

struct PaintRequest {
    int width = 0;   // stored image size
    int height = 0;
    int perspective = 0;
    RECT source{};   // stored coordinates
    RECT sourceClip{};
    RECT destination{};
    RECT destinationClip{};
};

struct StoredPixel {
    int column;
    int row;
    bool operator==(const StoredPixel &) const = default;
};

// The stored pixel destination pixel (x, y) shows, or nothing.
std::optional<StoredPixel> ReferenceSourcePixel(const PaintRequest &request, int x, int y);

}  // namespace zelt::test
