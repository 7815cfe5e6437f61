// --print on the software platform: a printer is registered for the one
// document, the default printer set to it, and Z_PrintBitmap does the rest.
#include "print.h"

#ifndef _WIN32
#include "zelt/host.h"
#endif

namespace zeltpaint {

namespace {
constexpr const char *kPrinterName = "zeltpaint printer";
}  // namespace

bool PrintPicture(BitmapRecord *image, const std::string &pdfPath, int dotsPerInch, std::string &error) {
#ifdef _WIN32
    (void)image;
    (void)pdfPath;
    (void)dotsPerInch;
    error = "--print writes PDF through the software platform's printers; this build prints nothing";
    return false;
#else
    // US letter, 8.5 x 11 inches.
    const int width = dotsPerInch * 17 / 2, height = dotsPerInch * 11;
    if (!ZeltHostAddPrinter(kPrinterName, dotsPerInch, width, height, 24, pdfPath.c_str())) {
        error = "cannot set up a printer at " + std::to_string(dotsPerInch) + " dpi";
        return false;
    }
    ZeltHostSetProfileString("windows", "device", (std::string(kPrinterName) + ",zeltpaint,FILE:").c_str());
    if (Z_PrintBitmap(image, 0, 0, 0, 0, 1) == 0) {
        error = "printing to " + pdfPath + " failed";
        return false;
    }
    return true;
#endif
}

}  // namespace zeltpaint
