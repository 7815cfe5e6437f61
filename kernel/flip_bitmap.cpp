// KrnFlipBitmap: mirrors the stored image in place. Neither the pixels nor
// the region services allocate, so the region moves first and a refusal
// there leaves the pixels untouched.
#include "image_mirror.h"
#include "record_internal.h"
#include "region_follow.h"

using namespace zelt::kernel;

extern "C" int ZELT_API KrnFlipBitmap(BitmapRecord *bitmap, int direction) {
    if (!RecordIsAllocated(bitmap)) return STATUS_NO_BITMAP;
    if (direction != KRN_FLIP_HORIZONTAL && direction != KRN_FLIP_VERTICAL) return STATUS_BAD_PARAMETER;
    if (!IsSupportedDepth(bitmap->BitsPerPixel) || bitmap->Width < 1 || bitmap->Height < 1) return STATUS_BAD_PARAMETER;
    const bool horizontal = direction == KRN_FLIP_HORIZONTAL;
    const int status = MirrorRegion(*bitmap, horizontal);
    if (status != STATUS_OK) return status;
    if (horizontal) {
        MirrorColumns(*bitmap);
    } else {
        MirrorRows(*bitmap);
    }
    return STATUS_OK;
}
