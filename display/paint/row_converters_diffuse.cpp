// Error-diffusion reducing converters: 40 functions, one per (source depth,
// device depth), each a source reader joined with a quantizer.
#include "paint/diffuse_channels.h"
#include "paint/diffuse_luminance.h"
#include "paint/row_converters.h"
#include "paint/row_converters_reduce.h"

namespace {

using namespace paint_reduce;

template <int SrcBits, int DeviceBits>
void DiffuseConverter(BYTE *dst, const BYTE *src, const BitmapRecord *bitmap, int xStart, int xEnd, int /*phaseX*/,
                      int /*phaseY*/, int *errors, const RGBQUAD *palette) {
    if (xEnd <= xStart) return;
    const int count = xEnd - xStart;
    const BYTE *lut = PaintLevels(bitmap);
    // The palette choice follows the thread's mode at every call.
    const bool cube = DeviceBits == 8 && (CurrentDisplayMode() & DISP_FIXED_PALETTE) != 0;
    paint_pixels::VisitSourceReader<SrcBits>(*bitmap, src, palette, [&](const auto &reader) {
        if constexpr (DeviceBits == 1) {
            // A table that never decreases is one limit on the luminance.
            if (const int whiteFrom = WhiteLuminanceLimit(lut); whiteFrom >= 0) {
                DiffuseLuminanceRow(dst, reader, whiteFrom, xStart, count, errors);
                return;
            }
            DiffuseRow(dst, reader, Diffuse1{lut}, xStart, count, errors);
        } else if constexpr (DeviceBits == 4) {
            if (count >= kFoldRowLength && RowAboveWithinLimit(errors, count))
                DiffuseChannelsRow(dst, reader, FourBitLevels(lut), FourBitIndex{}, xStart, count, errors);
            else
                DiffuseRow(dst, reader, Diffuse4{lut}, xStart, count, errors);
        } else if (count >= kFoldRowLength && RowAboveWithinLimit(errors, count)) {
            DiffuseChannelsRow(dst, reader, PaletteLevels(cube ? kCubeTables : kRgb332Tables, lut), PaletteIndex{},
                               xStart, count, errors);
        } else if (cube) {
            DiffuseRow(dst, reader, Diffuse8<kCubeTables>{lut}, xStart, count, errors);
        } else {
            DiffuseRow(dst, reader, Diffuse8<kRgb332Tables>{lut}, xStart, count, errors);
        }
    });
}

template <int DeviceBits>
constexpr std::array<RowConverter, kReducibleDepths.size()> DiffusionRow() {
    return {DeviceBits == 8 ? &DiffuseConverter<1, 8> : nullptr,
            &DiffuseConverter<2, DeviceBits>,  &DiffuseConverter<3, DeviceBits>,  &DiffuseConverter<4, DeviceBits>,
            &DiffuseConverter<5, DeviceBits>,  &DiffuseConverter<6, DeviceBits>,  &DiffuseConverter<7, DeviceBits>,
            &DiffuseConverter<8, DeviceBits>,  &DiffuseConverter<12, DeviceBits>, &DiffuseConverter<16, DeviceBits>,
            &DiffuseConverter<24, DeviceBits>, &DiffuseConverter<32, DeviceBits>, &DiffuseConverter<48, DeviceBits>,
            &DiffuseConverter<64, DeviceBits>};
}

}  // namespace

extern const ConverterTable kDiffusionConverters = {DiffusionRow<1>(), DiffusionRow<4>(), DiffusionRow<8>()};
