// Questions about a bitmap's selection that leave its shape alone: whether
// it has one, its area, the runs of one row (clip segments) and its
// bounding box in display coordinates. A bitmap without a region counts as
// wholly selected: one run (0, Width) on every row.
#include <cstdint>
#include <cstring>

#include "region/region_internal.h"

using namespace zelt::region;

int ZELT_API Z_BitmapHasRgn(const BitmapRecord *bitmap) {
    return bitmap != nullptr && bitmap->Region != nullptr ? 1 : 0;
}

int ZELT_API Z_FreeBitmapRgn(BitmapRecord *bitmap) {
    if (bitmap == nullptr) return STATUS_BAD_PARAMETER;
    KrnFreeRegion(bitmap->Region);
    bitmap->Region = nullptr;
    return STATUS_OK;
}

int ZELT_API Z_GetBitmapRgnArea(BitmapRecord *bitmap, DWORD *area) {
    if (bitmap == nullptr) return STATUS_NO_BITMAP;
    if (area == nullptr) return STATUS_BAD_PARAMETER;
    const RegionRecord *region = bitmap->Region;
    if (region == nullptr) {
        // Unsigned arithmetic: an area past 32 bits wraps as it would in
        // the 32-bit result anyway, without undefined behaviour.
        *area = DWORD(bitmap->Width) * DWORD(bitmap->Height);
        return STATUS_OK;
    }
    DWORD total = 0;
    const DWORD rows = region->RowTableBytes / sizeof(RowEntry);
    for (DWORD r = 0; r < rows; ++r) {
        const RowEntry &entry = region->RowTable[r];
        const LONG *values = region->RunData + entry.Offset / sizeof(LONG);
        for (DWORD i = 0; i + 1 < entry.Count; i += 2) total += DWORD(values[i + 1]) - DWORD(values[i]);
    }
    *area = total;
    return STATUS_OK;
}

int ZELT_API Z_GetBitmapClipSegmentsMax(BitmapRecord *bitmap, DWORD *count) {
    if (bitmap == nullptr) return STATUS_NO_BITMAP;
    if (count == nullptr) return STATUS_BAD_PARAMETER;
    const RegionRecord *region = bitmap->Region;
    if (region == nullptr) {
        *count = 2;
        return STATUS_OK;
    }
    // A row n pixels wide holds at most n + 1 values, rounded down to pairs.
    const std::int64_t span = std::int64_t(region->Bounds.right) - region->Bounds.left + 1;
    *count = span < 1 ? 0 : DWORD(span & ~std::int64_t(1));
    return STATUS_OK;
}

int ZELT_API Z_GetBitmapClipSegments(BitmapRecord *bitmap, int row, LONG *segments, DWORD *count) {
    if (bitmap == nullptr) return STATUS_NO_BITMAP;
    if (count == nullptr) return STATUS_BAD_PARAMETER;
    const RegionRecord *region = bitmap->Region;
    if (region == nullptr) {
        if (segments == nullptr) return STATUS_BAD_PARAMETER;
        segments[0] = 0;
        segments[1] = bitmap->Width;
        *count = 2;
        return STATUS_OK;
    }
    const RowRuns runs = RowOf(*region, row);
    if (runs.count > 0) {
        if (segments == nullptr) return STATUS_BAD_PARAMETER;
        std::memcpy(segments, runs.values, runs.count * sizeof(LONG));
    }
    *count = runs.count;
    return STATUS_OK;
}

int ZELT_API Z_GetBitmapRgnBounds(BitmapRecord *bitmap, const RegionXForm *xform, RECT *bounds) {
    if (bitmap == nullptr) return STATUS_NO_BITMAP;
    if (bounds == nullptr) return STATUS_BAD_PARAMETER;
    RECT box = bitmap->Region != nullptr ? bitmap->Region->Bounds : RECT{0, 0, bitmap->Width, bitmap->Height};
    // Mapped aside so that a refused transform leaves the caller's rectangle alone.
    const int status = BitmapRectToDisplay(bitmap, xform, &box);
    if (status != STATUS_OK) return status;
    *bounds = box;
    return STATUS_OK;
}
