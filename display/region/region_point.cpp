// The point test: one row lookup and a short scan of that row's pairs,
// with early exits on the bounding box and on the row's extent.
#include "region/region_internal.h"

int ZELT_API Z_IsPtInBitmapRgn(BitmapRecord *bitmap, int row, int column) {
    if (bitmap == nullptr) return 0;
    const RegionRecord *region = bitmap->Region;
    if (region == nullptr) return column >= 0 && column < bitmap->Width && row >= 0 && row < bitmap->Height ? 1 : 0;
    if (column < region->Bounds.left || column >= region->Bounds.right) return 0;
    const zelt::region::RowRuns runs = zelt::region::RowOf(*region, row);
    if (runs.count == 0) return 0;
    if (column < runs.values[0] || column >= runs.values[runs.count - 1]) return 0;
    for (DWORD k = 0; k + 1 < runs.count; k += 2) {
        if (column < runs.values[k]) return 0;  // in the gap before this pair
        if (column < runs.values[k + 1]) return 1;
    }
    return 0;
}
