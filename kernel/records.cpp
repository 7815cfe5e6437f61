// Bitmap records: describing, allocating, creating, freeing and clearing.
// Every operation that allocates works on a copy of the record and hands
// it over only when everything succeeded, so a failure leaves the caller's
// record as it was.
#include <cstring>

#include "memory_internal.h"
#include "palette_internal.h"
#include "record_internal.h"

namespace zelt::kernel {
namespace {

constexpr DWORD kPaintLutBytes = 256;

void ClearRecord(BitmapRecord &record) { std::memset(&record, 0, sizeof record); }

}  // namespace

void ReleaseRecordParts(BitmapRecord &record) {
    if ((record.KernelFlags & KRN_OWNS_DATA) != 0) KrnFreeMem(record.Data);
    if ((record.KernelFlags & KRN_OWNS_PALETTE) != 0 && record.Palette != nullptr) DeleteObject(record.Palette);
    if ((record.KernelFlags & KRN_OWNS_TABLES) != 0) {
        KrnFreeMem(record.PaintLut);
        KrnFreeMem(record.LevelLut);
    }
    KrnFreeRegion(record.Region);
    ClearRecord(record);
}

PendingRecord::PendingRecord() { ClearRecord(record); }

PendingRecord::~PendingRecord() {
    if (!handedOver_) ReleaseRecordParts(record);
}

void PendingRecord::HandOver(BitmapRecord *destination) {
    *destination = record;
    handedOver_ = true;
}

int DescribeRecord(BitmapRecord &record, int width, int height, int bitsPerPixel, int order) {
    if (width < 1 || height < 1 || !IsSupportedDepth(bitsPerPixel)) return STATUS_BAD_PARAMETER;
    // A row must be addressable with a LONG stride; the size of the whole
    // image is checked when data is allocated.
    if (BytesPerLineFor(width, bitsPerPixel) > INT32_MAX) return STATUS_NO_MEMORY;
    ClearRecord(record);
    record.Width = width;
    record.Height = height;
    record.BitsPerPixel = bitsPerPixel;
    record.BytesPerLine = static_cast<LONG>(BytesPerLineFor(width, bitsPerPixel));
    record.Order = bitsPerPixel == 12 ? 2 : order;
    record.HighBit = IsDeepGray(&record) ? bitsPerPixel - 1 : 7;
    record.PaintHighBit = record.HighBit;
    record.MaxValue = static_cast<LONG>((1L << (record.HighBit + 1)) - 1);
    record.PaintGamma = 100;
    return STATUS_OK;
}

int MakeTablesOwned(BitmapRecord &record) {
    const bool owned = (record.KernelFlags & KRN_OWNS_TABLES) != 0;
    if (owned && record.PaintLut != nullptr) return STATUS_OK;
    auto paintLut = AllocBlock<BYTE>(kPaintLutBytes);
    if (!paintLut) return STATUS_NO_MEMORY;
    if (record.PaintLut != nullptr) {
        std::memcpy(paintLut.get(), record.PaintLut, kPaintLutBytes);
    } else {
        for (DWORD i = 0; i < kPaintLutBytes; ++i) paintLut.get()[i] = static_cast<BYTE>(i);
    }
    KernelBlock<RGBQUAD> levelLut;
    if (!owned && record.LevelLut != nullptr) {
        const DWORD bytes = record.LevelLutLength * static_cast<DWORD>(sizeof(RGBQUAD));
        levelLut = AllocBlock<RGBQUAD>(bytes);
        if (!levelLut) return STATUS_NO_MEMORY;
        std::memcpy(levelLut.get(), record.LevelLut, bytes);
        record.LevelLut = levelLut.release();
    }
    record.PaintLut = paintLut.release();
    record.KernelFlags |= KRN_OWNS_TABLES;
    return STATUS_OK;
}

}  // namespace zelt::kernel

using namespace zelt::kernel;

extern "C" {

int ZELT_API KrnInitBitmapRecord(BitmapRecord *bitmap, int width, int height, int bitsPerPixel) {
    if (bitmap == nullptr) return STATUS_BAD_PARAMETER;
    const int order = bitsPerPixel > 8 ? 1 : 0;
    BitmapRecord described;
    const int status = DescribeRecord(described, width, height, bitsPerPixel, order);
    if (status == STATUS_OK) *bitmap = described;
    return status;
}

int ZELT_API KrnInitBitmapFrom(BitmapRecord *bitmap, const BitmapRecord *source, int width, int height,
                               int bitsPerPixel, UINT flags) {
    if (bitmap == nullptr) return STATUS_BAD_PARAMETER;
    if (source == nullptr) return STATUS_NO_BITMAP;
    BitmapRecord r;
    const int status = DescribeRecord(r, width, height, bitsPerPixel, source->Order);
    if (status != STATUS_OK) return status;
    r.ViewPerspective = source->ViewPerspective;
    r.Palette = source->Palette;
    if (IsPaletteDepth(bitsPerPixel) && source->Palette != nullptr) {
        r.ColorCount = source->ColorCount < (1 << bitsPerPixel) ? source->ColorCount : (1 << bitsPerPixel);
    }
    r.LowBit = source->LowBit;
    r.HighBit = source->HighBit;
    r.MinValue = source->MinValue;
    r.MaxValue = source->MaxValue;
    r.LevelLut = source->LevelLut;
    r.LevelLutLength = source->LevelLutLength;
    r.PaintLowBit = source->PaintLowBit;
    r.PaintHighBit = source->PaintHighBit;
    r.PaintGamma = source->PaintGamma;
    r.PaintContrast = source->PaintContrast;
    r.PaintIntensity = source->PaintIntensity;
    r.PaintLut = source->PaintLut;
    r.XResolution = source->XResolution;
    r.YResolution = source->YResolution;
    r.Left = source->Left;
    r.Top = source->Top;
    r.Delay = source->Delay;
    r.BackgroundColor = source->BackgroundColor;
    r.TransparentColor = source->TransparentColor;
    r.DisposalMethod = source->DisposalMethod;
    r.Flags = source->Flags & (BITMAP_WAIT_INPUT | BITMAP_TRANSPARENT | BITMAP_LEVEL_PROCESSING |
                               BITMAP_PAINT_LUT_ACTIVE);
    *bitmap = r;
    return STATUS_OK;
}

int ZELT_API KrnAllocBitmapData(BitmapRecord *bitmap, UINT memoryKind) {
    if (bitmap == nullptr) return STATUS_BAD_PARAMETER;
    if ((bitmap->Flags & BITMAP_ALLOCATED) != 0 || bitmap->Data != nullptr) return STATUS_BAD_PARAMETER;
    if (bitmap->Width < 1 || bitmap->Height < 1 || !IsSupportedDepth(bitmap->BitsPerPixel)) {
        return STATUS_BAD_PARAMETER;
    }
    const std::int64_t bytes = DataBytesFor(bitmap->Width, bitmap->Height, bitmap->BitsPerPixel);
    if (bytes < 0) return STATUS_NO_MEMORY;

    BitmapRecord working = *bitmap;
    auto data = AllocBlock<void>(static_cast<DWORD>(bytes), true);
    if (!data) return STATUS_NO_MEMORY;
    OwnedPalette palette;
    if (IsPaletteDepth(working.BitsPerPixel)) {
        if (working.Palette == nullptr) {
            palette.reset(CreateGrayRampPalette(1 << working.BitsPerPixel));
            if (!palette) return STATUS_NO_MEMORY;
            working.Palette = palette.get();
            working.ColorCount = 1 << working.BitsPerPixel;
        } else if (working.ColorCount == 0) {
            const int entries = PaletteEntryCount(working.Palette);
            working.ColorCount = entries < (1 << working.BitsPerPixel) ? entries : (1 << working.BitsPerPixel);
        }
    }
    // The last fallible step is itself all or nothing.
    const int status = MakeTablesOwned(working);
    if (status != STATUS_OK) return status;

    working.BytesPerLine = static_cast<LONG>(BytesPerLineFor(working.Width, working.BitsPerPixel));
    working.DataSize = static_cast<DWORD>(bytes);
    working.Data = data.release();
    working.KernelFlags |= KRN_OWNS_DATA;
    if (palette) {
        palette.release();
        working.KernelFlags |= KRN_OWNS_PALETTE;
    }
    working.MemoryKind = memoryKind;
    working.Flags |= BITMAP_ALLOCATED;
    *bitmap = working;
    return STATUS_OK;
}

int ZELT_API KrnCreateBitmap(BitmapRecord *bitmap, UINT memoryKind, int width, int height, int bitsPerPixel,
                             int order, const RGBQUAD *palette, int viewPerspective, void *data, DWORD dataSize) {
    if (bitmap == nullptr) return STATUS_BAD_PARAMETER;
    int status = STATUS_BAD_PARAMETER;
    {
        PendingRecord pending;
        if (viewPerspective >= 0 && viewPerspective <= 8) {
            status = DescribeRecord(pending.record, width, height, bitsPerPixel, order);
        }
        if (status == STATUS_OK && palette != nullptr && IsPaletteDepth(bitsPerPixel)) {
            pending.record.Palette = KrnCreatePaletteFromColors(palette, 1 << bitsPerPixel);
            if (pending.record.Palette == nullptr) status = STATUS_NO_MEMORY;
            pending.record.KernelFlags |= KRN_OWNS_PALETTE;
            pending.record.ColorCount = 1 << bitsPerPixel;
        }
        if (status == STATUS_OK) {
            pending.record.ViewPerspective = viewPerspective;
            status = KrnAllocBitmapData(&pending.record, memoryKind);
        }
        if (status == STATUS_OK) {
            if (data != nullptr) {
                const DWORD bytes = dataSize < pending.record.DataSize ? dataSize : pending.record.DataSize;
                std::memcpy(pending.record.Data, data, bytes);
            }
            pending.HandOver(bitmap);
            return STATUS_OK;
        }
    }
    ClearRecord(*bitmap);
    return status;
}

int ZELT_API KrnFreeBitmap(BitmapRecord *bitmap) {
    if (bitmap == nullptr) return STATUS_BAD_PARAMETER;
    ReleaseRecordParts(*bitmap);
    return STATUS_OK;
}

int ZELT_API KrnReleaseBitmapRecord(BitmapRecord *bitmap) {
    // A shallow copy owns nothing but its region, so the ownership bits
    // already say what to leave alone.
    return KrnFreeBitmap(bitmap);
}

int ZELT_API KrnClearBitmap(BitmapRecord *bitmap) {
    if (!RecordIsAllocated(bitmap)) return STATUS_NO_BITMAP;
    std::memset(bitmap->Data, 0, static_cast<std::size_t>(bitmap->BytesPerLine) * static_cast<std::size_t>(bitmap->Height));
    return STATUS_OK;
}

}  // extern "C"
