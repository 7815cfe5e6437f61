// Regions travelling with bitmaps: the deep copy of a record, the copy
// onto another bitmap with an offset, and the rescale that follows a
// resized bitmap.
#include <cstring>

#include "region/region_internal.h"

namespace zelt::region {

namespace {

template <typename T>
bool DuplicateBlock(T *&target, const T *source, DWORD bytes) {
    if (bytes == 0) return true;
    target = static_cast<T *>(KrnAllocMem(bytes));
    if (target == nullptr) return false;
    std::memcpy(target, source, bytes);
    return true;
}

}  // namespace

int ZELT_API CopyBitmapRgnOffset(BitmapRecord *destination, BitmapRecord *source, int dx, int dy) {
    if (destination == nullptr || source == nullptr) return STATUS_BAD_PARAMETER;
    // The destination is a fresh copy of the source's record: its Region
    // field still names the source's region, which is not its to free.
    destination->Region = nullptr;
    if (source->Region == nullptr) return STATUS_OK;
    RegionRecord *copy = nullptr;
    int status = Z_CopyZeltRgn(&copy, source->Region);
    if (status != STATUS_OK) return status;
    status = OffsetRgnRecord(copy, dx, dy);
    if (status == STATUS_OK) {
        const RECT whole{0, 0, destination->Width, destination->Height};
        status = ClipRgnRecord(copy, &whole);
    }
    if (status != STATUS_OK) {
        KrnFreeRegion(copy);
        return status;
    }
    destination->Region = copy;
    return STATUS_OK;
}

int ZELT_API ResizeBitmapRgn(BitmapRecord *bitmap, int newWidth, int newHeight) {
    if (bitmap == nullptr) return STATUS_NO_BITMAP;
    if (bitmap->Region == nullptr) return STATUS_OK;
    return ScaleRgnRecord(bitmap->Region, newWidth, bitmap->Width, newHeight, bitmap->Height);
}

}  // namespace zelt::region

using namespace zelt::region;

int ZELT_API Z_CopyZeltRgn(RegionRecord **destination, RegionRecord *source) {
    if (destination == nullptr) return STATUS_BAD_PARAMETER;
    *destination = nullptr;
    if (source == nullptr) return STATUS_OK;
    auto *copy = static_cast<RegionRecord *>(KrnAllocZeroed(sizeof(RegionRecord)));
    if (copy == nullptr) return STATUS_NO_MEMORY;
    // The masks are not carried over: they are rebuilt on demand.
    // A cache GDI cannot duplicate is simply not carried over.
    copy->hRgnCache = CopyGdiRegion(source->hRgnCache);
    copy->RgnCacheXForm = source->RgnCacheXForm;
    copy->Bounds = source->Bounds;
    copy->RowTableBytes = source->RowTableBytes;
    copy->RunBytes = source->RunBytes;
    if (!DuplicateBlock(copy->RowTable, source->RowTable, source->RowTableBytes) ||
        !DuplicateBlock(copy->RunData, source->RunData, source->RunBytes)) {
        KrnFreeRegion(copy);
        return STATUS_NO_MEMORY;
    }
    *destination = copy;
    return STATUS_OK;
}
