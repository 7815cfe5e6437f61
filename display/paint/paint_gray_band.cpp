#include "paint/paint_gray_band.h"

#include <algorithm>

namespace paint_gray {

using paint_geometry::FloorDiv;

Cell CellAt(const AxisMap &map, std::int64_t t) {
    const std::int64_t d0 = FloorDiv(t * map.num, map.den);
    const std::int64_t d1 = FloorDiv((t + 1) * map.num, map.den);
    if (map.sign > 0) return {map.base + d0, map.base + d1};
    return {map.base - d1 + 1, map.base - d0 + 1};
}

Cell SampleCell(const AxisMap &map, std::int64_t t) {
    const Cell cell = CellAt(map, t);
    if (cell.Size() > 0) return cell;
    const std::int64_t p = map.At(t);
    return {p, p + 1};
}

bool LayoutFor(const PaintGeometry &g, Layout *layout) {
    layout->turn = paint_band::TurnFor(g.angle);
    layout->pixelDir = layout->turn.pixelDir;
    const RECT &v = g.visible;
    if (layout->turn.linesAreColumns) {
        layout->width = g.VisibleHeight();
        layout->lines = g.VisibleWidth();
        layout->pixelT0 = g.TOfRow(layout->pixelDir > 0 ? v.bottom - 1 : v.top);
    } else {
        layout->width = g.VisibleWidth();
        layout->lines = g.VisibleHeight();
        layout->pixelT0 = g.TOfColumn(layout->pixelDir > 0 ? v.left : v.right - 1);
    }
    // Band pixels must walk the stored columns upwards for the turn to put
    // them where they belong.
    return g.column.fromColumns != layout->turn.linesAreColumns && g.column.sign == layout->pixelDir;
}

int BandRows(const Layout &layout, int bits) {
    const std::int64_t stride = static_cast<std::int64_t>(paint_band::Stride(bits, static_cast<std::size_t>(layout.width)));
    std::int64_t rows = std::min<std::int64_t>(layout.lines, kMaxBandBytes / stride);
    if (layout.turn.linesAreColumns) {
        // The turned band has `width` rows of the band's lines, padded to 4
        // bytes: keep it within the limit too.
        const std::int64_t perLine = kMaxBandBytes / layout.width;
        rows = std::min(rows, bits == 8 ? perLine - 3 : 8 * (perLine - 4));
    }
    return static_cast<int>(std::max<std::int64_t>(rows, 1));
}

void ColumnBounds(const PaintGeometry &g, const Layout &layout, std::int64_t *bounds) {
    for (int i = 0; i < layout.width; ++i) bounds[i] = CellAt(g.column, layout.PixelT(i)).lo;
    bounds[layout.width] = CellAt(g.column, layout.PixelT(layout.width - 1)).hi;
}

namespace {

// Anchor distance of band line j of a band whose lines start at `first`
// (its bottom row, or its leftmost column) and hold `count` lines.
std::int64_t LineT(const PaintGeometry &g, const Layout &layout, int first, int count, int j) {
    if (layout.turn.linesAreColumns) {
        const int x = layout.turn.lineDir > 0 ? first + j : first + count - 1 - j;
        return g.TOfColumn(x);
    }
    const int y = layout.turn.lineDir > 0 ? first - j : first - count + 1 + j;
    return g.TOfRow(y);
}

}  // namespace

int PaintLines(const PaintGeometry &g, const Layout &layout, const BandTarget &target, LineSource &source) {
    BITMAPINFO *info = target.info;
    const int bits = info->bmiHeader.biBitCount;
    const bool columns = layout.turn.linesAreColumns;
    const std::size_t stride = paint_band::Stride(bits, static_cast<std::size_t>(layout.width));
    const int bandRows = BandRows(layout, bits);
    // Unturned bands keep one spare row, as the other paths do.
    Block band = paint_band::Allocate((static_cast<std::size_t>(bandRows) + (columns ? 0 : 1)) * stride);
    paint_band::SetBandSize(info, columns, layout.width, bandRows);
    Block turned = g.angle != 0 ? paint_band::Allocate(std::size_t{info->bmiHeader.biSizeImage} + 1) : Block();
    if (!band || (g.angle != 0 && !turned)) return STATUS_NO_MEMORY;

    const RECT &v = g.visible;
    for (int done = 0; done < layout.lines;) {
        const int count = std::min(bandRows, layout.lines - done);
        const int first = columns ? v.left + done : v.bottom - 1 - done;
        for (int j = 0; j < count; ++j) {
            BYTE *line = band.get() + stride * static_cast<std::size_t>(j);
            const int status = source.Fill(LineT(g, layout, first, count, j), line, j > 0 ? line - stride : nullptr);
            if (status != STATUS_OK) return status;
        }
        paint_band::SetBandSize(info, columns, layout.width, count);
        const BYTE *bitsToSend = paint_band::TurnBand(g.angle, band.get(), turned.get(), layout.width, count, bits);
        const int status =
            columns ? paint_band::SendBand(target.hdc, first, v.top, count, layout.width, 0, bitsToSend, info,
                                           target.usage, target.rop)
                    : paint_band::SendBand(target.hdc, v.left, first - count + 1, layout.width, count, 0, bitsToSend,
                                           info, target.usage, target.rop);
        if (status != STATUS_OK) return status;
        done += count;
    }
    return STATUS_OK;
}

UINT FillGrayColorTable(BITMAPINFO *info, const BitmapRecord *bitmap, UINT displayMode) {
    info->bmiHeader.biBitCount = 8;
    info->bmiHeader.biClrUsed = 256;
    if (displayMode & DISP_INDEXED_PAINT) {
        FillIdentityIndexTable(*reinterpret_cast<RGBQUAD(*)[256]>(info->bmiColors));
        return DIB_PAL_COLORS;
    }
    const BYTE *lut = bitmap->PaintLut;
    for (int i = 0; i < 256; ++i) {
        const BYTE level = lut != nullptr ? lut[i] : static_cast<BYTE>(i);
        info->bmiColors[i] = {level, level, level, 0};
    }
    return DIB_RGB_COLORS;
}

}  // namespace paint_gray
