// Helpers about bitmap records shared by the kernel's sources: row sizes,
// the depths the kernel handles, and the record state tests.
#pragma once

#include <cstddef>
#include <cstdint>

#include "zelt/kernel.h"

namespace zelt::kernel {

// The largest image data block the kernel makes: sizes are DWORDs and the
// display library passes them through signed ints.
inline constexpr std::uint64_t kMaxDataBytes = std::uint64_t{1} << 31;

// Depths a record may have.
constexpr bool IsSupportedDepth(int bitsPerPixel) {
    switch (bitsPerPixel) {
    case 1: case 2: case 3: case 4: case 5: case 6: case 7: case 8:
    case 12: case 16: case 24: case 32: case 48: case 64:
        return true;
    default:
        return false;
    }
}

// Bytes of one row: rows start on DWORD boundaries. Computed in 64 bits so
// that huge widths cannot wrap; callers check the result against limits.
constexpr std::int64_t BytesPerLineFor(std::int64_t width, int bitsPerPixel) {
    return ((width * bitsPerPixel + 31) / 32) * 4;
}

// Bytes of image data for width x height pixels, or -1 when it exceeds
// kMaxDataBytes or the arguments are not positive.
constexpr std::int64_t DataBytesFor(std::int64_t width, std::int64_t height, int bitsPerPixel) {
    if (width < 1 || height < 1 || bitsPerPixel < 1) return -1;
    const std::int64_t perLine = BytesPerLineFor(width, bitsPerPixel);
    if (perLine > static_cast<std::int64_t>(kMaxDataBytes)) return -1;
    const std::int64_t total = perLine * height;
    if (total > static_cast<std::int64_t>(kMaxDataBytes)) return -1;
    return total;
}

// True when the record has image data the caller may address.
inline bool RecordIsAllocated(const BitmapRecord *bitmap) {
    return bitmap != nullptr && (bitmap->Flags & BITMAP_ALLOCATED) != 0 && bitmap->Data != nullptr;
}

// Indexed depths carry a palette of 2^bpp entries.
constexpr bool IsPaletteDepth(int bitsPerPixel) { return bitsPerPixel >= 1 && bitsPerPixel <= 8; }

// 12 and 16-bit gray (Order 2) store deep samples with a bit window.
inline bool IsDeepGray(const BitmapRecord *bitmap) {
    return bitmap->BitsPerPixel == 12 || (bitmap->BitsPerPixel == 16 && bitmap->Order == 2);
}

// Address of stored row `row` of an allocated record.
inline BYTE *RowAddress(const BitmapRecord *bitmap, int row) {
    return static_cast<BYTE *>(bitmap->Data) + static_cast<std::size_t>(row) * static_cast<std::size_t>(bitmap->BytesPerLine);
}

}  // namespace zelt::kernel

namespace zelt::kernel {

// Frees what the record owns (by its KernelFlags) and its region, then
// clears it. The same release serves KrnFreeBitmap and KrnReleaseBitmapRecord.
void ReleaseRecordParts(BitmapRecord &record);

// A record under construction: whatever it owns is released when it goes
// out of scope without having been handed over.
class PendingRecord {
public:
    PendingRecord();
    PendingRecord(const PendingRecord &) = delete;
    PendingRecord &operator=(const PendingRecord &) = delete;
    ~PendingRecord();
    // Moves the record to `destination`; nothing is released afterwards.
    void HandOver(BitmapRecord *destination);
    BitmapRecord record;

private:
    bool handedOver_ = false;
};

// Describes an image without data in a cleared record: size, depth, row
// size, Order (forced to 2 at 12 bits) and the level defaults that follow
// from it. BAD_PARAMETER for a bad size or depth, NO_MEMORY when a row
// would not fit a LONG.
int DescribeRecord(BitmapRecord &record, int width, int height, int bitsPerPixel, int order);

// Makes the record own its PaintLut (a copy of the table it points to, or
// the identity) and a copy of a LevelLut it only shares. All or nothing.
int MakeTablesOwned(BitmapRecord &record);

}  // namespace zelt::kernel
