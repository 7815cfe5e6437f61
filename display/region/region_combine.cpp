// Merging a new region record into a bitmap's region: the record is first
// mapped from caller coordinates into the bitmap (offset, scale, change of
// view perspective), then combined with the existing region by mode and
// clipped to the bitmap. The new record is consumed in every outcome, and
// the bitmap's region is replaced only once the result is complete.
#include "region/region_internal.h"

namespace zelt::region {

namespace {

bool IsValidMode(int mode) { return mode >= RGNMODE_AND && mode <= RGNMODE_SETNOT; }

bool NeedsExisting(int mode) {
    return mode == RGNMODE_AND || mode == RGNMODE_ANDNOTOLD || mode == RGNMODE_ANDNOTNEW || mode == RGNMODE_OR ||
           mode == RGNMODE_XOR;
}

// Maps a record from the caller's coordinates into the bitmap's.
int MapIntoBitmap(const BitmapRecord &bitmap, const RegionXForm &xform, RegionRecord *fresh) {
    if (!IsAcceptedPerspective(xform.Perspective) || xform.XDen == 0 || xform.YDen == 0) {
        return STATUS_BAD_PARAMETER;
    }
    int status = OffsetRgnRecord(fresh, xform.XOffset, xform.YOffset);
    if (status != STATUS_OK) return status;
    status = ScaleRgnRecord(fresh, xform.XNum, xform.XDen, xform.YNum, xform.YDen);
    if (status != STATUS_OK) return status;
    if (xform.Perspective == bitmap.ViewPerspective) return STATUS_OK;

    int flip = 0, degrees = 0;
    status = KrnGetPerspectiveChange(xform.Perspective, bitmap.ViewPerspective, &flip, &degrees);
    if (status != STATUS_OK) return status;
    // A quarter turn lands in the bitmap's stored space, so the caller's
    // space has the bitmap's width and height exchanged.
    const bool quarter = (degrees / 90) % 2 != 0;
    const LONG sourceWidth = quarter ? bitmap.Height : bitmap.Width;
    const LONG sourceHeight = quarter ? bitmap.Width : bitmap.Height;
    if (flip != 0) {
        status = FlipRgnRecordVert(fresh, sourceHeight);
        if (status != STATUS_OK) return status;
    }
    if (degrees != 0) {
        status = RotateRgnRecord90(fresh, bitmap.Width, bitmap.Height, sourceWidth, sourceHeight, degrees * 100);
    }
    return status;
}

// The combined region, before clipping to the bitmap. `existing` is the
// bitmap's region or a stand-in covering the whole bitmap; in mode SET the
// result is `fresh` itself (ownership passes to the caller's result).
int CombineByMode(const BitmapRecord &bitmap, int mode, OwnedRegion &fresh, const RegionRecord *existing,
                  OwnedRegion &result) {
    RegionRecord *out = nullptr;
    int status = STATUS_OK;
    switch (mode) {
        case RGNMODE_AND: status = IntersectRgnRecords(&out, fresh.get(), existing); break;
        case RGNMODE_SET: out = fresh.release(); break;
        case RGNMODE_ANDNOTOLD: status = SubtractRgnRecords(&out, fresh.get(), existing); break;
        case RGNMODE_ANDNOTNEW: status = SubtractRgnRecords(&out, existing, fresh.get()); break;
        case RGNMODE_OR: status = UnionRgnRecords(&out, fresh.get(), existing); break;
        case RGNMODE_XOR: {
            RegionRecord *onlyNew = nullptr, *onlyOld = nullptr;
            status = SubtractRgnRecords(&onlyNew, fresh.get(), existing);
            OwnedRegion ownNew(onlyNew);
            if (status != STATUS_OK) break;
            status = SubtractRgnRecords(&onlyOld, existing, fresh.get());
            OwnedRegion ownOld(onlyOld);
            if (status != STATUS_OK) break;
            status = UnionRgnRecords(&out, onlyNew, onlyOld);
            break;
        }
        case RGNMODE_SETNOT: {
            RegionRecord *whole = nullptr;
            status = BuildWholeRegion(bitmap.Width, bitmap.Height, &whole);
            OwnedRegion ownWhole(whole);
            if (status != STATUS_OK) break;
            status = SubtractRgnRecords(&out, whole, fresh.get());
            break;
        }
        default: status = STATUS_BAD_PARAMETER; break;
    }
    result.reset(out);
    return status;
}

}  // namespace

int ZELT_API CombineBitmapRgn(BitmapRecord *bitmap, const RegionXForm *xform, RegionRecord *fresh, int mode) {
    OwnedRegion owned(fresh);
    if (bitmap == nullptr) return STATUS_NO_BITMAP;
    if (fresh == nullptr) {
        AttachRegion(*bitmap, nullptr);
        return STATUS_OK;
    }
    if (xform != nullptr) {
        const int status = MapIntoBitmap(*bitmap, *xform, fresh);
        if (status != STATUS_OK) return status;
    }
    if (!IsValidMode(mode)) return STATUS_BAD_PARAMETER;

    const RECT whole{0, 0, bitmap->Width, bitmap->Height};
    OwnedRegion standIn;
    const RegionRecord *existing = bitmap->Region;
    if (existing == nullptr && NeedsExisting(mode)) {
        RegionRecord *built = nullptr;
        const int status = BuildWholeRegion(bitmap->Width, bitmap->Height, &built);
        standIn.reset(built);
        if (status != STATUS_OK) return status;
        existing = built;
    }

    OwnedRegion result;
    int status = CombineByMode(*bitmap, mode, owned, existing, result);
    if (status != STATUS_OK) return status;
    owned.reset();
    standIn.reset();
    status = ClipRgnRecord(result.get(), &whole);
    if (status != STATUS_OK) return status;
    AttachRegion(*bitmap, result.release());
    return STATUS_OK;
}

}  // namespace zelt::region
