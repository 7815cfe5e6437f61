#include "paint/stored_rows.h"

#include <algorithm>
#include <atomic>
#include <cstdint>

namespace paint_band {
namespace {

std::atomic<bool> paintShortcuts{true};

// Image data the kernel keeps elsewhere than in one block is read through it.
constexpr DWORD kDataNotInPlace = BITMAP_FLAG_4 | BITMAP_FLAG_100;

// Rows of the job readable in place, whole: a row of the caller's band or of
// the image data holds every byte of the image's width.
bool RowsAreWhole(const BitmapRecord &bitmap) {
    return bitmap.Width > 0 && bitmap.BitsPerPixel > 0 &&
           static_cast<std::uint64_t>(bitmap.BytesPerLine) >=
               SpanBytes(bitmap.BitsPerPixel, static_cast<std::size_t>(bitmap.Width));
}

bool ImageDataInPlace(const BitmapRecord &bitmap) {
    if (!(bitmap.Flags & BITMAP_ALLOCATED) || bitmap.Data == nullptr || (bitmap.Flags & kDataNotInPlace)) return false;
    const std::uint64_t bytes = static_cast<std::uint64_t>(bitmap.BytesPerLine) * static_cast<std::uint64_t>(bitmap.Height);
    return bitmap.Height > 0 && bitmap.DataSize >= bytes;
}

// Stored row `row` where it lies, without a clamp to the caller's band:
// null when it is outside the band or the image.
const BYTE *RowExactly(const BandJob &job, int row) {
    const BitmapRecord &bitmap = *job.bitmap;
    const auto line = static_cast<std::size_t>(bitmap.BytesPerLine);
    if (job.rowBuffer != nullptr) {
        if (row < job.bufferFirstRow || row - job.bufferFirstRow >= job.bufferRows) return nullptr;
        return job.rowBuffer + static_cast<std::size_t>(row - job.bufferFirstRow) * line;
    }
    if (!ImageDataInPlace(bitmap) || row < 0 || row >= bitmap.Height) return nullptr;
    return static_cast<const BYTE *>(bitmap.Data) + static_cast<std::size_t>(row) * line;
}

}  // namespace

void SetPaintShortcuts(bool on) { paintShortcuts.store(on, std::memory_order_relaxed); }
bool PaintShortcuts() { return paintShortcuts.load(std::memory_order_relaxed); }

const BYTE *StoredRowAt(const BandJob &job, int row, int column) {
    const BitmapRecord &bitmap = *job.bitmap;
    if (!PaintShortcuts() || !RowsAreWhole(bitmap) || column < 0 || column >= bitmap.Width) return nullptr;
    if (job.rowBuffer != nullptr)
        row = std::clamp(row, job.bufferFirstRow, job.bufferFirstRow + (std::max)(job.bufferRows, 1) - 1);
    const BYTE *start = RowExactly(job, row);
    if (start == nullptr) return nullptr;
    return start + static_cast<std::size_t>(column) * static_cast<std::size_t>(bitmap.BitsPerPixel) / 8;
}

const BYTE *SpanOf(const BandJob &job, int row, int column, std::size_t bytes, BYTE *scratch, int *status) {
    *status = STATUS_OK;
    if (const BYTE *inPlace = StoredRowAt(job, row, column)) return inPlace;
    *status = FetchSpan(job, row, column, bytes, scratch);
    return *status == STATUS_OK ? scratch : nullptr;
}

bool PaintUnturnedInPlace(const BandJob &job, int firstColumn, int headerWidth, int bandRows, int *status) {
    const paint_geometry::PaintGeometry &g = *job.geometry;
    const BitmapRecord &bitmap = *job.bitmap;
    const int bits = bitmap.BitsPerPixel;
    const RECT &v = g.visible;
    // GDI takes these depths as stored; the 24-bit paint table rewrites
    // bytes, which the stored rows must not see. Other devices record the
    // bands they are given (metafiles) or print them, so they get the bands
    // the band path makes.
    const bool depthTaken = bits == 1 || bits == 4 || bits == 8 || bits == 24;
    const bool lutRewrites = bits == 24 && (bitmap.Flags & BITMAP_PAINT_LUT_ACTIVE) && bitmap.PaintLut != nullptr;
    if (!PaintShortcuts() || !depthTaken || lutRewrites || job.format->bandBits != bits || !RowsAreWhole(bitmap) ||
        Stride(bits, static_cast<std::size_t>(bitmap.Width)) != static_cast<std::size_t>(bitmap.BytesPerLine) ||
        g.row.num != g.row.den || bandRows < 1 || GetDeviceCaps(job.hdc, TECHNOLOGY) != DT_RASDISPLAY)
        return false;
    // Every row must lie where it is read: the band path would hold rows
    // outside the caller's band at its edge.
    const std::int64_t topRow = g.row.At(g.TOfRow(v.top));
    const std::int64_t bottomRow = g.row.At(g.TOfRow(v.bottom - 1));
    for (const std::int64_t row : {topRow, bottomRow})
        if (row < 0 || row >= g.storedHeight || RowExactly(job, static_cast<int>(row)) == nullptr) return false;

    // Rows that rise in memory towards the top of the destination make a
    // bottom-up DIB; falling ones a top-down DIB.
    const bool bottomUp = g.row.sign > 0;
    const int width = g.VisibleWidth();
    BITMAPINFOHEADER &header = job.info->bmiHeader;
    *status = STATUS_OK;
    int y0 = v.bottom;
    while (y0 > v.top) {
        const int count = (std::min)(static_cast<int>(y0 - v.top), bandRows);
        const int top = y0 - count;
        const std::int64_t firstInMemory = g.row.At(g.TOfRow(bottomUp ? y0 - 1 : top));
        header.biWidth = bitmap.Width;
        header.biHeight = bottomUp ? count : -count;
        header.biSizeImage = static_cast<DWORD>(static_cast<std::size_t>(bitmap.BytesPerLine) * static_cast<std::size_t>(count));
        const int lines = StretchDIBits(job.hdc, v.left, top, width, count, firstColumn, 0, width, count,
                                        RowExactly(job, static_cast<int>(firstInMemory)), job.info, job.usage, job.rop);
        SetBandSize(job.info, false, headerWidth, count);
        if (lines == 0) {
            *status = STATUS_BAD_PARAMETER;
            break;
        }
        y0 = top;
    }
    return true;
}

}  // namespace paint_band
