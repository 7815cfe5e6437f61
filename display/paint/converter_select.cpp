// Choosing a row converter: the reducing one by (source depth, device
// depth) and the thread's variant, the direct one by source depth.
#include <algorithm>

#include "frame/display_settings.h"
#include "paint/direct_converters.h"
#include "paint/row_converters.h"
#include "paint/row_converters_reduce.h"

UINT paint_reduce::CurrentDisplayMode() { return GetDisplaySettings()->DisplayMode; }

bool paint_reduce::LuminanceLimits(const BYTE *lut, const std::array<int, 8> &threshold, std::array<int, 8> &limit) {
    for (int v = 1; v < 256; ++v)
        if (lut[v] < lut[v - 1]) return false;
    for (int i = 0; i < 8; ++i) {
        // First level whose table value exceeds the threshold; 256 (a limit
        // no pixel reaches) when there is none.
        const BYTE *level = std::upper_bound(lut, lut + 256, threshold[i]);
        limit[i] = 8 * static_cast<int>(level - lut);
    }
    return true;
}

RowConverter SelectRowConverter(int sourceBits, int deviceBits) {
    const int row = DeviceDepthRow(deviceBits);
    const int column = ReducibleDepthColumn(sourceBits);
    if (row < 0 || column < 0) return nullptr;
    const bool ordered = (paint_reduce::CurrentDisplayMode() & DISP_CONVERTER_ALT) != 0;
    return (ordered ? kOrderedConverters : kDiffusionConverters)[row][column];
}

DirectRowConverter SelectDirectRowConverter(const BitmapRecord *bitmap, bool paintsAsGray, int *bandBits) {
    const int bits = bitmap->BitsPerPixel;
    const DirectConverterChoice choice = ChooseDirectConverter(bits, bitmap->Order, paintsAsGray);
    if (bandBits != nullptr) *bandBits = choice.bandBits;
    return choice.convert;
}
