// Image operations zeltpaint makes before painting: laying a texture under
// the image and turning it into a halftone; and a sheet of the halftone at
// several screen angles.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "picture.h"
#include "zelt/display.h"

namespace zeltpaint {

struct ImageOps {
    std::optional<int> halftoneAngle;       // --halftone: screen angle in hundredths of a degree
    UINT halftoneType = HALFTONE_CLUSTER;
    std::optional<UINT> halftoneSheet;      // --halftone-sheet: the cell of the angle sheet
    std::string underlay;                   // --underlay: image file laid under the picture
    bool underlayStretch = false;           // stretched to the image instead of tiled
};

// True for the options ParseImageOpOption reads (each takes a value).
bool IsImageOpOption(std::string_view arg);
// Reads one of them; false with `error` set for a bad value.
bool ParseImageOpOption(std::string_view arg, std::string_view value, ImageOps &ops, std::string &error);

// Lays `underlay` (when it holds an image) under `image`, then halftones it
// when asked. Returns the library's status; `error` says what failed.
int ApplyImageOps(BitmapRecord *image, const ImageOps &ops, const BitmapRecord *underlay, std::string &error);

// The image halftoned with the given cell at 0, 15, 45 and 75 degrees,
// each painted at its own size on a 24-bit device, two by two and
// labelled. `image` is left as it is.
int MakeHalftoneSheet(BitmapRecord *image, UINT type, const std::string &title, Picture &sheet, std::string &error);

}  // namespace zeltpaint
