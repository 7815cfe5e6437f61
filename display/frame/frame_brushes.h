// The eight pattern brushes region framing strokes with: the eight phases
// of one diagonal stripe, so that stepping the phase makes the stripes move.
#pragma once

#include "zelt/display.h"

// Creates all eight brushes or none: STATUS_OK, or STATUS_NO_MEMORY with
// every entry null.
int CreateFrameBrushes();

// Deletes each brush that exists and nulls its entry.
void DeleteFrameBrushes();

// Brush of phase 0..7, or null when the brushes could not be made.
HBRUSH FrameBrush(int phase);
