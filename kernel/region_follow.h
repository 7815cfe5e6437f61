// Moves a bitmap's selection region along with its pixels, through the
// region services the display library registers. A bitmap without a region
// needs nothing. A region whose service is not registered cannot follow and
// is dropped, as copies made without the services have none; callers do
// this last, after every step that can fail, so a failure keeps the region.
#pragma once

#include "zelt/kernel.h"

namespace zelt::kernel {

// Mirrors the region like the pixels: columns (horizontal) or rows. These
// services allocate nothing.
int MirrorRegion(BitmapRecord &bitmap, bool horizontal);

// Scales the region to width x height; the record still has its old size.
// On failure the region is as it was.
int ScaleRegion(BitmapRecord &bitmap, int width, int height);

// Flips the region vertically when `flip` is set, then turns it clockwise by
// a quarter turn (degrees 90 or 270) into a newWidth x newHeight image; the
// record still has its old size. On failure the region is as it was.
int TurnRegionQuarter(BitmapRecord &bitmap, bool flip, int degrees, int newWidth, int newHeight);

}  // namespace zelt::kernel
