#include "surfaces.h"

#include <random>

namespace peers {

RGBQUAD Rgb332(int index) {
    auto level = [](int k) { return static_cast<BYTE>((k * 255 + 3) / 7); };
    static const BYTE blue[4] = {0, 85, 170, 255};
    return RGBQUAD{blue[index & 3], level((index >> 2) & 7), level(index >> 5), 0};
}

Image24::Image24(int size) : size_(size) {
    if (KrnCreateBitmap(&bitmap_, KRN_MEMORY_CONVENTIONAL, size, size, 24, 1, nullptr, 0, nullptr, 0) != STATUS_OK)
        bitmap_ = BitmapRecord{};
}

Image24::~Image24() {
    if (bitmap_.Data != nullptr) KrnFreeBitmap(&bitmap_);
}

SourceImage::SourceImage(int size, std::uint32_t seed) : Image24(size) {
    if (!ok()) return;
    std::mt19937 random(seed);
    auto *bytes = static_cast<BYTE *>(bitmap_.Data);
    for (DWORD i = 0; i + 4 <= bitmap_.DataSize; i += 4) {
        const std::uint32_t word = random();
        for (int k = 0; k < 4; ++k) bytes[i + k] = static_cast<BYTE>(word >> (8 * k));
    }
    pixels32_.resize(static_cast<std::size_t>(size) * size);
    for (int y = 0; y < size; ++y) {
        const BYTE *p = row(y);
        for (int x = 0; x < size; ++x, p += 3)
            pixels32_[static_cast<std::size_t>(y) * size + x] = 0xFF000000u | (std::uint32_t(p[2]) << 16) |
                                                                (std::uint32_t(p[1]) << 8) | p[0];
    }
    info_.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), size, size, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
}

Surface::Surface(int width, int height, int bits) : height_(height) {
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colors[256];
    } info{};
    info.header = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), width, -height, 1, static_cast<WORD>(bits), BI_RGB, 0, 0, 0, 0, 0};
    if (bits == 1) {
        info.colors[1] = RGBQUAD{255, 255, 255, 0};
        info.header.biClrUsed = 2;
    } else if (bits == 8) {
        for (int i = 0; i < 256; ++i) info.colors[i] = Rgb332(i);
        info.header.biClrUsed = 256;
    }
    stride_ = static_cast<std::size_t>((width * bits + 31) / 32 * 4);
    dc_ = CreateCompatibleDC(nullptr);
    if (dc_ == nullptr) return;
    bitmap_ = CreateDIBSection(dc_, reinterpret_cast<BITMAPINFO *>(&info), DIB_RGB_COLORS, &pixels_, nullptr, 0);
    if (bitmap_ != nullptr) old_ = SelectObject(dc_, bitmap_);
    SetStretchBltMode(dc_, COLORONCOLOR);
}

Surface::~Surface() {
    if (old_ != nullptr) SelectObject(dc_, old_);
    if (bitmap_ != nullptr) DeleteObject(bitmap_);
    if (dc_ != nullptr) DeleteDC(dc_);
}

}  // namespace peers
