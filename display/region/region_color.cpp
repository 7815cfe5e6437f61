// Colour regions: every pixel of one colour (or one palette index) becomes
// selected. One pass over the rows with one row buffer; the row matcher is
// picked once per call from the depth, never switched on per pixel.
#include <algorithm>
#include <cstring>

#include "region/region_internal.h"

namespace zelt::region {

namespace {

// What a row is matched against: a palette index for packed rows, the
// blue, green, red bytes for rows converted to 24 bits.
struct ColorTarget {
    DWORD index = 0;
    BYTE bgr[3] = {};
};

using RowMatcher = void (*)(const BYTE *row, LONG width, const ColorTarget &target, RegionBuilder &builder);

// Appends the runs of consecutive pixels for which matches(x) holds.
template <typename Matches>
void AppendMatchingRuns(LONG width, RegionBuilder &builder, Matches matches) {
    LONG x = 0;
    while (x < width) {
        while (x < width && !matches(x)) ++x;
        const LONG start = x;
        while (x < width && matches(x)) ++x;
        if (x > start) AppendRun(builder, start, x);
    }
}

// Packed indices of 2 to 8 bits, most significant bits first; 3, 5, 6 and
// 7-bit pixels may straddle two bytes (the row buffer is whole DWORDs, so
// the second byte is always there).
template <int Bits>
void MatchPackedRow(const BYTE *row, LONG width, const ColorTarget &target, RegionBuilder &builder) {
    constexpr DWORD kMask = (1u << Bits) - 1;
    const DWORD wanted = target.index;
    AppendMatchingRuns(width, builder, [&](LONG x) {
        const size_t bit = size_t(x) * Bits;
        const BYTE *at = row + bit / 8;
        const int offset = int(bit & 7);
        if (offset + Bits <= 8) return ((DWORD(at[0]) >> (8 - offset - Bits)) & kMask) == wanted;
        const DWORD word = (DWORD(at[0]) << 8) | at[1];
        return ((word >> (16 - offset - Bits)) & kMask) == wanted;
    });
}

// One-bit rows go a byte at a time where a byte is all in or all out: masks
// and the magic wand's selection bitmaps are mostly such bytes.
void MatchBitRow(const BYTE *row, LONG width, const ColorTarget &target, RegionBuilder &builder) {
    const BYTE flip = target.index != 0 ? 0x00 : 0xFF;  // after it, 1 bits are matches
    LONG runStart = -1;
    for (LONG x = 0; x < width;) {
        const BYTE bits = BYTE(row[x >> 3] ^ flip);
        const bool aligned = (x & 7) == 0 && x + 8 <= width;
        if (aligned && bits == 0x00) {
            if (runStart >= 0) AppendRun(builder, runStart, x);
            runStart = -1;
            x += 8;
            continue;
        }
        if (aligned && bits == 0xFF) {
            if (runStart < 0) runStart = x;
            x += 8;
            continue;
        }
        const bool on = (bits & (0x80 >> (x & 7))) != 0;
        if (on && runStart < 0) runStart = x;
        if (!on && runStart >= 0) {
            AppendRun(builder, runStart, x);
            runStart = -1;
        }
        ++x;
    }
    if (runStart >= 0) AppendRun(builder, runStart, width);
}

void MatchByteRow(const BYTE *row, LONG width, const ColorTarget &target, RegionBuilder &builder) {
    const BYTE wanted = BYTE(target.index);
    AppendMatchingRuns(width, builder, [&](LONG x) { return row[x] == wanted; });
}

// Rows converted to blue, green, red bytes.
void MatchBgrRow(const BYTE *row, LONG width, const ColorTarget &target, RegionBuilder &builder) {
    const BYTE b = target.bgr[0], g = target.bgr[1], r = target.bgr[2];
    AppendMatchingRuns(width, builder, [&](LONG x) {
        const BYTE *p = row + size_t(x) * 3;
        return p[0] == b && p[1] == g && p[2] == r;
    });
}

RowMatcher PackedMatcher(LONG bitsPerPixel) {
    switch (bitsPerPixel) {
    case 1: return MatchBitRow;
    case 2: return MatchPackedRow<2>;
    case 3: return MatchPackedRow<3>;
    case 4: return MatchPackedRow<4>;
    case 5: return MatchPackedRow<5>;
    case 6: return MatchPackedRow<6>;
    case 7: return MatchPackedRow<7>;
    default: return MatchByteRow;
    }
}

// The palette index `color` names on a packed bitmap: an explicit index
// (top byte 0x01), else the first entry with its red, green and blue, else
// ColorCount (no pixel can match).
DWORD TargetIndex(BitmapRecord &bitmap, COLORREF color) {
    if ((color >> 24) == 0x01) return color & ((1u << bitmap.BitsPerPixel) - 1);
    RGBQUAD colors[256];
    const int count = KrnGetBitmapColors(&bitmap, 0, std::clamp<int>(bitmap.ColorCount, 0, 256), colors);
    for (int i = 0; i < count; ++i) {
        if (colors[i].rgbRed == GetRValue(color) && colors[i].rgbGreen == GetGValue(color) &&
            colors[i].rgbBlue == GetBValue(color)) {
            return DWORD(i);
        }
    }
    return DWORD(std::max<LONG>(bitmap.ColorCount, 0));
}

// How deep rows become 24-bit blue, green, red in place: gray images pass
// through their bit window and, while level processing is on, their level
// table, exactly as their pixels are reported one by one.
struct DeepConversion {
    const RGBQUAD *levels = nullptr;
    int levelCount = 0;
    UINT flags = 0;
};

DeepConversion DeepConversionOf(const BitmapRecord &bitmap) {
    DeepConversion conversion;
    const bool gray = bitmap.Order == 2 || bitmap.BitsPerPixel == 12;
    if (!gray) return conversion;
    conversion.flags = KRN_CONVERT_GRAY | KRN_CONVERT_BIT_WINDOW;
    if ((bitmap.Flags & BITMAP_LEVEL_PROCESSING) != 0 && bitmap.LevelLut != nullptr) {
        conversion.levels = bitmap.LevelLut;
        conversion.levelCount = int(bitmap.LevelLutLength);
    }
    return conversion;
}

// Walks every row into the builder inside an access bracket.
int MatchRows(BitmapRecord &bitmap, BYTE *row, DWORD rowBytes, RowMatcher matcher, const ColorTarget &target,
              RegionBuilder &builder) {
    const bool deep = bitmap.BitsPerPixel > 8;
    const DeepConversion conversion = DeepConversionOf(bitmap);
    const int token = KrnAccessBitmap(&bitmap);
    if (token < 1) return token;
    int status = STATUS_OK;
    for (LONG y = 0; y < bitmap.Height && status == STATUS_OK; ++y) {
        const int copied = KrnGetBitmapRow(&bitmap, row, y, rowBytes);
        if (copied < 0) {
            status = copied;
            break;
        }
        if (deep) {
            status = KrnConvertRowTo24(row, row, bitmap.Width, bitmap.BitsPerPixel, bitmap.Order, 24, 1,
                                       conversion.levels, conversion.levelCount, conversion.flags, bitmap.LowBit,
                                       bitmap.HighBit);
            if (status != STATUS_OK) break;
        }
        matcher(row, bitmap.Width, target, builder);
        status = EndRegionRow(builder);
    }
    KrnReleaseBitmapAccess(&bitmap, token);
    return status;
}

}  // namespace

int ZELT_API SetBitmapRgnColorInt(BitmapRecord *bitmap, COLORREF color, int mode) {
    if (bitmap == nullptr || (bitmap->Flags & BITMAP_ALLOCATED) == 0) return STATUS_NO_BITMAP;
    const bool deep = bitmap->BitsPerPixel > 8;

    ColorTarget target;
    RowMatcher matcher = MatchBgrRow;
    bool anyMatch = true;
    if (deep) {
        target.bgr[0] = GetBValue(color);
        target.bgr[1] = GetGValue(color);
        target.bgr[2] = GetRValue(color);
    } else {
        target.index = TargetIndex(*bitmap, color);
        matcher = PackedMatcher(bitmap->BitsPerPixel);
        anyMatch = LONG(target.index) < bitmap->ColorCount;
    }

    const DWORD rowBytes = deep ? KrnGetRowBufferSize(bitmap->Width, bitmap->BitsPerPixel, bitmap->Width, 24)
                                : DWORD(bitmap->BytesPerLine);
    BYTE *row = static_cast<BYTE *>(KrnAllocMem(rowBytes));
    if (row == nullptr) return STATUS_NO_MEMORY;

    RegionBuilder builder;
    int status = BeginRegion(builder, RECT{0, 0, bitmap->Width, bitmap->Height});
    if (status == STATUS_OK) {
        if (anyMatch) {
            status = MatchRows(*bitmap, row, rowBytes, matcher, target, builder);
        } else {
            for (LONG y = 0; y < bitmap->Height && status == STATUS_OK; ++y) status = EndRegionRow(builder);
        }
        // A failed row end has freed the record and cleared the builder;
        // any other failure leaves the record to us.
        if (status != STATUS_OK && builder.record != nullptr) KrnFreeRegion(builder.record);
    }
    KrnFreeMem(row);
    if (status != STATUS_OK) return status;
    return CombineBitmapRgn(bitmap, nullptr, FinishRegion(builder), mode);
}

}  // namespace zelt::region

using namespace zelt::region;

int ZELT_API Z_SetBitmapRgnColor(BitmapRecord *bitmap, COLORREF color, int mode) {
    return SetBitmapRgnColorInt(bitmap, color, mode);
}
