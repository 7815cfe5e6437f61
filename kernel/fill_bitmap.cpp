// KrnFillBitmap: one colour over the whole image or over the runs of its
// region. The colour is encoded once as a stored pixel and repeated across
// a pattern row in the image's own layout; each image row (or each run of a
// region row) is then a copy out of that pattern, a memcpy for whole-byte
// depths and a bit copy for packed ones.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <numeric>

#include "memory_internal.h"
#include "pixel_formats.h"
#include "record_internal.h"
#include "region_internal.h"

namespace zelt::kernel {
namespace {

static_assert(sizeof(LONG) == sizeof(int), "region runs are handed on as int segments");

// Colours with this top byte name a palette index in their low byte.
constexpr DWORD kPaletteIndexTag = 0x01000000u;

// The palette entry nearest to `color` (squared RGB distance, first wins);
// 0 when the bitmap has no entries.
std::uint64_t NearestPaletteIndex(BitmapRecord &bitmap, COLORREF color) {
    RGBQUAD colors[256];
    const int wanted = std::clamp<int>(bitmap.ColorCount, 0, 1 << bitmap.BitsPerPixel);
    const int count = KrnGetBitmapColors(&bitmap, 0, wanted, colors);
    const int red = GetRValue(color), green = GetGValue(color), blue = GetBValue(color);
    int best = 0;
    long bestDistance = -1;
    for (int i = 0; i < count; ++i) {
        const long dr = colors[i].rgbRed - red, dg = colors[i].rgbGreen - green, db = colors[i].rgbBlue - blue;
        const long distance = dr * dr + dg * dg + db * db;
        if (bestDistance < 0 || distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    return static_cast<std::uint64_t>(best);
}

// The stored value of one pixel of `color`. Deep layouts go through the row
// converter from 24 bits, so a fill stores exactly what converting a row of
// that colour would store (gray through the image's bit window, so that
// reading it back gives the colour's luminance).
std::uint64_t EncodeColor(BitmapRecord &bitmap, const PixelFormat &format, COLORREF color) {
    if (format.indexed) {
        if ((color & 0xFF000000u) == kPaletteIndexTag) return color & 0xFFu;
        return NearestPaletteIndex(bitmap, color);
    }
    const BYTE blueFirst[3] = {GetBValue(color), GetGValue(color), GetRValue(color)};
    BYTE pixel[8] = {};
    const UINT flags = format.gray ? KRN_CONVERT_GRAY | KRN_CONVERT_BIT_WINDOW : 0;
    KrnConvertRowTo24(pixel, blueFirst, 1, 24, 1, bitmap.BitsPerPixel, bitmap.Order, nullptr, 0, flags,
                      bitmap.LowBit, bitmap.HighBit);
    return format.readPixel(pixel, 0);
}

// Fills `bytes` bytes of `row` with pixels of `value`: the smallest whole
// number of bytes that holds whole pixels is written once, then doubled.
void RepeatPixel(BYTE *row, DWORD bytes, const PixelFormat &format, std::uint64_t value) {
    const int bits = format.bitsPerPixel;
    const int pixels = 8 / std::gcd(bits, 8);
    const DWORD period = static_cast<DWORD>(pixels * bits / 8);  // at most 8 bytes
    BYTE unit[8] = {};
    for (int x = 0; x < pixels; ++x) format.writePixel(unit, x, value);
    DWORD filled = std::min(period, bytes);
    std::memcpy(row, unit, filled);
    while (filled < bytes) {
        const DWORD chunk = std::min(filled, bytes - filled);
        std::memcpy(row + filled, row, chunk);
        filled += chunk;
    }
}

int FillWholeImage(BitmapRecord &bitmap, const BYTE *pattern) {
    const int whole[2] = {0, bitmap.Width};
    for (int y = 0; y < bitmap.Height; ++y) {
        const int status = KrnPutBitmapRowSegments(&bitmap, pattern, y, 0, whole, 1, 0);
        if (status != STATUS_OK) return status;
    }
    return STATUS_OK;
}

// Copies the pattern into the runs of every region row inside the image;
// runs are clipped to the image's columns by the segment writer.
int FillRegionRuns(BitmapRecord &bitmap, const RegionRecord &region, LONG rows, const BYTE *pattern) {
    const LONG top = region.Bounds.top;
    const LONG first = std::max<LONG>(top, 0);
    const LONG last = std::min<LONG>(top + rows, bitmap.Height);
    for (LONG y = first; y < last; ++y) {
        const RowEntry &entry = region.RowTable[y - top];
        const int pairs = static_cast<int>(entry.Count / 2);
        if (pairs == 0) continue;
        const auto *segments = reinterpret_cast<const int *>(region.RunData + entry.Offset / sizeof(LONG));
        const int status = KrnPutBitmapRowSegments(&bitmap, pattern, y, 0, segments, pairs, 0);
        if (status != STATUS_OK) return status;
    }
    return STATUS_OK;
}

}  // namespace
}  // namespace zelt::kernel

using namespace zelt::kernel;

extern "C" int ZELT_API KrnFillBitmap(BitmapRecord *bitmap, COLORREF color) {
    if (!RecordIsAllocated(bitmap)) return STATUS_NO_BITMAP;
    const PixelFormat *format = FormatOf(bitmap);
    if (format == nullptr || bitmap->Width < 1 || bitmap->Height < 1) return STATUS_BAD_PARAMETER;

    const RegionRecord *region = bitmap->Region;
    const LONG regionRows = region != nullptr ? CheckedRegionRows(*region) : 0;
    if (regionRows < 0) return STATUS_BAD_PARAMETER;

    const DWORD rowBytes = static_cast<DWORD>(bitmap->BytesPerLine);
    auto pattern = AllocBlock<BYTE>(rowBytes);
    if (!pattern) return STATUS_NO_MEMORY;
    RepeatPixel(pattern.get(), rowBytes, *format, EncodeColor(*bitmap, *format, color));

    if (region == nullptr) return FillWholeImage(*bitmap, pattern.get());
    return FillRegionRuns(*bitmap, *region, regionRows, pattern.get());
}
