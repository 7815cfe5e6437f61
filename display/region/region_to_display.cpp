// Mapping a whole region record from bitmap space into display space, the
// way a rectangle is mapped: first between view perspectives (flip, then a
// quarter-turn count), then scaled, then offset. The scale rounds x edges
// up; y edges round up only when the transform counts rows bottom-up
// (perspective 2, or 0 over a bitmap shown in perspective 4) and are
// truncated otherwise, so that the mapped record always lies inside its
// mapped bounding box.
#include <cstdint>
#include <limits>

#include "region/region_internal.h"

namespace zelt::region {

namespace {

// One axis of the scale: (v * num + bias) / den truncating toward zero,
// 0 kept as 0, evaluated in 64 bits and saturated to the 32-bit range.
struct AxisScale {
    LONG num;
    LONG den;
    std::int64_t bias;

    LONG operator()(LONG v) const {
        if (v == 0) return 0;
        const std::int64_t scaled = (std::int64_t(v) * num + bias) / den;
        if (scaled > std::numeric_limits<LONG>::max()) return std::numeric_limits<LONG>::max();
        if (scaled < std::numeric_limits<LONG>::min()) return std::numeric_limits<LONG>::min();
        return LONG(scaled);
    }
};

bool RoundsRowsUp(const BitmapRecord &bitmap, LONG perspective) {
    return perspective == 2 || (perspective == 0 && bitmap.ViewPerspective == 4);
}

// Writes the scaled runs of one source row into the builder's current row.
// Runs that meet after scaling are merged; runs that shrink to nothing are
// dropped.
void AppendScaledRow(RegionBuilder &builder, RowRuns row, const AxisScale &scaleX) {
    bool open = false;
    LONG runStart = 0, runEnd = 0;
    for (DWORD i = 0; i + 1 < row.count; i += 2) {
        LONG start = scaleX(row.values[i]);
        const LONG end = scaleX(row.values[i + 1]);
        if (open && start < runEnd) start = runEnd;  // only a non-monotone scale gets here
        if (end <= start) continue;
        if (open && start == runEnd) {
            runEnd = end;
            continue;
        }
        if (open) AppendRun(builder, runStart, runEnd);
        open = true;
        runStart = start;
        runEnd = end;
    }
    if (open) AppendRun(builder, runStart, runEnd);
}

// Scales the record in place. Each source row y fills the display rows
// scaleY(y) .. scaleY(y + 1) - 1 (none when the scale shrinks it away).
int ScaleForDisplay(RegionRecord &region, const AxisScale &scaleX, const AxisScale &scaleY) {
    const RECT &bounds = region.Bounds;
    const RECT box{scaleX(bounds.left), scaleY(bounds.top), scaleX(bounds.right), scaleY(bounds.bottom)};
    if (IsRectEmpty(box) || IsRectEmpty(bounds)) {
        MakeRegionEmpty(region);
        return STATUS_OK;
    }
    RegionBuilder builder;
    int status = BeginRegion(builder, box);
    if (status != STATUS_OK) return status;
    LONG next = box.top;  // the next display row to write
    for (LONG y = bounds.top; y < bounds.bottom && next < box.bottom; ++y) {
        const LONG last = scaleY(y + 1) < box.bottom ? scaleY(y + 1) : box.bottom;
        if (next >= last) continue;
        const RowRuns row = RowOf(region, y);
        for (; next < last; ++next) {
            AppendScaledRow(builder, row, scaleX);
            status = EndRegionRow(builder);
            if (status != STATUS_OK) return status;
        }
    }
    for (; next < box.bottom; ++next) {
        status = EndRegionRow(builder);
        if (status != STATUS_OK) return status;
    }
    ReplaceRegionInPlace(region, FinishRegion(builder));
    return STATUS_OK;
}

int ChangePerspective(const BitmapRecord &bitmap, LONG perspective, RegionRecord &region) {
    int flip = 0, degrees = 0;
    int status = KrnGetPerspectiveChange(bitmap.ViewPerspective, perspective, &flip, &degrees);
    if (status != STATUS_OK) return status;
    if (flip != 0) {
        status = FlipRgnRecordVert(&region, bitmap.Height);
        if (status != STATUS_OK) return status;
    }
    if (degrees == 0) return STATUS_OK;
    const bool quarterTurn = (degrees / 90) % 2 != 0;
    const LONG dstWidth = quarterTurn ? bitmap.Height : bitmap.Width;
    const LONG dstHeight = quarterTurn ? bitmap.Width : bitmap.Height;
    return RotateRgnRecord90(&region, dstWidth, dstHeight, bitmap.Width, bitmap.Height, degrees * 100);
}

}  // namespace

int RgnRecordToDisplay(const BitmapRecord *bitmap, const RegionXForm *xform, RegionRecord *region) {
    if (bitmap == nullptr) return STATUS_NO_BITMAP;
    if (region == nullptr) return STATUS_BAD_PARAMETER;
    if (xform == nullptr) return STATUS_OK;
    if (!IsAcceptedPerspective(xform->Perspective) || xform->XDen == 0 || xform->YDen == 0) {
        return STATUS_BAD_PARAMETER;
    }
    int status = STATUS_OK;
    if (bitmap->ViewPerspective != xform->Perspective) {
        status = ChangePerspective(*bitmap, xform->Perspective, *region);
        if (status != STATUS_OK) return status;
    }
    if (xform->XNum != xform->XDen || xform->YNum != xform->YDen) {
        const AxisScale scaleX{xform->XNum, xform->XDen, std::int64_t(xform->XDen) - 1};
        const AxisScale scaleY{xform->YNum, xform->YDen,
                               RoundsRowsUp(*bitmap, xform->Perspective) ? std::int64_t(xform->YDen) - 1 : 0};
        status = ScaleForDisplay(*region, scaleX, scaleY);
        if (status != STATUS_OK) return status;
    }
    return OffsetRgnRecord(region, xform->XOffset, xform->YOffset);
}

}  // namespace zelt::region
