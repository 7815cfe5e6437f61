// Reading an animated GIF into plain frames: the tool's own business, not
// the library's. Built only where giflib is found (ZELTPAINT_WITH_GIF).
#pragma once

#include <string>
#include <vector>

#include "zelt/win32.h"

namespace zeltpaint {

struct GifFrame {
    int left = 0, top = 0, width = 0, height = 0;
    RGBQUAD colors[256] = {};          // the local or else the global table, padded with black
    std::vector<BYTE> indices;         // width x height, rows top to bottom (de-interlaced)
    bool interlaced = false;           // rows were stored in the four interlace passes
    int delayCentiseconds = 0;
    int disposal = 0;                  // 0 unspecified, 1 keep, 2 background, 3 previous
    int transparentIndex = -1;         // -1: none
    bool waitForInput = false;
};

struct GifAnimation {
    int width = 0, height = 0;         // the logical screen
    COLORREF background = RGB(0, 0, 0);  // its background colour (black without a global table)
    std::vector<GifFrame> frames;
};

// True when this build can read GIF files.
bool GifSupported();

// Reads the whole file; false with `error` set when it cannot.
bool ReadGif(const std::string &path, GifAnimation &animation, std::string &error);

// The order an interlaced frame's rows arrive in: rows 0, 8, 16, ...; 4,
// 12, ...; 2, 6, ...; 1, 3, ... (top to bottom for other frames).
std::vector<int> ArrivalOrder(const GifFrame &frame);

}  // namespace zeltpaint
