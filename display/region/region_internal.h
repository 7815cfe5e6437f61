// Internal operations of the selection-region subsystem: the row builder
// every region producer writes through, the geometric and set operations on
// region records, and the workers behind the exports and the kernel's
// services table. Records are always allocated through the kernel's memory
// operations, because the kernel frees them with their bitmaps.
#pragma once

#include <memory>

#include "zelt/display.h"

namespace zelt::region {

// ---- reading a record ------------------------------------------------------

// The x values of one row (Count values, pairs start, end) or an empty span
// for rows outside the record.
struct RowRuns {
    const LONG *values = nullptr;
    DWORD count = 0;
};

inline RowRuns RowOf(const RegionRecord &region, LONG y) {
    if (y < region.Bounds.top || y >= region.Bounds.bottom) return {};
    const RowEntry &entry = region.RowTable[y - region.Bounds.top];
    if (entry.Count == 0) return {};
    return {region.RunData + entry.Offset / sizeof(LONG), entry.Count};
}

inline bool IsRectEmpty(const RECT &r) { return r.right <= r.left || r.bottom <= r.top; }

// View perspective values a RegionXForm may carry: 0..5, 7 and 8. Code 6
// displays like 0 but is refused, so that a transform always names one of
// the eight distinct orientations.
inline bool IsAcceptedPerspective(LONG perspective) {
    return perspective >= 0 && perspective <= 8 && perspective != 6;
}

// The transform used when a caller passes none: {ViewPerspective, 1, 1, 1,
// 1, 0, 0}.
inline RegionXForm DefaultXForm(const BitmapRecord &bitmap) {
    return RegionXForm{bitmap.ViewPerspective, 1, 1, 1, 1, 0, 0};
}

// A region record owned by a scope (freed with the kernel).
struct RegionRecordDeleter {
    void operator()(RegionRecord *region) const noexcept { KrnFreeRegion(region); }
};
using OwnedRegion = std::unique_ptr<RegionRecord, RegionRecordDeleter>;

// ---- building a record row by row -----------------------------------------

// Writer state of one record under construction. Producers call
// BeginRegion on the bounding box, append pairs of the current row with
// AppendRun (start < end, ascending, disjoint), call EndRegionRow exactly
// once per row of the box and FinishRegion at the end. On a failed
// begin or end-row the builder has already freed the record.
struct RegionBuilder {
    RegionRecord *record = nullptr;
    LONG *write = nullptr;       // where the current row's next value goes
    DWORD rowValues = 0;         // values written to the current row
    RowEntry *rowWrite = nullptr;
    DWORD rowTableUsed = 0;      // bytes of row table used, trailing empty rows included
    DWORD largestRow = 0;        // bytes one row can need
    DWORD growthStep = 0;
    DWORD capacity = 0;          // bytes of the run buffer
    LONG currentRow = 0;
};

int BeginRegion(RegionBuilder &builder, const RECT &box);
inline void AppendRun(RegionBuilder &builder, LONG start, LONG end) {
    builder.write[0] = start;
    builder.write[1] = end;
    builder.write += 2;
    builder.rowValues += 2;
}
int EndRegionRow(RegionBuilder &builder);
// Trims the buffers and hands the finished record over (never null after a
// successful begin); the builder forgets it.
RegionRecord *FinishRegion(RegionBuilder &builder);

// A record selecting the whole of (0, 0, width, height).
int BuildWholeRegion(LONG width, LONG height, RegionRecord **out);

// ---- record maintenance ------------------------------------------------------

// Deletes the cached GDI region and masks (their keys stay).
void DropRegionCaches(RegionRecord &region);
// Frees the row table and run data, drops the caches and clears Bounds.
void MakeRegionEmpty(RegionRecord &region);
// Moves `fresh` into `target` so that target's address stays: target's
// buffers and caches are released, every field of fresh is copied over
// and fresh's shell is freed.
void ReplaceRegionInPlace(RegionRecord &target, RegionRecord *fresh);
// Notes that a cached object about to be stored was built for the view
// perspective `view`. The three caches share MaskPerspective, so objects
// cached under another view are dropped first.
void AdoptCacheView(RegionRecord &region, LONG view);
// A new GDI region with the same area as `region`, or NULL when GDI cannot
// make one (or `region` is NULL).
HRGN CopyGdiRegion(HRGN region);
// Attaches `region` to the bitmap, freeing the previous record.
void AttachRegion(BitmapRecord &bitmap, RegionRecord *region);

// ---- geometric operations (record replaced in place) ------------------------

int ZELT_API OffsetRgnRecord(RegionRecord *region, int dx, int dy);
int ZELT_API FlipRgnRecordVert(RegionRecord *region, int height);
int ZELT_API FlipBitmapRgnVert(BitmapRecord *bitmap);
int ZELT_API FlipBitmapRgnHorz(BitmapRecord *bitmap);
int ScaleRgnRecord(RegionRecord *region, LONG xNum, LONG xDen, LONG yNum, LONG yDen);
int ClipRgnRecord(RegionRecord *region, const RECT *clip);
// The bitmap's Width and Height are the destination size; its region is
// still in a srcWidth x srcHeight space. angle in hundredths of degrees.
int ZELT_API RotateBitmapRgn(BitmapRecord *bitmap, int srcWidth, int srcHeight, int angle);
// Turns a record by a multiple of 90 degrees (angle in hundredths, any
// sign) from a srcWidth x srcHeight space into dstWidth x dstHeight.
int RotateRgnRecord90(RegionRecord *region, LONG dstWidth, LONG dstHeight, LONG srcWidth, LONG srcHeight,
                      int angle);

// ---- set operations (new record through *out; inputs untouched) ------------

int IntersectRgnRecords(RegionRecord **out, const RegionRecord *a, const RegionRecord *b);
int UnionRgnRecords(RegionRecord **out, const RegionRecord *a, const RegionRecord *b);
int SubtractRgnRecords(RegionRecord **out, const RegionRecord *a, const RegionRecord *b);

// Merges `fresh` (caller coordinates mapped by xform, NULL: identity) into
// the bitmap's region by `mode`. Takes ownership of fresh in every
// outcome; a NULL record removes the bitmap's region.
int ZELT_API CombineBitmapRgn(BitmapRecord *bitmap, const RegionXForm *xform, RegionRecord *fresh, int mode);

// ---- shapes, colours and masks ------------------------------------------------

int ZELT_API SetBitmapRgnRectInt(BitmapRecord *bitmap, const RegionXForm *xform, const RECT *rect, int mode);
// Reads a GDI region row by row into a new record.
int ScanGdiRegion(HRGN region, RegionRecord **out);
int ZELT_API SetBitmapRgnColorInt(BitmapRecord *bitmap, COLORREF color, int mode);

// ---- display mapping and GDI handles ------------------------------------------

// Maps a rectangle of bitmap space to display space in place.
int BitmapRectToDisplay(const BitmapRecord *bitmap, const RegionXForm *xform, RECT *rect);
// A fresh GDI region of `region` mapped by xform, merged pairwise.
int BuildRgnHandle(const BitmapRecord *bitmap, const RegionRecord *region, const RegionXForm *xform, HRGN *out);
// Maps a record of bitmap space to display space in place.
int RgnRecordToDisplay(const BitmapRecord *bitmap, const RegionXForm *xform, RegionRecord *region);
int BuildFrameMask(BitmapRecord *bitmap, const RegionXForm *xform);
int BuildColorMask(BitmapRecord *bitmap, const RegionXForm *xform);

// ---- transfer ---------------------------------------------------------------------

int ZELT_API CopyBitmapRgnOffset(BitmapRecord *destination, BitmapRecord *source, int dx, int dy);
int ZELT_API ResizeBitmapRgn(BitmapRecord *bitmap, int newWidth, int newHeight);
int ZELT_API ShearBitmapRgn(BitmapRecord *bitmap, int angle);

}  // namespace zelt::region
