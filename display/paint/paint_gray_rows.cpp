// A source row of a 1-bit image as runs, spread over the cells of a
// destination line.
#include <algorithm>
#include <cstring>

#include "paint/paint_gray_band.h"

namespace paint_gray {

bool RunRow::Prepare(BitmapRecord *bitmap, std::int64_t lo, std::int64_t hi, int invert) {
    bitmap_ = bitmap;
    invert_ = invert != 0;
    // The columns read from the image: the range cut to it, at least its
    // edge pixel (every cell holds the pixel at its proportional position,
    // which lies inside).
    const std::int64_t width = bitmap->Width;
    const std::int64_t a = std::clamp<std::int64_t>(lo, 0, width - 1);
    const std::int64_t b = std::clamp<std::int64_t>(hi, a + 1, width);
    first_ = static_cast<int>(a);
    count_ = static_cast<int>(b - a);
    lo_ = std::min(lo, a);
    hi_ = std::max(hi, b);
    scratch_ = paint_band::Allocate((static_cast<std::size_t>(count_) + 15) / 8);
    runs_ = paint_band::Allocate((static_cast<std::size_t>(count_) + 3) * sizeof(WORD));
    return scratch_ && runs_;
}

int RunRow::Read(int row) {
    const int n = KrnGetRowRuns(bitmap_, scratch_.get(), As<WORD>(runs_), row, first_, count_);
    if (n < 0) return n;
    runCount_ = n;
    return STATUS_OK;
}

template <typename Segment>
void RunRow::ForEachSegment(Segment segment) const {
    const WORD *runs = As<WORD>(runs_);
    // Runs alternate from value 0; black is 0, or 1 when inverted.
    auto black = [&](int k) { return ((k & 1) != 0) == invert_; };
    const std::int64_t before = std::max<std::int64_t>(first_ - lo_, 0);
    const std::int64_t after = std::max<std::int64_t>(hi_ - (first_ + count_), 0);
    if (before > 0) {
        int k = 0;
        while (runs[k] == 0) ++k;
        segment(before, black(k));
    }
    for (int k = 0; k < runCount_; ++k)
        if (runs[k] != 0) segment(std::int64_t{runs[k]}, black(k));
    if (after > 0) {
        int k = runCount_ - 1;
        while (runs[k] == 0) --k;
        segment(after, black(k));
    }
}

void RunRow::AddBlack(const std::int64_t *bounds, int cells, std::int64_t *counts) const {
    std::int64_t pos = lo_;
    int cell = 0;
    ForEachSegment([&](std::int64_t length, bool black) {
        const std::int64_t end = pos + length;
        if (black) {
            // Split the black segment at the cell edges it crosses.
            std::int64_t from = std::max(pos, bounds[0]);
            const std::int64_t to = std::min(end, bounds[cells]);
            while (from < to) {
                while (bounds[cell + 1] <= from) ++cell;
                const std::int64_t stop = std::min(to, bounds[cell + 1]);
                counts[cell] += stop - from;
                from = stop;
            }
        }
        pos = end;
    });
}

void RunRow::BlackFlags(BYTE *flags) const {
    std::int64_t pos = 0;
    ForEachSegment([&](std::int64_t length, bool black) {
        std::memset(flags + pos, black ? 1 : 0, static_cast<std::size_t>(length));
        pos += length;
    });
}

}  // namespace paint_gray
