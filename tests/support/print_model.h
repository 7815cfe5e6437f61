// Models for the printing tests: where a print lands on the page (worked
// out from the placement rules with exact rational arithmetic), the
// progress percentages a callback must see, and the page a PDF renders to
// (through pdftoppm, when it is installed).
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "zelt/win32.h"

#if defined(_WIN32)
#define popen _popen
#define pclose _pclose
#endif

namespace zelt::test {

// a × b / c rounded half away from zero, as a Win32 MulDiv rounds.
inline std::int64_t RoundedRatio(std::int64_t a, std::int64_t b, std::int64_t c) {
    const long double exact = static_cast<long double>(a) * static_cast<long double>(b) / static_cast<long double>(c);
    return static_cast<std::int64_t>(exact < 0 ? -std::floor(-exact + 0.5L) : std::floor(exact + 0.5L));
}

// The printed rectangle on a page of horzRes × vertRes for a bitmap shown
// dw × dh. The usable page runs from (1, 1) to (horzRes, vertRes).
inline RECT ModelPrintRect(int horzRes, int vertRes, int dw, int dh, int x, int y, int width, int height) {
    const std::int64_t pageW = horzRes - 1, pageH = vertRes - 1;
    std::int64_t w = width, h = height;
    if (width == 0 && height == 0) {
        // Largest of the aspect: full height unless that is too wide.
        h = pageH;
        w = RoundedRatio(h, dw, dh);
        if (w > pageW) {
            w = pageW;
            h = RoundedRatio(w, dh, dw);
        }
    } else if (width == 0) {
        w = RoundedRatio(dw, height, dh);
    } else if (height == 0) {
        h = RoundedRatio(dh, width, dw);
    }
    // Centred along an axis given as 0 (C++ division truncates toward zero).
    const std::int64_t left = x != 0 ? x : (pageW - w) / 2 + 1;
    const std::int64_t top = y != 0 ? y : (pageH - std::llabs(h)) / 2 + 1;
    RECT r{LONG(left), LONG(top), LONG(left + w), LONG(top + h)};
    if (width == 0 || height == 0) {
        r = RECT{std::max<LONG>(r.left, 1), std::max<LONG>(r.top, 1), std::min<LONG>(r.right, horzRes),
                 std::min<LONG>(r.bottom, vertRes)};
        if (r.left >= r.right || r.top >= r.bottom) r = RECT{0, 0, 0, 0};
    }
    return r;
}

// What a progress callback hears over `rows` painted rows: 0, then the
// whole percentage done each time it changes.
inline std::vector<int> ModelProgress(int rows) {
    std::vector<int> heard{0};
    for (int painted = 1; painted <= rows; ++painted) {
        const int percent = static_cast<int>(100LL * painted / rows);
        if (percent != heard.back()) heard.push_back(percent);
    }
    return heard;
}

// A rendered page: 0x00RRGGBB pixels, rows top to bottom.
struct RenderedPage {
    int width = 0, height = 0;
    std::vector<DWORD> pixels;
    DWORD At(int x, int y) const { return pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)]; }
};

inline bool HavePdfRenderer() { return std::system("pdftoppm -v > /dev/null 2>&1") == 0; }

// Page 1 of the PDF as a renderer shows it at `dpi` (pdftoppm, PPM output);
// empty on failure. The renderer smooths images drawn at less than four
// times their resolution whatever the PDF asks, so the page is rendered at
// 4 × dpi, where each image pixel becomes a 4 × 4 block, and read back at
// the blocks' centres.
inline RenderedPage RenderPdfPage(const std::string &pdf, int dpi) {
    constexpr int kOversample = 4;
    const std::string prefix = pdf + ".render";
    const std::string command = "pdftoppm -r " + std::to_string(dpi * kOversample) + " -f 1 -l 1 -singlefile '" +
                                pdf + "' '" + prefix + "'";
    RenderedPage page;
    if (std::system(command.c_str()) != 0) return page;
    std::ifstream in(prefix + ".ppm", std::ios::binary);
    std::string magic;
    int maxValue = 0, width = 0, height = 0;
    in >> magic >> width >> height >> maxValue;
    in.get();
    if (magic != "P6" || maxValue != 255 || width <= 0 || height <= 0) return page;
    std::vector<unsigned char> rgb(std::size_t(width) * std::size_t(height) * 3);
    in.read(reinterpret_cast<char *>(rgb.data()), std::streamsize(rgb.size()));
    page.width = width / kOversample;
    page.height = height / kOversample;
    page.pixels.resize(std::size_t(page.width) * std::size_t(page.height));
    for (int y = 0; y < page.height; ++y)
        for (int x = 0; x < page.width; ++x) {
            const unsigned char *p =
                &rgb[3 * (std::size_t(y * kOversample + kOversample / 2) * std::size_t(width) +
                          std::size_t(x * kOversample + kOversample / 2))];
            page.pixels[std::size_t(y) * std::size_t(page.width) + std::size_t(x)] =
                (DWORD(p[0]) << 16) | (DWORD(p[1]) << 8) | p[2];
        }
    std::remove((prefix + ".ppm").c_str());
    return page;
}

// Pages of a PDF as pdfinfo counts them; -1 when it cannot tell.
inline int PdfPageCount(const std::string &pdf) {
    FILE *pipe = popen(("pdfinfo '" + pdf + "' 2>/dev/null").c_str(), "r");
    if (pipe == nullptr) return -1;
    int pages = -1;
    char line[512];
    while (std::fgets(line, sizeof line, pipe) != nullptr)
        if (std::sscanf(line, "Pages: %d", &pages) == 1) break;
    pclose(pipe);
    return pages;
}

}  // namespace zelt::test
