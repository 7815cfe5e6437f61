// The screen: its size and depth, the capabilities every DC compatible with
// it reports, and its system palette.
#pragma once

#include "gdi/gdi_object.h"

namespace zelt::platform {

struct ScreenFormat {
    int width;
    int height;
    int bitsPixel;
};

ScreenFormat CurrentScreen() noexcept;

// GetDeviceCaps of the screen (and of memory DCs, which report the device
// they are compatible with, never their bitmap).
int ScreenDeviceCaps(int index) noexcept;

// The 20 static colours: the first 10 sit at system palette indices 0..9,
// the last 10 at 246..255.
extern const PALETTEENTRY kStaticColours[20];

struct Surface;
// The screen's pixels, of the configured size and depth. Valid until the
// next ZeltHostConfigureScreen.
Surface &ScreenSurface() noexcept;

}  // namespace zelt::platform
