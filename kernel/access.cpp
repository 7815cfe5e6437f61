// Access brackets and data locks. Image data always lives in one block of
// main memory here, so opening either only counts; the counts let a release
// that matches no open bracket be refused.
#include "record_internal.h"

using namespace zelt::kernel;

extern "C" {

int ZELT_API KrnAccessBitmap(BitmapRecord *bitmap) {
    if (!RecordIsAllocated(bitmap)) return STATUS_NO_BITMAP;
    return ++bitmap->AccessCount;
}

int ZELT_API KrnLockBitmapData(BitmapRecord *bitmap) {
    if (!RecordIsAllocated(bitmap)) return STATUS_NO_BITMAP;
    ++bitmap->LockCount;
    return STATUS_OK;
}

int ZELT_API KrnReleaseBitmapAccess(BitmapRecord *bitmap, int token) {
    if (bitmap == nullptr) return STATUS_NO_BITMAP;
    // KRN_ACCESS_LOCK and the first bracket's token are both 1; locks are
    // taken inside brackets and so are released first.
    if (token == KRN_ACCESS_LOCK && bitmap->LockCount > 0) {
        --bitmap->LockCount;
        return STATUS_OK;
    }
    if (token < 1 || token > bitmap->AccessCount) return STATUS_BAD_PARAMETER;
    --bitmap->AccessCount;
    return STATUS_OK;
}

}  // extern "C"
