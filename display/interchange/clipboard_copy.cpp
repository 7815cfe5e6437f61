// A bitmap put on the clipboard in several formats at once: its paint
// palette, a packed DIB, its selection region as a 1-bit mask DIB in the
// library's own format, and a device-dependent bitmap. Everything is made
// before the clipboard is opened, so a failure places nothing; once placed,
// data belongs to the clipboard.
#include "frame/library_state.h"
#include "interchange/interchange_guards.h"

namespace {

using interchange::OwnedBitmap;
using interchange::OwnedGlobal;
using interchange::OwnedPalette;

struct ClipboardData {
    OwnedPalette palette;
    OwnedGlobal dib;
    OwnedGlobal region;
    OwnedBitmap ddb;
};

int MakePalette(HWND hwnd, BitmapRecord *bitmap, ClipboardData &data) {
    const interchange::WindowContext dc(hwnd);
    if (dc.get() == nullptr) return STATUS_BAD_PARAMETER;
    data.palette = Z_CreatePaintPalette(dc.get(), bitmap);
    return STATUS_OK;
}

int MakeRegionMask(BitmapRecord *bitmap, ClipboardData &data) {
    BitmapRecord mask{};
    if (const int status = Z_CreateMaskFromBitmapRgn(bitmap, &mask); status != STATUS_OK) return status;
    data.region = KrnChangeToDib(&mask);
    if (!data.region) {
        KrnFreeBitmap(&mask);
        return STATUS_NO_MEMORY;
    }
    return STATUS_OK;
}

int MakeDeviceBitmap(HWND hwnd, BitmapRecord *bitmap, ClipboardData &data) {
    const interchange::WindowContext dc(hwnd);
    if (dc.get() == nullptr) return STATUS_BAD_PARAMETER;
    data.ddb = Z_ConvertToDDB(dc.get(), bitmap);
    return data.ddb ? STATUS_OK : STATUS_NO_MEMORY;
}

int MakeData(HWND hwnd, BitmapRecord *bitmap, UINT flags, ClipboardData &data) {
    if (flags & COPY_PALETTE) {
        if (const int status = MakePalette(hwnd, bitmap, data); status != STATUS_OK) return status;
    }
    if (flags & COPY_DIB) {
        data.dib = KrnConvertToDib(bitmap);
        if (!data.dib) return STATUS_NO_MEMORY;
    }
    if ((flags & COPY_REGION) && bitmap->Region != nullptr) {
        if (const int status = MakeRegionMask(bitmap, data); status != STATUS_OK) return status;
    }
    if (flags & COPY_DDB) return MakeDeviceBitmap(hwnd, bitmap, data);
    return STATUS_OK;
}

// Hands one object to the clipboard; when it refuses, the guard keeps it
// and frees it.
template <typename Guard>
void Place(UINT format, Guard &object) {
    if (object && SetClipboardData(format, object.get()) != nullptr) object.release();
}

}  // namespace

int ZELT_API Z_CopyToClipboardExt(HWND hwnd, BitmapRecord *bitmap, UINT flags) {
    if (bitmap == nullptr || !(bitmap->Flags & BITMAP_ALLOCATED)) return STATUS_NO_BITMAP;
    ClipboardData data;
    if (const int status = MakeData(hwnd, bitmap, flags, data); status != STATUS_OK) return status;
    if (!OpenClipboard(hwnd)) return STATUS_BAD_PARAMETER;
    if (flags & COPY_EMPTY) EmptyClipboard();
    Place(CF_PALETTE, data.palette);
    Place(CF_DIB, data.dib);
    if (const UINT regionFormat = Library().RegionClipboardFormat; regionFormat != 0) Place(regionFormat, data.region);
    Place(CF_BITMAP, data.ddb);
    CloseClipboard();
    return STATUS_OK;
}

int ZELT_API Z_CopyToClipboard(HWND hwnd, BitmapRecord *bitmap) {
    return Z_CopyToClipboardExt(hwnd, bitmap, COPY_EMPTY | COPY_DIB | COPY_DDB | COPY_PALETTE | COPY_REGION) ==
           STATUS_OK;
}

int ZELT_API Z_ClipboardReady(void) {
    return IsClipboardFormatAvailable(CF_DIB) || IsClipboardFormatAvailable(CF_BITMAP) ||
           IsClipboardFormatAvailable(CF_METAFILEPICT);
}
