// Ctrl+P: the image on one page of a PDF printer that the viewer registers
// and makes the default printer.
#pragma once

#include <string>

#include "zelt/kernel.h"

namespace zeltview {

inline constexpr const char *kPrinterName = "zeltview PDF";

// Prints the bitmap as large as it fits on an A4 page; `path` receives the
// file written. False with `error` set when the printer refused the job.
bool PrintToPdf(BitmapRecord *bitmap, std::string &path, std::string &error);

}  // namespace zeltview
