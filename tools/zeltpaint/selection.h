// The selection zeltpaint can show: a region made on the image before it is
// painted, which the picture is then painted through and framed with
// marching ants.
#pragma once

#include <string>

#include "options.h"
#include "zelt/display.h"

namespace zeltpaint {

// Gives the bitmap the region the options ask for (none: nothing to do).
// Coordinates in the options are displayed-image coordinates. Returns the
// library's status; `error` says what failed.
int ApplySelection(BitmapRecord *bitmap, const Options &options, std::string &error);

}  // namespace zeltpaint
