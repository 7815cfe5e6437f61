#include "print_to_pdf.h"

#include <cstdio>

#include "zelt/display.h"
#include "zelt/host.h"

namespace zeltview {

namespace {

// A4 at 150 dots per inch, in colour.
constexpr int kDotsPerInch = 150;
constexpr int kPageWidth = 1240;
constexpr int kPageHeight = 1754;

int ZELT_CDECL ReportProgress(int percent, void *) {
    std::fprintf(stderr, "\rzeltview: printing %3d%%", percent);
    if (percent >= 100) std::fputc('\n', stderr);
    return 1;
}

// Puts the kernel's previous status callback back on every path.
class ProgressReporter {
public:
    ProgressReporter() : previous_(KrnGetStatusCallback(&previousData_)) { KrnSetStatusCallback(ReportProgress, nullptr); }
    ~ProgressReporter() { KrnSetStatusCallback(previous_, previousData_); }
    ProgressReporter(const ProgressReporter &) = delete;
    ProgressReporter &operator=(const ProgressReporter &) = delete;

private:
    void *previousData_ = nullptr;
    KRNSTATUSCALLBACK previous_;
};

}  // namespace

bool PrintToPdf(BitmapRecord *bitmap, std::string &path, std::string &error) {
    if (!ZeltHostAddPrinter(kPrinterName, kDotsPerInch, kPageWidth, kPageHeight, 24, "./zeltview-%d.pdf")) {
        error = "cannot register the PDF printer";
        return false;
    }
    // The default printer is "device,driver,port" in the "windows" section.
    const std::string device = std::string(kPrinterName) + ",zeltview,PDF:";
    WriteProfileStringA("windows", "device", device.c_str());
    UINT result = 0;
    {
        ProgressReporter progress;
        result = Z_PrintBitmap(bitmap, 0, 0, 0, 0, 1);
    }
    if (result == 0) {
        error = "the printer refused the job";
        return false;
    }
    char last[1024] = "";
    ZeltHostPrintedDocuments(kPrinterName, last, static_cast<int>(sizeof(last)));
    path = last;
    return true;
}

}  // namespace zeltview
