// A metafile played onto a new 24-bit bitmap. The handle's kind (classic or
// enhanced) is found out from the handle, so the WMF and EMF names are
// aliases of one conversion.
#include "interchange/interchange_guards.h"
#include "interchange/metafile_info.h"

namespace {

// The size asked for; a zero side follows the picture's aspect ratio.
SIZE RequestedSize(const MetaBitmap &info, int width, int height) {
    const LONG naturalWidth = info.DeviceExtX != 0 ? info.DeviceExtX : info.WindowExtX;
    const LONG naturalHeight = info.DeviceExtY != 0 ? info.DeviceExtY : info.WindowExtY;
    if (width == 0 && height == 0) return {naturalWidth, naturalHeight};
    if (width == 0) return {MulDiv(height, naturalWidth, naturalHeight), height};
    if (height == 0) return {width, MulDiv(width, naturalHeight, naturalWidth)};
    return {width, height};
}

void Play(HDC dc, const MetaBitmap &info, SIZE size) {
    if (info.IsEnhanced) {
        // The rectangle's edges are part of the picture: the last column and
        // row are size - 1, so the frame fills the bitmap exactly.
        const RECT whole{0, 0, size.cx - 1, size.cy - 1};
        PlayEnhMetaFile(dc, static_cast<HENHMETAFILE>(info.Handle), &whole);
        return;
    }
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowOrgEx(dc, info.WindowOrgX, info.WindowOrgY, nullptr);
    SetWindowExtEx(dc, info.WindowExtX, info.WindowExtY, nullptr);
    SetViewportOrgEx(dc, 0, 0, nullptr);
    SetViewportExtEx(dc, size.cx, size.cy, nullptr);
    PlayMetaFile(dc, static_cast<HMETAFILE>(info.Handle));
}

int PlayIntoBitmap(BitmapRecord *bitmap, HANDLE metafile, int width, int height, bool consume) {
    if (bitmap == nullptr) return STATUS_BAD_PARAMETER;
    MetaBitmap info;
    if (const int status = Z_GetMetafileInfo(metafile, &info); status != STATUS_OK) return status;
    const SIZE size = RequestedSize(info, width, height);
    interchange::ScratchRecord played;
    const int status = KrnCreateBitmap(played.get(), KRN_MEMORY_CONVENTIONAL, size.cx, size.cy, 24, 1, nullptr, 0,
                                       nullptr, 0);
    if (status != STATUS_OK) return status;
    {
        const interchange::BitmapContext dc(played.get());
        if (dc.get() == nullptr) return STATUS_NO_MEMORY;
        Play(dc.get(), info, size);
    }
    if (consume) {
        if (info.IsEnhanced) DeleteEnhMetaFile(static_cast<HENHMETAFILE>(metafile));
        else DeleteMetaFile(static_cast<HMETAFILE>(metafile));
    }
    played.HandOver(bitmap);
    return STATUS_OK;
}

}  // namespace

int ZELT_API Z_ConvertFromMetafile(BitmapRecord *bitmap, HANDLE metafile, int width, int height) {
    return PlayIntoBitmap(bitmap, metafile, width, height, false);
}

int ZELT_API Z_ChangeFromMetafile(BitmapRecord *bitmap, HANDLE metafile, int width, int height) {
    return PlayIntoBitmap(bitmap, metafile, width, height, true);
}

int ZELT_API Z_ConvertFromWMF(BitmapRecord *bitmap, HANDLE metafile, int width, int height) {
    return PlayIntoBitmap(bitmap, metafile, width, height, false);
}

int ZELT_API Z_ConvertFromEMF(BitmapRecord *bitmap, HANDLE metafile, int width, int height) {
    return PlayIntoBitmap(bitmap, metafile, width, height, false);
}

int ZELT_API Z_ChangeFromWMF(BitmapRecord *bitmap, HANDLE metafile, int width, int height) {
    return PlayIntoBitmap(bitmap, metafile, width, height, true);
}

int ZELT_API Z_ChangeFromEMF(BitmapRecord *bitmap, HANDLE metafile, int width, int height) {
    return PlayIntoBitmap(bitmap, metafile, width, height, true);
}
