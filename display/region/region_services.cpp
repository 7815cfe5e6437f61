// The table of region operations handed to the kernel library at load, in
// its fixed order, so that regions follow bitmaps through the kernel's own
// copies, crops, flips, resizes, rotations and shears.
#include "region/region_services.h"

#include "region/region_internal.h"

namespace {

template <typename Function>
KRNSERVICEPROC AsService(Function function) {
    return reinterpret_cast<KRNSERVICEPROC>(function);
}

}  // namespace

void BuildRegionServices(KRNSERVICEPROC (&table)[KRN_REGION_SERVICE_COUNT]) {
    using namespace zelt::region;
    table[KRN_RGN_FLIP_HORZ] = AsService(&FlipBitmapRgnHorz);
    table[KRN_RGN_COPY_OFFSET] = AsService(&CopyBitmapRgnOffset);
    table[KRN_RGN_SET_FROM_MASK] = AsService(&Z_SetBitmapRgnFromMask);
    table[KRN_RGN_CLIP_SEGMENTS_MAX] = AsService(&Z_GetBitmapClipSegmentsMax);
    table[KRN_RGN_CLIP_SEGMENTS] = AsService(&Z_GetBitmapClipSegments);
    table[KRN_RGN_RESIZE] = AsService(&ResizeBitmapRgn);
    table[KRN_RGN_COMBINE] = AsService(&CombineBitmapRgn);
    table[KRN_RGN_BOUNDS] = AsService(&Z_GetBitmapRgnBounds);
    table[KRN_RGN_COPY] = AsService(&Z_CopyZeltRgn);
    table[KRN_RGN_OFFSET_RECORD] = AsService(&OffsetRgnRecord);
    table[KRN_RGN_FLIP_RECORD_VERT] = AsService(&FlipRgnRecordVert);
    table[KRN_RGN_SHEAR] = AsService(&ShearBitmapRgn);
    table[KRN_RGN_ROTATE] = AsService(&RotateBitmapRgn);
    table[KRN_RGN_INT_HANDLE] = AsService(&Z_IntGetBitmapRgnHandle);
    table[KRN_RGN_SET_COLOR] = AsService(&SetBitmapRgnColorInt);
    table[KRN_RGN_SET_RECT] = AsService(&SetBitmapRgnRectInt);
    table[KRN_RGN_IS_PT_IN] = AsService(&Z_IsPtInBitmapRgn);
    table[KRN_RGN_CREATE_MASK] = AsService(&Z_CreateMaskFromBitmapRgn);
    table[KRN_RGN_FLIP_VERT] = AsService(&FlipBitmapRgnVert);
    table[KRN_RGN_HANDLE] = AsService(&Z_GetBitmapRgnHandle);
    // The last three are the kernel's own list operations, handed back so
    // that region code and the kernel agree on one table.
    table[KRN_RGN_LIST_COUNT] = AsService(&KrnGetBitmapListCount);
    table[KRN_RGN_LIST_ITEM] = AsService(&KrnGetBitmapListItem);
    table[KRN_RGN_SET_LIST_ITEM] = AsService(&KrnSetBitmapListItem);
}
