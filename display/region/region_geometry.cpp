// Moving, flipping, mirroring, scaling and clipping a region record. Offset
// and the flips rewrite the record where it lies; scaling and clipping
// build a new record and move it into the old one, so the record keeps its
// address either way.
#include <algorithm>
#include <cstdint>
#include <utility>

#include "region/region_box_limits.h"
#include "region/region_internal.h"

namespace zelt::region {

namespace {

bool HasRows(const RegionRecord &region) {
    return region.Bounds.bottom > region.Bounds.top && region.RowTable != nullptr;
}

// 32-bit addition that wraps like the machine does instead of overflowing.
LONG WrappingAdd(LONG a, LONG b) { return LONG(int32_t(uint32_t(a) + uint32_t(b))); }
LONG WrappingSub(LONG a, LONG b) { return LONG(int32_t(uint32_t(a) - uint32_t(b))); }

// Scaling up, (v * num + den - 1) / den, in 32-bit arithmetic: the
// intermediate wraps as a 32-bit product would, but is formed in 64 bits so
// that the wrap is defined.
LONG ScaleUpWrapping(LONG v, LONG num, LONG den) {
    const int64_t wide = int64_t(v) * int64_t(num) + int64_t(den) - 1;
    const int32_t wrapped = int32_t(uint32_t(uint64_t(wide)));
    if (den == -1) return LONG(int32_t(0u - uint32_t(wrapped)));  // INT_MIN / -1 wraps to INT_MIN
    return LONG(wrapped / den);
}

// Reverses values[0..count) in place.
void ReverseValues(LONG *values, DWORD count) { std::reverse(values, values + count); }

}  // namespace

int ZELT_API OffsetRgnRecord(RegionRecord *region, int dx, int dy) {
    if (region == nullptr) return STATUS_BAD_PARAMETER;
    if (dx == 0 && dy == 0) return STATUS_OK;
    DropRegionCaches(*region);
    // An empty record stays at (0, 0, 0, 0) wherever it is moved.
    if (!HasRows(*region)) return STATUS_OK;
    if (dy != 0) {
        region->Bounds.top = WrappingAdd(region->Bounds.top, dy);
        region->Bounds.bottom = WrappingAdd(region->Bounds.bottom, dy);
    }
    if (dx != 0) {
        const DWORD values = region->RunBytes / sizeof(LONG);
        for (DWORD i = 0; i < values; ++i) region->RunData[i] = WrappingAdd(region->RunData[i], dx);
        region->Bounds.left = WrappingAdd(region->Bounds.left, dx);
        region->Bounds.right = WrappingAdd(region->Bounds.right, dx);
    }
    return STATUS_OK;
}

int ZELT_API FlipRgnRecordVert(RegionRecord *region, int height) {
    if (region == nullptr) return STATUS_BAD_PARAMETER;
    DropRegionCaches(*region);
    if (!HasRows(*region)) return STATUS_OK;

    // Reverse the row order of the run data too, so that rows stay stored
    // one after another in row order: reverse all values, then turn each
    // row's values back around.
    const DWORD rows = region->RowTableBytes / sizeof(RowEntry);
    RowEntry *table = region->RowTable;
    std::reverse(table, table + rows);
    ReverseValues(region->RunData, region->RunBytes / sizeof(LONG));
    DWORD offset = 0;
    for (DWORD i = 0; i < rows; ++i) {
        if (table[i].Count == 0) continue;
        table[i].Offset = offset;
        ReverseValues(region->RunData + offset / sizeof(LONG), table[i].Count);
        offset += table[i].Count * DWORD(sizeof(LONG));
    }

    const LONG rowsHigh = region->Bounds.bottom - region->Bounds.top;
    region->Bounds.top = WrappingSub(height, region->Bounds.bottom);
    region->Bounds.bottom = WrappingAdd(region->Bounds.top, rowsHigh);
    return STATUS_OK;
}

int ZELT_API FlipBitmapRgnVert(BitmapRecord *bitmap) {
    if (bitmap == nullptr) return STATUS_NO_BITMAP;
    if (bitmap->Region == nullptr) return STATUS_OK;
    return FlipRgnRecordVert(bitmap->Region, bitmap->Height);
}

int ZELT_API FlipBitmapRgnHorz(BitmapRecord *bitmap) {
    if (bitmap == nullptr) return STATUS_NO_BITMAP;
    RegionRecord *region = bitmap->Region;
    if (region == nullptr) return STATUS_OK;
    DropRegionCaches(*region);
    if (!HasRows(*region)) return STATUS_OK;

    const LONG width = bitmap->Width;
    const DWORD rows = region->RowTableBytes / sizeof(RowEntry);
    for (DWORD i = 0; i < rows; ++i) {
        const RowEntry &entry = region->RowTable[i];
        if (entry.Count == 0) continue;
        // Reversing the row's values turns each (s, e) into (e, s) in
        // mirrored order; mirroring each value then gives (W - e, W - s).
        LONG *values = region->RunData + entry.Offset / sizeof(LONG);
        ReverseValues(values, entry.Count);
        for (DWORD k = 0; k < entry.Count; ++k) values[k] = WrappingSub(width, values[k]);
    }
    const LONG boxWidth = region->Bounds.right - region->Bounds.left;
    region->Bounds.left = WrappingSub(width, region->Bounds.right);
    region->Bounds.right = WrappingAdd(region->Bounds.left, boxWidth);
    return STATUS_OK;
}

int ScaleRgnRecord(RegionRecord *region, LONG xNum, LONG xDen, LONG yNum, LONG yDen) {
    if (region == nullptr || xDen == 0 || yDen == 0) return STATUS_BAD_PARAMETER;
    if (xNum == xDen && yNum == yDen) return STATUS_OK;

    const RECT &old = region->Bounds;
    const RECT box{ScaleUpWrapping(old.left, xNum, xDen), ScaleUpWrapping(old.top, yNum, yDen),
                   ScaleUpWrapping(old.right, xNum, xDen), ScaleUpWrapping(old.bottom, yNum, yDen)};
    if (IsRectEmpty(box)) {
        MakeRegionEmpty(*region);
        return STATUS_OK;
    }
    if (!BoxFitsBuilder(box)) return STATUS_NO_MEMORY;

    RegionBuilder builder;
    int status = BeginRegion(builder, box);
    if (status != STATUS_OK) return status;
    // Scaled values are kept inside the new box and never step backwards,
    // so that even a scale whose products wrap writes no more than the
    // builder's largest row and exactly one row per row of the box.
    LONG nextRow = box.top;
    for (LONG y = old.top; y < old.bottom && nextRow < box.bottom; ++y) {
        const LONG rowEnd = std::min(ScaleUpWrapping(y + 1, yNum, yDen), box.bottom);
        if (rowEnd <= nextRow) continue;
        const RowRuns source = RowOf(*region, y);
        for (; nextRow < rowEnd; ++nextRow) {
            LONG runStart = 0, runEnd = 0;
            bool started = false;
            for (DWORD k = 0; k + 1 < source.count; k += 2) {
                LONG start = std::clamp(ScaleUpWrapping(source.values[k], xNum, xDen), box.left, box.right);
                LONG end = std::clamp(ScaleUpWrapping(source.values[k + 1], xNum, xDen), box.left, box.right);
                if (started && start < runEnd) start = runEnd;
                if (end < start) end = start;
                if (start != runEnd || !started) {
                    if (runEnd > runStart) AppendRun(builder, runStart, runEnd);
                    runStart = start;
                    started = true;
                }
                runEnd = end;
            }
            if (runEnd > runStart) AppendRun(builder, runStart, runEnd);
            status = EndRegionRow(builder);
            if (status != STATUS_OK) return status;
        }
    }
    // Rows of the box no source row reached (only when the products wrap).
    for (; nextRow < box.bottom; ++nextRow) {
        status = EndRegionRow(builder);
        if (status != STATUS_OK) return status;
    }
    ReplaceRegionInPlace(*region, FinishRegion(builder));
    return STATUS_OK;
}

int ClipRgnRecord(RegionRecord *region, const RECT *clip) {
    if (region == nullptr || clip == nullptr) return STATUS_BAD_PARAMETER;
    const RECT &bounds = region->Bounds;
    const RECT box{std::max(bounds.left, clip->left), std::max(bounds.top, clip->top),
                   std::min(bounds.right, clip->right), std::min(bounds.bottom, clip->bottom)};
    if (IsRectEmpty(box)) {
        MakeRegionEmpty(*region);
        return STATUS_OK;
    }
    if (box.left == bounds.left && box.top == bounds.top && box.right == bounds.right && box.bottom == bounds.bottom) {
        return STATUS_OK;
    }

    RegionBuilder builder;
    int status = BeginRegion(builder, box);
    if (status != STATUS_OK) return status;
    for (LONG y = box.top; y < box.bottom; ++y) {
        const RowRuns row = RowOf(*region, y);
        for (DWORD k = 0; k + 1 < row.count; k += 2) {
            const LONG start = std::max(row.values[k], box.left);
            const LONG end = std::min(row.values[k + 1], box.right);
            if (start < end) AppendRun(builder, start, end);
            if (row.values[k + 1] >= box.right) break;
        }
        status = EndRegionRow(builder);
        if (status != STATUS_OK) return status;
    }
    ReplaceRegionInPlace(*region, FinishRegion(builder));
    return STATUS_OK;
}

}  // namespace zelt::region
