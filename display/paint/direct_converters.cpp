// Direct row converters, one per source layout, generated from templates.
#include "paint/direct_converters.h"

#include "paint/source_pixels.h"

namespace {

using namespace paint_pixels;

// 2- and 3-bit indices to one nibble each, high nibble first; the low nibble
// of a last half-filled byte keeps its value.
template <int Bits>
void IndexToNibbles(BYTE *dst, const BYTE *src, const BitmapRecord *, int xStart, int xEnd) {
    int x = xStart;
    for (; x + 1 < xEnd; x += 2) *dst++ = static_cast<BYTE>((IndexAt<Bits>(src, x) << 4) | IndexAt<Bits>(src, x + 1));
    if (x < xEnd) *dst = static_cast<BYTE>((*dst & 0x0F) | (IndexAt<Bits>(src, x) << 4));
}

template <int Bits>
void IndexToBytes(BYTE *dst, const BYTE *src, const BitmapRecord *, int xStart, int xEnd) {
    for (int x = xStart; x < xEnd; ++x) *dst++ = static_cast<BYTE>(IndexAt<Bits>(src, x));
}

// Gray levels of a window without a level table: narrow windows are
// stretched to 0..255 (g * 255 / mask), wide ones keep their low 8 bits.
struct GrayScale {
    BYTE level[256];
    explicit GrayScale(DWORD mask) {
        const DWORD top = mask < 255 ? mask : 255;
        for (DWORD v = 0; v <= top; ++v) level[v] = static_cast<BYTE>(mask < 255 ? (mask == 0 ? 0 : v * 255 / mask) : v);
    }
};

template <SampleFetch Fetch>
void GrayTo8(BYTE *dst, const BYTE *src, const BitmapRecord *bitmap, int xStart, int xEnd) {
    const GrayWindow window(*bitmap);
    if (window.levels != nullptr) {
        for (int x = xStart; x < xEnd; ++x) *dst++ = window.Level(window.Window(Fetch(src, x))).rgbBlue;
        return;
    }
    const GrayScale scale(window.mask);
    for (int x = xStart; x < xEnd; ++x) *dst++ = scale.level[window.Window(Fetch(src, x)) & 0xFF];
}

template <SampleFetch Fetch>
void GrayTo24(BYTE *dst, const BYTE *src, const BitmapRecord *bitmap, int xStart, int xEnd) {
    const GrayWindow window(*bitmap);
    if (window.levels != nullptr) {
        for (int x = xStart; x < xEnd; ++x, dst += 3) {
            const RGBQUAD &entry = window.Level(window.Window(Fetch(src, x)));
            dst[0] = entry.rgbBlue;
            dst[1] = entry.rgbGreen;
            dst[2] = entry.rgbRed;
        }
        return;
    }
    const GrayScale scale(window.mask);
    for (int x = xStart; x < xEnd; ++x, dst += 3) dst[0] = dst[1] = dst[2] = scale.level[window.Window(Fetch(src, x)) & 0xFF];
}

// 5-5-5 fields in stored order (bits 0-4 first), whatever the Order.
void Rgb555To24(BYTE *dst, const BYTE *src, const BitmapRecord *, int xStart, int xEnd) {
    for (int x = xStart; x < xEnd; ++x, dst += 3) {
        const unsigned word = Sample16At(src, x);
        dst[0] = static_cast<BYTE>(Widen5(word & 31));
        dst[1] = static_cast<BYTE>(Widen5((word >> 5) & 31));
        dst[2] = static_cast<BYTE>(Widen5((word >> 10) & 31));
    }
}

// The used byte of each of the first three channels, in stored order.
template <int Bits>
void ChannelsTo24(BYTE *dst, const BYTE *src, const BitmapRecord *, int xStart, int xEnd) {
    using Layout = ChannelLayout<Bits>;
    const BYTE *pixel = src + static_cast<size_t>(xStart) * Layout::kStride;
    for (int x = xStart; x < xEnd; ++x, dst += 3, pixel += Layout::kStride) {
        dst[0] = pixel[Layout::kFirst];
        dst[1] = pixel[Layout::kMiddle];
        dst[2] = pixel[Layout::kLast];
    }
}

}  // namespace

DirectConverterChoice ChooseDirectConverter(int bits, int order, bool paintsAsGray) {
    switch (bits) {
    case 1:
    case 4:
    case 8:
    case 24:
        return {nullptr, bits};
    case 2:
        return {&IndexToNibbles<2>, 4};
    case 3:
        return {&IndexToNibbles<3>, 4};
    case 5:
        return {&IndexToBytes<5>, 8};
    case 6:
        return {&IndexToBytes<6>, 8};
    case 7:
        return {&IndexToBytes<7>, 8};
    case 12:
        return paintsAsGray ? DirectConverterChoice{&GrayTo8<&Sample12At>, 8}
                            : DirectConverterChoice{&GrayTo24<&Sample12At>, 24};
    case 16:
        if (order != 2) return {&Rgb555To24, 24};
        return paintsAsGray ? DirectConverterChoice{&GrayTo8<&Sample16At>, 8}
                            : DirectConverterChoice{&GrayTo24<&Sample16At>, 24};
    case 48:
        return {&ChannelsTo24<48>, 24};
    case 64:
        return {&ChannelsTo24<64>, 24};
    default:
        // 32 bits, and any depth not named above, read as 4-byte pixels.
        return {&ChannelsTo24<32>, 24};
    }
}
