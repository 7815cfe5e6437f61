// The PDF a printer's document becomes: written page by page, so a page's
// raster can be released as soon as it has been added. Built on cairo when
// the platform was configured with it; without it no document can be opened.
#pragma once

#include <cstddef>
#include <string>

#include "zelt/win32.h"

namespace zelt::platform {

// A finished page: `height` rows of `width` pixels from the top, `stride`
// bytes apart, at `dotsPerInch`. Mono pages are GDI's 1-bit layout (most
// significant bit leftmost, 0 black, 1 white); colour pages are 32-bit
// little-endian B, G, R, unused.
struct PageRaster {
    BYTE *bits = nullptr;
    int width = 0;
    int height = 0;
    std::ptrdiff_t stride = 0;
    int dotsPerInch = 0;
    bool mono = false;
};

class PdfDocument {
public:
    PdfDocument() = default;
    ~PdfDocument() { Close(); }
    PdfDocument(const PdfDocument &) = delete;
    PdfDocument &operator=(const PdfDocument &) = delete;

    // False when this build cannot write PDF.
    static bool Available() noexcept;

    // Starts a document at `path` (created or truncated now) whose pages are
    // `widthPoints` × `heightPoints`. False when the file cannot be made.
    [[nodiscard]] bool Open(const std::string &path, double widthPoints, double heightPoints) noexcept;
    bool IsOpen() const noexcept { return surface_ != nullptr; }

    // Appends one page showing the raster at its physical size, pixels
    // unsmoothed, so a renderer at the raster's resolution reproduces them.
    // A mono raster's bytes are rewritten in place (the caller is about to
    // release them). False when cairo reports an error.
    [[nodiscard]] bool AddPage(PageRaster page) noexcept;

    // Writes the trailer and closes the file; false when anything failed.
    [[nodiscard]] bool Finish() noexcept;
    // Closes without a verdict (the caller removes the file).
    void Close() noexcept;

private:
    void *surface_ = nullptr;  // cairo_surface_t of the PDF
};

}  // namespace zelt::platform
