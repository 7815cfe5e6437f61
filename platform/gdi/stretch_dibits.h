// The sample maps of StretchDIBits: which source positions each destination
// position along one axis takes. (StretchBlt walks with the blit engine's
// AxisMap, blit_map.h.)
#pragma once

#include "base/allocator.h"
#include "zelt/win32.h"

namespace zelt::platform {

// A StretchDIBits call after its extents and source origin are settled:
// the destination in device units, `sy` the top source row.
struct StretchCall {
    int xDest, yDest, destWidth, destHeight;
    int xSrc, sy, srcWidth, srcHeight;
    DWORD rop;
    int stretchMode;
};

// One axis of a stretch. Destination step k covers source positions
// first[k], first[k] + step, … (count[k] of them), in source coordinates.
class StretchAxis {
public:
    // n = destination steps, s = source steps, both > 0; `sourceStart` and
    // `sourceStep` (+1 or -1) give the source position of step j; with
    // `merge` a shrinking axis keeps every source step of a run (for
    // BLACKONWHITE and WHITEONBLACK), else it keeps the last one (`keepLast`)
    // or the first one.
    [[nodiscard]] bool Build(int n, int s, int sourceStart, int sourceStep, bool merge, bool keepLast) noexcept;

    int First(int k) const noexcept { return first_[k]; }
    int Count(int k) const noexcept { return count_[k]; }
    int Step() const noexcept { return step_; }

private:
    ByteBuffer storage_;
    int *first_ = nullptr;
    int *count_ = nullptr;
    int step_ = 1;
};

}  // namespace zelt::platform
