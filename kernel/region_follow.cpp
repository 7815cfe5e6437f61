#include "region_follow.h"

#include "region_internal.h"

namespace zelt::kernel {
namespace {

using BitmapRegionProc = int(ZELT_API *)(BitmapRecord *bitmap);
using RecordFlipProc = int(ZELT_API *)(RegionRecord *region, int height);
using ResizeProc = int(ZELT_API *)(BitmapRecord *bitmap, int width, int height);
using RotateProc = int(ZELT_API *)(BitmapRecord *bitmap, int sourceWidth, int sourceHeight, int angle);

int DropRegion(BitmapRecord &bitmap) {
    KrnFreeRegion(bitmap.Region);
    bitmap.Region = nullptr;
    return STATUS_OK;
}

}  // namespace

int MirrorRegion(BitmapRecord &bitmap, bool horizontal) {
    if (bitmap.Region == nullptr) return STATUS_OK;
    const auto mirror = RegionService<BitmapRegionProc>(horizontal ? KRN_RGN_FLIP_HORZ : KRN_RGN_FLIP_VERT);
    return mirror != nullptr ? mirror(&bitmap) : DropRegion(bitmap);
}

int ScaleRegion(BitmapRecord &bitmap, int width, int height) {
    if (bitmap.Region == nullptr) return STATUS_OK;
    const auto resize = RegionService<ResizeProc>(KRN_RGN_RESIZE);
    return resize != nullptr ? resize(&bitmap, width, height) : DropRegion(bitmap);
}

int TurnRegionQuarter(BitmapRecord &bitmap, bool flip, int degrees, int newWidth, int newHeight) {
    RegionRecord *region = bitmap.Region;
    if (region == nullptr) return STATUS_OK;
    const auto flipRecord = RegionService<RecordFlipProc>(KRN_RGN_FLIP_RECORD_VERT);
    const auto rotate = RegionService<RotateProc>(KRN_RGN_ROTATE);
    if (rotate == nullptr || (flip && flipRecord == nullptr)) return DropRegion(bitmap);

    int status = flip ? flipRecord(region, bitmap.Height) : STATUS_OK;
    if (status != STATUS_OK) return status;
    // The rotation works on a record of the new size in perspective 0, so
    // the angle is not mirrored by the image's own perspective; it replaces
    // the region record in place, keeping its address.
    BitmapRecord turned;
    status = KrnInitBitmapRecord(&turned, newWidth, newHeight, 1);
    if (status == STATUS_OK) {
        turned.Region = region;
        status = rotate(&turned, bitmap.Width, bitmap.Height, degrees * 100);
        bitmap.Region = turned.Region;
    }
    if (status != STATUS_OK && flip) flipRecord(bitmap.Region, bitmap.Height);  // undo: the flip is its own inverse
    return status;
}

}  // namespace zelt::kernel
