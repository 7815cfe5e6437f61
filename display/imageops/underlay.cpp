// Z_UnderlayBitmap: lays a second image under a bitmap like a texture or a
// watermark. The underlay is copied, turned to 8-bit gray, stored in the
// bitmap's view perspective and, when asked, stretched to the bitmap's
// size; every colour channel of every selected pixel then moves by the
// underlay's gray level around 128. Rows travel as 24-bit blue-green-red:
// palette images come back through error diffusion, the others through the
// kernel's row converter, and only the runs inside the bitmap's region are
// stored.
#include <array>
#include <cstdint>

#include "imageops/scratch_guards.h"
#include "zelt/display.h"

namespace {

using imageops::AccessBracket;
using imageops::KernelBlock;
using imageops::ScratchRecord;

static_assert(sizeof(LONG) == sizeof(int), "clip segments are handed to the kernel as ints");

// c + gray - 128 clamped to 0..255, indexed by c + gray (0..510).
constexpr std::array<BYTE, 511> kShiftedChannel = [] {
    std::array<BYTE, 511> table{};
    for (int i = 0; i < 511; ++i) table[static_cast<std::size_t>(i)] = static_cast<BYTE>(i < 128 ? 0 : i > 383 ? 255 : i - 128);
    return table;
}();

// Ends the diffusion that KrnStartDither prepared, once it has started.
class DitherSession {
public:
    DitherSession() = default;
    ~DitherSession() {
        if (record_ != nullptr) KrnStopDither(record_);
    }
    DitherSession(const DitherSession &) = delete;
    DitherSession &operator=(const DitherSession &) = delete;
    int Start(BitmapRecord *record, const RGBQUAD *colors, int colorCount, int bits) {
        if (KrnStartDither(record, colors, colorCount, bits, 0) != STATUS_OK) return STATUS_NO_MEMORY;
        record_ = record;
        return STATUS_OK;
    }

private:
    BitmapRecord *record_ = nullptr;
};

// The underlay as the bitmap needs it: 8-bit gray, in the bitmap's view
// perspective, stretched to the bitmap's stored size when asked.
int PrepareGrayUnderlay(BitmapRecord *gray, const BitmapRecord &underlay, const BitmapRecord &bitmap, bool stretch) {
    int status = KrnCopyBitmap(gray, &underlay);
    if (status == STATUS_OK) status = KrnGrayscaleBitmap(gray, 8);
    if (status == STATUS_OK && gray->ViewPerspective != bitmap.ViewPerspective)
        status = KrnChangePerspective(nullptr, gray, bitmap.ViewPerspective, 0);
    if (status == STATUS_OK && stretch) status = KrnResizeBitmap(gray, bitmap.Width, bitmap.Height, 0);
    return status;
}

// Adds gray[u] - 128 to the three channels of each pixel, the underlay
// columns repeating every grayWidth pixels.
void ShiftChannels(BYTE *row, int width, const BYTE *gray, int grayWidth) {
    for (int x = 0, u = 0; x < width; ++x) {
        const unsigned level = gray[u];
        BYTE *pixel = row + static_cast<std::size_t>(x) * 3;
        pixel[0] = kShiftedChannel[pixel[0] + level];
        pixel[1] = kShiftedChannel[pixel[1] + level];
        pixel[2] = kShiftedChannel[pixel[2] + level];
        if (++u == grayWidth) u = 0;
    }
}

struct RowJob {
    BitmapRecord *bitmap;
    BitmapRecord *gray;
    BitmapRecord *dither;      // null for images without a palette
    const RGBQUAD *colors;     // the palette's colours, or null
    int colorCount;
    BYTE *row;                 // the bitmap's row, converted in place
    BYTE *grayRow;
    LONG *segments;
};

int UnderlayRows(const RowJob &job) {
    BitmapRecord &bitmap = *job.bitmap;
    AccessBracket bitmapAccess(job.bitmap);
    if (!bitmapAccess.IsOpen()) return bitmapAccess.Status();
    AccessBracket grayAccess(job.gray);
    if (!grayAccess.IsOpen()) return grayAccess.Status();

    const int bits = bitmap.BitsPerPixel;
    const int order = bitmap.Order;
    // Deep gray goes through its processing window both ways.
    const UINT convertFlags = order == 2 ? KRN_CONVERT_GRAY | KRN_CONVERT_BIT_WINDOW : 0;
    const RGBQUAD *colors = order == 2 ? nullptr : job.colors;
    const int colorCount = order == 2 ? 0 : job.colorCount;
    const int grayBytes = job.gray->BytesPerLine;
    for (int y = 0, v = 0; y < bitmap.Height; ++y) {
        int got = KrnGetBitmapRow(job.bitmap, job.row, y, static_cast<DWORD>(bitmap.BytesPerLine));
        if (got != bitmap.BytesPerLine) return got < 0 ? got : STATUS_BAD_PARAMETER;
        int status = KrnConvertRowTo24(job.row, job.row, bitmap.Width, bits, order, 24, 1, colors, colorCount,
                                       convertFlags, bitmap.LowBit, bitmap.HighBit);
        if (status != STATUS_OK) return status;
        got = KrnGetBitmapRow(job.gray, job.grayRow, v, static_cast<DWORD>(grayBytes));
        if (got != grayBytes) return got < 0 ? got : STATUS_BAD_PARAMETER;

        ShiftChannels(job.row, bitmap.Width, job.grayRow, job.gray->Width);

        status = job.dither != nullptr
                     ? KrnDitherRow(job.dither, job.row, job.row)
                     : KrnConvertRowTo24(job.row, job.row, bitmap.Width, 24, 1, bits, order, colors, colorCount,
                                         convertFlags, bitmap.LowBit, bitmap.HighBit);
        if (status != STATUS_OK) return status;
        DWORD count = 0;
        status = Z_GetBitmapClipSegments(job.bitmap, y, job.segments, &count);
        // The kernel counts (start, end) pairs; rows the region leaves
        // empty are not stored at all.
        if (status == STATUS_OK && count >= 2)
            status = KrnPutBitmapRowSegments(job.bitmap, job.row, y, 0, reinterpret_cast<const int *>(job.segments),
                                             static_cast<int>(count / 2), 0);
        if (status != STATUS_OK) return status;
        if (++v == job.gray->Height) v = 0;
    }
    return STATUS_OK;
}

}  // namespace

int ZELT_API Z_UnderlayBitmap(BitmapRecord *bitmap, const BitmapRecord *underlay, UINT flags) {
    if (bitmap == nullptr || (bitmap->Flags & BITMAP_ALLOCATED) == 0 || underlay == nullptr ||
        (underlay->Flags & BITMAP_ALLOCATED) == 0)
        return STATUS_NO_BITMAP;
    if (flags != UNDERLAY_TILE && flags != UNDERLAY_STRETCH) return STATUS_BAD_PARAMETER;
    const bool indexed = bitmap->BitsPerPixel <= 8;

    ScratchRecord gray;
    ScratchRecord dither(indexed);
    if (!gray || (indexed && !dither)) return STATUS_NO_MEMORY;
    DWORD segmentCount = 0;
    int status = Z_GetBitmapClipSegmentsMax(bitmap, &segmentCount);
    if (status != STATUS_OK) return status;
    // An empty region needs no room, but a block of no bytes is not asked for.
    KernelBlock segments((static_cast<std::uint64_t>(segmentCount) + 1) * sizeof(LONG));
    if (!segments) return STATUS_NO_MEMORY;

    status = PrepareGrayUnderlay(gray.get(), *underlay, *bitmap, flags == UNDERLAY_STRETCH);
    if (status != STATUS_OK) return status;

    // The row is converted in place, so it holds the wider of the two forms.
    const int wideBits = bitmap->BitsPerPixel > 24 ? bitmap->BitsPerPixel : 24;
    KernelBlock row((static_cast<std::uint64_t>(wideBits) * static_cast<std::uint64_t>(bitmap->Width) + 31) / 32 * 4);
    KernelBlock grayRow(static_cast<std::uint64_t>(gray.get()->BytesPerLine));
    if (!row || !grayRow) return STATUS_NO_MEMORY;

    RGBQUAD colors[256];
    int colorCount = 0;
    DitherSession session;
    if (indexed) {
        colorCount = KrnGetPaletteColors(bitmap->Palette, 0, bitmap->ColorCount < 256 ? bitmap->ColorCount : 256, colors);
        BitmapRecord *record = dither.get();
        if (KrnInitBitmapRecord(record, bitmap->Width, bitmap->Height, 24) != STATUS_OK) return STATUS_NO_MEMORY;
        record->Order = 1;
        status = session.Start(record, colors, colorCount, bitmap->BitsPerPixel);
        if (status != STATUS_OK) return status;
    }
    const RowJob job{bitmap,    gray.get(), indexed ? dither.get() : nullptr, indexed ? colors : nullptr, colorCount,
                     row.get(), grayRow.get(), reinterpret_cast<LONG *>(segments.get())};
    return UnderlayRows(job);
}
