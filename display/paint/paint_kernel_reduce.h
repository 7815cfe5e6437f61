// The general path's kernel colour-reduction route (DISP_PATH_OPTION or
// DISP_KERNEL_REDUCE): the kernel service resamples and reduces whole
// destination rows, read from the bitmap or from the caller's row band,
// and the band loop only turns and sends them.
#pragma once

#include "paint/band_loop.h"

namespace paint_band {

// What the service reads: the source rectangle's rows, from the caller's
// band or the bitmap, offset to the rectangle's origin.
struct ReduceSource {
    const BandJob *job = nullptr;
    int left = 0, top = 0;   // stored origin of the source rectangle
    bool whole = true;       // the rectangle is the whole bitmap
    Block scratch;           // one whole stored row
    BitmapRecord record{};   // the rectangle's own record when not whole
    bool recordMade = false;
    HKRNREDUCE handle = nullptr;

    ReduceSource() = default;
    ReduceSource(const ReduceSource &) = delete;
    ReduceSource &operator=(const ReduceSource &) = delete;
    ~ReduceSource();
};

// Kernel route on for this display mode.
inline bool KernelReduceOn(UINT displayMode) { return (displayMode & (DISP_PATH_OPTION | DISP_KERNEL_REDUCE)) != 0; }

// Palette images on a device deeper than 8 bits are painted at 24 bits
// unless the image is a gray ramp.
void AdjustKernelReduceFormat(BitmapRecord *bitmap, int deviceBits, RowFormat *format);

// Starts the service for `job` (colour table already filled) into
// source->handle; returns its status. `targetColors` and `targetCount` are
// the colours the band header has without indexed paint.
int StartKernelReduce(const BandJob &job, const RGBQUAD *targetColors, int targetCount, ReduceSource *source);

}  // namespace paint_band
