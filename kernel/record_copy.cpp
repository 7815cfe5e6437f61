// Copies of bitmap records: deep, shallow, of a rectangle, and of the
// descriptive fields alone.
#include <algorithm>
#include <cstring>

#include "bit_copy.h"
#include "memory_internal.h"
#include "record_internal.h"
#include "region_internal.h"

namespace zelt::kernel {
namespace {

// Starts a deep copy of `source` in `pending` with the given shape: the
// descriptive fields, an own palette copy, own tables and zeroed data. The
// region is left to the caller.
int BeginDeepCopy(PendingRecord &pending, const BitmapRecord &source, int width, int height) {
    BitmapRecord &r = pending.record;
    r = source;
    // Nothing is owned yet: drop the source's pointers we must not free.
    r.KernelFlags = 0;
    r.Data = nullptr;
    r.Palette = nullptr;
    r.Region = nullptr;
    r.AccessCount = 0;
    r.LockCount = 0;
    r.Flags &= ~static_cast<DWORD>(BITMAP_ALLOCATED);

    const std::int64_t bytes = DataBytesFor(width, height, source.BitsPerPixel);
    if (bytes < 0) return STATUS_NO_MEMORY;
    r.Width = width;
    r.Height = height;
    r.BytesPerLine = static_cast<LONG>(BytesPerLineFor(width, source.BitsPerPixel));

    if (source.Palette != nullptr) {
        r.Palette = KrnCreatePaletteCopy(source.Palette);
        if (r.Palette == nullptr) return STATUS_NO_MEMORY;
        r.KernelFlags |= KRN_OWNS_PALETTE;
    }
    // PaintLut and LevelLut still point at the source's tables: copy them.
    const int status = MakeTablesOwned(r);
    if (status != STATUS_OK) return status;

    r.Data = KrnAllocZeroed(static_cast<DWORD>(bytes));
    if (r.Data == nullptr) return STATUS_NO_MEMORY;
    r.KernelFlags |= KRN_OWNS_DATA;
    r.DataSize = static_cast<DWORD>(bytes);
    r.Flags |= BITMAP_ALLOCATED;
    return STATUS_OK;
}


void ClearRecord(BitmapRecord *record) { std::memset(record, 0, sizeof *record); }

}  // namespace

int CopyRegion(BitmapRecord &copy, const BitmapRecord &source, int dx, int dy) {
    copy.Region = nullptr;
    if (source.Region == nullptr) return STATUS_OK;
    if (dx != 0 || dy != 0) {
        // This service also clips the copy to the new bitmap.
        if (auto copyOffset = RegionService<RegionCopyOffsetProc>(KRN_RGN_COPY_OFFSET)) {
            const int status = copyOffset(&copy, const_cast<BitmapRecord *>(&source), dx, dy);
            if (copy.Region == source.Region) copy.Region = nullptr;
            return status;
        }
    }
    auto copyRegion = RegionService<RegionCopyProc>(KRN_RGN_COPY);
    if (copyRegion == nullptr) return STATUS_OK;  // without services copies have no region
    RegionRecord *region = nullptr;
    int status = copyRegion(&region, source.Region);
    if (status != STATUS_OK) return status;
    if (dx != 0 || dy != 0) {
        if (auto offset = RegionService<RegionOffsetRecordProc>(KRN_RGN_OFFSET_RECORD)) {
            status = offset(region, dx, dy);
            if (status != STATUS_OK) {
                KrnFreeRegion(region);
                return status;
            }
        }
    }
    copy.Region = region;
    return STATUS_OK;
}

}  // namespace zelt::kernel

using namespace zelt::kernel;

extern "C" {

int ZELT_API KrnCopyBitmap(BitmapRecord *destination, const BitmapRecord *source) {
    if (!RecordIsAllocated(source)) return STATUS_NO_BITMAP;
    if (destination == nullptr || destination == source) return STATUS_BAD_PARAMETER;
    int status;
    {
        PendingRecord pending;
        status = BeginDeepCopy(pending, *source, source->Width, source->Height);
        if (status == STATUS_OK) {
            std::memcpy(pending.record.Data, source->Data, pending.record.DataSize);
            status = CopyRegion(pending.record, *source, 0, 0);
        }
        if (status == STATUS_OK) {
            pending.HandOver(destination);
            return STATUS_OK;
        }
    }
    ClearRecord(destination);
    return status;
}

int ZELT_API KrnCopyBitmapRecord(BitmapRecord *destination, const BitmapRecord *source) {
    if (source == nullptr) return STATUS_NO_BITMAP;
    if (destination == nullptr) return STATUS_BAD_PARAMETER;
    BitmapRecord copy = *source;
    copy.KernelFlags = 0;
    copy.AccessCount = 0;
    copy.LockCount = 0;
    *destination = copy;
    return STATUS_OK;
}

int ZELT_API KrnCopyBitmapRect(BitmapRecord *destination, const BitmapRecord *source, int x, int y, int width,
                               int height) {
    if (!RecordIsAllocated(source)) return STATUS_NO_BITMAP;
    if (destination == nullptr || destination == source || width < 1 || height < 1) return STATUS_BAD_PARAMETER;
    int status;
    {
        PendingRecord pending;
        status = BeginDeepCopy(pending, *source, width, height);
        if (status == STATUS_OK) {
            // The part of the rectangle inside the source; the rest stays zero.
            const std::int64_t left = std::max<std::int64_t>(x, 0);
            const std::int64_t top = std::max<std::int64_t>(y, 0);
            const std::int64_t right = std::min<std::int64_t>(std::int64_t{x} + width, source->Width);
            const std::int64_t bottom = std::min<std::int64_t>(std::int64_t{y} + height, source->Height);
            const BitCopyFunction copyBits = BitCopierForDepth(source->BitsPerPixel);
            const std::size_t bpp = static_cast<std::size_t>(source->BitsPerPixel);
            for (std::int64_t row = top; row < bottom && left < right; ++row) {
                copyBits(RowAddress(&pending.record, static_cast<int>(row - y)), static_cast<std::size_t>(left - x) * bpp,
                         RowAddress(source, static_cast<int>(row)), static_cast<std::size_t>(left) * bpp,
                         static_cast<std::size_t>(right - left) * bpp);
            }
            status = CopyRegion(pending.record, *source, -x, -y);
        }
        if (status == STATUS_OK) {
            pending.HandOver(destination);
            return STATUS_OK;
        }
    }
    ClearRecord(destination);
    return status;
}

int ZELT_API KrnCopyBitmapInfo(BitmapRecord *destination, const BitmapRecord *source) {
    if (source == nullptr) return STATUS_NO_BITMAP;
    if (destination == nullptr) return STATUS_BAD_PARAMETER;
    BitmapRecord working = *destination;
    if (source->PaintLut != nullptr && source->PaintLut != working.PaintLut) {
        // Never write into a table shared with another record.
        const int status = MakeTablesOwned(working);
        if (status != STATUS_OK) return status;
        std::memcpy(working.PaintLut, source->PaintLut, 256);
    }
    constexpr DWORD copiedFlags = BITMAP_WAIT_INPUT | BITMAP_TRANSPARENT | BITMAP_PAINT_LUT_ACTIVE;
    working.Flags = (working.Flags & ~copiedFlags) | (source->Flags & copiedFlags);
    working.XResolution = source->XResolution;
    working.YResolution = source->YResolution;
    working.Left = source->Left;
    working.Top = source->Top;
    working.Delay = source->Delay;
    working.BackgroundColor = source->BackgroundColor;
    working.TransparentColor = source->TransparentColor;
    working.DisposalMethod = source->DisposalMethod;
    working.PaintIntensity = source->PaintIntensity;
    working.PaintContrast = source->PaintContrast;
    working.PaintGamma = source->PaintGamma;
    *destination = working;
    return STATUS_OK;
}

}  // extern "C"
