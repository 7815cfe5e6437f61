#include "dib_surface.h"

#include <algorithm>
#include <cstdint>

namespace zeltpaint {

DibSurface::DibSurface(int width, int height, int bits, const RGBQUAD *colors, int colorCount)
    : width_(width), height_(height) {
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colors[256];
    } info{};
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    info.header.biWidth = width;
    info.header.biHeight = -height;
    info.header.biPlanes = 1;
    info.header.biBitCount = static_cast<WORD>(bits);
    info.header.biCompression = BI_RGB;
    if (colors != nullptr) {
        const int count = std::clamp(colorCount, 0, 256);
        std::copy(colors, colors + count, info.colors);
        info.header.biClrUsed = static_cast<DWORD>(count);
    }
    dc_ = CreateCompatibleDC(nullptr);
    if (dc_ == nullptr) return;
    bitmap_ = CreateDIBSection(dc_, reinterpret_cast<const BITMAPINFO *>(&info), DIB_RGB_COLORS, &pixels_, nullptr, 0);
    if (bitmap_ != nullptr) old_ = SelectObject(dc_, bitmap_);
}

DibSurface::~DibSurface() {
    if (bitmap_ != nullptr) {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
    }
    if (dc_ != nullptr) DeleteDC(dc_);
}

Picture DibSurface::Shown24() const {
    GdiFlush();
    Picture picture(width_, height_, 0);
    const size_t stride = (static_cast<size_t>(width_) * 3 + 3) & ~size_t{3};
    const auto *rows = static_cast<const BYTE *>(pixels_);
    for (int y = 0; y < height_; ++y) {
        const BYTE *p = rows + stride * static_cast<size_t>(y);
        for (int x = 0; x < width_; ++x, p += 3) picture.Set(x, y, std::uint32_t(p[2]) << 16 | p[1] << 8 | p[0]);
    }
    return picture;
}

}  // namespace zeltpaint
