// Intersection, union and difference of two region records. Each walks the
// rows of its output box once, merging the two rows' sorted pairs in a
// single pass, and writes the result through the row builder; the inputs
// are only read.
#include <algorithm>

#include "region/region_box_limits.h"
#include "region/region_internal.h"

namespace zelt::region {

namespace {

bool IsEmptyRecord(const RegionRecord &r) { return IsRectEmpty(r.Bounds); }

// Builds a record over `box` (an empty box gives an empty record), calling
// writeRow(builder, y) for each of its rows.
template <typename WriteRow>
int BuildOverBox(RECT box, RegionRecord **out, WriteRow writeRow) {
    if (IsRectEmpty(box)) box = RECT{0, 0, 0, 0};
    if (!BoxFitsBuilder(box)) return STATUS_NO_MEMORY;
    RegionBuilder builder;
    int status = BeginRegion(builder, box);
    if (status != STATUS_OK) return status;
    for (LONG y = box.top; y < box.bottom; ++y) {
        writeRow(builder, y);
        status = EndRegionRow(builder);
        if (status != STATUS_OK) return status;
    }
    *out = FinishRegion(builder);
    return STATUS_OK;
}

void IntersectRow(RegionBuilder &builder, RowRuns a, RowRuns b) {
    DWORD i = 0, j = 0;
    while (i < a.count && j < b.count) {
        const LONG start = std::max(a.values[i], b.values[j]);
        const LONG end = std::min(a.values[i + 1], b.values[j + 1]);
        if (start < end) AppendRun(builder, start, end);
        // The pair that ends first can meet nothing further in the other row.
        if (a.values[i + 1] < b.values[j + 1]) i += 2;
        else j += 2;
    }
}

void UnionRow(RegionBuilder &builder, RowRuns a, RowRuns b, LONG left) {
    DWORD i = 0, j = 0;
    LONG runStart = left, runEnd = left;
    while (i < a.count || j < b.count) {
        // Take the next pair of whichever row starts first.
        const LONG *pair;
        if (j >= b.count || (i < a.count && a.values[i] <= b.values[j])) {
            pair = a.values + i;
            i += 2;
        } else {
            pair = b.values + j;
            j += 2;
        }
        if (pair[0] >= runStart && pair[0] <= runEnd) {
            runEnd = std::max(runEnd, pair[1]);  // overlapping or touching: extend
        } else {
            if (runEnd > runStart) AppendRun(builder, runStart, runEnd);
            runStart = pair[0];
            runEnd = pair[1];
        }
    }
    if (runEnd > runStart) AppendRun(builder, runStart, runEnd);
}

// The parts of a's pairs that lie in the gaps of b's row.
void SubtractRow(RegionBuilder &builder, RowRuns a, RowRuns b) {
    DWORD j = 0;
    for (DWORD i = 0; i < a.count; i += 2) {
        const LONG start = a.values[i], end = a.values[i + 1];
        while (j < b.count && b.values[j + 1] <= start) j += 2;  // b pairs wholly before this one
        LONG from = start;
        for (DWORD k = j; from < end; k += 2) {
            if (k >= b.count || b.values[k] >= end) {
                AppendRun(builder, from, end);
                break;
            }
            if (b.values[k] > from) AppendRun(builder, from, b.values[k]);
            from = std::max(from, b.values[k + 1]);
        }
    }
}

RECT Intersection(const RECT &p, const RECT &q) {
    return RECT{std::max(p.left, q.left), std::max(p.top, q.top), std::min(p.right, q.right),
                std::min(p.bottom, q.bottom)};
}

}  // namespace

int IntersectRgnRecords(RegionRecord **out, const RegionRecord *a, const RegionRecord *b) {
    if (out == nullptr || a == nullptr || b == nullptr) return STATUS_BAD_PARAMETER;
    *out = nullptr;
    return BuildOverBox(Intersection(a->Bounds, b->Bounds), out,
                        [&](RegionBuilder &builder, LONG y) { IntersectRow(builder, RowOf(*a, y), RowOf(*b, y)); });
}

int UnionRgnRecords(RegionRecord **out, const RegionRecord *a, const RegionRecord *b) {
    if (out == nullptr || a == nullptr || b == nullptr) return STATUS_BAD_PARAMETER;
    *out = nullptr;
    // An empty record's (0, 0, 0, 0) box must not stretch the union's.
    RECT box;
    if (IsEmptyRecord(*a)) box = b->Bounds;
    else if (IsEmptyRecord(*b)) box = a->Bounds;
    else
        box = RECT{std::min(a->Bounds.left, b->Bounds.left), std::min(a->Bounds.top, b->Bounds.top),
                   std::max(a->Bounds.right, b->Bounds.right), std::max(a->Bounds.bottom, b->Bounds.bottom)};
    return BuildOverBox(
        box, out, [&](RegionBuilder &builder, LONG y) { UnionRow(builder, RowOf(*a, y), RowOf(*b, y), box.left); });
}

int SubtractRgnRecords(RegionRecord **out, const RegionRecord *a, const RegionRecord *b) {
    if (out == nullptr || a == nullptr || b == nullptr) return STATUS_BAD_PARAMETER;
    *out = nullptr;
    return BuildOverBox(a->Bounds, out,
                        [&](RegionBuilder &builder, LONG y) { SubtractRow(builder, RowOf(*a, y), RowOf(*b, y)); });
}

}  // namespace zelt::region
