#include "paint/band_loop.h"

#include <algorithm>
#include <cstring>

#include "paint/column_table.h"
#include "paint/stored_rows.h"

namespace paint_band {
namespace {

using paint_geometry::AxisWalk;
using paint_geometry::PaintGeometry;

// Where the lines of the visible area lie and how band rows follow them.
struct LineLayout {
    TurnGeometry turn{};
    int width = 0;   // pixels per band row
    int lines = 0;   // band rows in all
    std::int64_t pixelT0 = 0;  // anchor distance of band pixel 0
};

LineLayout LayoutFor(const PaintGeometry &g) {
    LineLayout layout;
    layout.turn = TurnFor(g.angle);
    const RECT &v = g.visible;
    if (layout.turn.linesAreColumns) {
        layout.width = g.VisibleHeight();
        layout.lines = g.VisibleWidth();
        layout.pixelT0 = g.TOfRow(layout.turn.pixelDir > 0 ? v.bottom - 1 : v.top);
    } else {
        layout.width = g.VisibleWidth();
        layout.lines = g.VisibleHeight();
        layout.pixelT0 = g.TOfColumn(layout.turn.pixelDir > 0 ? v.left : v.right - 1);
    }
    return layout;
}

// Destination row (lines are rows) or column of band row j, for a band
// whose lines start at `first` and hold `count` lines.
int LineCoordinate(const LineLayout &layout, int first, int count, int j) {
    if (layout.turn.linesAreColumns) return layout.turn.lineDir > 0 ? first + j : first + count - 1 - j;
    return layout.turn.lineDir > 0 ? first - j : first - count + 1 + j;
}

// Anchor distance of a destination line (a column, or a row).
std::int64_t LineT(const PaintGeometry &g, const LineLayout &layout, int line) {
    return layout.turn.linesAreColumns ? g.TOfColumn(line) : g.TOfRow(line);
}

// Ordered-dither phases of scaled painting, fixed per destination line so
// that output matches pixel for pixel wherever the same rectangles are
// painted: rows take (visible.top - dst.top, y - dst.left), columns of a
// turned picture take (visible.left - dst.left, x - dst.top).
int ScaledPhaseX(const PaintGeometry &g, const LineLayout &layout) {
    return layout.turn.linesAreColumns ? g.visible.left - g.dst.left : g.visible.top - g.dst.top;
}
int ScaledPhaseY(const PaintGeometry &g, const LineLayout &layout, int line) {
    return layout.turn.linesAreColumns ? line - g.dst.top : line - g.dst.left;
}

}  // namespace

int FetchSpan(const BandJob &job, int row, int column, std::size_t bytes, BYTE *into) {
    const BitmapRecord *bitmap = job.bitmap;
    if (job.rowBuffer != nullptr) {
        // Rows outside the caller's band are held at its edges.
        const int clamped = std::clamp(row, job.bufferFirstRow, job.bufferFirstRow + std::max(job.bufferRows, 1) - 1);
        const std::size_t offset = static_cast<std::size_t>(clamped - job.bufferFirstRow) * bitmap->BytesPerLine +
                                   static_cast<std::size_t>(column) * bitmap->BitsPerPixel / 8;
        const std::size_t available = static_cast<std::size_t>(bitmap->BytesPerLine) -
                                      static_cast<std::size_t>(column) * bitmap->BitsPerPixel / 8;
        std::memcpy(into, job.rowBuffer + offset, std::min(bytes, available));
        return STATUS_OK;
    }
    const int copied = KrnGetBitmapRowCol(job.bitmap, into, row, column, static_cast<DWORD>(bytes));
    return copied < 0 ? copied : STATUS_OK;
}

int PaintBands(const BandJob &job) {
    const PaintGeometry &g = *job.geometry;
    const RowFormat &format = *job.format;
    BitmapRecord *bitmap = job.bitmap;
    const int bits = bitmap->BitsPerPixel;
    const LineLayout layout = LayoutFor(g);
    // The band pixels walk the stored columns upwards; the turn the
    // perspective needs guarantees it.
    if (g.column.fromColumns == layout.turn.linesAreColumns || g.column.sign != layout.turn.pixelDir)
        return STATUS_BAD_PARAMETER;

    const int width = layout.width;
    const AxisWalk walk = paint_geometry::WalkFrom(g.column, layout.pixelT0, layout.turn.pixelDir);
    const std::int64_t lastColumn = g.column.At(layout.pixelT0 + layout.turn.pixelDir * std::int64_t{width - 1});
    if (walk.first < 0 || lastColumn >= g.storedWidth || lastColumn < walk.first) return STATUS_BAD_PARAMETER;
    const int spanStart = walk.first - walk.first % FetchUnit(bits);
    const std::size_t spanBytes = SpanBytes(bits, static_cast<std::size_t>(lastColumn + 1 - spanStart));
    const bool enlarging = g.column.num <= g.column.den;

    const std::size_t stride = Stride(format.bandBits, static_cast<std::size_t>(width));
    int bandRows = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(layout.lines),
                                                          std::max<std::size_t>(1, kMaxBandBytes / stride)));
    if (job.columnBandsByEight && layout.turn.linesAreColumns && bandRows > 8 && bandRows < layout.lines)
        bandRows -= bandRows % 8;

    const std::size_t scaledBytes = Stride(bits, static_cast<std::size_t>(width));
    const bool copying = job.reducer == nullptr && format.mode == PAINTMODE_DIRECT;
    Block fetch = Allocate(spanBytes + 4);
    Block scaled = Allocate(scaledBytes);
    Block band = Allocate((static_cast<std::size_t>(bandRows) + 1) * stride);
    const bool diffusing = !(job.displayMode & DISP_CONVERTER_ALT);
    Block errors = diffusing ? Allocate(12 * static_cast<std::size_t>(width), true) : Block();
    SetBandSize(job.info, layout.turn.linesAreColumns, width, bandRows);
    Block turned = Allocate(static_cast<std::size_t>(job.info->bmiHeader.biSizeImage) + 1);
    if (!fetch || !scaled || !band || (diffusing && !errors) || !turned) return STATUS_NO_MEMORY;
    // Whole-byte pixels resample through a table of columns made once; the
    // kernel's walk serves the other depths (and when the table is refused).
    ColumnTable columns;
    if (job.reducer == nullptr && PaintShortcuts() && ColumnTable::Serves(bits) &&
        !columns.Build(walk, spanStart, width, bits))
        return STATUS_NO_MEMORY;

    int *errorSlots = reinterpret_cast<int *>(errors.get());
    const int phaseX = job.sourcePhases ? walk.first : ScaledPhaseX(g, layout);
    const int reduceColumn =
        static_cast<int>(g.column.sign > 0 ? layout.pixelT0 : g.column.den - 1 - layout.pixelT0);
    int lastRow = -1;
    bool firstConversion = true;
    int status = STATUS_OK;
    const RECT &v = g.visible;
    int done = 0;
    while (done < layout.lines && status == STATUS_OK) {
        const int count = std::min(bandRows, layout.lines - done);
        // First line of the band: its bottom row, or its leftmost column.
        const int first = layout.turn.linesAreColumns ? v.left + done : v.bottom - 1 - done;
        int filled = 0;
        // Sending may rewrite the band in place (the paint LUT), so rows are
        // repeated only from the band being built.
        const BYTE *lastBandRow = nullptr;
        for (int j = 0; j < count && status == STATUS_OK; ++j) {
            const int line = LineCoordinate(layout, first, count, j);
            const std::int64_t t = LineT(g, layout, line);
            const int row = static_cast<int>(std::clamp<std::int64_t>(g.row.At(t), 0, g.storedHeight - 1));
            BYTE *bandRow = band.get() + stride * static_cast<std::size_t>(j);
            if (job.reducer != nullptr) {
                // The service counts its rows and columns from the stored
                // top-left of the destination-sized picture.
                const std::int64_t rowIndex = g.row.sign > 0 ? t : g.row.den - 1 - t;
                status = KrnReduceRow(job.reducer, bandRow, static_cast<int>(rowIndex), reduceColumn,
                                      static_cast<DWORD>(stride));
                filled += status == STATUS_OK;
                continue;
            }
            if (copying) {
                // Rows go to GDI at the source depth: resample straight into
                // the band, and repeat a row already there by copying it.
                if (row == lastRow && lastBandRow != nullptr) {
                    std::memcpy(bandRow, lastBandRow, stride);
                } else {
                    const BYTE *span = SpanOf(job, row, spanStart, spanBytes, fetch.get(), &status);
                    if (span == nullptr) break;
                    if (columns.Ready())
                        columns.Resample(span, spanBytes, bandRow);
                    else
                        status = KrnResampleRow(bits, static_cast<DWORD>(stride), walk.first, walk.step, walk.error,
                                                walk.remainder, span, bandRow, width, walk.extent, enlarging);
                    if (status != STATUS_OK) break;
                    lastRow = row;
                }
                lastBandRow = bandRow;
                ++filled;
                continue;
            }
            if (row != lastRow) {
                const BYTE *span = SpanOf(job, row, spanStart, spanBytes, fetch.get(), &status);
                if (span == nullptr) break;
                if (columns.Ready())
                    columns.Resample(span, spanBytes, scaled.get());
                else
                    status = KrnResampleRow(bits, static_cast<DWORD>(scaledBytes), walk.first, walk.step, walk.error,
                                            walk.remainder, span, scaled.get(), width, walk.extent, enlarging);
                if (status != STATUS_OK) break;
                lastRow = row;
            }
            switch (format.mode) {
                case PAINTMODE_CONVERT:
                    format.direct(bandRow, scaled.get(), bitmap, 0, width);
                    break;
                case PAINTMODE_REDUCE: {
                    const int phaseY = job.sourcePhases ? row : ScaledPhaseY(g, layout, line);
                    // The first conversion of a paint only seeds the error buffer.
                    const int passes = firstConversion ? 2 : 1;
                    for (int pass = 0; pass < passes; ++pass)
                        format.reduce(bandRow, scaled.get(), bitmap, 0, width, phaseX, phaseY, errorSlots,
                                      format.sourcePalette);
                    firstConversion = false;
                    break;
                }
                default:
                    std::memcpy(bandRow, scaled.get(), stride);
                    break;
            }
            ++filled;
        }
        // A row the kernel reduction could not deliver ends the paint after
        // the rows already in the band are sent; other failures send nothing.
        if (status != STATUS_OK && (job.reducer == nullptr || filled == 0)) break;
        const int failure = status;
        SetBandSize(job.info, layout.turn.linesAreColumns, width, filled);
        BYTE *bitsToSend = const_cast<BYTE *>(TurnBand(g.angle, band.get(), turned.get(), width, filled, format.bandBits));
        ApplyPaintLut(bitmap, format.bandBits, bitsToSend, job.info->bmiHeader.biSizeImage);
        if (layout.turn.linesAreColumns) {
            const int x = layout.turn.lineDir > 0 ? first : first + count - filled;
            status = SendBand(job.hdc, x, v.top, filled, width, 0, bitsToSend, job.info, job.usage, job.rop);
        } else {
            const int top = layout.turn.lineDir > 0 ? first - filled + 1 : first - count + 1;
            status = SendBand(job.hdc, v.left, top, width, filled, 0, bitsToSend, job.info, job.usage, job.rop);
        }
        if (failure != STATUS_OK) return failure;
        done += filled;
    }
    return status;
}

}  // namespace paint_band
