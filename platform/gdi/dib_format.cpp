#include "gdi/dib_format.h"

#include "gdi/palette.h"

namespace zelt::platform {

bool DibFormat(const BITMAPINFOHEADER &header, const BITMAPINFO *info, PixelFormatId &format) noexcept {
    if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biWidth <= 0 || header.biHeight == 0) return false;
    if (header.biPlanes != 1) return false;
    const DWORD compression = header.biCompression;
    switch (header.biBitCount) {
        case 1: format = PixelFormatId::Index1; return compression == BI_RGB;
        case 4: format = PixelFormatId::Index4; return compression == BI_RGB;
        case 8: format = PixelFormatId::Index8; return compression == BI_RGB;
        case 24: format = PixelFormatId::Bgr24; return compression == BI_RGB;
        case 16:
        case 32: {
            const bool wide = header.biBitCount == 32;
            if (compression == BI_RGB) {
                format = wide ? PixelFormatId::Bgrx32 : PixelFormatId::Rgb555;
                return true;
            }
            if (compression != BI_BITFIELDS || info == nullptr) return false;
            // The masks follow the header.
            const DWORD *masks = reinterpret_cast<const DWORD *>(reinterpret_cast<const BYTE *>(info) + header.biSize);
            if (wide && masks[0] == 0xFF0000 && masks[1] == 0xFF00 && masks[2] == 0xFF) {
                format = PixelFormatId::Bgrx32;
                return true;
            }
            if (!wide && masks[0] == 0x7C00 && masks[1] == 0x03E0 && masks[2] == 0x001F) {
                format = PixelFormatId::Rgb555;
                return true;
            }
            if (!wide && masks[0] == 0xF800 && masks[1] == 0x07E0 && masks[2] == 0x001F) {
                format = PixelFormatId::Rgb565;
                return true;
            }
            return false;
        }
        default: return false;
    }
}

void ResolveColourTable(const BITMAPINFO &info, UINT usage, const PaletteObject &palette, Surface &surface) noexcept {
    const BITMAPINFOHEADER &header = info.bmiHeader;
    const int size = 1 << header.biBitCount;
    const int given = header.biClrUsed == 0 || header.biClrUsed > static_cast<DWORD>(size)
                          ? size
                          : static_cast<int>(header.biClrUsed);
    const BYTE *after = reinterpret_cast<const BYTE *>(&info) + header.biSize;
    surface.tableSize = size;
    for (int i = 0; i < size; ++i) surface.table[i] = RGBQUAD{0, 0, 0, 0};
    if (usage == DIB_PAL_COLORS) {
        const WORD *indices = reinterpret_cast<const WORD *>(after);
        const int paletteSize = static_cast<int>(palette.Count());
        const int modulus = given < paletteSize ? given : paletteSize;
        if (modulus == 0) return;
        for (int i = 0; i < given; ++i) {
            const PALETTEENTRY &entry = palette.Entries()[indices[i] % modulus];
            surface.table[i] = RGBQUAD{entry.peBlue, entry.peGreen, entry.peRed, 0};
        }
        return;
    }
    const RGBQUAD *quads = reinterpret_cast<const RGBQUAD *>(after);
    for (int i = 0; i < given; ++i) {
        surface.table[i] = quads[i];
        surface.table[i].rgbReserved = 0;
    }
}

bool DescribeDib(const BITMAPINFO &info, const void *bits, UINT usage, const PaletteObject &palette,
                 Surface &surface) noexcept {
    PixelFormatId format;
    if (!DibFormat(info.bmiHeader, &info, format)) return false;
    const BITMAPINFOHEADER &header = info.bmiHeader;
    DescribeSurface(surface, format, header.biWidth, header.biHeight,
                    static_cast<BYTE *>(const_cast<void *>(bits)), DibRowBytes(header.biWidth, header.biBitCount));
    if (surface.ops->indexed) ResolveColourTable(info, usage, palette, surface);
    return true;
}

}  // namespace zelt::platform
