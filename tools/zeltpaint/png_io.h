// Reading and writing images for zeltpaint: PNG through libpng, BMP through
// the kernel's DIB reader, and the displayed picture of any bitmap record
// written out as an 8-bit RGB PNG.
#pragma once

#include <string>

#include "zelt/kernel.h"

namespace zeltpaint {

// Loads a PNG or BMP file (chosen by its first bytes) into a new bitmap.
// Returns a kernel status; `error` says what went wrong.
int LoadImageFile(const std::string &path, BitmapRecord *bitmap, std::string &error);

// Writes the bitmap as it is displayed (its view perspective applied) to a
// PNG file. Returns false with `error` set on failure.
bool WriteDisplayedPng(BitmapRecord *bitmap, const std::string &path, std::string &error);

}  // namespace zeltpaint
