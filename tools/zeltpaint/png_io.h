// Reading and writing image files for zeltpaint: PNG through the tool's own
// codec (16-bit gray kept deep, everything else as 24 bits), BMP through the
// kernel's DIB reader, and pictures written as 8-bit RGB PNG.
#pragma once

#include <string>

#include "picture.h"
#include "zelt/kernel.h"

namespace zeltpaint {

// Loads a PNG or BMP file (chosen by its first bytes) into a new bitmap.
// Returns a kernel status; `error` says what went wrong.
int LoadImageFile(const std::string &path, BitmapRecord *bitmap, std::string &error);

// Writes the picture to a PNG file. Returns false with `error` set on failure.
bool WritePicturePng(const Picture &picture, const std::string &path, std::string &error);

}  // namespace zeltpaint
