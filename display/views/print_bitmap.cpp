// Z_PrintBitmapExt and Z_PrintBitmap: a bitmap sized and placed on the
// printer page and painted through the paint entry, in one paint or row by
// row with progress reports.
#include <cstdlib>

#include "frame/display_settings.h"
#include "paint/paint_engine.h"
#include "views/print_job.h"
#include "views/print_layout.h"

namespace views {

namespace {

int PaintOnce(HDC dc, BitmapRecord *bitmap, const RECT &destination, const RECT *band) {
    PrintDisplayMode mode(dc);
    return PaintDispatch(dc, bitmap, nullptr, nullptr, &destination, band, SRCCOPY, RowBand{});
}

// Paints one destination row at a time; the callback sees 0 first, then
// the whole percentage of rows painted each time it grows, 100 last. Its
// first answer other than 1 stops the print and is returned.
int PaintWithProgress(HDC dc, BitmapRecord *bitmap, const RECT &destination, KRNSTATUSCALLBACK callback,
                      void *userData) {
    const unsigned rows = static_cast<unsigned>(std::labs(destination.bottom - destination.top));
    int status = callback(0, userData);
    if (status != STATUS_OK) return status;
    // An image clipped away entirely has no rows to step through: the
    // callback hears the start and the end, and nothing is painted.
    if (rows == 0) return callback(100, userData);
    const unsigned step = 100u / rows, remainder = 100u % rows;
    unsigned done = 0, carry = 0;
    RECT band{destination.left, destination.top, destination.right, destination.top + 1};
    for (unsigned row = 0; row < rows; ++row) {
        // The paint's own status is not consulted: a row that cannot be
        // painted leaves paper white, the job goes on.
        (void)PaintOnce(dc, bitmap, destination, &band);
        OffsetRect(&band, 0, 1);
        done += step;
        carry += remainder;
        bool report = step != 0;
        if (carry >= rows) {
            ++done;
            carry -= rows;
            report = true;
        }
        if (report) {
            status = callback(static_cast<int>(done), userData);
            if (status != STATUS_OK) return status;
        }
    }
    return STATUS_OK;
}

int PrintImage(HDC dc, BitmapRecord *bitmap, int nX, int nY, int nWidth, int nHeight) {
    PaintPaletteScope palette(dc, bitmap);
    const RECT page{1, 1, GetDeviceCaps(dc, HORZRES), GetDeviceCaps(dc, VERTRES)};
    LONG shownWidth = 0, shownHeight = 0;
    ShownSize(bitmap, &shownWidth, &shownHeight);
    const RECT destination = PrintDestination(page, shownWidth, shownHeight, nX, nY, nWidth, nHeight);
    void *userData = nullptr;
    KRNSTATUSCALLBACK callback = KrnGetStatusCallback(&userData);
    if (callback != nullptr) return PaintWithProgress(dc, bitmap, destination, callback, userData);
    (void)PaintOnce(dc, bitmap, destination, nullptr);
    return STATUS_OK;
}

}  // namespace

}  // namespace views

extern "C" UINT ZELT_API Z_PrintBitmapExt(HDC hDC, BitmapRecord *pBitmap, int nX, int nY, int nWidth, int nHeight,
                                          int fEndDoc) {
    const bool openedHere = hDC == nullptr;
    if (openedHere) {
        hDC = views::OpenDefaultPrintJob();
        if (hDC == nullptr) return 0;
    }
    const int status = pBitmap != nullptr ? views::PrintImage(hDC, pBitmap, nX, nY, nWidth, nHeight) : STATUS_OK;
    return views::FinishPrintJob(hDC, openedHere, status, fEndDoc);
}

extern "C" UINT ZELT_API Z_PrintBitmap(BitmapRecord *pBitmap, int nX, int nY, int nWidth, int nHeight, int fEndDoc) {
    DisplaySettings *settings = GetDisplaySettings();
    const UINT result = Z_PrintBitmapExt(settings->PrintDC, pBitmap, nX, nY, nWidth, nHeight, fEndDoc);
    settings->PrintDC = fEndDoc != 0 ? nullptr : views::PrintJobDc(result);
    return result;
}
