// Moving a bitmap's region by whole pixels. A bitmap without a region is
// wholly selected, so moving it selects the whole bitmap shifted; whatever
// leaves the bitmap is cut off.
#include "region/region_internal.h"

using namespace zelt::region;

int ZELT_API Z_OffsetBitmapRgn(BitmapRecord *bitmap, int rowOffset, int columnOffset) {
    if (bitmap == nullptr) return STATUS_NO_BITMAP;
    const RECT whole{0, 0, bitmap->Width, bitmap->Height};
    RegionRecord *region = bitmap->Region;
    const bool built = region == nullptr;
    if (built) {
        const int status = BuildWholeRegion(bitmap->Width, bitmap->Height, &region);
        if (status != STATUS_OK) return status;
    }
    int status = OffsetRgnRecord(region, columnOffset, rowOffset);
    if (status == STATUS_OK) status = ClipRgnRecord(region, &whole);
    if (status != STATUS_OK) {
        // Moving in place cannot fail, so only the clip can; moving back
        // leaves the bitmap's own record as it was (caches aside).
        if (built) KrnFreeRegion(region);
        else if (columnOffset != 0 || rowOffset != 0) OffsetRgnRecord(region, -columnOffset, -rowOffset);
        return status;
    }
    bitmap->Region = region;
    return STATUS_OK;
}
