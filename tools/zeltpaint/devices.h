// Painting a bitmap into a device of a chosen depth and reading back what
// the device shows.
#pragma once

#include <string>

#include "picture.h"
#include "zelt/display.h"

namespace zeltpaint {

struct PaintRequest {
    int deviceBits = 24;      // 1, 4, 8 (palette screen), 16, 24, 32
    int width = 0;            // device size; the source is scaled onto all of it
    int height = 0;
    RECT source{};            // stored-image coordinates
    UINT displayMode = DISP_DEFAULT_MODE;
    bool wholeImage = true;   // source is the whole image
};

// The device's name for labels and messages ("8-bit palette screen", ...).
const char *DeviceName(int deviceBits);

// Configures the screen at the device depth, makes the device (the screen
// itself for 8 bits, else a memory DC over a DIB section of that depth),
// realises the paint palette, paints with Z_PaintDC under the request's
// display mode and reads the device's pixels into `shown`. A bitmap with a
// selection region is painted through it and the region framed. Returns the
// library's status; `error` says what failed.
int PaintOnDevice(BitmapRecord *bitmap, const PaintRequest &request, Picture &shown, std::string &error);

}  // namespace zeltpaint
