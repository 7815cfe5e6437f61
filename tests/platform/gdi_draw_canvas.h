// Test canvases for the drawing tests: a memory DC over a top-down DIB
// section of any depth, with raw pixel access through the platform's
// surface, released on every path.
#pragma once

#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "gdi/bitmap.h"
#include "zelt/win32.h"

namespace zelt::test {

class DrawCanvas {
public:
    // bitsPixel 1, 4, 8: grey-ramp colour table of 2, 16 or 256 entries
    // (black and white for 1); 16 is 5-5-5.
    DrawCanvas(int width, int height, int bitsPixel = 32, COLORREF fill = RGB(255, 255, 255))
        : width_(width), height_(height) {
        std::vector<unsigned char> info(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD), 0);
        auto *bi = reinterpret_cast<BITMAPINFO *>(info.data());
        bi->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        bi->bmiHeader.biWidth = width;
        bi->bmiHeader.biHeight = -height;
        bi->bmiHeader.biPlanes = 1;
        bi->bmiHeader.biBitCount = static_cast<WORD>(bitsPixel);
        bi->bmiHeader.biCompression = BI_RGB;
        if (bitsPixel <= 8) {
            const int entries = 1 << bitsPixel;
            bi->bmiHeader.biClrUsed = static_cast<DWORD>(entries);
            for (int i = 0; i < entries; ++i) {
                const BYTE level = static_cast<BYTE>(i * 255 / (entries - 1));
                bi->bmiColors[i] = RGBQUAD{level, static_cast<BYTE>(255 - level), level, 0};
            }
            if (bitsPixel == 1) {
                bi->bmiColors[0] = RGBQUAD{0, 0, 0, 0};
                bi->bmiColors[1] = RGBQUAD{255, 255, 255, 0};
            }
        }
        dc_ = CreateCompatibleDC(nullptr);
        void *bits = nullptr;
        bitmap_ = CreateDIBSection(dc_, bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (dc_ == nullptr || bitmap_ == nullptr) {
            ADD_FAILURE() << "canvas " << width << "x" << height << "x" << bitsPixel << " not created";
            return;
        }
        old_ = SelectObject(dc_, bitmap_);
        Fill(fill);
    }
    ~DrawCanvas() {
        if (old_ != nullptr) SelectObject(dc_, old_);
        if (bitmap_ != nullptr) DeleteObject(bitmap_);
        if (dc_ != nullptr) DeleteDC(dc_);
    }
    DrawCanvas(const DrawCanvas &) = delete;
    DrawCanvas &operator=(const DrawCanvas &) = delete;

    HDC dc() const { return dc_; }
    int width() const { return width_; }
    int height() const { return height_; }
    bool ok() const { return old_ != nullptr; }

    const platform::Surface &surface() const {
        return platform::FindObject<platform::BitmapObject>(bitmap_)->GetSurface();
    }
    DWORD Raw(int x, int y) const { return surface().GetRaw(x, y); }
    void SetRaw(int x, int y, DWORD raw) const { surface().SetRaw(x, y, raw); }
    COLORREF Color(int x, int y) const { return surface().GetColor(x, y); }
    void Set(int x, int y, COLORREF c) const { SetRaw(x, y, surface().RawOf(c)); }
    void Fill(COLORREF c) const {
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x) Set(x, y, c);
    }
    // Pixels whose raw value differs from `raw`, as a 0/1 mask, row-major.
    std::vector<bool> Differs(DWORD raw) const {
        std::vector<bool> mask(static_cast<std::size_t>(width_) * height_);
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x) mask[static_cast<std::size_t>(y) * width_ + x] = Raw(x, y) != raw;
        return mask;
    }

private:
    int width_, height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
};

}  // namespace zelt::test
