// GDI regions of a bitmap's selection in display coordinates: building one
// from the run list, and the copy cached in the region record.
//
// Building joins one small region per row by balanced pairwise merging, so
// every CombineRgn joins two regions of similar size instead of adding rows
// one at a time to an ever larger region. The merge tree is walked with an
// explicit stack in one heap block; a frame's finished region goes into its
// parent frame, so on failure every region still held is found on the stack.
#include <bit>
#include <cstdint>
#include <limits>

#include "region/region_internal.h"

namespace zelt::region {

namespace {

// One node of the merge tree: the rows [firstRow, endRow), whose region is
// delivered to *deliverTo. A split frame waits for its upper and lower
// halves and then joins them.
struct MergeFrame {
    LONG firstRow;
    LONG endRow;
    HRGN upper;
    HRGN lower;
    HRGN *deliverTo;
    bool split;
};

void DeleteRegion(HRGN &region) {
    if (region != nullptr) DeleteObject(region);
    region = nullptr;
}

// The region of one row: each run mapped to display space on its own and
// the pieces joined.
int BuildRowRegion(const BitmapRecord *bitmap, const RegionRecord &region, const RegionXForm *xform, LONG row,
                   HRGN *out) {
    HRGN rowRegion = CreateRectRgn(0, 0, 0, 0);
    if (rowRegion == nullptr) return STATUS_NO_MEMORY;
    HRGN piece = nullptr;
    int status = STATUS_OK;
    const RowRuns runs = RowOf(region, row);
    for (DWORD i = 0; i + 1 < runs.count; i += 2) {
        RECT rect{runs.values[i], row, runs.values[i + 1], row + 1};
        status = BitmapRectToDisplay(bitmap, xform, &rect);
        if (status != STATUS_OK) break;
        // The first run is set straight into the (still empty) row region.
        if (i == 0) {
            if (!SetRectRgn(rowRegion, rect.left, rect.top, rect.right, rect.bottom)) status = STATUS_NO_MEMORY;
        } else {
            if (piece == nullptr) piece = CreateRectRgn(0, 0, 0, 0);
            if (piece == nullptr || !SetRectRgn(piece, rect.left, rect.top, rect.right, rect.bottom) ||
                CombineRgn(rowRegion, rowRegion, piece, RGN_OR) == ERROR) {
                status = STATUS_NO_MEMORY;
            }
        }
        if (status != STATUS_OK) break;
    }
    DeleteRegion(piece);
    if (status != STATUS_OK) {
        DeleteRegion(rowRegion);
        return status;
    }
    *out = rowRegion;
    return STATUS_OK;
}

// Frames the merge of `rows` rows can hold at once: each level of halving
// (rounded up) leaves at most two frames waiting below the one in work.
DWORD MergeStackFrames(std::uint32_t rows) { return 2 * DWORD(std::bit_width(rows)) + 1; }

int MergeRows(const BitmapRecord *bitmap, const RegionRecord &region, const RegionXForm *xform, MergeFrame *stack,
              DWORD &depth, HRGN *result) {
    stack[depth++] = MergeFrame{region.Bounds.top, region.Bounds.bottom, nullptr, nullptr, result, false};
    while (depth > 0) {
        MergeFrame &frame = stack[depth - 1];
        if (frame.split) {
            if (CombineRgn(frame.upper, frame.upper, frame.lower, RGN_OR) == ERROR) return STATUS_NO_MEMORY;
            DeleteRegion(frame.lower);
            *frame.deliverTo = frame.upper;
            frame.upper = nullptr;
            --depth;
        } else if (std::int64_t(frame.endRow) - frame.firstRow >= 2) {
            frame.split = true;
            const LONG half = LONG((std::int64_t(frame.endRow) - frame.firstRow + 1) / 2);
            const LONG middle = frame.firstRow + half;
            // The lower half goes on top, so it is built first.
            stack[depth++] = MergeFrame{frame.firstRow, middle, nullptr, nullptr, &frame.upper, false};
            stack[depth++] = MergeFrame{middle, frame.endRow, nullptr, nullptr, &frame.lower, false};
        } else {
            HRGN row = nullptr;
            const int status = BuildRowRegion(bitmap, region, xform, frame.firstRow, &row);
            if (status != STATUS_OK) return status;
            *frame.deliverTo = row;
            --depth;
        }
    }
    return STATUS_OK;
}

bool SameScale(const RegionXForm &a, const RegionXForm &b) {
    return a.Perspective == b.Perspective && a.XNum == b.XNum && a.XDen == b.XDen && a.YNum == b.YNum &&
           a.YDen == b.YDen;
}

bool FitsInt(std::int64_t v) {
    return v >= std::numeric_limits<int>::min() && v <= std::numeric_limits<int>::max();
}

// Serves the request from the cached handle when it was built for the same
// perspective and scale, moving it when only the offsets differ. False when
// the handle has to be rebuilt.
bool ServeFromCache(RegionRecord &region, const BitmapRecord &bitmap, const RegionXForm &key) {
    if (region.hRgnCache == nullptr || region.MaskPerspective != bitmap.ViewPerspective ||
        !SameScale(region.RgnCacheXForm, key)) {
        return false;
    }
    const std::int64_t dx = std::int64_t(key.XOffset) - region.RgnCacheXForm.XOffset;
    const std::int64_t dy = std::int64_t(key.YOffset) - region.RgnCacheXForm.YOffset;
    if (dx != 0 || dy != 0) {
        // A move too far for one call, or a handle GDI no longer knows, is
        // served by a rebuild.
        if (!FitsInt(dx) || !FitsInt(dy)) return false;
        if (OffsetRgn(region.hRgnCache, int(dx), int(dy)) == ERROR) return false;
        region.RgnCacheXForm.XOffset = key.XOffset;
        region.RgnCacheXForm.YOffset = key.YOffset;
    }
    return true;
}

}  // namespace

int BuildRgnHandle(const BitmapRecord *bitmap, const RegionRecord *region, const RegionXForm *xform, HRGN *out) {
    if (region == nullptr || out == nullptr) return STATUS_BAD_PARAMETER;
    // Refuse a bad transform up front: an empty region maps no rectangle
    // that would reveal it.
    RECT probe{0, 0, 0, 0};
    int status = BitmapRectToDisplay(bitmap, xform, &probe);
    if (status != STATUS_OK) return status;

    const std::int64_t rows = std::int64_t(region->Bounds.bottom) - region->Bounds.top;
    const DWORD capacity = MergeStackFrames(rows > 0 ? std::uint32_t(rows) : 0);
    auto *stack = static_cast<MergeFrame *>(KrnAllocMem(capacity * sizeof(MergeFrame)));
    if (stack == nullptr) return STATUS_NO_MEMORY;

    DWORD depth = 0;
    HRGN result = nullptr;
    status = MergeRows(bitmap, *region, xform, stack, depth, &result);
    // Regions delivered to frames still waiting are held in those frames.
    for (DWORD i = 0; i < depth; ++i) {
        DeleteRegion(stack[i].upper);
        DeleteRegion(stack[i].lower);
    }
    KrnFreeMem(stack);
    if (status != STATUS_OK) return status;
    *out = result;
    return STATUS_OK;
}

}  // namespace zelt::region

using namespace zelt::region;

int ZELT_API Z_IntGetBitmapRgnHandle(BitmapRecord *bitmap, const RegionXForm *xform, HRGN *out, int *callerOwns) {
    if (bitmap == nullptr) return STATUS_NO_BITMAP;
    if (out == nullptr || callerOwns == nullptr) return STATUS_BAD_PARAMETER;

    RegionRecord *region = bitmap->Region;
    if (region == nullptr) {
        RECT whole{0, 0, bitmap->Width, bitmap->Height};
        const int status = BitmapRectToDisplay(bitmap, xform, &whole);
        if (status != STATUS_OK) return status;
        HRGN handle = CreateRectRgnIndirect(&whole);
        if (handle == nullptr) return STATUS_NO_MEMORY;
        *out = handle;
        *callerOwns = 1;
        return STATUS_OK;
    }

    const RegionXForm key = xform != nullptr ? *xform : DefaultXForm(*bitmap);
    if (!ServeFromCache(*region, *bitmap, key)) {
        HRGN fresh = nullptr;
        const int status = BuildRgnHandle(bitmap, region, xform, &fresh);
        if (status != STATUS_OK) return status;
        AdoptCacheView(*region, bitmap->ViewPerspective);
        if (region->hRgnCache != nullptr) DeleteObject(region->hRgnCache);
        region->hRgnCache = fresh;
        region->RgnCacheXForm = key;
    }
    *out = region->hRgnCache;
    *callerOwns = 0;
    return STATUS_OK;
}

int ZELT_API Z_GetBitmapRgnHandle(BitmapRecord *bitmap, const RegionXForm *xform, HRGN *out) {
    if (out == nullptr) return STATUS_BAD_PARAMETER;
    HRGN handle = nullptr;
    int callerOwns = 0;
    const int status = Z_IntGetBitmapRgnHandle(bitmap, xform, &handle, &callerOwns);
    if (status != STATUS_OK) return status;
    if (callerOwns == 0) {
        handle = CopyGdiRegion(handle);
        if (handle == nullptr) return STATUS_NO_MEMORY;
    }
    *out = handle;
    return STATUS_OK;
}
