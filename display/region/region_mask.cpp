// Regions and one-bit masks: the white pixels of a mask become a region,
// and a region becomes a new mask with 1 for every selected pixel. The
// clipboard moves regions this way.
#include "region/region_internal.h"

using namespace zelt::region;

namespace {

constexpr COLORREF kWhite = 0x00FFFFFF;
constexpr COLORREF kPaletteIndexOne = 0x01000001;

}  // namespace

int ZELT_API Z_SetBitmapRgnFromMask(BitmapRecord *bitmap, const RegionXForm *xform, BitmapRecord *mask, int mode) {
    if (bitmap == nullptr) return STATUS_BAD_PARAMETER;
    if (mask == nullptr || (mask->Flags & BITMAP_ALLOCATED) == 0) return STATUS_BAD_PARAMETER;

    // A black-and-white one-bit mask (either way round) is read as it is,
    // through a copy of its record; anything else is first reduced to
    // black and white. The caller's mask is never changed.
    BitmapRecord work{};
    const int gray = mask->BitsPerPixel == 1 ? KrnIsGrayBitmap(mask) : 0;
    const bool converted = gray != 1 && gray != 2;
    if (converted) {
        const int status = KrnConvertColorRes(mask, &work, 1, KRN_COLORRES_FIXED_PALETTE, nullptr, nullptr, 0, 0, 0);
        if (status != STATUS_OK) return status;
    } else {
        work = *mask;
    }
    // The mask's own selection plays no part; the converted copy's is ours.
    if (converted) KrnFreeRegion(work.Region);
    work.Region = nullptr;

    int status = SetBitmapRgnColorInt(&work, kWhite, RGNMODE_SET);
    if (status == STATUS_OK) {
        RegionRecord *region = work.Region;
        work.Region = nullptr;  // consumed by the combine, whatever it answers
        status = CombineBitmapRgn(bitmap, xform, region, mode);
    }
    if (converted) KrnFreeBitmap(&work);
    return status;
}

int ZELT_API Z_CreateMaskFromBitmapRgn(BitmapRecord *bitmap, BitmapRecord *mask) {
    if (bitmap == nullptr || mask == nullptr) return STATUS_BAD_PARAMETER;
    int status = KrnCreateBitmap(mask, KRN_MEMORY_CONVENTIONAL, bitmap->Width, bitmap->Height, 1, 0, nullptr,
                                 bitmap->ViewPerspective, nullptr, 0);
    if (status != STATUS_OK) return status;
    KrnClearBitmap(mask);

    // The fill writes through the mask's region: give it the bitmap's,
    // clipped to the mask. Without one, every pixel is written.
    if (bitmap->Region != nullptr) {
        RegionRecord *copy = nullptr;
        status = Z_CopyZeltRgn(&copy, bitmap->Region);
        if (status == STATUS_OK) {
            const RECT whole{0, 0, mask->Width, mask->Height};
            status = ClipRgnRecord(copy, &whole);
        }
        if (status != STATUS_OK) {
            KrnFreeRegion(copy);
            KrnFreeBitmap(mask);
            return status;
        }
        mask->Region = copy;
    }
    status = KrnFillBitmap(mask, kPaletteIndexOne);
    if (status != STATUS_OK) {
        KrnFreeBitmap(mask);  // its region goes with it
        return status;
    }
    KrnFreeRegion(mask->Region);
    mask->Region = nullptr;
    return STATUS_OK;
}
