#include "resize_weights.h"

#include <algorithm>

namespace zelt::kernel {
namespace {

constexpr int kBoxBits = 22;
constexpr int kInterpolationBits = 14;
constexpr int kWideSampleBits = 30;

// a / b rounded to nearest, for a >= 0 and b > 0.
constexpr std::int64_t RoundedQuotient(std::int64_t a, std::int64_t b) { return (2 * a + b) / (2 * b); }

template <typename T>
KernelBlock<T> AllocArray(std::int64_t count) {
    const std::int64_t bytes = count * static_cast<std::int64_t>(sizeof(T));
    if (count < 1 || bytes > 0xFFFFFFFFll) return nullptr;
    return AllocBlock<T>(static_cast<DWORD>(bytes));
}

}  // namespace

void AxisFilter::AddSpan(int target, std::int64_t first, const std::int64_t *weights, int count) {
    // Taps of weight 0 at either end (a sliver of a footprint) are skipped.
    while (count > 1 && weights[0] == 0) ++first, ++weights, --count;
    while (count > 1 && weights[count - 1] == 0) --count;
    std::int32_t *span = spans_.get() + 3 * static_cast<std::size_t>(target);
    span[0] = static_cast<std::int32_t>(first);
    span[1] = count;
    span[2] = static_cast<std::int32_t>(used_);
    for (int k = 0; k < count; ++k) weights_.get()[used_++] = static_cast<std::int32_t>(weights[k]);
}

int AxisFilter::Build(int sourceSize, int targetSize, int sampleBits) {
    const std::int64_t s = sourceSize, t = targetSize;
    const bool box = t <= s;
    bits_ = sampleBits > 8 ? kWideSampleBits : box && t < s ? kBoxBits : kInterpolationBits;
    const std::int64_t one = std::int64_t{1} << bits_;
    spans_ = AllocArray<std::int32_t>(3 * t);
    weights_ = AllocArray<std::int32_t>(box ? s + t : 2 * t);
    if (!spans_ || !weights_) return STATUS_NO_MEMORY;
    used_ = 0;
    if (box) {
        // Positions in units of 1/t source pixel: target i covers
        // [i s, (i + 1) s), source j covers [j t, (j + 1) t). Each weight is
        // the rounded running total minus the previous one, so they add up
        // to exactly `one` and their rounding errors do not pile up.
        std::int64_t taps[2 + 1] = {};
        KernelBlock<std::int64_t> longTaps;
        const std::int64_t most = s / t + 2;
        std::int64_t *weights = taps;
        if (most > 3) {
            longTaps = AllocArray<std::int64_t>(most);
            if (!longTaps) return STATUS_NO_MEMORY;
            weights = longTaps.get();
        }
        for (std::int64_t i = 0; i < t; ++i) {
            const std::int64_t low = i * s, high = low + s;
            const std::int64_t first = low / t, last = (high - 1) / t;
            std::int64_t covered = 0, previous = 0;
            for (std::int64_t j = first; j <= last; ++j) {
                covered += (std::min)(high, (j + 1) * t) - (std::max)(low, j * t);
                const std::int64_t rounded = RoundedQuotient(covered * one, s);
                weights[j - first] = rounded - previous;
                previous = rounded;
            }
            AddSpan(static_cast<int>(i), first, weights, static_cast<int>(last - first + 1));
        }
        return STATUS_OK;
    }
    // The target centre in units of 1/(2t) source pixel, measured from the
    // first source centre: (2i + 1) s - t.
    for (std::int64_t i = 0; i < t; ++i) {
        const std::int64_t position = (2 * i + 1) * s - t;
        std::int64_t first = 0, pair[2] = {one, 0};
        if (position > 0) {
            first = position / (2 * t);
            const std::int64_t next = RoundedQuotient((position % (2 * t)) * one, 2 * t);
            pair[0] = one - next;
            pair[1] = next;
        }
        if (first >= s - 1) first = s - 1, pair[0] = one, pair[1] = 0;
        AddSpan(static_cast<int>(i), first, pair, 2);
    }
    return STATUS_OK;
}

}  // namespace zelt::kernel
