// The software platform's host controls (live object counts, allocation
// failure injection, the screen's size and depth) exist on Linux only.
// Windows has no call for them: there the live counts are not compared, the
// allocation-failure walks skip, saying so, and a screen depth is usable only
// when it is the one the screen already has.
#pragma once

#include <gtest/gtest.h>

#include "zelt/host.h"

namespace zelt::test {

#if defined(_WIN32)
inline constexpr bool kHostControls = false;
#else
inline constexpr bool kHostControls = true;
#endif

// The screen's depth in bits per pixel, as GetDeviceCaps reports it.
inline int ScreenBitsPerPixel() {
    HDC screen = GetDC(nullptr);
    const int bits = GetDeviceCaps(screen, BITSPIXEL) * GetDeviceCaps(screen, PLANES);
    ReleaseDC(nullptr, screen);
    return bits;
}

}  // namespace zelt::test

// At the top of a test whose subject is what only the host controls show.
#define ZELT_REQUIRE_HOST_CONTROLS(what)                                                         \
    if (!::zelt::test::kHostControls)                                                            \
    GTEST_SKIP() << what << ": Windows has no call to inject allocation failures, count live " \
                            "objects or change the screen, so this runs on the software platform only"
