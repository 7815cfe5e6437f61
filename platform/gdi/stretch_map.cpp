#include "gdi/stretch_dibits.h"

#include <cstdint>

namespace zelt::platform {

bool StretchAxis::Build(int n, int s, int sourceStart, int sourceStep, bool merge, bool keepLast) noexcept {
    if (!storage_.Reset(std::size_t(n) * 2 * sizeof(int))) return false;
    first_ = reinterpret_cast<int *>(storage_.Data());
    count_ = first_ + n;
    step_ = sourceStep;
    if (n == s) {
        // 1:1: ((2k + 1)s - 1) / 2s is k, since 0 <= s - 1 < 2s.
        for (int k = 0; k < n; ++k) {
            first_[k] = sourceStart + k * sourceStep;
            count_[k] = 1;
        }
        return true;
    }
    if (n > s) {
        // Enlarging: pixel-centre sampling, ties to the lower index.
        for (int k = 0; k < n; ++k) {
            const std::int64_t j = ((2 * std::int64_t{k} + 1) * s - 1) / (2 * std::int64_t{n});
            first_[k] = sourceStart + static_cast<int>(j) * sourceStep;
            count_[k] = 1;
        }
        return true;
    }
    // Shrinking: each source step j belongs to one destination step; each
    // destination step receives a run of consecutive j.
    for (int k = 0; k < n; ++k) count_[k] = 0;
    for (int j = 0; j < s; ++j) {
        const int k = static_cast<int>(((2 * std::int64_t{j} + 1) * n - 1) / (2 * std::int64_t{s}));
        const int position = sourceStart + j * sourceStep;
        if (merge) {
            if (count_[k] == 0) first_[k] = position;
            ++count_[k];
        } else if (keepLast || count_[k] == 0) {
            first_[k] = position;
            count_[k] = 1;
        }
    }
    return true;
}

}  // namespace zelt::platform
