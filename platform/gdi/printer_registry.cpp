// The printer registry behind ZeltHostAddPrinter, ZeltHostRemovePrinters and
// ZeltHostPrintedDocuments. Printer DCs copy a printer's description when
// they are made, so replacing or removing a printer never disturbs a job.
#include "gdi/printer_registry.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <mutex>
#include <vector>

#include "zelt/host.h"

namespace zelt::platform {

namespace {

struct RegisteredPrinter {
    PrinterSettings settings;
    long issued = 0;    // document numbers handed out
    long finished = 0;  // documents written
    std::string lastPath;
};

struct Registry {
    std::mutex mutex;
    std::vector<RegisteredPrinter> printers;
};

Registry &TheRegistry() {
    static Registry *registry = new Registry;  // never destroyed: DCs may outlive static teardown
    return *registry;
}

bool SameDeviceName(const std::string &a, const char *b) {
    const std::size_t length = std::strlen(b);
    if (a.size() != length) return false;
    for (std::size_t i = 0; i < length; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

RegisteredPrinter *Lookup(std::vector<RegisteredPrinter> &printers, const char *device) {
    auto found = std::find_if(printers.begin(), printers.end(),
                              [device](const RegisteredPrinter &p) { return SameDeviceName(p.settings.device, device); });
    return found == printers.end() ? nullptr : &*found;
}

// The largest page side accepted: surfaces address rows with int strides.
constexpr int kMaxPageSide = 32767;

}  // namespace

bool FindPrinter(const char *device, PrinterSettings *out) {
    if (device == nullptr) return false;
    Registry &registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    const RegisteredPrinter *printer = Lookup(registry.printers, device);
    if (printer == nullptr) return false;
    *out = printer->settings;
    return true;
}

long IssueDocumentNumber(const std::string &device, long fallback) {
    Registry &registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    RegisteredPrinter *printer = Lookup(registry.printers, device.c_str());
    return printer == nullptr ? fallback : ++printer->issued;
}

void RecordPrintedDocument(const std::string &device, const std::string &path) {
    Registry &registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    if (RegisteredPrinter *printer = Lookup(registry.printers, device.c_str())) {
        ++printer->finished;
        printer->lastPath = path;
    }
}

std::string ExpandOutputPath(const std::string &pattern, long number) {
    std::string expanded;
    const std::string digits = std::to_string(number);
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == 'd') {
            expanded += digits;
            ++i;
        } else {
            expanded += pattern[i];
        }
    }
    return expanded;
}

}  // namespace zelt::platform

using namespace zelt::platform;

extern "C" {

BOOL ZeltHostAddPrinter(const char *device, int dotsPerInch, int pageWidth, int pageHeight, int bitsPerPixel,
                        const char *outputPath) {
    if (device == nullptr || *device == '\0' || outputPath == nullptr || *outputPath == '\0') return FALSE;
    if (dotsPerInch <= 0 || pageWidth <= 0 || pageHeight <= 0 || pageWidth > kMaxPageSide ||
        pageHeight > kMaxPageSide || (bitsPerPixel != 1 && bitsPerPixel != 24))
        return FALSE;
    try {
        RegisteredPrinter fresh;
        fresh.settings = PrinterSettings{device, dotsPerInch, pageWidth, pageHeight, bitsPerPixel, outputPath};
        Registry &registry = TheRegistry();
        std::lock_guard lock(registry.mutex);
        // A replaced printer starts counting its documents afresh.
        if (RegisteredPrinter *existing = Lookup(registry.printers, device))
            *existing = std::move(fresh);
        else
            registry.printers.push_back(std::move(fresh));
    } catch (...) {
        return FALSE;
    }
    return TRUE;
}

void ZeltHostRemovePrinters(void) {
    Registry &registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    registry.printers.clear();
}

int ZeltHostPrintedDocuments(const char *device, char *lastPath, int size) {
    if (lastPath != nullptr && size > 0) lastPath[0] = '\0';
    if (device == nullptr) return 0;
    Registry &registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    const RegisteredPrinter *printer = Lookup(registry.printers, device);
    if (printer == nullptr) return 0;
    if (lastPath != nullptr && size > 0) {
        const std::size_t copied = std::min<std::size_t>(printer->lastPath.size(), static_cast<std::size_t>(size - 1));
        std::memcpy(lastPath, printer->lastPath.data(), copied);
        lastPath[copied] = '\0';
    }
    return static_cast<int>(printer->finished);
}

}  // extern "C"
