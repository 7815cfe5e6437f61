// Helpers for the blit, ROP3 and brush tests: memory DCs holding a DIB
// section or a monochrome DDB (released on scope exit), the vectors' colour
// tables by name, raw pixel access independent of the platform's pixel code.
#pragma once

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "gdi_dib_support.h"
#include "zelt/win32.h"

namespace zelt::test {

// A vector table by name: bw, duo, vga, 332 (also "3-3-2"), black,white.
inline std::vector<RGBQUAD> NamedTable(const std::string &name) {
    const auto quad = [](int r, int g, int b) {
        return RGBQUAD{static_cast<BYTE>(b), static_cast<BYTE>(g), static_cast<BYTE>(r), 0};
    };
    if (name == "bw" || name == "black,white") return {quad(0, 0, 0), quad(255, 255, 255)};
    if (name == "duo") return {quad(0x20, 0x40, 0x80), quad(0xF0, 0xE0, 0x10)};
    if (name == "vga") {
        const unsigned rgb[16] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0x808080,
                                  0xc0c0c0, 0xff0000, 0x00ff00, 0xffff00, 0x0000ff, 0xff00ff, 0x00ffff, 0xffffff};
        std::vector<RGBQUAD> table;
        for (unsigned c : rgb) table.push_back(quad(c >> 16, (c >> 8) & 0xFF, c & 0xFF));
        return table;
    }
    if (name == "332" || name == "3-3-2") {
        const int levels[8] = {0, 36, 73, 109, 146, 182, 219, 255};
        const int blues[4] = {0, 85, 170, 255};
        std::vector<RGBQUAD> table;
        for (int i = 0; i < 256; ++i) table.push_back(quad(levels[i >> 5], levels[(i >> 2) & 7], blues[i & 3]));
        return table;
    }
    return {};
}

// A memory DC with a top-down DIB section of any depth selected.
class DibDc {
public:
    DibDc(int width, int height, int bpp, const std::vector<RGBQUAD> &table = {}) : width_(width), height_(height), bpp_(bpp) {
        DibHeader info;
        info.header.biSize = sizeof(BITMAPINFOHEADER);
        info.header.biWidth = width;
        info.header.biHeight = -height;
        info.header.biPlanes = 1;
        info.header.biBitCount = static_cast<WORD>(bpp);
        info.header.biCompression = BI_RGB;
        info.header.biClrUsed = static_cast<DWORD>(table.size());
        for (std::size_t i = 0; i < table.size(); ++i) info.colours[i] = table[i];
        dc_ = CreateCompatibleDC(nullptr);
        void *bits = nullptr;
        bitmap_ = CreateDIBSection(dc_, info.Info(), DIB_RGB_COLORS, &bits, nullptr, 0);
        bits_ = static_cast<BYTE *>(bits);
        old_ = SelectObject(dc_, bitmap_);
        EXPECT_NE(bits_, nullptr);
    }
    ~DibDc() {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    DibDc(const DibDc &) = delete;
    DibDc &operator=(const DibDc &) = delete;

    HDC Dc() const { return dc_; }
    unsigned Get(int x, int y) const { return GetRawPixel(Row(y), x, bpp_); }
    void Set(int x, int y, unsigned raw) { SetRawPixel(Row(y), x, bpp_, raw); }
    int Width() const { return width_; }
    int Height() const { return height_; }
    int Bpp() const { return bpp_; }

private:
    BYTE *Row(int y) const { return bits_ + static_cast<std::ptrdiff_t>(y) * DibStride(width_, bpp_); }
    int width_, height_, bpp_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    BYTE *bits_ = nullptr;
};

// A memory DC with a monochrome DDB selected; pixels through Get/SetBitmapBits.
class MonoDc {
public:
    MonoDc(int width, int height) : width_(width), height_(height) {
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateBitmap(width, height, 1, 1, nullptr);
        old_ = SelectObject(dc_, bitmap_);
    }
    ~MonoDc() {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    MonoDc(const MonoDc &) = delete;
    MonoDc &operator=(const MonoDc &) = delete;

    HDC Dc() const { return dc_; }
    HBITMAP Bitmap() const { return bitmap_; }
    int RowBytes() const { return ((width_ + 15) / 16) * 2; }
    std::vector<BYTE> Bits() const {
        std::vector<BYTE> bits(static_cast<std::size_t>(RowBytes() * height_));
        EXPECT_EQ(GetBitmapBits(bitmap_, static_cast<LONG>(bits.size()), bits.data()), static_cast<LONG>(bits.size()));
        return bits;
    }
    unsigned Get(int x, int y) const { return (Bits()[y * RowBytes() + x / 8] >> (7 - x % 8)) & 1; }
    void SetRows(const std::vector<std::vector<unsigned>> &rows) {
        std::vector<BYTE> bits(static_cast<std::size_t>(RowBytes() * height_), 0);
        for (std::size_t y = 0; y < rows.size(); ++y)
            for (std::size_t x = 0; x < rows[y].size(); ++x)
                if (rows[y][x]) bits[y * RowBytes() + x / 8] |= static_cast<BYTE>(0x80 >> (x % 8));
        EXPECT_EQ(SetBitmapBits(bitmap_, static_cast<DWORD>(bits.size()), bits.data()), static_cast<LONG>(bits.size()));
    }

private:
    int width_, height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
};

// Rows of raw values from a vector pixel array.
inline std::vector<std::vector<unsigned>> RawRows(const JsonValue &rows) {
    std::vector<std::vector<unsigned>> out;
    for (const JsonValue &row : rows.items()) {
        out.emplace_back();
        for (const JsonValue &value : row.items()) out.back().push_back(RawValue(value));
    }
    return out;
}

inline std::vector<std::vector<unsigned>> ReadRows(const DibDc &dib) {
    std::vector<std::vector<unsigned>> out(static_cast<std::size_t>(dib.Height()));
    for (int y = 0; y < dib.Height(); ++y)
        for (int x = 0; x < dib.Width(); ++x) out[y].push_back(dib.Get(x, y));
    return out;
}

inline std::vector<std::vector<unsigned>> ReadRows(const MonoDc &mono, int width, int height) {
    std::vector<std::vector<unsigned>> out(static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) out[y].push_back(mono.Get(x, y));
    return out;
}

inline void WriteRows(DibDc &dib, const std::vector<std::vector<unsigned>> &rows) {
    for (std::size_t y = 0; y < rows.size(); ++y)
        for (std::size_t x = 0; x < rows[y].size(); ++x) dib.Set(static_cast<int>(x), static_cast<int>(y), rows[y][x]);
}

inline COLORREF Colour(const JsonValue &value) { return static_cast<COLORREF>(RawValue(value)); }

}  // namespace zelt::test
