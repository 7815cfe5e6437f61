// The region's outline drawn with a moving stripe pattern (marching ants).
//
// The outline is a monochrome mask of the region's display bounds, computed
// from the run lists row by row and cached in the record, so that each
// animation step costs one blit. A pixel of a run is outline when it is the
// first or last pixel of its run, or when it or a horizontal neighbour in
// the same run has no selected pixel directly above or below it.
#include "frame/frame_brushes.h"
#include "region/region_mask_canvas.h"

namespace zelt::region {

namespace {

constexpr UINT kFrameTypes = 8;
// Pattern where the mask is set, the device unchanged elsewhere.
constexpr DWORD kRopPatternThroughMask = 0x00E20746;

// A list of pieces (start, end) written into one of the work buffers.
struct PieceList {
    LONG *values;
    DWORD count = 0;
    void Add(LONG start, LONG end) {
        values[count++] = start;
        values[count++] = end;
    }
};

// The pieces of `row` that `other` does not cover, each widened by one
// pixel on both sides but kept inside its own run. The gaps of `other` are
// taken over [left, right), the whole of it when `other` is empty. Starts
// come out in ascending order; neighbouring pieces may overlap.
void UncoveredPieces(RowRuns row, RowRuns other, LONG left, LONG right, PieceList &out) {
    const DWORD gaps = other.count / 2 + 1;
    DWORD run = 0, gap = 0;
    while (run < row.count && gap < gaps) {
        const LONG runStart = row.values[run], runEnd = row.values[run + 1];
        const LONG gapStart = gap == 0 ? left : other.values[2 * gap - 1];
        const LONG gapEnd = gap + 1 == gaps ? right : other.values[2 * gap];
        const LONG a = runStart > gapStart ? runStart : gapStart;
        const LONG b = runEnd < gapEnd ? runEnd : gapEnd;
        if (a < b) out.Add(a - 1 > runStart ? a - 1 : runStart, b + 1 < runEnd ? b + 1 : runEnd);
        if (runEnd < gapEnd) run += 2;
        else ++gap;
    }
}

// The first and last pixel of each run; runs of one or two pixels whole.
void RunEnds(RowRuns row, PieceList &out) {
    for (DWORD i = 0; i < row.count; i += 2) {
        const LONG start = row.values[i], end = row.values[i + 1];
        if (end - start > 2) {
            out.Add(start, start + 1);
            out.Add(end - 1, end);
        } else {
            out.Add(start, end);
        }
    }
}

// Union of two lists whose starts ascend: overlapping and touching pieces
// merge, the result ascends and its pieces are apart.
void UnitePieces(const PieceList &a, const PieceList &b, PieceList &out) {
    DWORD i = 0, j = 0;
    bool open = false;
    LONG start = 0, end = 0;
    while (i < a.count || j < b.count) {
        const bool fromA = j >= b.count || (i < a.count && a.values[i] <= b.values[j]);
        const LONG *piece = fromA ? a.values + i : b.values + j;
        (fromA ? i : j) += 2;
        if (open && piece[0] <= end) {
            if (piece[1] > end) end = piece[1];
            continue;
        }
        if (open) out.Add(start, end);
        open = true;
        start = piece[0];
        end = piece[1];
    }
    if (open) out.Add(start, end);
}

// Sets the outline pixels of the mapped region in the mask; `box` is the
// mask's place in display space. False when a piece could not be drawn.
bool DrawOutline(const RegionRecord &mapped, const RECT &box, LONG *work, DWORD listLength, HDC mask) {
    const LONG left = mapped.Bounds.left, right = mapped.Bounds.right;
    LONG *first = work, *second = work + listLength, *third = work + 2 * listLength;
    for (LONG y = mapped.Bounds.top; y < mapped.Bounds.bottom; ++y) {
        const RowRuns row = RowOf(mapped, y);
        if (row.count == 0) continue;
        PieceList up{first}, down{second}, vertical{third};
        UncoveredPieces(row, RowOf(mapped, y - 1), left, right, up);
        UncoveredPieces(row, RowOf(mapped, y + 1), left, right, down);
        UnitePieces(up, down, vertical);
        PieceList ends{second}, outline{first};
        RunEnds(row, ends);
        UnitePieces(ends, vertical, outline);
        for (DWORD i = 0; i < outline.count; i += 2) {
            if (!PatBlt(mask, outline.values[i] - box.left, y - box.top, outline.values[i + 1] - outline.values[i],
                        1, WHITENESS)) {
                return false;
            }
        }
    }
    return true;
}

bool IsUsableXForm(const RegionXForm *xform) {
    return xform == nullptr ||
           (IsAcceptedPerspective(xform->Perspective) && xform->XDen != 0 && xform->YDen != 0);
}

// FrameRgn with the stripe brush, for bitmaps without a region or when no
// mask can be made: black and white stripes, as the mask path draws them.
int FrameWithRegionHandle(HDC hdc, BitmapRecord *bitmap, const RegionXForm *xform, HBRUSH brush) {
    HRGN handle = nullptr;
    int callerOwns = 0;
    const int status = Z_IntGetBitmapRgnHandle(bitmap, xform, &handle, &callerOwns);
    if (status != STATUS_OK) return status;
    const COLORREF text = SetTextColor(hdc, RGB(0, 0, 0));
    const COLORREF background = SetBkColor(hdc, RGB(255, 255, 255));
    const BOOL drawn = FrameRgn(hdc, handle, brush, 1, 1);
    SetTextColor(hdc, text);
    SetBkColor(hdc, background);
    // An empty region has no frame to draw; otherwise a failure is memory.
    RECT box{};
    const bool failed = !drawn && GetRgnBox(handle, &box) != NULLREGION;
    if (callerOwns != 0) DeleteObject(handle);
    return failed ? STATUS_NO_MEMORY : STATUS_OK;
}

}  // namespace

int BuildFrameMask(BitmapRecord *bitmap, const RegionXForm *xform) {
    if (bitmap == nullptr) return STATUS_NO_BITMAP;
    if (bitmap->Region == nullptr) return STATUS_BAD_PARAMETER;

    OwnedRegion mapped;
    RECT box{};
    int status = MappedRegionCopy(*bitmap, xform, mapped, &box);
    if (status != STATUS_OK) return status;

    // A row of n pixels holds at most n + 1 values rounded down to pairs,
    // and so do the pieces derived from it.
    const LONG span = mapped.get()->Bounds.right - mapped.get()->Bounds.left + 1;
    const DWORD listLength = span > 0 ? DWORD(span) & ~1u : 0;
    LONG *work = nullptr;
    if (listLength > 0) {
        if (listLength > 0xFFFFFFFFu / (3 * sizeof(LONG))) return STATUS_NO_MEMORY;
        work = static_cast<LONG *>(KrnAllocMem(3 * listLength * DWORD(sizeof(LONG))));
        if (work == nullptr) return STATUS_NO_MEMORY;
    }

    MaskCanvas canvas;
    status = canvas.Open(box.right > box.left ? box.right - box.left : 0,
                         box.bottom > box.top ? box.bottom - box.top : 0);
    if (status == STATUS_OK && !DrawOutline(*mapped.get(), box, work, listLength, canvas.dc())) {
        status = STATUS_NO_MEMORY;
    }
    if (status == STATUS_OK) {
        StoreMask(*bitmap, &RegionRecord::hFrameMask, &RegionRecord::FrameMaskXForm, canvas.TakeMask(), xform);
    }
    KrnFreeMem(work);
    return status;
}

}  // namespace zelt::region

using namespace zelt::region;

int ZELT_API Z_FrameBitmapRgn(HDC hdc, BitmapRecord *bitmap, const RegionXForm *xform, UINT frameType) {
    if (bitmap == nullptr) return STATUS_NO_BITMAP;
    if (frameType >= kFrameTypes || !IsUsableXForm(xform)) return STATUS_BAD_PARAMETER;
    HBRUSH brush = FrameBrush(int(frameType));
    if (brush == nullptr) return STATUS_NO_MEMORY;

    RegionRecord *region = bitmap->Region;
    if (region != nullptr) {
        const RegionXForm key = MaskKey(*bitmap, xform);
        if (MaskMatches(*bitmap, region->hFrameMask, region->FrameMaskXForm, key)) {
            region->FrameMaskXForm.XOffset = key.XOffset;
            region->FrameMaskXForm.YOffset = key.YOffset;
        } else {
            if (region->hFrameMask != nullptr) DeleteObject(region->hFrameMask);
            region->hFrameMask = nullptr;
            // A mask that cannot be built is no error: the outline is then
            // drawn from the region handle.
            (void)BuildFrameMask(bitmap, xform);
        }
        if (region->hFrameMask != nullptr) {
            RECT box = region->Bounds;
            const int status = BitmapRectToDisplay(bitmap, xform, &box);
            if (status != STATUS_OK) return status;
            return DrawMask(hdc, region->hFrameMask, box, brush, kRopPatternThroughMask, false);
        }
    }
    return FrameWithRegionHandle(hdc, bitmap, xform, brush);
}
