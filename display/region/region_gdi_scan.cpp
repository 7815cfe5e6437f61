// Reading a GDI region back as a run list. GDI answers only box and
// complexity questions, so a one-pixel strip walks down the region's box:
// each row is the strip's intersection with the region, a single piece when
// GDI calls it simple, otherwise walked piece by piece from left to right by
// alternately asking for the first pixel outside and the first pixel inside.
#include <initializer_list>

#include "region/region_internal.h"

namespace zelt::region {

namespace {

// The strip and the two scratch regions of one scan, deleted together on
// every path.
struct ScanRegions {
    HRGN strip = nullptr;
    HRGN row = nullptr;    // the strip intersected with the scanned region
    HRGN probe = nullptr;  // the part of the row being asked about
    ScanRegions() = default;
    ScanRegions(const ScanRegions &) = delete;
    ScanRegions &operator=(const ScanRegions &) = delete;
    ~ScanRegions() {
        for (HRGN region : {strip, row, probe})
            if (region != nullptr) DeleteObject(region);
    }
    bool Complete() const { return strip != nullptr && row != nullptr && probe != nullptr; }
};

// Left edge of the part of `row` that `mode` (RGN_DIFF: outside the row,
// RGN_AND: inside it) leaves of [x, right) on line y; `right` when nothing
// is left. False when GDI fails.
bool NextEdge(const ScanRegions &work, LONG x, LONG y, LONG right, int mode, LONG &edge) {
    SetRectRgn(work.probe, x, y, right, y + 1);
    const int kind = CombineRgn(work.probe, work.probe, work.row, mode);
    if (kind == ERROR) return false;
    edge = right;
    if (kind != NULLREGION) {
        RECT box;
        GetRgnBox(work.probe, &box);
        edge = box.left;
    }
    return true;
}

// Appends the pieces of a row of several pieces spanning [left, right).
bool AppendPieces(RegionBuilder &builder, const ScanRegions &work, LONG y, LONG left, LONG right) {
    LONG x = left;
    while (x < right) {
        LONG end = right;
        if (!NextEdge(work, x, y, right, RGN_DIFF, end)) return false;
        if (end > x) AppendRun(builder, x, end);
        if (!NextEdge(work, end, y, right, RGN_AND, x)) return false;
    }
    return true;
}

}  // namespace

int ScanGdiRegion(HRGN region, RegionRecord **out) {
    *out = nullptr;
    RECT box;
    if (GetRgnBox(region, &box) == ERROR) return STATUS_BAD_PARAMETER;

    RegionBuilder builder;
    int status = BeginRegion(builder, box);
    if (status != STATUS_OK) return status;

    ScanRegions work;
    work.strip = CreateRectRgn(box.left, box.top, box.right, box.top + 1);
    work.row = CreateRectRgn(0, 0, 0, 0);
    work.probe = CreateRectRgn(0, 0, 0, 0);
    if (!work.Complete()) {
        KrnFreeRegion(builder.record);
        return STATUS_NO_MEMORY;
    }

    for (LONG y = box.top; y < box.bottom; ++y) {
        const int kind = CombineRgn(work.row, work.strip, region, RGN_AND);
        bool ok = kind != ERROR;
        if (kind == SIMPLEREGION || kind == COMPLEXREGION) {
            RECT piece;
            GetRgnBox(work.row, &piece);
            if (kind == SIMPLEREGION) {
                if (piece.right > piece.left) AppendRun(builder, piece.left, piece.right);
            } else {
                ok = AppendPieces(builder, work, y, piece.left, piece.right);
            }
        }
        // GDI failing half way would leave a silently wrong shape: give up.
        if (!ok) {
            KrnFreeRegion(builder.record);
            return STATUS_NO_MEMORY;
        }
        OffsetRgn(work.strip, 0, 1);
        status = EndRegionRow(builder);
        if (status != STATUS_OK) return status;
    }
    *out = FinishRegion(builder);
    return STATUS_OK;
}

}  // namespace zelt::region
