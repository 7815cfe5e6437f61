// Z_PaintDCBuffer: painting a band of rows the caller holds in its own
// buffer (an image arriving row by row), described by a bitmap record that
// need not hold an image.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>

#include "frame/display_settings.h"
#include "frame/kernel_scopes.h"
#include "paint/paint_front.h"

namespace {

struct KernelBlockDeleter {
    void operator()(void *block) const { KrnFreeMem(block); }
};
using KernelBytes = std::unique_ptr<BYTE[], KernelBlockDeleter>;

KernelBytes AllocBytes(std::uint64_t bytes) {
    if (bytes == 0 || bytes > 0xFFFFFFFFu) return nullptr;
    return KernelBytes(static_cast<BYTE *>(KrnAllocMem(static_cast<DWORD>(bytes))));
}

// Turns the band upside down in place. Swapping needs no scratch, so the
// caller's rows always get their order back after the transfer.
void ReverseRows(BYTE *rows, std::size_t bytesPerLine, int rowCount) {
    for (int top = 0, bottom = rowCount - 1; top < bottom; ++top, --bottom)
        std::swap_ranges(rows + bytesPerLine * static_cast<std::size_t>(top),
                         rows + bytesPerLine * static_cast<std::size_t>(top + 1),
                         rows + bytesPerLine * static_cast<std::size_t>(bottom));
}

struct BandTransfer {
    HDC hdc;
    BitmapRecord *bitmap;
    BYTE *rows;
    int firstRow;
    int rowCount;
    const PaintRects &rects;
    const RECT &destination;
    DWORD rop;
};

// The band goes to GDI as a bottom-up DIB at 1:1. Only the part D of the
// destination that the source clip maps to is drawn, and the source offset
// follows D, so every device pixel shows the band pixel its mapping gives.
int TransferBandDirect(const BandTransfer &t) {
    const BitmapRecord &bitmap = *t.bitmap;
    const RECT &source = t.rects.source, &clip = t.rects.sourceClip;
    const bool bottomUp = bitmap.ViewPerspective == 2;
    const LONG dx = t.destination.left - source.left;
    RECT mapped{clip.left + dx, 0, clip.right + dx, 0};
    // Device position of the band's top row.
    LONG bandTop;
    if (bottomUp) {
        mapped.top = t.destination.top + source.bottom - clip.bottom;
        mapped.bottom = t.destination.top + source.bottom - clip.top;
        bandTop = t.destination.top + source.bottom - t.firstRow - t.rowCount;
    } else {
        mapped.top = clip.top + t.destination.top - source.top;
        mapped.bottom = clip.bottom + t.destination.top - source.top;
        bandTop = t.destination.top - source.top + t.firstRow;
    }
    RECT drawn;
    if (!ClipRect(&drawn, &t.rects.destinationClip, &mapped)) return STATUS_OK;

    DisplaySettings *settings = GetDisplaySettings();
    BITMAPINFOHEADER &header = settings->PaintHeader;
    header.biBitCount = static_cast<WORD>(bitmap.BitsPerPixel);
    header.biClrUsed = static_cast<DWORD>(bitmap.ColorCount);
    header.biWidth = bitmap.Width;
    header.biHeight = t.rowCount;  // positive: bottom-up
    header.biSizeImage = static_cast<DWORD>((bitmap.Width * bitmap.BitsPerPixel + 31) / 32 * 4 * t.rowCount);
    UINT usage = DIB_RGB_COLORS;
    if (bitmap.BitsPerPixel <= 8) {
        if (settings->DisplayMode & DISP_INDEXED_PAINT) {
            // Another path may have left RGB entries in the table.
            FillIdentityIndexTable(settings->PaintColors);
            usage = DIB_PAL_COLORS;
        } else {
            GetPaintColors(t.bitmap, bitmap.Palette, 0, bitmap.ColorCount, settings->PaintColors);
        }
    }

    // Rows stored top-down reach GDI bottom-up; the caller gets its order back.
    const std::size_t bytesPerLine = static_cast<std::size_t>(bitmap.BytesPerLine);
    const bool reverse = t.rowCount > 1 && !bottomUp;
    if (reverse) ReverseRows(t.rows, bytesPerLine, t.rowCount);
    const int width = drawn.right - drawn.left, height = drawn.bottom - drawn.top;
    const int sourceX = drawn.left - dx;
    // A bottom-up DIB counts source rows from its bottom edge.
    const int sourceY = t.rowCount - (drawn.top - bandTop) - height;
    const int lines = StretchDIBits(t.hdc, drawn.left, drawn.top, width, height, sourceX, sourceY, width, height,
                                    t.rows, PaintInfo(settings), usage, t.rop);
    if (reverse) ReverseRows(t.rows, bytesPerLine, t.rowCount);
    return lines == 0 ? STATUS_BAD_PARAMETER : STATUS_OK;
}

// Perspectives 0 and 6 show the stored rows top-down, 2 bottom-up, all
// unmirrored.
bool ShowsStoredRowsAsTheyAre(LONG viewPerspective) {
    return viewPerspective == 0 || viewPerspective == 2 || viewPerspective == 6;
}

}  // namespace

extern "C" int ZELT_API Z_PaintDCBuffer(HDC hdc, BitmapRecord *bitmap, const RECT *source, const RECT *sourceClip,
                                        const RECT *destination, const RECT *destinationClip, DWORD rop,
                                        void *buffer, int firstRow, int rowCount) {
    if (bitmap == nullptr || buffer == nullptr) return STATUS_NO_BITMAP;
    if (destination == nullptr || hdc == nullptr) return STATUS_BAD_PARAMETER;
    int deviceBits = 0, paintMode = 0;
    AnalyzeDevice(hdc, bitmap, &deviceBits, &paintMode);
    const bool exchanged = PerspectiveExchangesAxes(bitmap->ViewPerspective);

    const int rows = rowCount == INT_MIN ? INT_MAX : rowCount < 0 ? -rowCount : rowCount;
    const std::int64_t bandEnd = static_cast<std::int64_t>(firstRow) + rows;
    const RECT band{0, firstRow, bitmap->Width, static_cast<LONG>(bandEnd > INT_MAX ? INT_MAX : bandEnd)};
    PaintRects rects;
    if (!FormPaintRects(bitmap, source, sourceClip, destination, destinationClip, &band, &rects)) return STATUS_OK;

    auto *rowData = static_cast<BYTE *>(buffer);
    KernelBytes converted;
    if (rowCount < 0) {
        const auto bytesPerLine = static_cast<std::uint64_t>(bitmap->BytesPerLine);
        converted = AllocBytes(bytesPerLine * static_cast<std::uint64_t>(rows));
        if (!converted) return STATUS_NO_MEMORY;
        KrnConvertBufferRows(rowData, converted.get(), bitmap->BytesPerLine, rows);
        rowData = converted.get();
    }

    const zelt::AccessBracket bracket(bitmap);  // the paint's, closed on every way out
    const bool oneToOne = IsOneToOne(*destination, rects.source, exchanged);
    // The gray paths read the stored image, not a band: a band paints plainly.
    if (paintMode >= PAINTMODE_GRAY) paintMode = PAINTMODE_DIRECT;
    if (!oneToOne)
        return PaintGeneral(hdc, bitmap, rowData, firstRow, rows, &rects.source, &rects.sourceClip, destination,
                            &rects.destinationClip, deviceBits, paintMode, rop);
    // The direct transfer shows stored rows as they are, top-down or
    // bottom-up; mirrored and turned views and upside-down destinations
    // need the unscaled path's turn to look as Z_PaintDC paints them.
    if (exchanged || paintMode == PAINTMODE_CONVERT || paintMode == PAINTMODE_REDUCE ||
        !ShowsStoredRowsAsTheyAre(bitmap->ViewPerspective) || destination->bottom < destination->top)
        return PaintUnscaled(hdc, bitmap, rowData, firstRow, rows, &rects.source, &rects.sourceClip, destination,
                             &rects.destinationClip, deviceBits, paintMode, rop);
    return TransferBandDirect(BandTransfer{hdc, bitmap, rowData, firstRow, rows, rects, *destination, rop});
}
