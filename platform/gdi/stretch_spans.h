// The span walk of StretchDIBits: SRCCOPY stretches in which every
// destination pixel takes exactly one source pixel (no merging of runs)
// become rows of gathered columns, each converted by the transfer's
// (source, destination) gather function, and a destination row that takes
// the same source row as the one above it is a copy of that row.
#pragma once

#include "gdi/dib_transfer.h"
#include "gdi/stretch_dibits.h"

namespace zelt::platform {

class DcObject;

enum class SpanWalk { Drawn, OutOfMemory, NotTaken };

// Draws `call` (destination rectangle [left, right) x [top, bottom) in
// `span`) from the sample maps, over the DC's drawable rectangles. Every
// step of both maps must take at most one sample. NotTaken leaves the
// destination alone (the columns do not form one run); nothing is drawn
// before the scratch memory is held.
SpanWalk DrawStretchSpans(const DcObject &dc, const Surface &source, const StretchCall &call, const RECT &span,
                          const PixelConverter &converter, const StretchAxis &xMap, const StretchAxis &yMap);

// For tests: true sends every stretch through the general sample walk.
void ForceGeneralStretchWalk(bool general) noexcept;
bool GeneralStretchWalkForced() noexcept;

}  // namespace zelt::platform
