// KrnCombineBitmap: copies a rectangle of one image into another image of
// the same pixel layout, optionally only the source pixels that lie inside
// the source's region.
//
// The rectangle is placed in the destination's coordinates as seen in the
// source's perspective; the kernel's perspective mapping turns that into an
// affine map from source pixels to stored destination pixels, worked out
// once per call. Each source row, cut into runs by the region, then goes to
// the destination in one of three ways chosen once: a bit-run copy when the
// row stays a row in the same direction (the usual case, including the
// bottom-up canvas under top-down frames), a reversed row, or a column.
#include <algorithm>
#include <cstdint>

#include "bit_copy.h"
#include "pixel_formats.h"
#include "record_internal.h"
#include "region_internal.h"

namespace zelt::kernel {
namespace {

constexpr UINT kKnownFlags = KRN_COMBINE_COPY | KRN_COMBINE_SOURCE_REGION;

bool IsPerspectiveCode(LONG perspective) { return perspective >= 0 && perspective <= 8; }
bool TurnsQuarter(LONG perspective) {
    return perspective == 4 || perspective == 5 || perspective == 7 || perspective == 8;
}

// Pixel values are copied as they stand, so both must store them alike.
bool SameLayout(const BitmapRecord &a, const BitmapRecord &b) {
    if (a.BitsPerPixel != b.BitsPerPixel) return false;
    return a.BitsPerPixel <= 8 || a.Order == b.Order;
}

// Where the source pixel (x, y) lands in the destination's stored image:
// (originX + x * stepXx + y * stepYx, originY + x * stepXy + y * stepYy).
struct PixelMap {
    LONG originX = 0, originY = 0;
    LONG stepXx = 1, stepXy = 0;  // one pixel along a source row
    LONG stepYx = 0, stepYy = 1;  // one source row down
};

// The stored destination pixel shown where pixel (x, y) of the
// destination in `perspective` coordinates (a width x height box) is.
POINT MapPixel(LONG perspective, LONG width, LONG height, LONG target, LONG x, LONG y) {
    RECT cell{x, y, x + 1, y + 1};
    KrnMapRectPerspective(perspective, width, height, target, &cell);
    return POINT{cell.left, cell.top};
}

// The map for source pixels offset by (dx, dy) into the destination seen
// in the source's perspective, whose box there is boxWidth x boxHeight.
PixelMap BuildPixelMap(const BitmapRecord &destination, LONG perspective, LONG boxWidth, LONG boxHeight, LONG dx,
                       LONG dy) {
    // The perspective map is affine on pixel centres: three points fix it.
    const LONG target = destination.ViewPerspective;
    const POINT origin = MapPixel(perspective, boxWidth, boxHeight, target, 0, 0);
    const POINT alongRow = MapPixel(perspective, boxWidth, boxHeight, target, 1, 0);
    const POINT down = MapPixel(perspective, boxWidth, boxHeight, target, 0, 1);
    PixelMap map;
    map.stepXx = alongRow.x - origin.x;
    map.stepXy = alongRow.y - origin.y;
    map.stepYx = down.x - origin.x;
    map.stepYy = down.y - origin.y;
    map.originX = origin.x + dx * map.stepXx + dy * map.stepYx;
    map.originY = origin.y + dx * map.stepXy + dy * map.stepYy;
    return map;
}

// Everything a run copy needs, fixed for the call.
struct CopyJob {
    const BitmapRecord *source;
    BitmapRecord *destination;
    const PixelFormat *format;
    BitCopyFunction copyBits;
    PixelMap map;
};

using RunCopy = void (*)(const CopyJob &job, LONG y, LONG first, LONG end);

// The row stays a row, left to right: one bit-run copy.
void CopyRunForward(const CopyJob &job, LONG y, LONG first, LONG end) {
    const std::size_t bits = static_cast<std::size_t>(job.format->bitsPerPixel);
    const LONG x = job.map.originX + first * job.map.stepXx + y * job.map.stepYx;
    const LONG row = job.map.originY + y * job.map.stepYy;
    job.copyBits(RowAddress(job.destination, row), static_cast<std::size_t>(x) * bits, RowAddress(job.source, y),
                 static_cast<std::size_t>(first) * bits, static_cast<std::size_t>(end - first) * bits);
}

// The row is mirrored, or becomes a column: pixel by pixel through the
// layout's accessors.
void CopyRunByPixel(const CopyJob &job, LONG y, LONG first, LONG end) {
    const BYTE *from = RowAddress(job.source, y);
    LONG x = job.map.originX + first * job.map.stepXx + y * job.map.stepYx;
    LONG row = job.map.originY + first * job.map.stepXy + y * job.map.stepYy;
    const auto read = job.format->readPixel;
    const auto write = job.format->writePixel;
    if (job.map.stepXy == 0) {
        BYTE *to = RowAddress(job.destination, row);
        for (LONG c = first; c < end; ++c, x += job.map.stepXx) write(to, x, read(from, c));
        return;
    }
    for (LONG c = first; c < end; ++c, row += job.map.stepXy) write(RowAddress(job.destination, row), x, read(from, c));
}

// The clipped source rectangle (stored source coordinates) and the offset
// from it into the destination seen in the source's perspective.
struct Placement {
    LONG left, top, right, bottom;
    LONG dx, dy;
    bool Empty() const { return right <= left || bottom <= top; }
};

Placement Clip(const BitmapRecord &source, LONG boxWidth, LONG boxHeight, int left, int top, int width, int height,
               int sourceLeft, int sourceTop) {
    const std::int64_t dx = std::int64_t{left} - sourceLeft, dy = std::int64_t{top} - sourceTop;
    const std::int64_t x0 = std::max<std::int64_t>({sourceLeft, 0, -dx});
    const std::int64_t y0 = std::max<std::int64_t>({sourceTop, 0, -dy});
    const std::int64_t x1 = std::min<std::int64_t>({std::int64_t{sourceLeft} + width, source.Width, boxWidth - dx});
    const std::int64_t y1 = std::min<std::int64_t>({std::int64_t{sourceTop} + height, source.Height, boxHeight - dy});
    if (x1 <= x0 || y1 <= y0) return Placement{0, 0, 0, 0, 0, 0};
    // Inside both images, so every value fits a LONG.
    return Placement{static_cast<LONG>(x0), static_cast<LONG>(y0), static_cast<LONG>(x1),
                     static_cast<LONG>(y1), static_cast<LONG>(dx), static_cast<LONG>(dy)};
}

void CopyWhole(const CopyJob &job, RunCopy copy, const Placement &at) {
    for (LONG y = at.top; y < at.bottom; ++y) copy(job, y, at.left, at.right);
}

void CopyInsideRegion(const CopyJob &job, RunCopy copy, const Placement &at, const RegionRecord &region,
                      LONG regionRows) {
    const LONG first = std::max(at.top, region.Bounds.top);
    const LONG last = std::min(at.bottom, region.Bounds.top + regionRows);
    for (LONG y = first; y < last; ++y) {
        const RowEntry &entry = region.RowTable[y - region.Bounds.top];
        const LONG *runs = region.RunData + entry.Offset / sizeof(LONG);
        for (DWORD k = 0; k + 1 < entry.Count; k += 2) {
            const LONG start = std::max(runs[k], at.left);
            const LONG end = std::min(runs[k + 1], at.right);
            if (start < end) copy(job, y, start, end);
        }
    }
}

}  // namespace
}  // namespace zelt::kernel

using namespace zelt::kernel;

extern "C" int ZELT_API KrnCombineBitmap(BitmapRecord *destination, int left, int top, int width, int height,
                                         const BitmapRecord *source, int sourceLeft, int sourceTop, UINT flags) {
    if (!RecordIsAllocated(destination) || !RecordIsAllocated(source)) return STATUS_NO_BITMAP;
    if ((flags & KRN_COMBINE_COPY) == 0 || (flags & ~kKnownFlags) != 0) return STATUS_BAD_PARAMETER;
    // Copying an image onto itself would read what it has just written.
    if (!SameLayout(*destination, *source) || destination->Data == source->Data) return STATUS_BAD_PARAMETER;
    const PixelFormat *format = FormatOf(destination);
    if (format == nullptr || !IsPerspectiveCode(destination->ViewPerspective) ||
        !IsPerspectiveCode(source->ViewPerspective)) {
        return STATUS_BAD_PARAMETER;
    }
    const RegionRecord *region = (flags & KRN_COMBINE_SOURCE_REGION) != 0 ? source->Region : nullptr;
    const LONG regionRows = region != nullptr ? CheckedRegionRows(*region) : 0;
    if (regionRows < 0) return STATUS_BAD_PARAMETER;

    // The destination's box in the source's perspective.
    const bool exchanged = TurnsQuarter(destination->ViewPerspective) != TurnsQuarter(source->ViewPerspective);
    const LONG boxWidth = exchanged ? destination->Height : destination->Width;
    const LONG boxHeight = exchanged ? destination->Width : destination->Height;
    const Placement at = Clip(*source, boxWidth, boxHeight, left, top, width, height, sourceLeft, sourceTop);
    if (at.Empty()) return STATUS_OK;

    CopyJob job{source, destination, format, BitCopierForDepth(format->bitsPerPixel),
                BuildPixelMap(*destination, source->ViewPerspective, boxWidth, boxHeight, at.dx, at.dy)};
    const RunCopy copy = job.map.stepXx == 1 ? CopyRunForward : CopyRunByPixel;
    if (region == nullptr)
        CopyWhole(job, copy, at);
    else
        CopyInsideRegion(job, copy, at, *region, regionRows);
    return STATUS_OK;
}
