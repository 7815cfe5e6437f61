// Shearing a bitmap's region along with the bitmap: each row moves right
// by a whole number of pixels, tan(angle) per row, with the remainder
// accumulated so that the shift grows evenly.
#include <algorithm>
#include <cstdint>

#include "region/region_internal.h"

namespace zelt::region {

int ZELT_API ShearBitmapRgn(BitmapRecord *bitmap, int angle) {
    if (bitmap == nullptr) return STATUS_NO_BITMAP;
    RegionRecord *region = bitmap->Region;
    if (region == nullptr) return STATUS_OK;

    // Shears lean less than a quarter turn either way; the sign of the
    // angle is not used, the row order gives the direction.
    if (angle <= -9000 || angle >= 9000) return STATUS_BAD_PARAMETER;
    const LONG a = angle < 0 ? -angle : angle;
    // Mirroring views see the image upside down: their shear runs from the
    // top, the others' from the bottom.
    const LONG v = bitmap->ViewPerspective;
    const bool fromTop = v == 1 || v == 2 || v == 5 || v == 7;
    const LONG c = KrnCosFixed(a);
    const LONG sine = KrnSinFixed(a);
    const LONG step = sine / c;
    const LONG rest = sine % c;

    // Rows moved by the width or more leave the bitmap whatever the exact
    // shift, so the shift applied is capped there and cannot overflow.
    // direction -1 moves the rows back where they were.
    const LONG height = bitmap->Height;
    auto shearRows = [&](LONG direction) {
        int64_t shift = 0;
        LONG acc = 0;
        for (LONG i = 0; i < height; ++i) {
            const LONG y = fromTop ? i : height - 1 - i;
            if (y >= region->Bounds.top && y < region->Bounds.bottom) {
                const RowEntry &entry = region->RowTable[y - region->Bounds.top];
                LONG *values = region->RunData + entry.Offset / sizeof(LONG);
                const LONG applied = direction * LONG(std::min<int64_t>(shift, bitmap->Width));
                for (DWORD k = 0; k < entry.Count; ++k) values[k] += applied;
            }
            shift += step;
            acc += rest;
            if (acc > c) {
                shift += 1;
                acc -= c;
            }
        }
    };

    const RECT before = region->Bounds;
    shearRows(1);
    bool boundsSet = false;
    for (LONG y = region->Bounds.top; y < region->Bounds.bottom; ++y) {
        const RowEntry &entry = region->RowTable[y - region->Bounds.top];
        if (entry.Count == 0) continue;
        const LONG *values = region->RunData + entry.Offset / sizeof(LONG);
        if (!boundsSet || values[0] < region->Bounds.left) region->Bounds.left = values[0];
        if (!boundsSet || values[entry.Count - 1] > region->Bounds.right) region->Bounds.right = values[entry.Count - 1];
        boundsSet = true;
    }
    DropRegionCaches(*region);
    const RECT whole{0, 0, bitmap->Width, bitmap->Height};
    const int status = ClipRgnRecord(region, &whole);
    if (status != STATUS_OK) {
        // The clip could not be made: the selection stays as it was.
        shearRows(-1);
        region->Bounds = before;
    }
    return status;
}

}  // namespace zelt::region
