// The unscaled paint path: the source at its own size. Without a turn, rows
// are read at the byte-aligned span that covers the visible columns and, in
// paint mode 0, go to GDI as read (the transfer starts at the first visible
// pixel's offset inside the span); modes 1 and 2 convert from that offset.
// Rows are read where they lie when they can be (stored_rows.h): a mode 0
// paint on a display then hands them to GDI without any copy of its own.
// Turned perspectives go through the shared band loop at 1:1. Dither phases
// follow source coordinates, so pieces painted separately continue one
// pattern.
#include <algorithm>
#include <cstring>

#include "frame/display_settings.h"
#include "paint/band_loop.h"
#include "paint/stored_rows.h"

namespace {

using paint_band::Block;

int PaintUnturned(const paint_band::BandJob &job) {
    const paint_geometry::PaintGeometry &g = *job.geometry;
    const paint_band::RowFormat &format = *job.format;
    BitmapRecord *bitmap = job.bitmap;
    const int bits = bitmap->BitsPerPixel;
    const RECT &v = g.visible;
    const int width = g.VisibleWidth();
    const int rows = g.VisibleHeight();

    const int firstColumn = static_cast<int>(g.column.At(g.TOfColumn(v.left)));
    if (firstColumn < 0 || firstColumn + width > g.storedWidth) return STATUS_BAD_PARAMETER;
    const int offset = firstColumn % paint_band::FetchUnit(bits);
    const int spanStart = firstColumn - offset;
    const std::size_t spanBytes = paint_band::SpanBytes(bits, static_cast<std::size_t>(width + offset));
    const bool copying = format.mode == PAINTMODE_DIRECT;
    const int headerWidth = copying ? width + offset : width;
    const std::size_t stride = paint_band::Stride(format.bandBits, static_cast<std::size_t>(headerWidth));
    const int bandRows = static_cast<int>(
        std::min<std::size_t>(static_cast<std::size_t>(rows), std::max<std::size_t>(1, kMaxBandBytes / stride)));
    int sent = STATUS_OK;
    if (copying && paint_band::PaintUnturnedInPlace(job, firstColumn, headerWidth, bandRows, &sent)) return sent;

    Block band = paint_band::Allocate((static_cast<std::size_t>(bandRows) + 1) * stride);
    Block fetch = paint_band::Allocate((spanBytes + 3) & ~std::size_t{3});
    const bool diffusing = !(job.displayMode & DISP_CONVERTER_ALT);
    Block errors = diffusing ? paint_band::Allocate(12 * static_cast<std::size_t>(width), true) : Block();
    if (!band || !fetch || (diffusing && !errors)) return STATUS_NO_MEMORY;
    int *errorSlots = reinterpret_cast<int *>(errors.get());

    bool firstConversion = true;
    int y0 = v.bottom;
    while (y0 > v.top) {
        const int count = std::min<int>(y0 - v.top, bandRows);
        for (int j = 0; j < count; ++j) {
            const int row = static_cast<int>(
                std::clamp<std::int64_t>(g.row.At(g.TOfRow(y0 - 1 - j)), 0, g.storedHeight - 1));
            BYTE *bandRow = band.get() + stride * static_cast<std::size_t>(j);
            if (copying) {
                const int status = paint_band::FetchSpan(job, row, spanStart, spanBytes, bandRow);
                if (status != STATUS_OK) return status;
                continue;
            }
            int status = STATUS_OK;
            const BYTE *span = paint_band::SpanOf(job, row, spanStart, spanBytes, fetch.get(), &status);
            if (span == nullptr) return status;
            if (format.mode == PAINTMODE_CONVERT) {
                format.direct(bandRow, span, bitmap, offset, offset + width);
                continue;
            }
            const int passes = firstConversion ? 2 : 1;  // the first only seeds the errors
            for (int pass = 0; pass < passes; ++pass)
                format.reduce(bandRow, span, bitmap, offset, offset + width, firstColumn, row, errorSlots,
                              format.sourcePalette);
            firstConversion = false;
        }
        y0 -= count;
        paint_band::SetBandSize(job.info, false, headerWidth, count);
        paint_band::ApplyPaintLut(bitmap, format.bandBits, band.get(), job.info->bmiHeader.biSizeImage);
        const int status = paint_band::SendBand(job.hdc, v.left, y0, width, count, copying ? offset : 0, band.get(),
                                                job.info, job.usage, job.rop);
        if (status != STATUS_OK) return status;
    }
    return STATUS_OK;
}

}  // namespace

int PaintUnscaled(HDC hdc, BitmapRecord *bitmap, const BYTE *rowBuffer, int bufferFirstRow, int bufferRows,
                  const RECT *srcRect, const RECT *srcClip, const RECT *dstRect, const RECT *dstClip, int deviceBits,
                  int paintMode, DWORD rop) {
    DisplaySettings *settings = GetDisplaySettings();
    const UINT displayMode = settings->DisplayMode;
    const bool paintsAsGray = IsDeepGrayBitmap(bitmap);

    paint_geometry::PaintGeometry geometry;
    if (!paint_geometry::PrepareUnscaled(bitmap, *srcRect, *srcClip, *dstRect, *dstClip, &geometry)) return STATUS_OK;

    paint_band::RowFormat format;
    paint_band::ChooseRowFormat(bitmap, paintMode, deviceBits, paintsAsGray, &format);

    paint_band::BandJob job;
    job.hdc = hdc;
    job.bitmap = bitmap;
    job.rowBuffer = rowBuffer;
    job.bufferFirstRow = bufferFirstRow;
    job.bufferRows = bufferRows;
    job.geometry = &geometry;
    job.format = &format;
    job.info = paint_band::SelectHeader(hdc, settings);
    job.rop = rop;
    job.displayMode = displayMode;
    job.sourcePhases = true;
    job.columnBandsByEight = true;
    job.usage = paint_band::FillColorTable(job.info, bitmap, format, displayMode);
    return geometry.angle == 0 ? PaintUnturned(job) : paint_band::PaintBands(job);
}
