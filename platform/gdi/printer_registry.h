// The printers the host has registered: their page geometry and where
// their documents go, and the count of documents each has finished.
#pragma once

#include <string>

namespace zelt::platform {

struct PrinterSettings {
    std::string device;      // as registered; looked up without regard to case
    int dotsPerInch = 0;
    int pageWidth = 0;       // device units
    int pageHeight = 0;
    int bitsPerPixel = 0;    // 1 or 24
    std::string outputPath;  // "%d" stands for the document number
};

// Copies the printer named `device` (any case) into *out; false when none is
// registered under that name.
bool FindPrinter(const char *device, PrinterSettings *out);

// The number of the printer's next document (1, 2, ...), taken when a
// document is being finished; `fallback` when the printer has been removed
// or replaced since the document started.
long IssueDocumentNumber(const std::string &device, long fallback);

// Counts a document the printer has finished, written to `path`.
void RecordPrintedDocument(const std::string &device, const std::string &path);

// `pattern` with every "%d" replaced by `number`.
std::string ExpandOutputPath(const std::string &pattern, long number);

}  // namespace zelt::platform
