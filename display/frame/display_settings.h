// Per-thread settings of the display library: the display mode and the DIB
// header and colour table the paint paths hand to GDI.
#pragma once

#include <cstddef>

#include "zelt/display.h"

// One per thread, created on the thread's first paint-related call. The
// colour table follows the header directly so that &PaintHeader can be
// passed to GDI as a BITMAPINFO.
struct DisplaySettings {
    HDC PrintDC;                   // printer context kept open during one print job
    BITMAPINFOHEADER PaintHeader;  // header of the band being sent to GDI
    RGBQUAD PaintColors[256];      // its colours, or the identity index table
    struct {
        BITMAPINFOHEADER Header;
        RGBQUAD Colors[256];
    } PrintHeader;                 // private copy taken before a raster-printer transfer
    UINT DisplayMode;              // DISP_ bits
};

static_assert(offsetof(DisplaySettings, PaintColors) ==
                  offsetof(DisplaySettings, PaintHeader) + sizeof(BITMAPINFOHEADER),
              "the colour table must follow the paint header");
static_assert(sizeof(DisplaySettings{}.PaintColors) == 1024);
static_assert(sizeof(DisplaySettings{}.PrintHeader) == 1064);

// The calling thread's record; never null (the shared fallback record when
// the thread's own cannot be created).
DisplaySettings *GetDisplaySettings();

// Creates the calling thread's record, first taking a new thread slot when
// newSlot is set or no valid slot exists. Returns STATUS_OK or
// STATUS_NO_MEMORY (no slot, or no memory for the record).
int CreateDisplaySettings(bool newSlot);

// Frees the calling thread's record, if it has one (thread detach).
void FreeThreadDisplaySettings();

// Writes the 16-bit indices 0..255 into the first 512 bytes of the table
// (what DIB_PAL_COLORS transfers read).
void FillIdentityIndexTable(RGBQUAD (&colors)[256]);

// The shared record of threads without one of their own.
DisplaySettings *FallbackDisplaySettings();

// Interpreting the header and its table as the BITMAPINFO GDI expects.
inline BITMAPINFO *PaintInfo(DisplaySettings *settings) {
    return reinterpret_cast<BITMAPINFO *>(&settings->PaintHeader);
}
