// GDI regions of a bitmap's selection in display coordinates: building one
// from the run list, and the copy cached in the region record.
//
// Building maps every run to its display rectangle, lists the rectangles in
// an RGNDATA block and lets ExtCreateRegion take their union in one call.
// Rows are listed in display order, so without a quarter turn the list is
// already banded and the union is a single pass. A very large selection is
// listed in chunks of at most kRectsPerCall rectangles, whose regions are
// joined pairwise.
#include <algorithm>
#include <cstdint>
#include <limits>

#include "region/region_internal.h"

namespace zelt::region {

namespace {

// Rectangles handed to one ExtCreateRegion call (4 MiB of RECTs).
constexpr DWORD kRectsPerCall = DWORD(1) << 18;
// Edge tables larger than this (in entries) are not built; runs are then
// mapped one by one.
constexpr std::int64_t kMaxTableEntries = std::int64_t(1) << 24;

void DeleteRegion(HRGN &region) {
    if (region != nullptr) DeleteObject(region);
    region = nullptr;
}

// Display coordinates of every column edge and row edge of the bounds,
// found with BitmapRectToDisplay once per edge. A perspective sends each
// display edge from one bitmap edge, and scaling and offsetting treat each
// edge on its own, so a run's display rectangle is made of table entries:
// the same rectangle BitmapRectToDisplay gives for the run, with its edges
// put in order. With the axes exchanged (a quarter turn) a row becomes a
// display column and a run's columns become display rows.
class EdgeMap {
public:
    EdgeMap(const BitmapRecord *bitmap, const RegionXForm *xform) : bitmap_(bitmap), xform_(xform) {}
    EdgeMap(const EdgeMap &) = delete;
    EdgeMap &operator=(const EdgeMap &) = delete;
    ~EdgeMap() {
        KrnFreeMem(columns_);
        KrnFreeMem(rows_);
    }

    int Build(const RECT &bounds) {
        int flip = 0;
        int degrees = 0;
        if (xform_ != nullptr && bitmap_->ViewPerspective != xform_->Perspective) {
            const int status = KrnGetPerspectiveChange(bitmap_->ViewPerspective, xform_->Perspective, &flip, &degrees);
            if (status != STATUS_OK) return status;
        }
        exchanges_ = degrees % 180 != 0;
        left_ = bounds.left;
        top_ = bounds.top;
        const std::int64_t columns = std::int64_t(bounds.right) - bounds.left + 1;
        const std::int64_t rows = std::int64_t(bounds.bottom) - bounds.top + 1;
        if (columns < 1 || rows < 1 || columns + rows > kMaxTableEntries) return STATUS_OK;
        columns_ = static_cast<LONG *>(KrnAllocMem(DWORD(columns * sizeof(LONG))));
        rows_ = static_cast<LONG *>(KrnAllocMem(DWORD(rows * sizeof(LONG))));
        if (columns_ == nullptr || rows_ == nullptr) return STATUS_NO_MEMORY;
        columnCount_ = DWORD(columns);
        rowCount_ = DWORD(rows);
        // Column edges are points on the bounds' top row, row edges points
        // on its left column; exchanged axes swap the display axis each
        // lands on.
        for (DWORD i = 0; i < columnCount_; ++i) {
            const int status = DisplayEdge(LONG(left_ + std::int64_t(i)), top_, !exchanges_, &columns_[i]);
            if (status != STATUS_OK) return status;
        }
        for (DWORD i = 0; i < rowCount_; ++i) {
            const int status = DisplayEdge(left_, LONG(top_ + std::int64_t(i)), exchanges_, &rows_[i]);
            if (status != STATUS_OK) return status;
        }
        return STATUS_OK;
    }

    // True when rows come out in decreasing display order (so they are
    // listed bottom row first), or runs in decreasing order within a row.
    bool RowsDescend() const { return columns_ != nullptr && !exchanges_ && rows_[0] > rows_[rowCount_ - 1]; }
    bool RunsDescend() const { return columns_ != nullptr && !exchanges_ && columns_[0] > columns_[columnCount_ - 1]; }

    // The display rectangle of run [x0, x1) of row `row`, edges in order.
    int MapRun(LONG x0, LONG x1, LONG row, RECT *out) const {
        const std::int64_t c0 = std::int64_t(x0) - left_, c1 = std::int64_t(x1) - left_;
        const std::int64_t r0 = std::int64_t(row) - top_;
        if (columns_ == nullptr || c0 < 0 || c1 < 0 || r0 < 0 || c0 >= columnCount_ || c1 >= columnCount_ ||
            r0 + 1 >= rowCount_) {
            *out = RECT{x0, row, x1, row + 1};
            const int status = BitmapRectToDisplay(bitmap_, xform_, out);
            *out = Ordered(out->left, out->right, out->top, out->bottom);
            return status;
        }
        const LONG a = columns_[c0], b = columns_[c1];
        const LONG top = rows_[r0], bottom = rows_[r0 + 1];
        *out = exchanges_ ? Ordered(top, bottom, a, b) : Ordered(a, b, top, bottom);
        return STATUS_OK;
    }

    // Where the bitmap point (x, y) lands in display space: its left edge
    // when `horizontal`, else its top.
    int DisplayEdge(LONG x, LONG y, bool horizontal, LONG *edge) const {
        RECT point{x, y, x, y};
        const int status = BitmapRectToDisplay(bitmap_, xform_, &point);
        *edge = horizontal ? point.left : point.top;
        return status;
    }

private:
    static RECT Ordered(LONG x0, LONG x1, LONG y0, LONG y1) {
        return RECT{(std::min)(x0, x1), (std::min)(y0, y1), (std::max)(x0, x1), (std::max)(y0, y1)};
    }

    const BitmapRecord *bitmap_;
    const RegionXForm *xform_;
    LONG *columns_ = nullptr;  // display edge of each column edge, from left_
    LONG *rows_ = nullptr;     // display edge of each row edge, from top_
    DWORD columnCount_ = 0;
    DWORD rowCount_ = 0;
    LONG left_ = 0;
    LONG top_ = 0;
    bool exchanges_ = false;
};

// Chunk regions joined like a binary counter: slot k holds the union of
// 2^k chunks, so every CombineRgn joins two regions of similar size.
class ChunkJoin {
public:
    ChunkJoin() = default;
    ChunkJoin(const ChunkJoin &) = delete;
    ChunkJoin &operator=(const ChunkJoin &) = delete;
    ~ChunkJoin() {
        for (HRGN &slot : slots_) DeleteRegion(slot);
    }

    int Add(HRGN chunk) {
        std::size_t k = 0;
        for (; slots_[k] != nullptr; ++k) {
            const bool joined = CombineRgn(slots_[k], slots_[k], chunk, RGN_OR) != ERROR;
            DeleteRegion(chunk);
            if (!joined) return STATUS_NO_MEMORY;
            chunk = slots_[k];
            slots_[k] = nullptr;
        }
        slots_[k] = chunk;
        return STATUS_OK;
    }

    // The union of every chunk added; the caller owns it.
    int Finish(HRGN *out) {
        HRGN all = nullptr;
        for (HRGN &slot : slots_) {
            if (slot == nullptr) continue;
            if (all == nullptr) {
                all = slot;
            } else if (CombineRgn(all, all, slot, RGN_OR) == ERROR) {
                slots_[0] = all;  // released with the rest
                return STATUS_NO_MEMORY;
            } else {
                DeleteRegion(slot);
            }
            slot = nullptr;
        }
        *out = all;
        return STATUS_OK;
    }

private:
    // 2^40 chunks of 2^18 rectangles exceed any run list.
    HRGN slots_[40] = {};
};

// The RGNDATA block rectangles are listed in, handed to ExtCreateRegion
// whenever it is full.
class RectList {
public:
    explicit RectList(ChunkJoin &join) : join_(join) {}
    RectList(const RectList &) = delete;
    RectList &operator=(const RectList &) = delete;
    ~RectList() { KrnFreeMem(data_); }

    int Allocate(DWORD capacity) {
        capacity_ = (std::max)(capacity, DWORD(1));
        data_ = static_cast<RGNDATA *>(KrnAllocMem(DWORD(sizeof(RGNDATAHEADER) + std::size_t(capacity_) * sizeof(RECT))));
        if (data_ == nullptr) return STATUS_NO_MEMORY;
        rects_ = reinterpret_cast<RECT *>(reinterpret_cast<unsigned char *>(data_) + sizeof(RGNDATAHEADER));
        return STATUS_OK;
    }

    int Add(const RECT &rect) {
        if (rect.left >= rect.right || rect.top >= rect.bottom) return STATUS_OK;
        if (count_ == capacity_) {
            const int status = Flush();
            if (status != STATUS_OK) return status;
        }
        rects_[count_++] = rect;
        return STATUS_OK;
    }

    // Hands the listed rectangles over (an empty list once, so that an
    // empty selection still gives a region).
    int Flush() {
        if (count_ == 0 && flushed_) return STATUS_OK;
        RGNDATAHEADER &header = data_->rdh;
        header = RGNDATAHEADER{sizeof(RGNDATAHEADER), RDH_RECTANGLES, count_, count_ * DWORD(sizeof(RECT)), {0, 0, 0, 0}};
        if (count_ > 0) {
            RECT bounds = rects_[0];
            for (DWORD i = 1; i < count_; ++i) {
                bounds.left = (std::min)(bounds.left, rects_[i].left);
                bounds.top = (std::min)(bounds.top, rects_[i].top);
                bounds.right = (std::max)(bounds.right, rects_[i].right);
                bounds.bottom = (std::max)(bounds.bottom, rects_[i].bottom);
            }
            header.rcBound = bounds;
        }
        const DWORD bytes = DWORD(sizeof(RGNDATAHEADER) + std::size_t(count_) * sizeof(RECT));
        HRGN chunk = ExtCreateRegion(nullptr, bytes, data_);
        if (chunk == nullptr) return STATUS_NO_MEMORY;
        count_ = 0;
        flushed_ = true;
        return join_.Add(chunk);
    }

private:
    ChunkJoin &join_;
    RGNDATA *data_ = nullptr;
    RECT *rects_ = nullptr;
    DWORD capacity_ = 0;
    DWORD count_ = 0;
    bool flushed_ = false;
};

// Rectangles the run list gives at most: one per pair of run edges.
DWORD CountRuns(const RegionRecord &region) {
    std::uint64_t total = 0;
    for (LONG y = region.Bounds.top; y < region.Bounds.bottom; ++y) total += RowOf(region, y).count / 2;
    return DWORD((std::min)(total, std::uint64_t(kRectsPerCall)));
}

// Lists every run of the region in display space, rows in display order.
int ListRuns(const RegionRecord &region, const EdgeMap &map, RectList &list) {
    const LONG top = region.Bounds.top;
    const LONG rows = LONG((std::max)(std::int64_t(0), std::int64_t(region.Bounds.bottom) - top));
    const bool rowsDescend = map.RowsDescend();
    const bool runsDescend = map.RunsDescend();
    for (LONG i = 0; i < rows; ++i) {
        const LONG row = rowsDescend ? top + (rows - 1 - i) : top + i;
        const RowRuns runs = RowOf(region, row);
        const DWORD pairs = runs.count / 2;
        for (DWORD k = 0; k < pairs; ++k) {
            const DWORD run = runsDescend ? pairs - 1 - k : k;
            RECT rect;
            int status = map.MapRun(runs.values[2 * run], runs.values[2 * run + 1], row, &rect);
            if (status == STATUS_OK) status = list.Add(rect);
            if (status != STATUS_OK) return status;
        }
    }
    return list.Flush();
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

    EdgeMap map(bitmap, xform);
    status = map.Build(region->Bounds);
    if (status != STATUS_OK) return status;
    ChunkJoin join;
    RectList list(join);
    status = list.Allocate(CountRuns(*region));
    if (status == STATUS_OK) status = ListRuns(*region, map, list);
    if (status == STATUS_OK) status = join.Finish(out);
    return status;
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
