// The print job protocol shared by the three print exports: a call given no
// DC opens the default printer and starts a document and a page; a call with
// the end flag ends them and deletes the DC. Also the scopes one print
// keeps: the paint palette selected into the printer DC, and the display
// mode a paint into the printer needs.
#pragma once

#include "frame/gdi_scopes.h"
#include "zelt/display.h"

namespace views {

// Opens the default printer (profile "windows", "device": name,driver,port),
// starts the document "ZELT GRAPHIC" and a page. Null when there is no such
// printer or the document cannot start (nothing is left open).
HDC OpenDefaultPrintJob();

// Ends a job after a print with `status` (STATUS_OK or what the progress
// callback answered) and returns the export's value: the DC while the job
// stays open, non-zero after a successful end, 0 after any failure.
UINT FinishPrintJob(HDC dc, bool openedHere, int status, int endDoc);

// The DC as the exports' 32-bit value and back.
UINT PrintJobValue(HDC dc);
HDC PrintJobDc(UINT value);

// The bitmap's paint palette selected (foreground) and realised in the DC
// for one scope; put back, realised and deleted at the end. Holds nothing
// when the bitmap (or a null one) needs no palette.
class PaintPaletteScope {
public:
    PaintPaletteScope(HDC dc, BitmapRecord *bitmap)
        : palette_(bitmap != nullptr ? Z_CreatePaintPalette(dc, bitmap) : nullptr),
          selection_(dc, palette_.get(), FALSE, true) {}

private:
    zelt::OwnedPalette palette_;         // deleted last,
    zelt::SelectedPalette selection_;  // after the previous palette is back
};

// The thread's display mode for one paint into a printer: bitonal printers
// get ordered clustered dither without palette indices, every other device
// loses palette indices and device reduction.
class PrintDisplayMode {
public:
    explicit PrintDisplayMode(HDC dc);
    ~PrintDisplayMode() { Z_SetDisplayMode(0xFFFFFFFF, old_); }
    PrintDisplayMode(const PrintDisplayMode &) = delete;
    PrintDisplayMode &operator=(const PrintDisplayMode &) = delete;

private:
    UINT old_;
};

}  // namespace views
