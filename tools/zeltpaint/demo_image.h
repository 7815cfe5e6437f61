// The built-in demo image: a deterministic 24-bit picture with what shows
// off painting and colour reduction — smooth hue and gray ramps, saturated
// patches, fine lines and circles.
#pragma once

#include "zelt/kernel.h"

namespace zeltpaint {

inline constexpr int kDemoWidth = 512;
inline constexpr int kDemoHeight = 384;

// Fills `bitmap` with the demo image as a 24-bit, blue-first, top-down
// (perspective 0) bitmap. Returns a kernel status.
int CreateDemoImage(BitmapRecord *bitmap);

}  // namespace zeltpaint
