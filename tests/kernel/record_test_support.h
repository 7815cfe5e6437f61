// Helpers shared by the record tests: a pixel oracle written from the
// documented row layout, random images and stand-in region services.
#pragma once

#include <cstdint>
#include <array>
#include <random>

#include "zelt/kernel.h"

namespace zelt::test {

constexpr int kAllDepths[] = {1, 2, 3, 4, 5, 6, 7, 8, 12, 16, 24, 32, 48, 64};

// The bits of pixel x of a row: a big-endian bit stream, except 12-bit
// gray, which is little-endian; whole-byte depths compare their bytes.
inline std::uint64_t PixelBits(const BYTE *row, int x, int bpp) {
    std::uint64_t value = 0;
    const std::size_t first = static_cast<std::size_t>(x) * bpp;
    for (int i = 0; i < bpp; ++i) {
        const std::size_t bit = first + i;
        const unsigned b = bpp == 12 ? (row[bit / 8] >> (bit % 8)) & 1u : (row[bit / 8] >> (7 - bit % 8)) & 1u;
        value |= std::uint64_t{b} << i;
    }
    return value;
}

inline const BYTE *RowOf(const BitmapRecord &bitmap, int row) {
    return static_cast<const BYTE *>(bitmap.Data) + static_cast<std::size_t>(row) * bitmap.BytesPerLine;
}

inline void FillRandom(BitmapRecord &bitmap, std::mt19937 &random) {
    auto *bytes = static_cast<BYTE *>(bitmap.Data);
    for (DWORD i = 0; i < bitmap.DataSize; ++i) bytes[i] = static_cast<BYTE>(random());
}

// Stand-in services: copy, offset and copy-with-offset of rectangle
// regions; just enough of the display library's behaviour to see that the
// kernel calls them as documented.
struct FakeRegionServices {
    static void Register(bool withCopyOffset);
    static void Clear() { KrnRegisterRegionServices(nullptr); }
    static inline int copyOffsetCalls = 0;
    static inline int lastDx = 0, lastDy = 0;
    static inline LONG lastDestinationWidth = 0, lastDestinationHeight = 0;
};

// A region record covering one rectangle, allocated as the display library
// allocates them.
inline RegionRecord *MakeRectRegion(const RECT &bounds) {
    auto *region = static_cast<RegionRecord *>(KrnAllocZeroed(sizeof(RegionRecord)));
    if (region == nullptr) return nullptr;
    const LONG rows = bounds.bottom - bounds.top;
    region->Bounds = bounds;
    region->RowTableBytes = static_cast<DWORD>(rows) * sizeof(RowEntry);
    region->RunBytes = 2 * sizeof(LONG);
    region->RowTable = static_cast<RowEntry *>(KrnAllocZeroed(region->RowTableBytes));
    region->RunData = static_cast<LONG *>(KrnAllocMem(region->RunBytes));
    if (region->RowTable == nullptr || region->RunData == nullptr) {
        KrnFreeRegion(region);
        return nullptr;
    }
    // Every row shares the one pair; enough for these tests.
    for (LONG r = 0; r < rows; ++r) region->RowTable[r] = RowEntry{2, 0};
    region->RunData[0] = bounds.left;
    region->RunData[1] = bounds.right;
    return region;
}

namespace fake_region {

inline int ZELT_API CopyRegion(RegionRecord **destination, RegionRecord *source) {
    if (destination == nullptr) return STATUS_BAD_PARAMETER;
    *destination = nullptr;
    if (source == nullptr) return STATUS_OK;
    *destination = MakeRectRegion(source->Bounds);
    return *destination != nullptr ? STATUS_OK : STATUS_NO_MEMORY;
}

inline int ZELT_API OffsetRegion(RegionRecord *region, int dx, int dy) {
    if (region == nullptr) return STATUS_BAD_PARAMETER;
    region->Bounds.left += dx;
    region->Bounds.right += dx;
    region->Bounds.top += dy;
    region->Bounds.bottom += dy;
    region->RunData[0] += dx;
    region->RunData[1] += dx;
    return STATUS_OK;
}

inline int ZELT_API CopyRegionOffset(BitmapRecord *destination, BitmapRecord *source, int dx, int dy) {
    ++FakeRegionServices::copyOffsetCalls;
    FakeRegionServices::lastDx = dx;
    FakeRegionServices::lastDy = dy;
    FakeRegionServices::lastDestinationWidth = destination->Width;
    FakeRegionServices::lastDestinationHeight = destination->Height;
    destination->Region = nullptr;
    if (source->Region == nullptr) return STATUS_OK;
    RegionRecord *copy = nullptr;
    const int status = CopyRegion(&copy, source->Region);
    if (status != STATUS_OK) return status;
    OffsetRegion(copy, dx, dy);
    destination->Region = copy;
    return STATUS_OK;
}

}  // namespace fake_region

inline void FakeRegionServices::Register(bool withCopyOffset) {
    std::array<KRNSERVICEPROC, KRN_REGION_SERVICE_COUNT> table{};
    table[KRN_RGN_COPY] = reinterpret_cast<KRNSERVICEPROC>(fake_region::CopyRegion);
    table[KRN_RGN_OFFSET_RECORD] = reinterpret_cast<KRNSERVICEPROC>(fake_region::OffsetRegion);
    if (withCopyOffset) table[KRN_RGN_COPY_OFFSET] = reinterpret_cast<KRNSERVICEPROC>(fake_region::CopyRegionOffset);
    KrnRegisterRegionServices(table.data());
    copyOffsetCalls = 0;
}


}  // namespace zelt::test
