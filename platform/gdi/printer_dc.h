// Printer DCs: a DC made by CreateDCA for a registered printer carries a
// print session, the document being written and the page being drawn. The
// page is a white surface of the printer's size from StartPage to EndPage;
// between pages the DC draws into an empty surface.
#pragma once

#include <string>

#include "base/allocator.h"
#include "gdi/printer_pdf.h"
#include "gdi/printer_registry.h"
#include "gdi/surface.h"

namespace zelt::platform {

class PrinterSession {
public:
    explicit PrinterSession(PrinterSettings settings) noexcept;
    // An open document is aborted: no file is left.
    ~PrinterSession();
    PrinterSession(const PrinterSession &) = delete;
    PrinterSession &operator=(const PrinterSession &) = delete;

    Surface &Page() noexcept { return page_; }
    int DeviceCaps(int index) const noexcept;

    // The job calls; each answers as its Win32 namesake (SP_ERROR, with the
    // last error set, on a call out of order or a failure).
    int StartDoc(const DOCINFOA *info) noexcept;
    int StartPage() noexcept;
    int EndPage() noexcept;
    int EndDoc() noexcept;
    int AbortDoc() noexcept;

private:
    enum class JobState { Idle, InDocument, InPage };
    void ReleasePage() noexcept;
    void DropDocument() noexcept;

    PrinterSettings settings_;
    JobState state_ = JobState::Idle;
    long job_ = 0;
    bool failed_ = false;  // a page could not be made or written: EndDoc fails
    std::string outputPattern_;
    std::string partialPath_;
    PdfDocument pdf_;
    ByteBuffer pageBits_;
    Surface page_;
};

// A DC on the printer registered as `device` (any case); nullptr with the
// last error set when there is none or memory runs out.
HDC CreatePrinterDc(const char *device) noexcept;

// The print session of a printer DC, nullptr for any other handle.
PrinterSession *FindPrinterSession(HDC hdc) noexcept;

// Called by the DC that owns the session when it is deleted.
void DestroyPrinterSession(PrinterSession *session) noexcept;

}  // namespace zelt::platform
