// Stored rows read where they lie, in the caller's band or in the bitmap's
// image data (one block of main memory), instead of being copied out first:
// converters and the resampler read them there, and a paint that needs
// them unchanged hands them to GDI from there.
#pragma once

#include <cstddef>

#include "paint/band_loop.h"

namespace paint_band {

// On by default. Off, every row is copied out before use, as the band path
// did first; the two must paint the same.
void SetPaintShortcuts(bool on);
bool PaintShortcuts();

// The byte that holds `column` of stored row `row` (a row outside the
// caller's band is held at its edge, as FetchSpan does), when the rows can
// be read where they lie and the whole row is there; null otherwise.
const BYTE *StoredRowAt(const BandJob &job, int row, int column);

// `bytes` bytes of row `row` from `column` (on a fetch unit): in place when
// StoredRowAt allows, else copied into `scratch` by FetchSpan. Null with a
// status in *status when the row cannot be read.
const BYTE *SpanOf(const BandJob &job, int row, int column, std::size_t bytes, BYTE *scratch, int *status);

// Paints the visible area of an unturned 1:1 copy (paint mode 0) from rows
// in place: each band of `bandRows` destination rows is one StretchDIBits
// of the stored rows, bottom band first, and the header is left as the band
// path leaves it (`headerWidth` pixels, the last band's rows). Returns
// false, having sent nothing, when the rows or the device do not allow it
// (the caller then copies the rows into bands); else true with the paint's
// status in *status.
bool PaintUnturnedInPlace(const BandJob &job, int firstColumn, int headerWidth, int bandRows, int *status);

}  // namespace paint_band
