// KrnGetPixelColor: one stored pixel as a COLORREF, decoded exactly as the
// row converter decodes it.
#include <algorithm>

#include "pixel_formats.h"
#include "record_internal.h"
#include "zelt/kernel.h"

using namespace zelt::kernel;

extern "C" COLORREF ZELT_API KrnGetPixelColor(BitmapRecord *bitmap, int row, int column) {
    if (!RecordIsAllocated(bitmap) || row < 0 || row >= bitmap->Height || column < 0 || column >= bitmap->Width) {
        return KRN_PIXEL_OUTSIDE;
    }
    const PixelFormat *format = FormatOf(bitmap);
    if (format == nullptr) return KRN_PIXEL_OUTSIDE;

    // Move the pixel to the start of a small buffer and convert that.
    BYTE pixel[8] = {};
    format->writePixel(pixel, 0, format->readPixel(RowAddress(bitmap, row), column));

    RGBQUAD colors[256];
    const RGBQUAD *table = nullptr;
    int tableCount = 0;
    UINT flags = 0;
    if (format->indexed) {
        tableCount = KrnGetPaletteColors(bitmap->Palette, 0, std::clamp<int>(bitmap->ColorCount, 0, 256), colors);
        table = colors;
    } else if (format->gray) {
        flags = KRN_CONVERT_GRAY | KRN_CONVERT_BIT_WINDOW;
        if ((bitmap->Flags & BITMAP_LEVEL_PROCESSING) != 0 && bitmap->LevelLut != nullptr) {
            table = bitmap->LevelLut;
            tableCount = static_cast<int>(bitmap->LevelLutLength);
        }
    }
    BYTE rgb[3];
    if (KrnConvertRowTo24(rgb, pixel, 1, bitmap->BitsPerPixel, bitmap->Order, 24, 0, table, tableCount, flags,
                          bitmap->LowBit, bitmap->HighBit) != STATUS_OK) {
        return KRN_PIXEL_OUTSIDE;
    }
    return RGB(rgb[0], rgb[1], rgb[2]);
}
