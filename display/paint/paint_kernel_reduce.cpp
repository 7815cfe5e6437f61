#include "paint/paint_kernel_reduce.h"

#include <cstring>

namespace paint_band {
namespace {

// Copies `count` pixels from pixel `first` of a packed row: bit streams
// most significant bit first, except 12-bit gray (least significant first).
void CopyPixels(BYTE *to, const BYTE *from, int first, int count, int bits) {
    const std::size_t bitOffset = static_cast<std::size_t>(first) * bits;
    const std::size_t bytes = (static_cast<std::size_t>(count) * bits + 7) / 8;
    const BYTE *start = from + bitOffset / 8;
    const int shift = static_cast<int>(bitOffset % 8);
    if (shift == 0) {
        std::memcpy(to, start, bytes);
        return;
    }
    for (std::size_t i = 0; i < bytes; ++i) {
        to[i] = bits == 12 ? static_cast<BYTE>((start[i] >> shift) | (start[i + 1] << (8 - shift)))
                           : static_cast<BYTE>((start[i] << shift) | (start[i + 1] >> (8 - shift)));
    }
}

// Row supplier: stored row `row` of the source rectangle.
int ZELT_CDECL SupplyRow(void *data, int row, void *buffer, int pixelCount) {
    auto *source = static_cast<ReduceSource *>(data);
    const BandJob &job = *source->job;
    const int bits = job.bitmap->BitsPerPixel;
    const int stored = row + source->top;
    if (source->whole) {
        if (job.rowBuffer == nullptr) return STATUS_BAD_PARAMETER;
        return FetchSpan(job, stored, 0, (static_cast<std::size_t>(bits) * pixelCount + 7) / 8,
                         static_cast<BYTE *>(buffer));
    }
    const int status = FetchSpan(job, stored, 0, static_cast<std::size_t>(job.bitmap->BytesPerLine),
                                 source->scratch.get());
    if (status != STATUS_OK) return status;
    CopyPixels(static_cast<BYTE *>(buffer), source->scratch.get(), source->left, pixelCount, bits);
    return STATUS_OK;
}

}  // namespace

ReduceSource::~ReduceSource() {
    KrnEndColorReduce(handle);
    if (recordMade) KrnReleaseBitmapRecord(&record);
}

void AdjustKernelReduceFormat(BitmapRecord *bitmap, int deviceBits, RowFormat *format) {
    if (format->bandBits <= 8 && bitmap->BitsPerPixel <= 8 && deviceBits > 8 && KrnIsGrayBitmap(bitmap) != 1) {
        format->mode = PAINTMODE_DIRECT;
        format->bandBits = 24;
    }
}

int StartKernelReduce(const BandJob &job, const RGBQUAD *targetColors, int targetCount, ReduceSource *source) {
    const paint_geometry::PaintGeometry &g = *job.geometry;
    BitmapRecord *bitmap = job.bitmap;
    source->job = &job;
    // The source rectangle in stored coordinates, from the stored axes.
    auto origin = [](const paint_geometry::AxisMap &axis) {
        return static_cast<int>(axis.sign > 0 ? axis.base : axis.base - axis.num + 1);
    };
    source->left = origin(g.column);
    source->top = origin(g.row);
    const int width = static_cast<int>(g.column.num), height = static_cast<int>(g.row.num);
    source->whole = source->left == 0 && source->top == 0 && width == bitmap->Width && height == bitmap->Height;

    // The service reads deep gray through the paint window.
    const LONG lowBit = bitmap->LowBit, highBit = bitmap->HighBit;
    bitmap->LowBit = bitmap->PaintLowBit;
    bitmap->HighBit = bitmap->PaintHighBit;
    const BitmapRecord *reduced = bitmap;
    KRNROWSUPPLIER supplier = job.rowBuffer != nullptr ? &SupplyRow : nullptr;
    int status = STATUS_OK;
    if (!source->whole) {
        source->scratch = Allocate(static_cast<std::size_t>(bitmap->BytesPerLine) + 8, true);
        status = source->scratch ? KrnInitBitmapFrom(&source->record, bitmap, width, height, bitmap->BitsPerPixel, 0)
                                 : STATUS_NO_MEMORY;
        source->recordMade = status == STATUS_OK;
        reduced = &source->record;
        supplier = &SupplyRow;
    }
    if (status == STATUS_OK) {
        const UINT mode = job.displayMode;
        const UINT flags = KRN_REDUCE_SERPENTINE |
                           ((mode & DISP_CONVERTER_ALT) ? KRN_REDUCE_ORDERED : KRN_REDUCE_DIFFUSE) |
                           ((mode & DISP_PATH_OPTION) ? KRN_REDUCE_WEIGHTED : KRN_REDUCE_PLAIN);
        const int bits = job.info->bmiHeader.biBitCount;
        status = KrnStartColorReduce(reduced, static_cast<int>(g.column.den), static_cast<int>(g.row.den), bits,
                                     bits <= 8 ? targetColors : nullptr, bits <= 8 ? targetCount : 0, flags, supplier,
                                     source, &source->handle);
    }
    bitmap->LowBit = lowBit;
    bitmap->HighBit = highBit;
    return status;
}

}  // namespace paint_band
