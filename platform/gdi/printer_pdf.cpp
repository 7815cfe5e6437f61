// PDF pages through cairo: each page's raster becomes one image drawn at
// 72 / dpi points per pixel with nearest-neighbour filtering (the PDF marks
// it not to be interpolated). Colour pages are handed to cairo in place
// (their layout is cairo's RGB24); mono pages become a stencil mask painted
// black over white, again without copying the page.
#include "gdi/printer_pdf.h"

#if defined(ZELT_HAVE_CAIRO)
#include <cairo-pdf.h>
#include <cairo.h>
#endif

#include <array>
#include <bit>

namespace zelt::platform {

#if defined(ZELT_HAVE_CAIRO)

namespace {

cairo_surface_t *Pdf(void *surface) { return static_cast<cairo_surface_t *>(surface); }

// GDI mono bytes to cairo A1: cairo packs pixels in native-endian 32-bit
// words, least significant bit first on little-endian machines, and a set
// bit is opaque (ink), where GDI's set bit is white.
constexpr std::array<BYTE, 256> MakeInkTable() {
    std::array<BYTE, 256> table{};
    for (int value = 0; value < 256; ++value) {
        BYTE ink = static_cast<BYTE>(~value);
        if constexpr (std::endian::native == std::endian::little) {
            BYTE reversed = 0;
            for (int bit = 0; bit < 8; ++bit)
                if (ink & (1 << bit)) reversed |= static_cast<BYTE>(0x80 >> bit);
            ink = reversed;
        }
        table[static_cast<std::size_t>(value)] = ink;
    }
    return table;
}
constexpr std::array<BYTE, 256> kInkTable = MakeInkTable();

void MonoToInk(const PageRaster &page) {
    const std::ptrdiff_t rowBytes = (page.width + 7) / 8;
    for (int y = 0; y < page.height; ++y) {
        BYTE *row = page.bits + y * page.stride;
        for (std::ptrdiff_t i = 0; i < rowBytes; ++i) row[i] = kInkTable[row[i]];
    }
}

// Owners of the cairo objects of one page.
struct ContextOwner {
    cairo_t *cr;
    ~ContextOwner() { cairo_destroy(cr); }
};
struct PatternOwner {
    cairo_pattern_t *pattern;
    ~PatternOwner() { cairo_pattern_destroy(pattern); }
};
struct ImageOwner {
    cairo_surface_t *image;
    // Finishing detaches the PDF's hold on the pixels (it takes its own copy
    // if it still needs them) before the caller frees them.
    ~ImageOwner() {
        cairo_surface_finish(image);
        cairo_surface_destroy(image);
    }
};

}  // namespace

bool PdfDocument::Available() noexcept { return true; }

bool PdfDocument::Open(const std::string &path, double widthPoints, double heightPoints) noexcept {
    Close();
    cairo_surface_t *surface = cairo_pdf_surface_create(path.c_str(), widthPoints, heightPoints);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return false;
    }
    surface_ = surface;
    return true;
}

bool PdfDocument::AddPage(PageRaster page) noexcept {
    if (surface_ == nullptr || page.dotsPerInch <= 0) return false;
    if (page.mono) MonoToInk(page);
    const cairo_format_t format = page.mono ? CAIRO_FORMAT_A1 : CAIRO_FORMAT_RGB24;
    if (cairo_format_stride_for_width(format, page.width) != page.stride) return false;
    ImageOwner image{cairo_image_surface_create_for_data(page.bits, format, page.width, page.height,
                                                         static_cast<int>(page.stride))};
    ContextOwner context{cairo_create(Pdf(surface_))};
    cairo_t *cr = context.cr;
    const double scale = 72.0 / page.dotsPerInch;
    cairo_pdf_surface_set_size(Pdf(surface_), page.width * scale, page.height * scale);
    cairo_scale(cr, scale, scale);
    PatternOwner pattern{cairo_pattern_create_for_surface(image.image)};
    cairo_pattern_set_filter(pattern.pattern, CAIRO_FILTER_NEAREST);
    if (page.mono) {
        cairo_set_source_rgb(cr, 1.0, 1.0, 1.0);
        cairo_paint(cr);
        cairo_set_source_rgb(cr, 0.0, 0.0, 0.0);
        cairo_mask(cr, pattern.pattern);
    } else {
        cairo_set_source(cr, pattern.pattern);
        cairo_paint(cr);
    }
    cairo_show_page(cr);
    return cairo_status(cr) == CAIRO_STATUS_SUCCESS && cairo_surface_status(Pdf(surface_)) == CAIRO_STATUS_SUCCESS;
}

bool PdfDocument::Finish() noexcept {
    if (surface_ == nullptr) return false;
    cairo_surface_finish(Pdf(surface_));
    const bool written = cairo_surface_status(Pdf(surface_)) == CAIRO_STATUS_SUCCESS;
    Close();
    return written;
}

void PdfDocument::Close() noexcept {
    if (surface_ == nullptr) return;
    cairo_surface_destroy(Pdf(surface_));
    surface_ = nullptr;
}

#else  // no cairo: printers draw, but no document can be written

bool PdfDocument::Available() noexcept { return false; }
bool PdfDocument::Open(const std::string &, double, double) noexcept { return false; }
bool PdfDocument::AddPage(PageRaster) noexcept { return false; }
bool PdfDocument::Finish() noexcept { return false; }
void PdfDocument::Close() noexcept { surface_ = nullptr; }

#endif

}  // namespace zelt::platform
