// Gray rows for halftoning: one reader per stored layout, picked once per
// bitmap from a table by depth and Order, each writing one gray byte per
// pixel. Palette images look their indices up in a table of palette grays
// made once per colour; deep gray samples pass through the processing
// window (LowBit..HighBit) and, with level processing on, the level table.
#include <iterator>

#include "imageops/halftone.h"
#include "paint/source_pixels.h"

namespace halftone {
namespace {

using paint_pixels::ChannelLayout;
using paint_pixels::IndexAt;
using paint_pixels::Sample12At;
using paint_pixels::Sample16At;
using paint_pixels::SampleFetch;
using paint_pixels::Widen5;

template <int Bits>
void ReadPaletteRow(BYTE *gray, const BYTE *row, int width, const GrayContext &context) {
    for (int x = 0; x < width; ++x) gray[x] = context.paletteGray[IndexAt<Bits>(row, x)];
}

// Deep gray: the windowed sample indexes the level table (held at its last
// entry past its end), or is itself the level, raised to 8 bits when the
// window is narrower.
template <SampleFetch Fetch>
void ReadDeepGrayRow(BYTE *gray, const BYTE *row, int width, const GrayContext &context) {
    const DWORD mask = context.windowMask;
    const int shift = context.windowShift;
    if (context.levels != nullptr) {
        const RGBQUAD *levels = context.levels;
        const DWORD last = context.lastLevel;
        for (int x = 0; x < width; ++x) {
            const DWORD v = (Fetch(row, x) >> shift) & mask;
            const RGBQUAD &entry = levels[v < last ? v : last];
            gray[x] = GrayOf(entry.rgbRed, entry.rgbGreen, entry.rgbBlue);
        }
        return;
    }
    const int raise = context.windowRaise;
    for (int x = 0; x < width; ++x) gray[x] = static_cast<BYTE>(((Fetch(row, x) >> shift) & mask) << raise);
}

// 5-5-5 in a little-endian word; BlueFirst: blue in bits 0-4, red in 10-14.
template <bool BlueFirst>
void Read555Row(BYTE *gray, const BYTE *row, int width, const GrayContext &) {
    for (int x = 0; x < width; ++x) {
        const unsigned word = Sample16At(row, x);
        const int low = Widen5(word & 31), middle = Widen5((word >> 5) & 31), high = Widen5((word >> 10) & 31);
        gray[x] = BlueFirst ? GrayOf(high, middle, low) : GrayOf(low, middle, high);
    }
}

// Byte channels (the high byte of 16-bit channels at 48 and 64 bits).
template <int Bits, bool BlueFirst>
void ReadDirectRow(BYTE *gray, const BYTE *row, int width, const GrayContext &) {
    using Layout = ChannelLayout<Bits>;
    const BYTE *pixel = row;
    for (int x = 0; x < width; ++x, pixel += Layout::kStride) {
        const unsigned first = pixel[Layout::kFirst], middle = pixel[Layout::kMiddle], last = pixel[Layout::kLast];
        gray[x] = BlueFirst ? GrayOf(last, middle, first) : GrayOf(first, middle, last);
    }
}

// Which Order values an entry serves.
enum class OrderMatch { Any, Gray, BlueFirst, RedFirst };

struct ReaderEntry {
    int bits;
    OrderMatch order;
    GrayRowReader read;
};

// The first matching entry wins. 12-bit samples are gray whatever Order
// says (the kernel stores them so); at 16 bits Order 2 means gray, and the
// 5-5-5 and byte-channel layouts read red first for every Order but 1.
constexpr ReaderEntry kReaders[] = {
    {1, OrderMatch::Any, &ReadPaletteRow<1>},
    {2, OrderMatch::Any, &ReadPaletteRow<2>},
    {3, OrderMatch::Any, &ReadPaletteRow<3>},
    {4, OrderMatch::Any, &ReadPaletteRow<4>},
    {5, OrderMatch::Any, &ReadPaletteRow<5>},
    {6, OrderMatch::Any, &ReadPaletteRow<6>},
    {7, OrderMatch::Any, &ReadPaletteRow<7>},
    {8, OrderMatch::Any, &ReadPaletteRow<8>},
    {12, OrderMatch::Any, &ReadDeepGrayRow<&Sample12At>},
    {16, OrderMatch::Gray, &ReadDeepGrayRow<&Sample16At>},
    {16, OrderMatch::BlueFirst, &Read555Row<true>},
    {16, OrderMatch::RedFirst, &Read555Row<false>},
    {24, OrderMatch::BlueFirst, &ReadDirectRow<24, true>},
    {24, OrderMatch::RedFirst, &ReadDirectRow<24, false>},
    {32, OrderMatch::BlueFirst, &ReadDirectRow<32, true>},
    {32, OrderMatch::RedFirst, &ReadDirectRow<32, false>},
    {48, OrderMatch::BlueFirst, &ReadDirectRow<48, true>},
    {48, OrderMatch::RedFirst, &ReadDirectRow<48, false>},
    {64, OrderMatch::BlueFirst, &ReadDirectRow<64, true>},
    {64, OrderMatch::RedFirst, &ReadDirectRow<64, false>},
};

constexpr bool Matches(OrderMatch match, int order) {
    switch (match) {
    case OrderMatch::Any: return true;
    case OrderMatch::Gray: return order == 2;
    case OrderMatch::BlueFirst: return order == 1;
    case OrderMatch::RedFirst: return order != 1;
    }
    return false;
}

bool IsDeepGray(int bitsPerPixel, int order) { return bitsPerPixel == 12 || (bitsPerPixel == 16 && order == 2); }

}  // namespace

GrayRowReader SelectGrayRowReader(int bitsPerPixel, int order) {
    for (const ReaderEntry &entry : kReaders)
        if (entry.bits == bitsPerPixel && Matches(entry.order, order)) return entry.read;
    return nullptr;
}

void PrepareGrayContext(const BitmapRecord &bitmap, const RGBQUAD *colors, int colorCount, GrayContext &context) {
    context = GrayContext{};
    if (bitmap.BitsPerPixel <= 8) {
        const int count = colorCount < int(std::size(context.paletteGray)) ? colorCount : int(std::size(context.paletteGray));
        for (int i = 0; i < count; ++i)
            context.paletteGray[i] = GrayOf(colors[i].rgbRed, colors[i].rgbGreen, colors[i].rgbBlue);
        return;
    }
    if (!IsDeepGray(bitmap.BitsPerPixel, bitmap.Order)) return;
    const bool useLevels = bitmap.LevelLut != nullptr && bitmap.LevelLutLength != 0 &&
                           (bitmap.Flags & BITMAP_LEVEL_PROCESSING) != 0;
    const int maxBits = useLevels ? bitmap.BitsPerPixel : 8;
    const int count = KrnGetBitWindow(bitmap.BitsPerPixel, maxBits, bitmap.LowBit, bitmap.HighBit,
                                      &context.windowMask, &context.windowShift);
    if (useLevels) {
        context.levels = bitmap.LevelLut;
        context.lastLevel = bitmap.LevelLutLength - 1;
    } else if (context.windowMask < 0xFF) {
        context.windowRaise = 8 - count;
    }
}

}  // namespace halftone
