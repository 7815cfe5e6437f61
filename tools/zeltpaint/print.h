// --print: the picture printed to a PDF through the library's print export.
#pragma once

#include <string>

#include "zelt/display.h"

namespace zeltpaint {

// Registers a letter-size 24-bit printer at `dotsPerInch` writing to
// `pdfPath`, makes it the default printer and prints the image on it,
// centred at the largest size that fits. False with `error` set on failure.
bool PrintPicture(BitmapRecord *image, const std::string &pdfPath, int dotsPerInch, std::string &error);

}  // namespace zeltpaint
