#include "gdi/stretch_spans.h"

#include <algorithm>
#include <atomic>

#include "gdi/dc.h"

namespace zelt::platform {

namespace {

std::atomic<bool> generalWalkForced{false};

// The source column of every destination column of [left, right), and the
// columns whose source lies inside the DIB: [validLeft, validRight).
class ColumnPlan {
public:
    // False when the memory cannot be had.
    [[nodiscard]] bool Build(const StretchCall &call, const StretchAxis &xMap, int sourceWidth, int left, int right) noexcept {
        left_ = left;
        if (!storage_.Reset(std::size_t(right - left) * sizeof(int))) return false;
        columns_ = reinterpret_cast<int *>(storage_.Data());
        validLeft_ = right;
        validRight_ = left;
        contiguous_ = true;
        consecutive_ = true;
        bool rising = true, falling = true;
        for (int x = left; x < right; ++x) {
            const int k = call.destWidth > 0 ? x - call.xDest : call.xDest - x;
            const int column = xMap.Count(k) > 0 ? xMap.First(k) : -1;
            columns_[x - left] = column;
            if (column < 0 || column >= sourceWidth) continue;
            if (validLeft_ == right) {
                validLeft_ = x;
            } else {
                // A gap between inside columns, or columns not one apart.
                const int before = columns_[x - 1 - left];
                contiguous_ = contiguous_ && validRight_ == x;
                consecutive_ = consecutive_ && column == before + 1;
                rising = rising && column >= before;
                falling = falling && column <= before;
            }
            validRight_ = x + 1;
        }
        // The gather functions want the columns to run one way.
        contiguous_ = contiguous_ && (rising || falling);
        return true;
    }
    // The inside columns form one run of destination columns, their source
    // columns rising or falling.
    bool Contiguous() const noexcept { return contiguous_; }
    // Inside columns are source columns one apart, left to right: the span
    // is a plain run of the source row.
    bool Consecutive() const noexcept { return consecutive_; }
    int ValidLeft() const noexcept { return validLeft_; }
    int ValidRight() const noexcept { return validRight_; }
    const int *At(int x) const noexcept { return columns_ + (x - left_); }

private:
    ByteBuffer storage_;
    int *columns_ = nullptr;
    int left_ = 0, validLeft_ = 0, validRight_ = 0;
    bool contiguous_ = true, consecutive_ = true;
};

}  // namespace

void ForceGeneralStretchWalk(bool general) noexcept { generalWalkForced.store(general, std::memory_order_relaxed); }
bool GeneralStretchWalkForced() noexcept { return generalWalkForced.load(std::memory_order_relaxed); }

SpanWalk DrawStretchSpans(const DcObject &dc, const Surface &source, const StretchCall &call, const RECT &span,
                          const PixelConverter &converter, const StretchAxis &xMap, const StretchAxis &yMap) {
    Surface &destination = dc.Target();
    const RECT bounds = dc.TargetBounds();
    const int left = std::max<int>(span.left, bounds.left), right = std::min<int>(span.right, bounds.right);
    if (left >= right) return SpanWalk::Drawn;
    ColumnPlan plan;
    if (!plan.Build(call, xMap, source.width, left, right)) return SpanWalk::OutOfMemory;
    if (!plan.Contiguous()) return SpanWalk::NotTaken;
    const bool run = plan.Consecutive();
    // Rows are taken in the order in which the source rows rise in memory:
    // reading a large DIB backwards runs at half the speed.
    const int sourceRowStep = (call.destHeight > 0 ? 1 : -1) * yMap.Step();
    const bool upward = (source.stride < 0) == (sourceRowStep > 0);

    dc.DrawableRegion().ForEachRect([&](const RECT &clip) {
        const int x0 = std::max<int>(clip.left, plan.ValidLeft()), x1 = std::min<int>(clip.right, plan.ValidRight());
        const int y0 = std::max<int>(clip.top, span.top), y1 = std::min<int>(clip.bottom, span.bottom);
        if (x0 >= x1) return;
        const int count = x1 - x0;
        const int *columns = plan.At(x0);
        // The source row of the destination row just drawn, -1 for none.
        int previousRow = -1;
        const BYTE *previous = nullptr;
        for (int i = 0; i < y1 - y0; ++i) {
            const int y = upward ? y1 - 1 - i : y0 + i;
            const int k = call.destHeight > 0 ? y - call.yDest : call.yDest - y;
            const int row = yMap.Count(k) > 0 ? yMap.First(k) : -1;
            if (row < 0 || row >= source.height) {
                previousRow = -1;
                continue;
            }
            BYTE *destinationRow = destination.Row(y);
            if (row == previousRow)
                destination.ops->copySpan(destinationRow, x0, previous, x0, count);
            else if (run)
                converter.Store(source.Row(row), columns[0], destinationRow, x0, count);
            else
                converter.Gather(source.Row(row), columns, destinationRow, x0, count);
            previousRow = row;
            previous = destinationRow;
        }
    });
    return SpanWalk::Drawn;
}

}  // namespace zelt::platform
