#include "gdi/blit_map.h"

#include <algorithm>

namespace zelt::platform {

bool AxisMap::Build(int dstStart, int dstExtent, int srcStart, int srcExtent, int srcLength, RunPick pick) noexcept {
    count_ = 0;
    const int n = dstExtent < 0 ? -dstExtent : dstExtent;
    const int s = srcExtent < 0 ? -srcExtent : srcExtent;
    const int dstDir = dstExtent < 0 ? -1 : 1;
    srcDir_ = srcExtent < 0 ? -1 : 1;
    if (n == 0 || s == 0) return true;
    if (!steps_.Reset(sizeof(AxisStep) * static_cast<std::size_t>(n))) return false;
    auto *steps = reinterpret_cast<AxisStep *>(steps_.Data());

    const auto sourceAt = [&](int j) { return srcStart + srcDir_ * j; };
    const auto inside = [&](int j) { return sourceAt(j) >= 0 && sourceAt(j) < srcLength; };
    const auto add = [&](int k, int jFirst, int jLast) {
        if (pick == RunPick::First) jLast = jFirst;
        if (pick == RunPick::Last) jFirst = jLast;
        // Cut the run to the source; drop the step when nothing is left.
        while (jFirst <= jLast && !inside(jFirst)) ++jFirst;
        while (jLast >= jFirst && !inside(jLast)) --jLast;
        if (jFirst > jLast) return;
        steps[count_++] = AxisStep{dstStart + dstDir * k, sourceAt(jFirst), sourceAt(jLast)};
    };

    if (n >= s) {
        for (int k = 0; k < n; ++k) {
            const int j = EnlargeSample(k, n, s);
            add(k, j, j);
        }
    } else {
        int runStart = 0;
        for (int j = 0; j < s; ++j) {
            const int k = ShrinkTarget(j, n, s);
            if (j + 1 == s || ShrinkTarget(j + 1, n, s) != k) {
                add(k, runStart, j);
                runStart = j + 1;
            }
        }
    }
    if (count_ > 0) {
        dstMin_ = std::min(steps[0].dst, steps[count_ - 1].dst);
        dstMax_ = std::max(steps[0].dst, steps[count_ - 1].dst);
        const int a = steps[0].srcFirst, b = steps[count_ - 1].srcLast;
        srcMin_ = std::min(a, b);
        srcMax_ = std::max(a, b);
    }
    return true;
}

}  // namespace zelt::platform
