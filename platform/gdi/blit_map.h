// One axis of a stretched blit: which source positions feed each destination
// position. Both extents are walked from their start coordinate (a negative
// extent walks backwards and includes its start), enlarging samples pixel
// centres with ties to the lower index, shrinking gives every destination
// step a run of consecutive source steps.
#pragma once

#include "base/allocator.h"
#include "zelt/win32.h"

namespace zelt::platform {

// What a destination step keeps of its source run when shrinking.
enum class RunPick : unsigned char {
    First,  // the first source step (y axis when deleting scans)
    Last,   // the last source step (x axis when deleting scans)
    All,    // every step, merged by AND or OR
};

struct AxisStep {
    int dst;       // destination coordinate
    int srcFirst;  // source coordinates of the run, in walk order
    int srcLast;
};

class AxisMap {
public:
    // Builds the steps of an axis whose source has `srcLength` pixels.
    // Steps whose run lies wholly outside the source are dropped (their
    // destination pixels stay untouched); runs partly outside are cut to it.
    // False on allocation failure.
    [[nodiscard]] bool Build(int dstStart, int dstExtent, int srcStart, int srcExtent, int srcLength,
                             RunPick pick) noexcept;

    int Count() const noexcept { return count_; }
    const AxisStep &Step(int i) const noexcept { return Steps()[i]; }
    // Walk direction of the source (+1 or -1).
    int SourceDirection() const noexcept { return srcDir_; }
    // Smallest and largest destination and source coordinates used (Count() > 0).
    int DstMin() const noexcept { return dstMin_; }
    int DstMax() const noexcept { return dstMax_; }
    int SrcMin() const noexcept { return srcMin_; }
    int SrcMax() const noexcept { return srcMax_; }

private:
    const AxisStep *Steps() const noexcept { return reinterpret_cast<const AxisStep *>(steps_.Data()); }

    ByteBuffer steps_;
    int count_ = 0;
    int srcDir_ = 1;
    int dstMin_ = 0, dstMax_ = -1, srcMin_ = 0, srcMax_ = -1;
};

// The walk index of the source step sampled by destination step k when
// enlarging (n >= s): pixel-centre sampling.
constexpr int EnlargeSample(int k, int n, int s) noexcept {
    return static_cast<int>(((2LL * k + 1) * s - 1) / (2LL * n));
}
// The destination step a source step j falls on when shrinking (n < s).
constexpr int ShrinkTarget(int j, int n, int s) noexcept {
    return static_cast<int>(((2LL * j + 1) * n - 1) / (2LL * s));
}

}  // namespace zelt::platform
