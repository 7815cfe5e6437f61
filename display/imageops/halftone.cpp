// Z_HalfToneBitmap and Z_HalfToneBitmapExt: a bitmap of any depth becomes
// a 1-bit halftone of the same size by ordered dithering against one of the
// two 8 x 8 threshold matrices, laid on the image as it is or turned by a
// screen angle. The halftone is built in a scratch record and replaces the
// caller's image only when every row is done, so a failure or an abort by
// the progress callback leaves the caller's bitmap as it was.
#include <cstdint>
#include <cstring>

#include "imageops/halftone.h"
#include "imageops/scratch_guards.h"
#include "paint/paint_engine.h"

namespace {

using halftone::GrayContext;
using halftone::Screen;
using imageops::AccessBracket;
using imageops::KernelBlock;
using imageops::ScratchRecord;

// Progress of a row loop through the thread's status callback: 0 first,
// then floor(100 * rows done / rows) each time it changes, ending at 100.
class RowProgress {
public:
    explicit RowProgress(int rows) : rows_(rows), step_(100 / rows), remainder_(100 % rows) {
        callback_ = KrnGetStatusCallback(&userData_);
    }
    // The callback's answer to 0 (STATUS_OK without a callback).
    int Start() { return callback_ != nullptr ? callback_(0, userData_) : STATUS_OK; }
    // One more row done; the callback's answer when it was called.
    int RowDone() {
        if (callback_ == nullptr) return STATUS_OK;
        done_ += step_;
        carry_ += remainder_;
        if (carry_ >= rows_) {
            ++done_;
            carry_ -= rows_;
            return callback_(done_, userData_);
        }
        return step_ != 0 ? callback_(done_, userData_) : STATUS_OK;
    }

private:
    KRNSTATUSCALLBACK callback_ = nullptr;
    void *userData_ = nullptr;
    int rows_;
    int step_;
    int remainder_;
    int done_ = 0;
    int carry_ = 0;
};

// The 1-bit record the halftone is written into: the source's size, view
// perspective, resolution and descriptive settings, the black-and-white
// device palette.
int PrepareOutput(BitmapRecord *output, const BitmapRecord &source) {
    int status = KrnInitBitmapRecord(output, source.Width, source.Height, 1);
    if (status == STATUS_OK) status = KrnAllocBitmapData(output, KRN_MEMORY_CONVENTIONAL);
    if (status != STATUS_OK) return status;
    output->ViewPerspective = source.ViewPerspective;
    output->XResolution = source.XResolution;
    output->YResolution = source.YResolution;
    // The record owns the palette its data came with; the device palette
    // takes its place under the same ownership.
    const HPALETTE device = KrnCreateDevicePalette(1);
    if (device == nullptr) return STATUS_NO_MEMORY;
    DeleteObject(output->Palette);
    output->Palette = device;
    output->ColorCount = 2;
    return KrnCopyBitmapInfo(output, &source);
}

// Reads, decides and stores every row, reporting progress.
int HalftoneRows(BitmapRecord *source, BitmapRecord *output, const GrayContext &context, Screen &screen,
                 BYTE *sourceRow, BYTE *grayRow, BYTE *outputRow) {
    AccessBracket sourceAccess(source);
    if (!sourceAccess.IsOpen()) return sourceAccess.Status();
    AccessBracket outputAccess(output);
    if (!outputAccess.IsOpen()) return outputAccess.Status();

    const halftone::GrayRowReader readGray = halftone::SelectGrayRowReader(source->BitsPerPixel, source->Order);
    const DWORD sourceBytes = static_cast<DWORD>(source->BytesPerLine);
    const DWORD outputBytes = static_cast<DWORD>(output->BytesPerLine);
    RowProgress progress(source->Height);
    int status = progress.Start();
    for (int y = 0; y < source->Height && status == STATUS_OK; ++y) {
        const int read = KrnGetBitmapRow(source, sourceRow, y, sourceBytes);
        if (read < 0) return read;
        std::memset(outputRow, 0, outputBytes);
        // A depth without a gray value leaves its rows 0.
        if (readGray != nullptr) {
            readGray(grayRow, sourceRow, source->Width, context);
            screen.DecideRow(grayRow, outputRow, source->Width, y);
        }
        const int written = KrnPutBitmapRow(output, outputRow, y, outputBytes);
        if (written < 0) return written;
        status = progress.RowDone();
    }
    return status;
}

// The common body; `angle` is null for the unrotated screen.
int HalfTone(BitmapRecord *bitmap, UINT type, const int *angle) {
    if (bitmap == nullptr || (bitmap->Flags & BITMAP_ALLOCATED) == 0) return STATUS_NO_BITMAP;
    ScratchRecord output;
    if (!output) return STATUS_NO_MEMORY;
    const BYTE(*matrix)[8] = type == HALFTONE_CLUSTER    ? ClusterDitherMatrix
                             : type == HALFTONE_DISPERSE ? DisperseDitherMatrix
                                                         : nullptr;
    if (matrix == nullptr) return STATUS_BAD_PARAMETER;

    GrayContext context;
    if (bitmap->BitsPerPixel <= 8) {
        // Every palette entry in use must be readable: a gray table with
        // holes would turn real colours black.
        RGBQUAD colors[256];
        const int count = bitmap->ColorCount;
        if (bitmap->Palette == nullptr || count < 0 || count > 256 ||
            KrnGetPaletteColors(bitmap->Palette, 0, count, colors) != count)
            return STATUS_NO_BITMAP;
        halftone::PrepareGrayContext(*bitmap, colors, count, context);
    } else {
        halftone::PrepareGrayContext(*bitmap, nullptr, 0, context);
    }

    // One block holds the stored row and, after it, its gray bytes.
    const std::uint64_t sourceBytes = static_cast<std::uint64_t>(bitmap->BytesPerLine);
    KernelBlock sourceRow(sourceBytes + static_cast<std::uint64_t>(bitmap->Width));
    if (!sourceRow) return STATUS_NO_MEMORY;
    int status = PrepareOutput(output.get(), *bitmap);
    if (status != STATUS_OK) return status;
    KernelBlock outputRow(static_cast<std::uint64_t>(output.get()->BytesPerLine));
    if (!outputRow) return STATUS_NO_MEMORY;

    LONG cosine = 16384, sine = 0;
    if (angle != nullptr) {
        const LONG turn = halftone::ScreenTurn(*angle, bitmap->ViewPerspective);
        cosine = KrnCosFixed(turn);
        sine = KrnSinFixed(turn);
    }
    Screen screen = angle != nullptr ? Screen(matrix, cosine, sine) : Screen(matrix);
    status = HalftoneRows(bitmap, output.get(), context, screen, sourceRow.get(), sourceRow.get() + sourceBytes,
                          outputRow.get());
    if (status != STATUS_OK) return status;

    // The selection goes with the picture; everything else of the source goes.
    output.get()->Region = bitmap->Region;
    bitmap->Region = nullptr;
    KrnFreeBitmap(bitmap);
    output.HandOver(bitmap);
    return STATUS_OK;
}

}  // namespace

int ZELT_API Z_HalfToneBitmap(BitmapRecord *pBitmap, UINT uType) { return HalfTone(pBitmap, uType, nullptr); }

int ZELT_API Z_HalfToneBitmapExt(BitmapRecord *pBitmap, UINT uType, int nAngle) {
    return HalfTone(pBitmap, uType, &nAngle);
}
