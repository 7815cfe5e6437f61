// One axis of a resize as filter taps, computed once per call: target index
// i draws on `count` source indices from `first` on, with weights in fixed
// point that add up to exactly 1 << WeightBits().
//
// Shrinking (and keeping the size) averages the source pixels a target
// pixel covers, each weighted by the length it covers: a box filter over
// the target pixel's footprint [i * S / T, (i + 1) * S / T). Enlarging
// interpolates linearly between the two source pixels whose centres
// surround the target pixel's centre (i + 1/2) * S / T - 1/2; beyond the
// first and last centres the border pixel repeats.
#pragma once

#include <cstdint>

#include "memory_internal.h"

namespace zelt::kernel {

class AxisFilter {
public:
    struct Span {
        int first;
        int count;
        const std::int32_t *weights;
    };

    // Weights for samples of `sampleBits` bits (8 or 16). STATUS_NO_MEMORY
    // when the tables cannot be made.
    int Build(int sourceSize, int targetSize, int sampleBits);

    Span At(int i) const {
        const std::int32_t *span = spans_.get() + 3 * static_cast<std::size_t>(i);
        return {span[0], span[1], weights_.get() + span[2]};
    }

    // Enough bits that the weights' rounding moves a result by less than a
    // hundredth of a step, even over thousands of taps: 22 for box filters
    // of 8-bit samples, 14 for their interpolation's two taps, 30 for 16-bit
    // samples.
    int WeightBits() const { return bits_; }

private:
    void AddSpan(int target, std::int64_t first, const std::int64_t *weights, int count);
    KernelBlock<std::int32_t> spans_;    // first, count, offset of the weights
    KernelBlock<std::int32_t> weights_;
    std::size_t used_ = 0;
    int bits_ = 14;
};

}  // namespace zelt::kernel
