// Turning a region with its bitmap. Every destination pixel is traced back
// to the source region with fixed-point stepping (16384 = 1.0) and tested
// there; the test is repeated only when the traced position moves to
// another source pixel.
#include <cstdint>

#include "region/region_internal.h"

namespace zelt::region {

namespace {

constexpr LONG kOne = 16384;
constexpr int64_t kFullTurn = 36000;

// A source position: integer part and a fraction in 1/16384 units that
// stays strictly between -1 and 1.
struct Coordinate {
    LONG whole = 0;
    LONG fraction = 0;

    // |step| <= 1.0, so one carry brings the fraction back into range.
    void Advance(LONG step) {
        fraction += step;
        if (fraction >= kOne) {
            fraction -= kOne;
            ++whole;
        } else if (fraction <= -kOne) {
            fraction += kOne;
            --whole;
        }
    }
};

struct Position {
    Coordinate column;
    Coordinate row;
};

bool IsMirroringPerspective(LONG perspective) {
    return perspective == 1 || perspective == 2 || perspective == 5 || perspective == 7;
}

// Where destination pixel (0, 0) lies in the source.
Position RowZeroStart(LONG c, LONG s, LONG width, LONG height, LONG srcWidth, LONG srcHeight) {
    Position p;
    if (c == 0 && s > 0) {
        p.column.whole = srcWidth - 1;
    } else if (c == 0) {
        p.row.whole = srcHeight - 1;
    } else if (s == 0) {
        p.column.whole = srcWidth - 1;
        p.row.whole = srcHeight - 1;
    } else {
        const int64_t dw = width / 2, dh = height / 2;
        const int64_t t1 = int64_t(s) * dh - int64_t(c) * dw;
        const int64_t t2 = -(int64_t(s) * dw + int64_t(c) * dh);
        p.column.whole = LONG(srcWidth / 2 + t1 / kOne);
        p.column.fraction = LONG(t1 % kOne);
        p.row.whole = LONG(srcHeight / 2 + t2 / kOne);
        p.row.fraction = LONG(t2 % kOne);
    }
    return p;
}

// Writes one destination row: the runs of destination columns whose traced
// source pixel is selected.
void TraceRow(RegionBuilder &builder, BitmapRecord *bitmap, Position at, LONG c, LONG s) {
    const LONG width = bitmap->Width;
    LONG runStart = 0, runEnd = 0;
    LONG testedColumn = 0, testedRow = 0;
    bool inside = false;
    for (LONG x = 0; x < width; ++x) {
        if (x == 0 || at.column.whole != testedColumn || at.row.whole != testedRow) {
            testedColumn = at.column.whole;
            testedRow = at.row.whole;
            inside = Z_IsPtInBitmapRgn(bitmap, testedRow, testedColumn) != 0;
        }
        if (inside) {
            if (runEnd == x) {
                runEnd = x + 1;
            } else {
                if (runEnd > runStart) AppendRun(builder, runStart, runEnd);
                runStart = x;
                runEnd = x + 1;
            }
        }
        at.column.Advance(c);
        at.row.Advance(s);
    }
    if (runEnd > runStart) AppendRun(builder, runStart, runEnd);
}

}  // namespace

int ZELT_API RotateBitmapRgn(BitmapRecord *bitmap, int srcWidth, int srcHeight, int angle) {
    if (bitmap == nullptr) return STATUS_NO_BITMAP;
    RegionRecord *region = bitmap->Region;
    if (region == nullptr) return STATUS_OK;

    // The traced direction is the inverse turn; mirroring views see it the
    // other way round.
    LONG a = LONG(-int64_t(angle) % kFullTurn);
    if (a < 0) a += LONG(kFullTurn);
    if (a == 0) return STATUS_OK;
    if (IsMirroringPerspective(bitmap->ViewPerspective)) a = LONG(kFullTurn) - a;

    const LONG c = KrnCosFixed(a);
    const LONG s = KrnSinFixed(a);
    const RECT whole{0, 0, bitmap->Width, bitmap->Height};
    Position rowStart = RowZeroStart(c, s, bitmap->Width, bitmap->Height, srcWidth, srcHeight);

    RegionBuilder builder;
    int status = BeginRegion(builder, whole);
    if (status != STATUS_OK) return status;
    for (LONG y = 0; y < whole.bottom; ++y) {
        TraceRow(builder, bitmap, rowStart, c, s);
        status = EndRegionRow(builder);
        if (status != STATUS_OK) return status;
        rowStart.column.Advance(-s);
        rowStart.row.Advance(c);
    }
    RegionRecord *turned = FinishRegion(builder);
    status = ClipRgnRecord(turned, &whole);
    if (status != STATUS_OK) {
        KrnFreeRegion(turned);
        return status;
    }
    ReplaceRegionInPlace(*region, turned);
    return STATUS_OK;
}

int RotateRgnRecord90(RegionRecord *region, LONG dstWidth, LONG dstHeight, LONG srcWidth, LONG srcHeight, int angle) {
    if (region == nullptr) return STATUS_BAD_PARAMETER;
    LONG a = LONG(int64_t(angle) % kFullTurn);
    if (a < 0) a += LONG(kFullTurn);
    if (a == 0) return STATUS_OK;
    if (a != 9000 && a != 18000 && a != 27000) return STATUS_BAD_PARAMETER;

    // A bitmap record without data carries the region through the turn.
    BitmapRecord carrier;
    int status = KrnInitBitmapRecord(&carrier, dstWidth, dstHeight, 1);
    if (status != STATUS_OK) return status;
    carrier.ViewPerspective = 0;
    carrier.Region = region;
    status = RotateBitmapRgn(&carrier, srcWidth, srcHeight, a);
    carrier.Region = nullptr;
    return status;
}

}  // namespace zelt::region
