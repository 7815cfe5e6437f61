// Print sessions and the job calls StartDocA .. AbortDoc. A document is
// written to a partial file beside its target and renamed when EndDoc
// succeeds, so an aborted or failed job leaves no file behind.
#include "gdi/printer_dc.h"

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <utility>

#include "gdi/dc.h"

namespace zelt::platform {

namespace {

// Raster capabilities of the printer driver: bitmaps in and out, stretched
// blits and DIB transfers; no palette, no banding.
constexpr int kPrinterRasterCaps = RC_BITBLT | RC_BITMAP64 | RC_DI_BITMAP | RC_DIBTODEV | RC_BIGFONT |
                                   RC_STRETCHBLT | RC_STRETCHDIB;

std::atomic<long> &JobCounter() {
    static std::atomic<long> counter{0};
    return counter;
}

int Millimetres(int pixels, int dotsPerInch) {
    return static_cast<int>(std::lround(pixels * 25.4 / dotsPerInch));
}

int Fail(DWORD error) {
    SetLastError(error);
    return SP_ERROR;
}

}  // namespace

PrinterSession::PrinterSession(PrinterSettings settings) noexcept : settings_(std::move(settings)) {
    // Between pages the DC draws into nothing.
    DescribeSurface(page_, settings_.bitsPerPixel == 1 ? PixelFormatId::Mono : PixelFormatId::Bgrx32, 0, 0, nullptr, 0);
}

PrinterSession::~PrinterSession() {
    if (state_ != JobState::Idle) DropDocument();
}

int PrinterSession::DeviceCaps(int index) const noexcept {
    const int dpi = settings_.dotsPerInch;
    switch (index) {
        case TECHNOLOGY: return DT_RASPRINTER;
        case HORZRES:
        case PHYSICALWIDTH: return settings_.pageWidth;
        case VERTRES:
        case PHYSICALHEIGHT: return settings_.pageHeight;
        case PHYSICALOFFSETX:
        case PHYSICALOFFSETY: return 0;
        case HORZSIZE: return Millimetres(settings_.pageWidth, dpi);
        case VERTSIZE: return Millimetres(settings_.pageHeight, dpi);
        case BITSPIXEL: return settings_.bitsPerPixel;
        case PLANES: return 1;
        case NUMCOLORS: return settings_.bitsPerPixel == 1 ? 2 : -1;
        case RASTERCAPS: return kPrinterRasterCaps;
        case COLORRES: return settings_.bitsPerPixel;
        case LOGPIXELSX:
        case LOGPIXELSY:
        case ASPECTX:
        case ASPECTY: return dpi;
        case ASPECTXY: return static_cast<int>(std::lround(dpi * std::sqrt(2.0)));
        case CLIPCAPS: return 1;
        default: return 0;
    }
}

int PrinterSession::StartDoc(const DOCINFOA *info) noexcept {
    if (info == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    if (state_ != JobState::Idle) return Fail(ERROR_INVALID_PARAMETER);
    if (!PdfDocument::Available()) return Fail(ERROR_NOT_SUPPORTED);
    const long job = ++JobCounter();
    try {
        outputPattern_ = info->lpszOutput != nullptr ? std::string(info->lpszOutput) : settings_.outputPath;
        partialPath_ = ExpandOutputPath(outputPattern_, job) + ".partial-" + std::to_string(job);
    } catch (...) {
        return Fail(ERROR_NOT_ENOUGH_MEMORY);
    }
    const double scale = 72.0 / settings_.dotsPerInch;
    if (!pdf_.Open(partialPath_, settings_.pageWidth * scale, settings_.pageHeight * scale)) {
        std::remove(partialPath_.c_str());
        return Fail(ERROR_ACCESS_DENIED);
    }
    job_ = job;
    failed_ = false;
    state_ = JobState::InDocument;
    return static_cast<int>(job_ > 0x7FFFFFFF ? 0x7FFFFFFF : job_);
}

int PrinterSession::StartPage() noexcept {
    if (state_ != JobState::InDocument) return Fail(ERROR_INVALID_PARAMETER);
    const bool mono = settings_.bitsPerPixel == 1;
    // Colour pages are stored 32 bits a pixel, the layout the PDF writer
    // takes without a copy.
    const std::ptrdiff_t rowBytes = DibRowBytes(settings_.pageWidth, mono ? 1 : 32);
    if (!pageBits_.Reset(static_cast<std::size_t>(rowBytes) * static_cast<std::size_t>(settings_.pageHeight))) {
        // The document has lost a page: it can no longer be finished.
        failed_ = true;
        return Fail(ERROR_NOT_ENOUGH_MEMORY);
    }
    std::memset(pageBits_.Data(), 0xFF, pageBits_.Size());  // white paper
    DescribeSurface(page_, mono ? PixelFormatId::Mono : PixelFormatId::Bgrx32, settings_.pageWidth, -settings_.pageHeight,
                    pageBits_.Data(), rowBytes);
    state_ = JobState::InPage;
    return 1;
}

int PrinterSession::EndPage() noexcept {
    if (state_ != JobState::InPage) return Fail(ERROR_INVALID_PARAMETER);
    PageRaster raster;
    raster.bits = page_.top;
    raster.width = page_.width;
    raster.height = page_.height;
    raster.stride = page_.stride;
    raster.dotsPerInch = settings_.dotsPerInch;
    raster.mono = settings_.bitsPerPixel == 1;
    const bool added = pdf_.AddPage(raster);
    ReleasePage();
    state_ = JobState::InDocument;
    if (!added) {
        failed_ = true;
        return Fail(ERROR_WRITE_FAULT);
    }
    return 1;
}

int PrinterSession::EndDoc() noexcept {
    if (state_ == JobState::Idle) return Fail(ERROR_INVALID_PARAMETER);
    // A page still open is ended first, as part of the document.
    if (state_ == JobState::InPage) (void)EndPage();
    const bool written = !failed_ && pdf_.Finish();
    if (!written) {
        DropDocument();
        return Fail(ERROR_WRITE_FAULT);
    }
    state_ = JobState::Idle;
    try {
        const std::string finalPath = ExpandOutputPath(outputPattern_, IssueDocumentNumber(settings_.device, job_));
        if (std::rename(partialPath_.c_str(), finalPath.c_str()) != 0) {
            std::remove(partialPath_.c_str());
            return Fail(ERROR_ACCESS_DENIED);
        }
        RecordPrintedDocument(settings_.device, finalPath);
    } catch (...) {
        std::remove(partialPath_.c_str());
        return Fail(ERROR_NOT_ENOUGH_MEMORY);
    }
    return 1;
}

int PrinterSession::AbortDoc() noexcept {
    if (state_ == JobState::Idle) return Fail(ERROR_INVALID_PARAMETER);
    DropDocument();
    return 1;
}

void PrinterSession::ReleasePage() noexcept {
    ByteBuffer released(std::move(pageBits_));
    DescribeSurface(page_, page_.Format(), 0, 0, nullptr, 0);
}

void PrinterSession::DropDocument() noexcept {
    ReleasePage();
    pdf_.Close();
    std::remove(partialPath_.c_str());
    state_ = JobState::Idle;
}

HDC CreatePrinterDc(const char *device) noexcept {
    PrinterSettings settings;
    bool found = false;
    try {
        found = FindPrinter(device, &settings);
    } catch (...) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (!found) {
        SetLastError(ERROR_INVALID_PRINTER_NAME);
        return nullptr;
    }
    PrinterSession *session = NewObject<PrinterSession>(std::move(settings));
    if (session == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    DcObject *dc = nullptr;
    HDC handle = NewDcObject(&dc, false);
    if (handle == nullptr) {
        DestroyPrinterSession(session);
        return nullptr;
    }
    dc->printer = session;
    return static_cast<HDC>(handle);
}

PrinterSession *FindPrinterSession(HDC hdc) noexcept {
    DcObject *dc = FindObject<DcObject>(hdc);
    return dc != nullptr ? dc->printer : nullptr;
}

void DestroyPrinterSession(PrinterSession *session) noexcept { delete session; }

}  // namespace zelt::platform

using namespace zelt::platform;

namespace {

template <int (PrinterSession::*Call)()>
int OnPrinter(HDC hdc) {
    PrinterSession *session = FindPrinterSession(hdc);
    if (session == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return SP_ERROR;
    }
    return (session->*Call)();
}

}  // namespace

extern "C" {

int WINAPI StartDocA(HDC hdc, const DOCINFOA *lpdi) {
    PrinterSession *session = FindPrinterSession(hdc);
    if (session == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return SP_ERROR;
    }
    return session->StartDoc(lpdi);
}

int WINAPI StartPage(HDC hdc) { return OnPrinter<&PrinterSession::StartPage>(hdc); }
int WINAPI EndPage(HDC hdc) { return OnPrinter<&PrinterSession::EndPage>(hdc); }
int WINAPI EndDoc(HDC hdc) { return OnPrinter<&PrinterSession::EndDoc>(hdc); }
int WINAPI AbortDoc(HDC hdc) { return OnPrinter<&PrinterSession::AbortDoc>(hdc); }

}  // extern "C"
