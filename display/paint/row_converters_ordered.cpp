// Ordered-dither reducing converters: 40 functions, one per (source depth,
// device depth), each a source reader joined with a threshold quantizer.
#include "paint/row_converters.h"
#include "paint/row_converters_reduce.h"

namespace {

using namespace paint_reduce;

template <int SrcBits, int DeviceBits>
void DitherConverter(BYTE *dst, const BYTE *src, const BitmapRecord *bitmap, int xStart, int xEnd, int phaseX,
                     int phaseY, int * /*errors*/, const RGBQUAD *palette) {
    if (xEnd <= xStart) return;
    const int count = xEnd - xStart;
    const BYTE *lut = PaintLevels(bitmap);
    // Matrix and palette follow the thread's mode at every call.
    const UINT mode = CurrentDisplayMode();
    paint_pixels::VisitSourceReader<SrcBits>(*bitmap, src, palette, [&](const auto &reader) {
        if constexpr (DeviceBits == 1) {
            const auto &matrix = (mode & DISP_DITHER_ALT) != 0 ? ClusterDitherMatrix : DisperseDitherMatrix;
            DitherRow1(dst, reader, lut, RowThresholds(matrix, phaseX, phaseY), xStart, count);
        } else if constexpr (DeviceBits == 4) {
            DitherRow(dst, reader, Ordered4{lut, RowThresholds(DisperseDitherMatrix, phaseX, phaseY)}, xStart, count);
        } else {
            std::array<int, 8> offset = RowThresholds(DisperseDitherMatrix, phaseX, phaseY);
            const bool cube = (mode & DISP_FIXED_PALETTE) != 0;
            for (int &o : offset) o = cube ? o / 6 - 21 : (o >> 3) - 16;
            if (cube)
                DitherRow(dst, reader, Ordered8<kCubeTables>{lut, offset}, xStart, count);
            else
                DitherRow(dst, reader, Ordered8<kRgb332Tables>{lut, offset}, xStart, count);
        }
    });
}

template <int DeviceBits>
constexpr std::array<RowConverter, kReducibleDepths.size()> OrderedRow() {
    return {DeviceBits == 8 ? &DitherConverter<1, 8> : nullptr,
            &DitherConverter<2, DeviceBits>,  &DitherConverter<3, DeviceBits>,  &DitherConverter<4, DeviceBits>,
            &DitherConverter<5, DeviceBits>,  &DitherConverter<6, DeviceBits>,  &DitherConverter<7, DeviceBits>,
            &DitherConverter<8, DeviceBits>,  &DitherConverter<12, DeviceBits>, &DitherConverter<16, DeviceBits>,
            &DitherConverter<24, DeviceBits>, &DitherConverter<32, DeviceBits>, &DitherConverter<48, DeviceBits>,
            &DitherConverter<64, DeviceBits>};
}

}  // namespace

extern const ConverterTable kOrderedConverters = {OrderedRow<1>(), OrderedRow<4>(), OrderedRow<8>()};
