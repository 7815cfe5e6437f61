// Upkeep of region records: caches, emptying, in-place replacement and
// attaching a record to its bitmap.
#include "region/region_internal.h"

namespace zelt::region {

namespace {

template <typename Handle>
void DeleteCached(Handle &handle) {
    if (handle != nullptr) DeleteObject(handle);
    handle = nullptr;
}

}  // namespace

void DropRegionCaches(RegionRecord &region) {
    DeleteCached(region.hFrameMask);
    DeleteCached(region.hColorMask);
    DeleteCached(region.hRgnCache);
}

void MakeRegionEmpty(RegionRecord &region) {
    region.Bounds = RECT{0, 0, 0, 0};
    KrnFreeMem(region.RowTable);
    KrnFreeMem(region.RunData);
    region.RowTable = nullptr;
    region.RunData = nullptr;
    region.RowTableBytes = 0;
    region.RunBytes = 0;
    DropRegionCaches(region);
}

void ReplaceRegionInPlace(RegionRecord &target, RegionRecord *fresh) {
    MakeRegionEmpty(target);
    target = *fresh;
    KrnFreeMem(fresh);
}

void AdoptCacheView(RegionRecord &region, LONG view) {
    if (region.MaskPerspective == view) return;
    DropRegionCaches(region);
    region.MaskPerspective = view;
}

HRGN CopyGdiRegion(HRGN region) {
    if (region == nullptr) return nullptr;
    HRGN copy = CreateRectRgn(0, 0, 0, 0);
    if (copy != nullptr && CombineRgn(copy, region, region, RGN_COPY) == ERROR) {
        DeleteObject(copy);
        copy = nullptr;
    }
    return copy;
}

void AttachRegion(BitmapRecord &bitmap, RegionRecord *region) {
    if (bitmap.Region != region) KrnFreeRegion(bitmap.Region);
    bitmap.Region = region;
}

}  // namespace zelt::region
