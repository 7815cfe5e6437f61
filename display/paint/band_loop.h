// The band loop shared by the general path (every angle) and the unscaled
// path (turned angles): destination lines are collected into bands of at
// most kMaxBandBytes, each band row made from one stored source row
// resampled to the visible width and converted, and every full or final
// band is turned and sent to the device at 1:1.
#pragma once

#include "paint/band.h"
#include "paint/paint_geometry.h"

namespace paint_band {

struct BandJob {
    HDC hdc = nullptr;
    BitmapRecord *bitmap = nullptr;
    const BYTE *rowBuffer = nullptr;  // caller band of stored rows, or null
    int bufferFirstRow = 0;
    int bufferRows = 0;
    const paint_geometry::PaintGeometry *geometry = nullptr;
    const RowFormat *format = nullptr;
    BITMAPINFO *info = nullptr;  // colour table already filled
    UINT usage = DIB_RGB_COLORS;
    DWORD rop = 0;
    UINT displayMode = 0;
    // Dither phases from source coordinates (first stored column, stored
    // row) instead of destination ones.
    bool sourcePhases = false;
    // Bands of turned lines hold a multiple of 8 rows when they hold more
    // than 8 and fewer than all.
    bool columnBandsByEight = false;
    // Kernel colour reduction: band rows come ready from this service
    // (destination rows in stored orientation), not from the fetch,
    // resample and convert steps.
    HKRNREDUCE reducer = nullptr;
};

// STATUS_OK, STATUS_NO_MEMORY (nothing sent), STATUS_BAD_PARAMETER when
// GDI refuses a band (earlier bands stay), or a kernel row status.
int PaintBands(const BandJob &job);

// Copies `bytes` bytes of stored row `row` from column `column` (on a fetch
// unit) out of the caller's band or the bitmap; returns a status.
int FetchSpan(const BandJob &job, int row, int column, std::size_t bytes, BYTE *into);

}  // namespace paint_band
