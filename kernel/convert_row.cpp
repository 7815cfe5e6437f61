// KrnConvertRowTo24: one row between a stored layout and 24 bits, through
// the pixel table.
#include <algorithm>

#include "pixel_formats.h"
#include "zelt/kernel.h"

namespace zelt::kernel {
namespace {

bool IsSupported(int bits) { return FindPixelFormat(bits, 1) != nullptr; }

// Window of a deep gray row: KRN_CONVERT_BIT_WINDOW uses lowBit..highBit,
// otherwise the top 8 bits of the sample.
void GrayWindow(int bits, int maxBits, UINT flags, int lowBit, int highBit, DWORD *mask, int *shift) {
    if ((flags & KRN_CONVERT_BIT_WINDOW) != 0) {
        KrnGetBitWindow(bits, maxBits, lowBit, highBit, mask, shift);
    } else {
        KrnGetBitWindow(bits, 8, 0, bits - 1, mask, shift);
    }
}

void ConvertTo24(void *dst, const void *src, int width, const PixelFormat &format, int dstOrder,
                 const RGBQUAD *colors, int colorCount, UINT flags, int lowBit, int highBit) {
    UnpackTables tables;
    tables.redAt = dstOrder == 1 ? 2 : 0;
    RGBQUAD lookup[256];
    if (format.indexed) {
        // Pad to every index the depth can hold: unknown indices are black.
        const int entries = 1 << format.bitsPerPixel;
        const int known = colors != nullptr ? std::clamp(colorCount, 0, entries) : 0;
        std::copy_n(colors, known, lookup);
        std::fill(lookup + known, lookup + entries, RGBQUAD{0, 0, 0, 0});
        tables.colors = lookup;
        tables.colorCount = entries;
    } else if (format.gray) {
        const bool levelTable = colors != nullptr && (flags & KRN_CONVERT_BIT_WINDOW) != 0;
        GrayWindow(format.bitsPerPixel, levelTable ? format.bitsPerPixel : 8, flags, lowBit, highBit, &tables.mask,
                   &tables.shift);
        if (levelTable) {
            tables.colors = colors;
            tables.colorCount = std::max(colorCount, 0);
        } else {
            FillWindowedGrayRamp(lookup, tables.mask);
            tables.colors = lookup;
            tables.colorCount = static_cast<int>(tables.mask) + 1;
        }
    }
    format.unpackTo24(static_cast<BYTE *>(dst), static_cast<const BYTE *>(src), width, tables);
}

void ConvertFrom24(void *dst, const void *src, int width, int srcOrder, const PixelFormat &format,
                   const RGBQUAD *colors, int colorCount, UINT flags, int lowBit, int highBit) {
    PackTables tables;
    tables.redAt = srcOrder == 1 ? 2 : 0;
    if (format.indexed) {
        tables.colors = colors;
        tables.colorCount = colors != nullptr ? std::clamp(colorCount, 0, 1 << format.bitsPerPixel) : 0;
    } else if (format.gray) {
        // Written samples use the whole window so that reading them back
        // through its top 8 bits gives the same level.
        if ((flags & KRN_CONVERT_BIT_WINDOW) != 0) {
            KrnGetBitWindow(format.bitsPerPixel, format.bitsPerPixel, lowBit, highBit, &tables.mask, &tables.shift);
        } else {
            tables.mask = (DWORD{1} << format.bitsPerPixel) - 1;
            tables.shift = 0;
        }
    }
    format.packFrom24(static_cast<BYTE *>(dst), static_cast<const BYTE *>(src), width, tables);
}

}  // namespace
}  // namespace zelt::kernel

using namespace zelt::kernel;

extern "C" int ZELT_API KrnConvertRowTo24(void *dst, const void *src, int width, int srcBits, int srcOrder,
                                          int dstBits, int dstOrder, const RGBQUAD *colors, int colorCount,
                                          UINT flags, int lowBit, int highBit) {
    if (dst == nullptr || src == nullptr || width < 0) return STATUS_BAD_PARAMETER;
    if ((srcBits != 24 && dstBits != 24) || !IsSupported(srcBits) || !IsSupported(dstBits)) return STATUS_BAD_PARAMETER;
    const bool gray = (flags & KRN_CONVERT_GRAY) != 0;
    if (srcBits == 24) {
        const PixelFormat *format = FindPixelFormat(dstBits, dstOrder, gray && dstBits == 16);
        ConvertFrom24(dst, src, width, srcOrder, *format, colors, colorCount, flags, lowBit, highBit);
    } else {
        const PixelFormat *format = FindPixelFormat(srcBits, srcOrder, gray && srcBits == 16);
        ConvertTo24(dst, src, width, *format, dstOrder, colors, colorCount, flags, lowBit, highBit);
    }
    return STATUS_OK;
}
