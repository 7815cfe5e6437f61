// The arithmetic of the resize's two passes: weighted sums of whole rows
// (one filter tap per row) and of neighbouring pixels along a row, in 32-bit
// sums where they cannot overflow and 64-bit ones otherwise, rounded to
// nearest and shifted down. Used by resize_bitmap.cpp only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>

#include "resize_weights.h"

namespace zelt::kernel::resize {

// True when sums of In values with weights adding up to 1 << bits, plus
// the rounding half of a shift, fit 32 bits.
template <typename In>
bool SumsFit32(int bits, int shift) {
    const std::uint64_t largest = std::uint64_t{(std::numeric_limits<In>::max)()} << bits;
    return largest + (std::uint64_t{1} << (shift - 1)) <= 0xFFFFFFFFull;
}

// Calls op(i) for i < n, sixteen at a time while it can: loops of a fixed
// length over pointers that never alias are what compilers vectorise even at
// their cautious settings.
template <typename Op>
inline void ForEachIndex(std::size_t n, Op &&op) {
    std::size_t i = 0;
    for (; i + 16 <= n; i += 16)
        for (std::size_t k = 0; k < 16; ++k) op(i + k);
    for (; i < n; ++i) op(i);
}

// The passes over whole rows.
template <typename In, typename Acc>
void StartSum(Acc *__restrict acc, const In *__restrict row, Acc weight, Acc half, std::size_t n) {
    ForEachIndex(n, [=](std::size_t i) { acc[i] = weight * row[i] + half; });
}

template <typename In, typename Acc>
void AddToSum(Acc *__restrict acc, const In *__restrict row, Acc weight, std::size_t n) {
    ForEachIndex(n, [=](std::size_t i) { acc[i] += weight * row[i]; });
}

template <typename In, typename Out, typename Acc>
void FinishSum(Out *__restrict out, const Acc *__restrict acc, const In *__restrict row, Acc weight, int shift,
               std::size_t n) {
    ForEachIndex(n, [=](std::size_t i) { out[i] = static_cast<Out>((acc[i] + weight * row[i]) >> shift); });
}

template <typename In, typename Out, typename Acc>
void ScaleRow(Out *__restrict out, const In *__restrict row, Acc weight, Acc half, int shift, std::size_t n) {
    ForEachIndex(n, [=](std::size_t i) { out[i] = static_cast<Out>((weight * row[i] + half) >> shift); });
}

// Rows that stay where they are (stored rows, the ring) are combined all at
// once, sixteen samples at a time with their sums held in registers, when
// there are at most this many.
constexpr int kMostHeldRows = 8;

template <typename In, typename Out, typename Acc>
void CombineHeldRows(const In *const *rows, const Acc *weights, int count, Acc half, int shift, std::size_t n,
                     Out *out) {
    std::size_t i = 0;
    for (; i + 16 <= n; i += 16) {
        Acc sum[16];
        for (int j = 0; j < 16; ++j) sum[j] = half;
        for (int k = 0; k < count; ++k) {
            const In *row = rows[k] + i;
            const Acc weight = weights[k];
            for (int j = 0; j < 16; ++j) sum[j] += weight * row[j];
        }
        for (int j = 0; j < 16; ++j) out[i + j] = static_cast<Out>(sum[j] >> shift);
    }
    for (; i < n; ++i) {
        Acc sum = half;
        for (int k = 0; k < count; ++k) sum += weights[k] * rows[k][i];
        out[i] = static_cast<Out>(sum >> shift);
    }
}

// out[i] = (sum over the span's rows of weight * row[i]) >> shift, rounded.
// Unless `rowsStay`, rows are fetched one at a time, so a fetch may reuse
// one buffer, and the sums go through `acc`.
template <typename In, typename Out, typename Acc, typename Fetch>
void CombineRows(Fetch &&fetch, bool rowsStay, const AxisFilter::Span &span, std::size_t n, Acc *acc, Out *out,
                 int shift) {
    const Acc half = Acc{1} << (shift - 1);
    const auto weight = [&span](int k) { return static_cast<Acc>(span.weights[k]); };
    if (rowsStay && span.count <= kMostHeldRows) {
        const In *rows[kMostHeldRows];
        Acc weights[kMostHeldRows];
        for (int k = 0; k < span.count; ++k) rows[k] = fetch(span.first + k), weights[k] = weight(k);
        CombineHeldRows(rows, weights, span.count, half, shift, n, out);
        return;
    }
    if (span.count == 1) {
        ScaleRow<In>(out, fetch(span.first), weight(0), half, shift, n);
        return;
    }
    StartSum<In>(acc, fetch(span.first), weight(0), half, n);
    for (int k = 1; k + 1 < span.count; ++k) AddToSum<In>(acc, fetch(span.first + k), weight(k), n);
    FinishSum<In>(out, acc, fetch(span.first + span.count - 1), weight(span.count - 1), shift, n);
}

template <typename In, typename Out, typename Fetch>
void CombineRowsAny(Fetch &&fetch, bool rowsStay, const AxisFilter &filter, int target, std::size_t n, void *acc,
                    Out *out, int shift) {
    const AxisFilter::Span span = filter.At(target);
    if (SumsFit32<In>(filter.WeightBits(), shift)) {
        CombineRows<In>(fetch, rowsStay, span, n, static_cast<std::uint32_t *>(acc), out, shift);
    } else {
        CombineRows<In>(fetch, rowsStay, span, n, static_cast<std::uint64_t *>(acc), out, shift);
    }
}

// One row filtered across: `width` target pixels of Channels samples.
template <typename In, typename Out, int Channels, typename Acc>
void FilterRow(const In *in, Out *out, const AxisFilter &filter, int width, int shift) {
    const Acc half = Acc{1} << (shift - 1);
    for (int i = 0; i < width; ++i, out += Channels) {
        const AxisFilter::Span span = filter.At(i);
        const In *pixel = in + static_cast<std::size_t>(span.first) * Channels;
        Acc sum[Channels];
        for (int c = 0; c < Channels; ++c) sum[c] = half;
        for (int k = 0; k < span.count; ++k, pixel += Channels) {
            const Acc weight = static_cast<Acc>(span.weights[k]);
            for (int c = 0; c < Channels; ++c) sum[c] += weight * pixel[c];
        }
        for (int c = 0; c < Channels; ++c) out[c] = static_cast<Out>(sum[c] >> shift);
    }
}

template <typename In, typename Out, int Channels>
void FilterRowAny(const In *in, Out *out, const AxisFilter &filter, int width, int shift) {
    if (SumsFit32<In>(filter.WeightBits(), shift)) {
        FilterRow<In, Out, Channels, std::uint32_t>(in, out, filter, width, shift);
    } else {
        FilterRow<In, Out, Channels, std::uint64_t>(in, out, filter, width, shift);
    }
}

}  // namespace zelt::kernel::resize
