// KrnChangePerspective: stores the same picture in another perspective.
// Changes that keep the axes (a vertical flip, a half turn, or both) mirror
// rows and columns in place; quarter turns move every pixel into a new image
// of exchanged size, which replaces the old one only when the region has
// followed.
#include <algorithm>

#include "image_mirror.h"
#include "image_replace.h"
#include "pixel_access.h"
#include "progress_report.h"
#include "record_internal.h"
#include "region_follow.h"

namespace zelt::kernel {
namespace {

constexpr bool IsPerspective(int p) { return p >= 0 && p <= 8; }

// Where pixel (x, y) of the turned image comes from in the old one:
// column = column0 + y * columnPerY, row = row0 + x * rowPerX + y * rowPerY.
// Along a turned row the column stays and the row moves by one.
struct QuarterWalk {
    int column0, columnPerY;
    int row0, rowPerX, rowPerY;
};

// KrnGetPerspectiveChange flips first, then turns clockwise with rows in
// memory order: a turn of 90 takes (x, y) from (y, H-1-x), 270 from
// (W-1-y, x); the flip then replaces row r by H-1-r.
QuarterWalk WalkFor(int width, int height, bool flip, int degrees) {
    QuarterWalk walk = degrees == 90 ? QuarterWalk{0, 1, height - 1, -1, 0} : QuarterWalk{width - 1, -1, 0, 1, 0};
    if (flip) {
        walk.row0 = height - 1 - walk.row0;
        walk.rowPerX = -walk.rowPerX;
        walk.rowPerY = -walk.rowPerY;
    }
    return walk;
}

// Turned rows are filled a band at a time: a band's rows read neighbouring
// columns of each old row, so each old row's bytes are fetched once per band.
constexpr int kBandRows = 16;

using BandMover = void (*)(const BitmapRecord &from, const ReplacementImage &to, const QuarterWalk &walk, int firstRow,
                           int rows);

template <typename Access>
void MoveBand(const BitmapRecord &from, const ReplacementImage &to, const QuarterWalk &walk, int firstRow, int rows) {
    BYTE *targets[kBandRows];
    std::size_t columns[kBandRows];
    for (int i = 0; i < rows; ++i) {
        targets[i] = to.BeginRow(firstRow + i);
        columns[i] = static_cast<std::size_t>(walk.column0 + (firstRow + i) * walk.columnPerY);
    }
    const int row0 = walk.row0 + firstRow * walk.rowPerY;
    for (int x = 0; x < to.Width(); ++x) {
        const BYTE *source = RowAddress(&from, row0 + x * walk.rowPerX);
        for (int i = 0; i < rows; ++i) Access::Set(targets[i], static_cast<std::size_t>(x), Access::Get(source, columns[i]));
    }
}

int TurnQuarter(BitmapRecord &bitmap, bool flip, int degrees) {
    const BandMover move = pixels::WithAccess<BandMover>(
        bitmap.BitsPerPixel, []<typename Access>(Access) -> BandMover { return MoveBand<Access>; }, nullptr);
    if (move == nullptr) return STATUS_BAD_PARAMETER;
    ReplacementImage turned;
    int status = turned.Allocate(bitmap.Height, bitmap.Width, bitmap.BitsPerPixel);
    if (status != STATUS_OK) return status;
    const QuarterWalk walk = WalkFor(bitmap.Width, bitmap.Height, flip, degrees);
    ProgressReport progress;
    for (int row = 0; row < turned.Height(); row += kBandRows) {
        const int rows = (std::min)(kBandRows, turned.Height() - row);
        move(bitmap, turned, walk, row, rows);
        status = progress.Step(row + rows, turned.Height());
        if (status != STATUS_OK) return status;
    }
    status = TurnRegionQuarter(bitmap, flip, degrees, turned.Width(), turned.Height());
    if (status != STATUS_OK) return status;
    turned.CommitTo(bitmap);
    return STATUS_OK;
}

// A flip and no turn mirrors the rows; a half turn mirrors rows and
// columns; both together leave only the columns mirrored.
int MirrorInPlace(BitmapRecord &bitmap, bool flip, bool halfTurn) {
    const bool rows = flip != halfTurn;
    const bool columns = halfTurn;
    if (rows) {
        const int status = MirrorRegion(bitmap, false);
        if (status != STATUS_OK) return status;
    }
    if (columns) {
        const int status = MirrorRegion(bitmap, true);
        if (status != STATUS_OK) {
            if (rows) MirrorRegion(bitmap, false);
            return status;
        }
        MirrorColumns(bitmap);
    }
    if (rows) MirrorRows(bitmap);
    return STATUS_OK;
}

int ChangeInPlace(BitmapRecord &bitmap, int perspective) {
    if (!IsPerspective(bitmap.ViewPerspective) || !IsSupportedDepth(bitmap.BitsPerPixel)) return STATUS_BAD_PARAMETER;
    int flip = 0, degrees = 0;
    int status = KrnGetPerspectiveChange(bitmap.ViewPerspective, perspective, &flip, &degrees);
    if (status != STATUS_OK) return status;
    status = degrees % 180 == 0 ? MirrorInPlace(bitmap, flip != 0, degrees == 180)
                                : TurnQuarter(bitmap, flip != 0, degrees);
    if (status == STATUS_OK) bitmap.ViewPerspective = perspective;
    return status;
}

}  // namespace
}  // namespace zelt::kernel

using namespace zelt::kernel;

extern "C" int ZELT_API KrnChangePerspective(const BitmapRecord *source, BitmapRecord *bitmap, int perspective,
                                             UINT flags) {
    if (source == nullptr || source == bitmap) {
        if (!RecordIsAllocated(bitmap)) return STATUS_NO_BITMAP;
        if (!IsPerspective(perspective) || flags != 0) return STATUS_BAD_PARAMETER;
        return ChangeInPlace(*bitmap, perspective);
    }
    if (!RecordIsAllocated(source)) return STATUS_NO_BITMAP;
    if (bitmap == nullptr || !IsPerspective(perspective) || flags != 0 || !IsPerspective(source->ViewPerspective))
        return STATUS_BAD_PARAMETER;
    int status = KrnCopyBitmap(bitmap, source);
    if (status != STATUS_OK) return status;
    status = ChangeInPlace(*bitmap, perspective);
    if (status != STATUS_OK) KrnFreeBitmap(bitmap);
    return status;
}
